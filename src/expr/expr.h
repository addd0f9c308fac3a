// Expressions and types: the symbol table and name lookup, the type model and
// type rules, the operator levels with value ranges and constant folding,
// primaries, selectors and literals.
//
// Every rule returns success or failure and hands its results back through
// out-parameters.  An expression yields (tree, type, low, high): its tree, its
// type record and the range of values it can take.
#pragma once

#include <cstdint>

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

// ---------------------------------------------------------------------------
// Symbol lookup

enum VarAccessMode : int32_t { kReferenceMode = 0, kSlotMode = 1 };

// QualIdent ::= [ModifiersOpt] ( "void" | Identifier [ "." QualIdent ] );
// the modifiers are read only in mode 1.
bool QualIdent(int32_t mode, Tree syms, int32_t& name, Tree& record, Tree& access, Tree& extra,
               int32_t& modifiers);
bool Identifier(int32_t& name);
bool NewIdent(int32_t base, int32_t kind, int32_t& name);
void NumIdent(int32_t n);  // appends the decimal digits of n to the pending string
bool NextVarInfo(Tree type, Tree syms, Tree& context, int32_t& level, int32_t& offset);
bool VarAccess(int32_t mode, int32_t offset, Tree record, Tree& access);

// ---------------------------------------------------------------------------
// Types and type rules

bool BuiltinTypes(Tree syms, Tree& out);
bool aType(Tree syms, Tree& type);
bool TypeName(Tree syms, Tree& type, int32_t& name);
bool IsBool(Tree syms, Tree type);
bool IsNumeric(Tree syms, Tree type, int32_t& sign);
bool IsPointer(Tree type, int32_t& size, int32_t& isReference);
bool Comparable(Tree syms, Tree a, Tree b, Tree& common);
bool ArrayBounds(Tree type, int32_t& high, int32_t& elementSize);
bool Coerce(Tree target, Tree source, Tree expr, Tree& result);
bool Assignable(Tree syms, Tree target, Tree source);

// ---------------------------------------------------------------------------
// Value ranges

bool HighBitOf(int32_t n, int32_t& power);
bool RangeBits(int32_t low, int32_t high, int32_t& a, int32_t& b);

// ---------------------------------------------------------------------------
// Expressions, loosest to tightest

bool Expression(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool BoolExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool BoolTerm(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool BoolPrim(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool RelOp(int32_t& op);
bool CatExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool BitExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool BitTerm(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool BitFact(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool BitPrim(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool ShiftOp(int32_t& op);
bool MathExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool AddOp(int32_t& op);
bool MathTerm(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool MulOp(int32_t& op);
bool Primary(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
bool ParExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);
// An expression whose value is a single constant of a scalar type.
bool ConstExpn(Tree syms, Tree& tree, Tree& type, int32_t& value);
bool AddnOflo(int32_t flag, int32_t a, int32_t b, int32_t fallback, int32_t& sum);

// ---------------------------------------------------------------------------
// Primaries, selectors and literals

// One "[" index "]" or "." member applied to a designation.
bool Selector(Tree syms, Tree members, Tree record, Tree type, Tree access, Tree& newAccess, Tree& newRecord,
              Tree& newType, Tree& extra, int32_t& low, int32_t& high);
bool MemberGet(Tree record, Tree base, Tree& access, Tree& extra, Tree& type, int32_t& low, int32_t& high,
               Tree member);
bool Creator(Tree syms, Tree& tree, Tree& type);
// Actual arguments matched against the formal parameter list.
bool Argments(Tree syms, Tree formal, Tree list, Tree caller, Tree& callerOut, Tree& listOut);
bool Literal(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);

// The word to push into a word slot for a `byte` value: a byte variable is
// read from the first (high) byte of its slot, so the value is shifted into
// the high byte (a constant at once, anything else by `sh` 8).  Used for
// arguments of byte parameters and for initial values of byte variables.
Tree ByteSlotWord(Tree syms, Tree value);

}  // namespace vyl
