// The program model shared by the front end and the code generator: the
// reserved keys of the symbol table, the modifier bits, the queries on type
// records, and the in-place edits of records that are built first and
// completed later.
//
// A type is a `ty` node: slot 0 the name, child 2 an `sz` node holding the
// size, child 3 the descriptor (`rn` range, `en` enumeration, `ch`
// character, `pt` reference, `ar` array, `vt` void, `cl` class, `no` opaque).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/runtime.h"

namespace vyl {

// ---------------------------------------------------------------------------
// Reserved keys of the symbol table.
enum Key : int32_t {
  kKeyInt = 1,
  kKeyBoolean = 2,
  kKeyChar = 3,
  kKeyString = 4,
  kKeyNumeric0 = 5,       // numeric type with sign 0 (never bound by the built-ins)
  kKeyNumericCommon = 6,  // numeric type with sign -1, common type of two numeric types
  kKeyVoid = 7,
  kKeyNull = 8,           // the null constant definition
  kKeyPackage = 9,        // the predefined package record
  kKeyFalse = 10,
  kKeyTrue = 11,
  kKeyByte = 13,
  kKeyObject = 15,        // the Object class type, template of every class
  kKeyStringType = 16,
  kKeyAddressOf = 19,     // bound by importing Dangerous: enables "&"
  kKeySemaphore = 20,
  kKeyFileId = 21,
  kKeyContext = -1,       // the enclosing context record
  kKeyBreak = -2,         // the break context of the current function
  kKeyFunction = -3,      // the function record, at the level of its body
  kKeyLocation = -4,      // the location record of the scope being filled
  kKeyProcCounter = -5,   // the procedure counter
  kKeyTablePool = -6,     // the table pool that chains the constant tables
};

// Binds key -> value at the table's current level; false (table unchanged)
// when the key is already bound there.
inline bool Bind(Tree& table, int32_t key, Tree value) {
  Tree extended = nullptr;
  if (!into(key, table, value, extended)) return false;
  table = extended;
  return true;
}

// Modifier bits.
enum Modifier : int32_t { kModStatic = 2, kModSynchronized = 8, kModFinal = 64 };

// ---------------------------------------------------------------------------
// Type queries

bool TypeSize(Tree type, int32_t& size);
bool NameOfType(Tree type, int32_t& name);
bool IsScalar(Tree type);
bool IsObject(Tree type, int32_t& size, Tree& resultType);
bool GetTypeRange(Tree type, int32_t& low, int32_t& high);
// The member table, type and value range that a record denotes.
bool GetItsType(Tree node, Tree& members, Tree& type, int32_t& low, int32_t& high);
bool Unbounded(int32_t& low, int32_t& high);

// ---------------------------------------------------------------------------
// Tree edits: each replaces a node in place, so every other reference to it
// sees the change.

// Fills the free slot of an owner record with `item`.
bool InsertStuff(Tree item, Tree owner);
// Records a value (an address, a size, a line) in slot 0 of a node.
bool Decorate(int32_t value, Tree tree);
// Completes a class record with its members, scope and size.
bool ClassParts(Tree members, Tree scope, int32_t size, Tree classRecord);
// Advances a location counter, handing back its old value.
bool UpdateLoc(int32_t increment, int32_t& old, Tree counter);
// The next procedure number.
bool NewProcNo(int32_t& number, Tree counter);

// A type as a person writes it: `int`, `char[]`, `int[4]`, `Node`,
// `String`; "?" for what names no type.  (Untraced: safe while a trace or
// a message is being written.)
std::string TypeText(Tree type);

// ---------------------------------------------------------------------------
// The source index: where the parts of the program stand in the source.
//
// The front end notes every declaration with the span of its name and
// marks it used when a name resolves to it; with the index's options it
// also notes every use of a name (for the language server) and every
// statement (for debug info), and the code generator adds the code each
// statement and procedure got.  Nothing here is traced or written: it
// never changes what a compilation writes.

enum class DeclKind { kGlobal, kParameter, kLocal, kField, kFunction, kClass, kConstant, kTable, kTypeAlias };

struct DeclEntry {
  Tree record = nullptr;   // the record the name is bound to
  int32_t name = 0;        // its string id
  DeclKind kind = DeclKind::kGlobal;
  SourceSpan nameSpan;     // the name where it is declared
  SourceSpan scope;        // where the name is visible (end -1: to the end of the source)
  Tree owner = nullptr;    // the function of a parameter or local, the class of a field
  bool used = false;
  SourceSpan definition;   // a function's name where its body follows its prototype
};

struct StatementEntry {
  Tree statement = nullptr;
  SourceSpan span;         // from its first token to its last
  Tree function = nullptr;
  int32_t codeBegin = -1;  // its own code, without the statements before it
  int32_t codeEnd = -1;
};

struct UseEntry {
  SourceSpan span;
  Tree record = nullptr;
};

struct ProcedureEntry {
  int32_t number = 0;
  int32_t start = -1;  // the address of its name bytes
  int32_t entry = -1;  // the address of its first instruction
  int32_t end = -1;
};

struct SourceIndex {
  bool recordUses = false;        // every use of a name (language server)
  bool recordStatements = false;  // every statement and the code it got (debug info)
  std::vector<DeclEntry> decls;
  std::unordered_map<Tree, int32_t> declOf;
  std::vector<UseEntry> uses;
  std::vector<StatementEntry> statements;
  std::unordered_map<Tree, int32_t> statementOf;
  std::unordered_map<Tree, int32_t> linkOf;  // a statement's link to the ones before it
  std::vector<ProcedureEntry> procedures;
  // Records whose declaration is known to be marked used, one per slot
  // (a record's slot is cleared when it is declared again).
  std::array<Tree, 64> markedUsed{};
  SourceSpan pendingName;  // the name of the declaration being read
  Tree function = nullptr;  // the function whose body is being read
  int32_t functionDecls = 0;  // the first declaration noted since it began
};

inline SourceIndex& Index() { return Current<SourceIndex>(); }

// The name of the declaration being read: its span waits for the binding.
inline void NoteDeclaredName(SourceSpan span) { Index().pendingName = span; }
// A name bound to `record`; the span is the pending name's unless given.  A
// type alias is bound to the type it names, which keeps its own entry for
// DeclarationOf.
void NoteDeclaration(Tree record, int32_t name, DeclKind kind, Tree owner, SourceSpan span = {});
// A name that resolved to `record`.
void NoteUse(SourceSpan span, Tree record);
// A statement, with the link that holds the statements before it.
void NoteStatement(Tree statement, Tree link, SourceSpan span);
// The code a tree got: a statement's own code starts where the code of its
// link ends.
void NoteCode(Tree tree, int32_t begin, int32_t end);
// The declaration entry of a record, or null.
DeclEntry* DeclarationOf(Tree record);

}  // namespace vyl
