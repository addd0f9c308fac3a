// The generator's own view of the program it is writing: types, variables,
// classes and functions in scope, and the state of the function being
// written.  Internal to generator.cpp, gen_statements.cpp and
// gen_expressions.cpp.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "arithmetic.h"
#include "generator.h"

namespace vylfuzz::gen {

struct GType;
using TypeP = std::shared_ptr<const GType>;

struct GType {
  enum Kind { Int, Bool, Char, Byte, Class, Array, Void } kind = Int;
  int cls = -1;        // Class: the class number
  int length = -1;     // Array: the element count, -1 for a reference
  TypeP elem;          // Array
  std::string alias;   // written with this name (an alias of the type)
  bool string = false; // Array: String, a type of its own beside char[]

  bool Scalar() const { return kind == Int || kind == Bool || kind == Char || kind == Byte; }
  bool Reference() const { return kind == Class || (kind == Array && length < 0); }
  bool InPlace() const { return kind == Array && length >= 0; }
};

bool Same(const GType& a, const GType& b);

struct GField {
  std::string name;
  TypeP type;
  bool nullable = false;  // the maker leaves it null
  bool writable = true;   // an array field: the maker stores a new array, not a string
};

struct GClass {
  std::string name;
  std::vector<GField> fields;
  int maker = -1;  // the function that makes a complete object
};

struct Var {
  std::string name;
  TypeP type;
  bool global = false;
  bool assignable = true;    // random assignments may store into it
  bool writable = true;      // the array it refers to may be written
  bool nullable = false;     // may hold null: dereferenced only to trap
  bool table = false;        // a constant table
  bool finalObject = false;  // an object laid out in place
  bool constant = false;     // a named constant
  int64_t value = 0;
  bool counter = false;      // a loop counter
  bool ready = true;         // holds what it must before anything reads it
  int minLength = 0;         // open arrays: the fewest elements any array it holds has
};

struct GFunc {
  std::string name;
  TypeP result;  // Void for none
  std::vector<Var> params;
  bool recursive = false;  // params[0] is the depth, which every recursive call lowers
  int maxDepth = 0;
  std::vector<int> partners;  // functions its recursive calls may go to
  long cost = 1;              // estimated steps of one call
  bool callable = false;      // its body (or prototype) is written
  bool helper = false;        // show, say and the makers: not chosen at random
};

// A scalar expression and values it takes for some values of its variables
// (taking each operand's values independently).  A non-constant expression
// must have two different ones: the compiler follows the range of every
// expression, replaces one that can take one value only by that value, and
// then does not evaluate its operands.
// At most eight values, each once, spread over the range of those given.
// (Held in place: the generator makes a set for every expression.)
class Witnesses {
 public:
  Witnesses() = default;
  Witnesses(const std::vector<int32_t>& values) { *this = Of(values.data(), values.size()); }
  static Witnesses Of(const int32_t* values, size_t n);
  const int32_t* begin() const { return v_.data(); }
  const int32_t* end() const { return v_.data() + n_; }
  size_t size() const { return n_; }

 private:
  std::array<int32_t, 8> v_{};
  size_t n_ = 0;
};

// Collects the values of every pair of two sets (64 at most).
class WitnessBuilder {
 public:
  void Add(int32_t x) {
    if (n_ < buf_.size()) buf_[n_++] = x;
  }
  Witnesses Take() const { return Witnesses::Of(buf_.data(), n_); }

 private:
  std::array<int32_t, 64> buf_{};
  size_t n_ = 0;
};

struct Sx {
  ExprPtr e;
  Witnesses w;
  bool constant = false;
  int64_t value = 0;  // constant: exact
};

struct LoopInfo {
  bool isDo = false;
  std::string counter;
  int bound = 0;
};

// One step of a designator: an index into an array or a field of an object.
struct PathStep {
  bool index = false;
  int length = 0;       // index: the array's known length (its minimum for a reference)
  bool byReference = false;
  std::string field;
  bool nullable = false;
  TypeP type;           // the type reached
};

struct Path {
  const Var* root = nullptr;
  std::vector<PathStep> steps;
  TypeP type;
  bool assignable = false;  // may be the target of an assignment
  bool writable = false;    // an array it reaches may be written
  bool nullable = false;    // passes through a value that may be null
};

inline int32_t Wrap(int64_t v) { return Wrap16(v); }
inline Sx Leaf(ExprPtr e, const Witnesses& w) { return {std::move(e), w, false, 0}; }
inline Sx Const(ExprPtr e, int64_t v) {
  int32_t word = Wrap(v);
  return {std::move(e), Witnesses::Of(&word, 1), true, v};
}
inline Construct OpConstructOf(Op op) {
  return static_cast<Construct>(static_cast<int>(Construct::OpMul) + static_cast<int>(op) - static_cast<int>(Op::Mul));
}
// A constant, or an expression that takes two values at least.
inline bool Valid(const Sx& s) { return s.e && (s.constant || s.w.size() >= 2); }

class Gen {
 public:
  explicit Gen(uint64_t seed);
  Generated Run();

