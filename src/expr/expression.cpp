// Whole expressions: constant folding, parenthesised expressions and
// constant expressions.
#include <cstdint>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "expr/operator_levels.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kParExpnMessages[] = {nullptr, "Unmatched left parenthesis, or bad expression"};
constexpr const char* kConstExpnMessages[] = {nullptr, "Constant value expected here"};

// An expression whose range holds a single value is that value: its tree is
// replaced by a constant record (its type is kept).
bool ExpressionRest(Rule& r, Tree, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  if (!Is(tree, L_cn) && low == high) tree = Constant(low);
  return r.Succeed(tree, type, low, high);
}

}  // namespace

const LevelRule kExpressionRule{"Expression", {}, ExpressionRest, 0, false};  // it folds constants

// Expression ::= BoolExpn
bool Expression(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kExpressionLevel, syms, tree, type, low, high);
}

// ParExpn ::= "(" Expression ")"
bool ParExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  Rule r("ParExpn", kParExpnMessages);
  if (!Accept(T_LParen)) return r.Fail();
  r.state = 1;
  if (!Expression(syms, tree, type, low, high) || !Accept(T_RParen)) return r.Fail();
  return r.Succeed(tree, type, low, high);
}

// ConstExpn ::= Expression   (whose value is a single constant of a scalar type)
bool ConstExpn(Tree syms, Tree& tree, Tree& type, int32_t& value) {
  Rule r("ConstExpn", kConstExpnMessages);
  int32_t low = 0, high = 0;
  if (!Expression(syms, tree, type, low, high)) return r.Fail();
  if (!IsScalar(type) || low != high) {
    r.state = 1;
    return r.Fail();
  }
  value = low;
  return r.Succeed(tree, type, value);
}

}  // namespace vyl
