// The descent through the operator levels.
//
// An operand of an expression enters every level from the one that asked
// for it down to MathTerm, each level's rule opening its bracket on the
// KibStack, and then Primary.  On the way back each level looks for its
// operators; usually none is there, and the level closes its bracket again.
//
// With the trace off and room on the KibStack, the brackets of all these
// levels are opened at once (the KibStack then holds exactly what entering
// them one by one would have left), and a level whose operator is absent is
// passed on the way up with only what trying that operator would leave: the
// KibStack's high-water mark.  Otherwise, and for every level that has an
// operator to take, the level's rule runs as written.  Nothing else of the
// rule protocol can be seen while the trace is off: the trace is tested
// again at every level on the way up, since a control character in the
// source may switch it on in the middle of an operand.
#include "expr/operator_levels.h"

#include <algorithm>

#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const LevelRule* kLevels[kOperatorLevels] = {
    &kExpressionRule, &kBoolExpnRule, &kBoolTermRule, &kBoolPrimRule, &kCatExpnRule, &kBitExpnRule,
    &kBitTermRule,    &kBitFactRule,  &kBitPrimRule,  &kMathExpnRule, &kMathTermRule};

// The first operand of each level.
constexpr Level kFirstOperand[kOperatorLevels] = {BoolExpn, BoolTerm, BoolPrim,  CatExpn,  BitExpn, BitTerm,
                                                    BitFact,  BitPrim,  MathExpn, MathTerm, Primary};

// The level whose operator the token is, or -1.
int32_t LevelOf(int32_t token) {
  switch (token) {
    case T_OrOr: return kBoolExpnLevel;
    case T_AndAnd: return kBoolTermLevel;
    case T_EqEq: case T_NotEq: case T_Less: case T_GreaterEq: case T_Greater: case T_LessEq: return kBoolPrimLevel;
    case T_Bar: return kBitExpnLevel;
    case T_Caret: return kBitTermLevel;
    case T_Amp: return kBitFactLevel;
    case T_Shl: case T_Ushr: case T_Shr: return kBitPrimLevel;
    case T_Plus: case T_Minus: return kMathExpnLevel;
    case T_Percent: case T_Star: case T_Slash: return kMathTermLevel;
    default: return -1;
  }
}

// The levels from `level` down towards `lowest` that pass the current
// token by, as far as they are quiet: with room for what trying their
// operators would reach, their brackets close at once and only the
// high-water mark remembers them.  The level to go on with.
int32_t PassLevels(RuleStack& k, int32_t level, int32_t lowest) {
  int32_t reach = 0;
  int32_t depth = k.depth;
  int32_t next = level;
  for (; next >= lowest && kLevels[next]->quiet; --next, depth -= 2) {
    reach = std::max(reach, depth + 2 * kLevels[next]->untried);
  }
  if (next == level || reach > kKibStackSize) return level;  // tried as written, overflowing where it must
  if (reach > k.highWater) k.highWater = reach;
  rules::CloseNested(k, level - next);
  return next;
}

// The level's rule as written: its bracket, its first operand, its rest.
bool OneLevel(OperatorLevel level, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  const LevelRule& rule = *kLevels[level];
  Rule r(rule.name, rule.messages);
  if (!kFirstOperand[level](syms, tree, type, low, high)) return r.Fail();
  return rule.rest(r, syms, tree, type, low, high);
}

}  // namespace

bool DescendLevels(OperatorLevel from, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  RuleStack& k = Rules();
  const int32_t brackets = kOperatorLevels - from;
  if (k.traceLevel > 0 || k.depth < 0 || k.depth + 2 * brackets > kKibStackSize) {
    return OneLevel(from, syms, tree, type, low, high);
  }
  rules::OpenNested(k, brackets);
  bool ok = Primary(syms, tree, type, low, high);
  int32_t level = kOperatorLevels - 1;
  while (level >= from) {
    if (ok && k.traceLevel == 0) {
      // The levels below the one whose operator comes next pass it by.
      const int32_t taker = LevelOf(TokenCode());
      level = PassLevels(k, level, taker >= from && taker <= level ? taker + 1 : from);
      if (level < from) break;
    }
    const LevelRule& rule = *kLevels[level];
    Rule r(rule.name, rule.messages, Rule::Opened{});
    ok = ok ? rule.rest(r, syms, tree, type, low, high) : r.Fail();
    --level;
  }
  return ok;
}

}  // namespace vyl