 private:
  friend struct GenAccess;
  // ----- randomness
  int Below(int n) { return n <= 1 ? 0 : static_cast<int>(rng_() % static_cast<uint64_t>(n)); }
  int Range(int lo, int hi) { return lo + Below(hi - lo + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& v) { return v[static_cast<size_t>(Below(static_cast<int>(v.size())))]; }
  void Count(Construct c) { ++out_.coverage[static_cast<size_t>(c)]; }

  // ----- types (generator.cpp)
  TypeP Scalar(GType::Kind k) const;
  TypeP ArrayOf(TypeP elem, int length, std::string alias = "") const;
  TypeP StringType() const;
  TypeP ClassType(int cls) const;
  TypeName Written(const GType& t);
  TypeP RandomScalarType();
  TypeP RandomValueType();  // a parameter's or result's type

  // ----- declarations (generator.cpp)
  void Classes();
  void Globals(int count);
  void Table(GType::Kind k, std::vector<VarGroup>& out);
  std::string Word();
  void Helpers();
  void Makers();
  void Functions(int count);
  GFunc Signature(bool recursive);
  Function Header(const GFunc& f);
  void Begin(GFunc& f, Function& d);
  void Body(GFunc& f, Function& d, int statements);
  void Main();
  void Locals(std::vector<VarGroup>& out, int count);
  void Declare(std::vector<VarGroup>& out, Var v, ExprPtr init, std::vector<Var>& scope);
  std::pair<Var, ExprPtr> RandomVariable(bool global);
  void Setup(const Var& v, std::vector<StmtPtr>& out);
  // Sets the fields of a new object; a field of the object's own class gets
  // the object itself when `itself`, else a made object.
  void MakeFields(const std::string& object, const GClass& c, std::vector<StmtPtr>& out, const Expr& seed,
                  bool itself = true);
  void MakeReady(std::vector<StmtPtr>& out);
  std::string NewName(const char* prefix) { return prefix + std::to_string(names_++); }

  // ----- statements (gen_statements.cpp)
  void Statements(std::vector<StmtPtr>& out, int count);
  StmtPtr Statement();
  StmtPtr Assignment();
  StmtPtr ReferenceAssignment();
  StmtPtr PrintStatement();
  StmtPtr CallStatement();
  StmtPtr IfStatement();
  StmtPtr Loop(bool isDo);
  StmtPtr Switch();
  StmtPtr Exit(StmtKind kind);
  StmtPtr Controlled(int count);
  StmtPtr GroupEnd();
  StmtPtr Guarded(ExprPtr cond, StmtPtr then);
  StmtPtr ContinueStatement();
  StmtPtr ReturnStatement();
  std::vector<StmtPtr> FillLoop(const std::string& array, const GType& type);
  StmtPtr Show(ExprPtr value);
  std::string Counter();
  StmtPtr Set(ExprPtr target, ExprPtr value);

  // ----- expressions (gen_expressions.cpp)
  Sx Int(int depth);
  Sx Bool(int depth);
  Sx Char(int depth);
  Sx Byte(int depth);
  Sx ScalarOf(const GType& t, int depth);
  Sx IntLeaf(int depth);
  Sx IntBinary(int depth);
  Sx Literal();
  Sx Constant(int depth);
  Sx Read(const GType& t, int depth);  // a variable, element or field of type t
  Sx CallOf(const GType& t, int depth);
  ExprPtr Reference(const GType& t, bool writable, int depth, bool argument = false);
  ExprPtr NewArrayOf(const GType& arrayType, int depth);
  ExprPtr Index(const PathStep& step, const Expr& prefix, int depth);
  ExprPtr Instantiate(const Path& p, int depth);
  const std::vector<Path>& Paths(bool forTarget);
  std::vector<Path> AllPaths(bool forTarget);
  std::optional<Path> ChoosePath(const GType& t, bool forTarget, bool writable = false);
  // One of the designators in scope that `want` accepts.
  std::optional<Path> PickPath(bool forTarget, const std::function<bool(const Path&)>& want);
  std::vector<ExprPtr> Arguments(const GFunc& f, int depth, bool recursive);
  const GFunc* Callee(const GType& result, bool& recursive);
  ExprPtr DepthArgument(const GFunc& f, bool recursive);
  Sx Combine(Op op, Sx a, Sx b);
  Sx Unary(Op op, Sx a);
  const Var* Find(const std::function<bool(const Var&)>& want);

  // ----- state
  std::mt19937_64 rng_;
  Generated out_;
  std::vector<GClass> classes_;
  std::vector<GFunc> funcs_;
  std::vector<Var> globals_;
  int names_ = 0;
  // The function being written.
  GFunc* fn_ = nullptr;
  Function* decl_ = nullptr;
  std::vector<Var> locals_;
  std::vector<LoopInfo> loops_;
  int switches_ = 0;
  int depth_ = 0;
  long mult_ = 1;         // how many times the current statement may run per call
  long cost_ = 0;         // the estimated cost of one call so far
  int selfCalls_ = 0;     // recursive calls written
  size_t bodyNodes_ = 0;  // tree nodes of the function's statements so far
  bool guarded_ = false;  // below the depth test of a recursive function
  bool inMain_ = false;
  bool noCalls_ = false;  // main's initial values call nothing: the globals are not made yet
  int trapBudget_ = 1;    // constructs that may trap on purpose, left in this program
  TypeP rowType_;         // the alias Row (int[3]), when the program declares it
  // The designators in scope, for reading and for assigning.
  struct PathsKey {
    uint64_t scope;
    size_t locals, globals, ready;
    bool globalsReady, forTarget;
    bool operator==(const PathsKey&) const = default;
  };
  struct PathCache {
    bool valid = false;
    PathsKey key{};
    std::vector<Path> paths;
  };
  PathCache paths_[2];
  uint64_t scope_ = 0;  // a new one with every function begun
  std::vector<size_t> pending_;  // globals main must make before anything uses them
  std::string byteTable_;        // a byte table every program has
  bool globalsReady_ = false;    // the globals are made (in function bodies and main after its setup)
};

}  // namespace vylfuzz::gen
