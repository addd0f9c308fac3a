// Helpers shared by the statement rules: node access that respects the
// child count, small record builders, and the parts of KeyWdStmt that live
// in their own files.
#pragma once

#include <cstdint>

#include "types/types.h"

namespace vyl::stmt {

// A value range "sums to zero" when low + high is 0: the null reference,
// or a reference that its producer has already counted.  Any other range
// of a reference value needs a new reference taken when it is stored.
inline bool SumsToZero(int32_t low, int32_t high) { return int64_t{low} + int64_t{high} == 0; }

// The statement link: the source line where a statement starts and the
// previous statement of its sequence.
inline Tree Link(int32_t line, Tree prev) { return Build(L_nn, Leaf(line), {prev}); }

// Statment with the line the statement starts on (the leading name may
// already have been read, and the scanner moved on).
bool StatmentAt(int32_t line, int32_t begin, Tree leading, Tree access, Tree syms, int32_t reach, Tree prev,
                Tree& stmt, int32_t& reachOut);

// The error states of KeyWdStmt; the switch statement is one of its
// alternatives and reports through the same table.
enum KeyWdState : int32_t {
  kBooleanExpected = 1,
  kDoSemicolon,
  kNothingToBreak,
  kBreakSemicolon,
  kNoLoopToContinue,
  kContinueSemicolon,
  kReturnValueExpected,
  kReturnValueOrSemicolon,
  kReturnMismatch,
  kReturnSemicolon,
  kScalarExpected,
  kSwitchBraces,
  kSwitchCloseBrace,
};

// The switch alternative of KeyWdStmt, after "switch" was accepted; `r` is
// KeyWdStmt's rule.
bool SwitchStatement(Rule& r, Tree syms, int32_t reach, Tree link, Tree& stmt, int32_t& reachOut);

}  // namespace vyl::stmt

namespace vyl {

// What a variable declared in `enclosing` is: a global (none), a field (a
// class) or a local (a function).
inline DeclKind DeclKindIn(Tree enclosing) {
  return Is(enclosing, L_cl) ? DeclKind::kField : Is(enclosing, L_fn) ? DeclKind::kLocal : DeclKind::kGlobal;
}

// The error states of VarDecln, shared by its parts in var_decln.cpp and
// tables.cpp; each selects the message of the same index.
enum VarDeclnState : int32_t {
  kBracketsAfterName = 1,
  kSizeNotInteger,
  kClosingBracket,
  kNameExpected,
  kFinalObjectNeedsNew,
  kCompatibleClass,
  kFinalArrayNeedsValues,
  kOnlyCharsAndNumbers,
  kItemNotConstant,
  kItemMismatch,
  kTableNotClosed,
  kTableEmpty,
  kSizeMismatch,
  kFinalNeedsValue,
  kTypeMismatch,
  kNotAVariable,
  kInstanceInitialised,
  kLargerStructure,
  kSizeNotPositive,
  kFinalObjectField,
};

// A value of a scalar type that is one constant: an Expression whose range
// has equal ends.  False (after reading nothing, or an expression that is
// not constant) leaves the message to the caller's error state.
bool ConstantItem(Tree syms, Tree& type, int32_t& value);

// The final-array form of VarDecln, on the VarDecln rule `r`: a constant
// table from a string literal or a braced list, bound under `name`.
bool FinalArray(Rule& r, int32_t name, Tree type, Tree syms, Tree chain, Tree& newChain, Tree& newSyms);

}  // namespace vyl
