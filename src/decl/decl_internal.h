// Helpers shared by the declaration rules.  Internal to src/decl.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/runtime.h"

namespace vyl {

// Binds key -> value at the table's current level; false (table unchanged)
// when the key is already bound there.
inline bool Bind(Tree& table, int32_t key, Tree value) {
  Tree extended = nullptr;
  if (!into(key, table, value, extended)) return false;
  table = extended;
  return true;
}

// The text of a name: the string of a string id, else the number.
inline std::string IdText(int32_t name) {
  return ValidId(name) ? std::string(StringText(name)) : NumberText(name);
}

// A class member: a type and a name, then a function or a variable.  Types
// are resolved in `typeSyms`, the member is bound in `syms`: inside a class
// body the types come from the enclosing table while the fields go to the
// class's member scope.
bool MemberDeclIn(Tree enclosing, int32_t modifiers, int32_t className, Tree typeSyms, Tree syms, Tree chain,
                  Tree& newChain, Tree& newSyms);
bool ClassBodyDeclnIn(Tree classRecord, int32_t className, Tree typeSyms, Tree scope, Tree fields, Tree& newFields,
                      Tree& newScope);

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
};

// A value of a scalar type that is one constant: an Expression whose range
// has equal ends.  False (after reading nothing, or an expression that is
// not constant) leaves the message to the caller's error state.
bool ConstantItem(Tree syms, Tree& type, int32_t& value);

// The final-array form of VarDecln, on the VarDecln rule `r`: a constant
// table from a string literal or a braced list, bound under `name`.
bool FinalArray(Rule& r, int32_t name, Tree type, Tree syms, Tree chain, Tree& newChain, Tree& newSyms);

}  // namespace vyl
