// The syntax tree of a Vyl program as vylfuzz sees it: the generator builds
// it, the printer turns it into source text, the reader (parser.h) builds it
// back from text, the checker (semantics.h) annotates it and the reference
// interpreter runs it.  The reducer edits it.
//
// The tree is written as the source reads: names are strings, types are the
// names and brackets written.  The annotations at the end of Expr are filled
// by the checker and mean nothing before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vylfuzz {

struct Expr;
struct Stmt;
using ExprPtr = std::unique_ptr<Expr>;
using StmtPtr = std::unique_ptr<Stmt>;

// A type as written: a name followed by brackets, applied left to right
// (`int[3][4]` is four elements of `int[3]`).  A null size is `[]`.
struct TypeName {
  std::string name;
  std::vector<ExprPtr> sizes;

  TypeName() = default;
  explicit TypeName(std::string n) : name(std::move(n)) {}
  TypeName(const TypeName& other);
  TypeName& operator=(const TypeName& other);
  TypeName(TypeName&&) = default;
  TypeName& operator=(TypeName&&) = default;
};

enum class Op {
  // unary
  Neg, Plus, Compl, Not,
  // binary, by level
  Mul, Div, Rem, Add, Sub, Shl, Shr, Ushr, BitAnd, BitXor, BitOr,
  Eq, Ne, Lt, Le, Gt, Ge, And, Or,
};

const char* Spelling(Op op);
// 2 for the unary operators, 3 (`*`) to 11 (`||`) for the binary ones.
int Level(Op op);
bool IsComparison(Op op);

enum class ExprKind {
  Number,     // value, text = spelling ("0x1F")
  Char,       // value = the code
  String,     // text = the characters (unescaped)
  Bool,       // value 0 or 1
  Null,
  Name,       // text
  Field,      // kids[0] . text
  Index,      // kids[0] [ kids[1] ]
  Call,       // text ( kids... )
  Unary,      // op kids[0]
  Binary,     // kids[0] op kids[1]
  Paren,      // ( kids[0] )
  Braces,     // { kids... }
  NewObject,  // new type.name ()
  NewArray,   // new type.name [ kids[0] ]
};

struct Symbol;
struct Type;
struct FieldInfo;
struct FunctionInfo;

struct Expr {
  ExprKind kind;
  Op op = Op::Add;
  std::string text;
  int64_t value = 0;
  std::vector<ExprPtr> kids;
  TypeName type;  // NewObject, NewArray

  explicit Expr(ExprKind k) : kind(k) {}

  // Annotations of the checker.
  const Type* ty = nullptr;      // the expression's type
  bool constant = false;         // its value is known while compiling
  int64_t folded = 0;            // that value, exactly (it may exceed 16 bits)
  const Symbol* symbol = nullptr;        // Name: what it names
  const FieldInfo* field = nullptr;      // Field: the member reached
  const FunctionInfo* callee = nullptr;  // Call: a declared function
  int builtin = 0;                       // Call: 1 ORD, 2 CHR, 3 LENGTH
  int device = -1;                       // Field of a device: the register's address
  int keep = 0;  // && and ||: 0 both operands, 1 the left only, 2 the right only
  std::vector<int32_t> values;  // values it takes for some values of its variables
};

ExprPtr MakeNumber(int64_t v);
ExprPtr MakeChar(int code);
ExprPtr MakeString(std::string text);
ExprPtr MakeBool(bool v);
ExprPtr MakeNull();
ExprPtr MakeName(std::string name);
ExprPtr MakeField(ExprPtr object, std::string name);
ExprPtr MakeIndex(ExprPtr array, ExprPtr index);
ExprPtr MakeCall(std::string name, std::vector<ExprPtr> args);
// A call of one argument (ORD, CHR, LENGTH and the like).
ExprPtr MakeCall(std::string name, ExprPtr arg);
ExprPtr MakeUnary(Op op, ExprPtr operand);
ExprPtr MakeBinary(Op op, ExprPtr left, ExprPtr right);
ExprPtr MakeParen(ExprPtr inner);
ExprPtr Clone(const Expr& e);

enum class StmtKind { Assign, Call, If, While, Do, Switch, Break, Continue, Return, Block, Empty };

struct SwitchGroup {
  ExprPtr label;  // null for default
  std::vector<StmtPtr> body;
};

struct Stmt {
  StmtKind kind;
  ExprPtr target;              // Assign
  ExprPtr expr;                // Assign value, Call, conditions, Switch value, Return value
  std::vector<StmtPtr> body;   // Block; If: then [, else]; While, Do: the body
  std::vector<SwitchGroup> groups;
  int line = 0;                // set by the reader

  explicit Stmt(StmtKind k) : kind(k) {}
};

StmtPtr MakeStmt(StmtKind kind);
StmtPtr Clone(const Stmt& s);

// One name of a declaration, with what initialises it: an expression (a
// value, a string, `new C()` of a final object) or a table of constants.
struct Declarator {
  std::string name;
  ExprPtr init;
  bool table = false;
  std::vector<ExprPtr> items;
};

struct VarGroup {
  bool isFinal = false;
  TypeName type;
  std::vector<Declarator> vars;
  int line = 0;
};

struct Param {
  TypeName type;
  std::string name;
};

struct Function {
  TypeName result;
  std::string name;
  std::vector<Param> params;
  bool prototype = false;
  std::vector<VarGroup> locals;
  std::vector<StmtPtr> body;
  int line = 0;
};

struct ClassDecl {
  std::string name;
  bool alias = false;
  TypeName aliasOf;
  std::vector<VarGroup> fields;
};

struct Decl {
  enum Kind { Class, Vars, Func } kind = Vars;
  ClassDecl cls;
  VarGroup vars;
  Function func;
};

struct Program {
  std::vector<std::string> imports;  // "Hardware", or "Hardware.*"
  std::vector<Decl> decls;
};

// Source text of a tree; parentheses are added where the precedence needs
// them, never elsewhere (explicit Paren nodes print their own).
std::string Print(const Program& p);
std::string Print(const Expr& e);
std::string Print(const TypeName& t);

}  // namespace vylfuzz
