// What a Vyl program means, as the reference interpreter needs it: the
// checker resolves every name, gives every expression its type, folds the
// constant expressions (in exact arithmetic, as the compiler folds them in 32
// bits) and lays out the variables of every scope.  It is written from the
// language reference in docs/, not from the compiler.
//
// The checker accepts what the reference interpreter can give a meaning to;
// it is not a full judge of validity (the compiler is).  What it refuses it
// refuses with Rejected: a program outside the language, or one whose
// meaning the language does not fix (a constant that leaves the range the
// folding can be relied on in, for example).
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "syntax.h"

namespace vylfuzz {

struct Rejected : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ClassInfo;

struct Type {
  enum Kind { Int, Byte, Char, Bool, Void, Null, Class, Array } kind = Int;
  const Type* elem = nullptr;      // Array
  int length = -1;                 // Array: the element count, -1 for a reference to any length
  const ClassInfo* cls = nullptr;  // Class
  std::string name;

  bool IsScalar() const { return kind == Int || kind == Byte || kind == Char || kind == Bool; }
  bool IsReference() const { return kind == Class || kind == Null || (kind == Array && length < 0); }
  bool InPlace() const { return kind == Array && length >= 0; }
};

struct FieldInfo {
  std::string name;
  const Type* type = nullptr;
  int index = 0;
};

struct ClassInfo {
  std::string name;
  std::vector<FieldInfo> fields;
  const Type* type = nullptr;  // the reference type
};

struct FunctionInfo;

// A variable slot of a scope (the globals, or a function's parameters and
// locals), in declaration order.
struct SlotInfo {
  std::string name;
  const Type* type = nullptr;  // for a final object: the class type, laid out in place
  const Expr* init = nullptr;  // the initial value, if any
  bool finalObject = false;
};

struct Symbol {
  enum Kind { Variable, Constant, Table, Function, Device, Class } kind = Variable;
  std::string name;
  const Type* type = nullptr;
  bool global = false;
  int slot = 0;            // Variable: the slot in its scope; Table: the table number
  bool finalObject = false;
  int64_t value = 0;       // Constant
  const FunctionInfo* fn = nullptr;
  int address = 0;         // Device: the base address of its registers
  std::map<std::string, int> registers;  // Device: register name -> byte offset
};

struct FunctionInfo {
  const vylfuzz::Function* decl = nullptr;  // the body (null while only a prototype is known)
  std::string name;
  const Type* result = nullptr;
  std::vector<const Type*> params;
  std::vector<SlotInfo> slots;  // parameters first, then the locals
};

// A constant table: a final array's data or a string literal's characters.
struct TableInfo {
  const Type* type = nullptr;  // the array type, of known length
  std::vector<int32_t> values;
};

struct Model {
  std::deque<Type> types;
  std::deque<ClassInfo> classes;
  std::deque<FunctionInfo> functions;
  std::deque<Symbol> symbols;
  std::vector<TableInfo> tables;
  std::map<std::string, int> strings;  // literal text -> table number (equal strings share one)
  std::vector<SlotInfo> globals;
  const FunctionInfo* main = nullptr;
  const Type* intType = nullptr;
  const Type* byteType = nullptr;
  const Type* charType = nullptr;
  const Type* boolType = nullptr;
  const Type* voidType = nullptr;
  const Type* nullType = nullptr;
  const Type* stringType = nullptr;
};

// Folded constants are 32-bit values: one that leaves 32 bits overflows,
// and the language does not say what then.
constexpr int64_t kFoldLimit = int64_t{1} << 31;

// Checks and annotates `program` (which must outlive the model).  Throws
// Rejected.
std::unique_ptr<Model> Check(Program& program);

// The byte size of a value of type t stored in place (for the machine's
// limits; a byte takes a word of its own outside arrays).
int SizeInPlace(const Type& t);

}  // namespace vylfuzz
