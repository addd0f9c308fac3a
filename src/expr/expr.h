// Expressions and types: the symbol table and name lookup, the type model and
// type rules, the operator levels with value ranges and constant folding,
// primaries, selectors and literals.
//
// Every rule returns success or failure and hands its results back through
// out-parameters.  An expression yields (tree, type, low, high): its tree, its
// type record and the range of values it can take.
#pragma once

#include <cstdint>
#include <string_view>

#include "lower/lower.h"

namespace vyl {

// ---------------------------------------------------------------------------
// Symbol lookup

// QualIdent ::= [ModifiersOpt] ( "void" | Identifier [ "." QualIdent ] );
// the modifiers are read only in mode 1.
bool QualIdent(int32_t mode, Tree syms, int32_t& name, Tree& record, Tree& access, Tree& extra,
               int32_t& modifiers);
bool Identifier(int32_t& name);
// ModifiersOpt ::= { Modifier }: the set of modifier bits read.
bool ModifiersOpt(int32_t& modifiers);
// Modifier ::= "final" | "static" | "synchronized"
bool Modifier(int32_t& bit);
bool NewIdent(int32_t base, int32_t kind, int32_t& name);
void NumIdent(int32_t n);  // appends the decimal digits of n to the pending string

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
bool ShiftBits(int32_t value, int32_t count, int32_t& result);

// ---------------------------------------------------------------------------
// Primaries, selectors and literals

// One "[" index "]" or "." member applied to a designation.
bool Selector(Tree syms, Tree members, Tree record, Tree type, Tree access, Tree& newAccess, Tree& newRecord,
              Tree& newType, Tree& extra, int32_t& low, int32_t& high);
bool MemberGet(Tree record, Tree base, Tree& access, Tree& extra, Tree& type, int32_t& low, int32_t& high,
               Tree member);
bool Creator(Tree syms, Tree& tree, Tree& type);

// A designation: the record a name or element stands for, its type, its
// access tree and its value range.
struct Designation {
  Tree record = nullptr;
  Tree type = nullptr;
  Tree access = nullptr;
  int32_t low = 0;
  int32_t high = 0;
};
// The record as GetItsType sees it, then every selector that follows;
// reports through the caller's rule `r`.
bool Designate(Rule& r, Tree syms, Designation& d);
// What a name denotes: a variable access with its selectors (isCall 0), a
// named constant (isCall 0) or a call (isCall 1).  With no leading record the
// rule reads the name itself.  `tree` is the access or call tree, `record`
// the designated record.
bool LeftOrCall(Tree leading, Tree access, Tree syms, Tree link, Tree& tree, Tree& record, Tree& type,
                int32_t& isCall, int32_t& low, int32_t& high);
// Intrinsic calls, translated inline.
bool MagiCall(Tree intrinsic, Tree syms, Tree link, Tree& tree, Tree& type, int32_t& low, int32_t& high);
// Actual arguments matched against the formal parameter list.
bool Argments(Tree syms, Tree formal, Tree list, Tree caller, Tree& callerOut, Tree& listOut);
bool Literal(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);

// ---------------------------------------------------------------------------
// Hints: notes for the error about to be reported (hints.cpp)

void NoteUndefinedName(int32_t id, Tree syms);
void NoteMembers(Tree type, Tree members);
void NoteTypes(std::string_view target, Tree targetType, std::string_view value, Tree valueType);
// Warns when an array is taken as an array of another element type.
void WarnArrayConversion(Tree target, Tree source, SourceSpan span);
// The span from `begin` to the end of the token last read.
SourceSpan SpanFrom(int32_t begin);

// The word to push into a word slot for a `byte` value: a byte variable is
// read from the first (high) byte of its slot, so the value is shifted into
// the high byte (a constant at once, anything else by `sh` 8).  Used for
// arguments of byte parameters and for initial values of byte variables.
Tree ByteSlotWord(Tree syms, Tree value);

}  // namespace vyl
