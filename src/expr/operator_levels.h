// The operator levels of expressions, loosest to tightest, and the descent
// through them (operator_levels.cpp).
//
// Every level is a rule of the form
//
//   Level ::= Tighter { Operator Tighter }
//
// and each is written in two parts: its first operand, which is the same for
// all (the next level's rule), and the rest, which is the level's own: its
// operators, their right operands and the result.  Most operands pass
// through every level without meeting an operator; DescendLevels lets them
// do so at the cost of what that leaves behind.
#pragma once

#include <cstdint>

#include "expr/expr.h"

namespace vyl {

enum OperatorLevel : int32_t {
  kExpressionLevel,
  kBoolExpnLevel,
  kBoolTermLevel,
  kBoolPrimLevel,
  kCatExpnLevel,
  kBitExpnLevel,
  kBitTermLevel,
  kBitFactLevel,
  kBitPrimLevel,
  kMathExpnLevel,
  kMathTermLevel,
  kOperatorLevels
};

// A level's rule, or Primary: an operand with its tree, type and range.
using Level = bool (*)(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);

// The rest of a level: the first operand is in (tree, type, low, high), the
// level's result leaves there; `r` is the level's rule, whose bracket is open.
using LevelRest = bool (*)(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);

struct LevelRule {
  const char* name;
  Messages messages;
  LevelRest rest;
  // The brackets the rest opens to try an operator that is not there (the
  // repetition's or option's, and the operator rule's); 0 for a level
  // without operators.
  int32_t untried;
  // Whether the rest, with the trace off and none of its operators next,
  // leaves nothing but the high-water mark those brackets would reach.
  bool quiet = true;
};

extern const LevelRule kExpressionRule, kBoolExpnRule, kBoolTermRule, kBoolPrimRule, kCatExpnRule,
    kBitExpnRule, kBitTermRule, kBitFactRule, kBitPrimRule, kMathExpnRule, kMathTermRule;

// The rule of level `from`: its first operand through the tighter levels
// down to a primary, then the rest of each level on the way back up.
bool DescendLevels(OperatorLevel from, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high);

}  // namespace vyl
