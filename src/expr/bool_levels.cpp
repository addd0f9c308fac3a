// The boolean levels of expressions: logical or and and, and comparisons.
//
// Logical operators fold when one operand decides the result: x || true is
// true and false || x is x, whatever x is; the operand that no longer
// matters is dropped from the tree (so x is not evaluated).  Both operands
// are evaluated otherwise.
#include <cstdint>
#include <string>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "expr/operator_levels.h"
#include "expr/value_ranges.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kBoolExpnMessages[] = {nullptr, "OR operator requires boolean type",
                                             "Boolean expression expected after ||",
                                             "OR operator requires boolean type"};
constexpr const char* kBoolTermMessages[] = {nullptr, "AND operator requires boolean type",
                                             "Boolean expression expected after &&",
                                             "AND operator requires boolean type"};
constexpr const char* kBoolPrimMessages[] = {nullptr, "Left operand of order compare must not be an object",
                                             "Expression expected after compare operator",
                                             "The expressions being compared must be compatible"};

struct Operand {
  Tree tree = nullptr;
  Tree type = nullptr;
  ValueRange range;
};

// Whether evaluating the tree calls a function or indexes an array (either
// may trap or take time, which a C programmer expects && and || to skip).
// Records the tree refers to (variables, types, functions) are not entered.
bool HasCallOrIndex(Tree tree, int depth = 0) {
  if (!IsNode(tree) || depth > 64) return false;
  switch (LabelOf(tree)) {
    case L_fc: case L_rx: case L_ax: return true;
    case L_vr: case L_ty: case L_df: case L_fn: case L_cl: case L_pk: return false;
    default: break;
  }
  for (int i = 1; i <= KidCount(tree); ++i) {
    if (HasCallOrIndex(Kid(tree, i), depth + 1)) return true;
  }
  return false;
}

void WarnAlwaysEvaluated(int32_t label, SourceSpan op, SourceSpan right) {
  const char* name = label == L_or ? "||" : "&&";
  Warn(std::string("the right operand of '") + name + "' is evaluated even when the left one decides the result",
       right,
       {{std::string("Vyl evaluates both operands of '") + name + "'; to skip the right one, test it in an inner if",
         op}});
}

// left op right for a logical operator: the operand that decides the
// result, or the one left when the other cannot change it, or the node.
Operand FoldLogical(int32_t label, const Operand& left, const Operand& right) {
  TermRange r = label == L_or ? OrRange(left.range, right.range) : AndRange(left.range, right.range);
  if (r.form == TermForm::kLeft) return left;
  if (r.form == TermForm::kRight) return right;
  return {Build(label, left.type, {left.tree, right.tree}), left.type, r.range};
}

// Operand { token Operand }, for the logical operators.  False when the
// rule has failed (r.Fail has run).
bool LogicalChain(Rule& r, Tree syms, int32_t token, Level operand, int32_t label, Operand& left) {
  for (;;) {
    if (!Sees(token) && Skipped(1)) return true;  // the repetition's bracket
    Attempt more(r, '(');
    if (!Accept(token)) return true;
    const SourceSpan op = PreviousSpan();
    r.state = 1;
    if (!IsBool(syms, left.type)) {
      PinMessage(op);
      return r.Fail();
    }
    Operand right;
    r.state = 2;
    const int32_t rightBegin = CurrentSpan().begin;
    if (!operand(syms, right.tree, right.type, right.range.low, right.range.high)) return r.Fail();
    r.state = 3;
    if (!IsBool(syms, right.type)) {
      PinMessage(SpanFrom(rightBegin));
      return r.Fail();
    }
    Operand folded = FoldLogical(label, left, right);
    if (folded.tree != left.tree && folded.tree != right.tree && HasCallOrIndex(right.tree)) WarnAlwaysEvaluated(label, op, SpanFrom(rightBegin));
    left = folded;
  }
}

constexpr int32_t kCompareLabels[] = {L_eq, L_ne, L_ls, L_ge, L_gr, L_le};

// { "||" BoolTerm } and { "&&" BoolPrim }, after the first operand.
bool LogicalRest(Rule& r, Tree syms, int32_t token, Level operand, int32_t label, Tree& tree, Tree& type,
                 int32_t& low, int32_t& high) {
  Operand left{tree, type, {low, high}};
  if (!LogicalChain(r, syms, token, operand, label, left)) return false;
  tree = left.tree;
  type = left.type;
  low = left.range.low;
  high = left.range.high;
  return r.Succeed(tree, type, low, high);
}

bool BoolExpnRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return LogicalRest(r, syms, T_OrOr, BoolTerm, L_or, tree, type, low, high);
}

bool BoolTermRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return LogicalRest(r, syms, T_AndAnd, BoolPrim, L_an, tree, type, low, high);
}

// [ RelOp CatExpn ], after the first operand.  Two constants of scalar
// types compare at once; the result is boolean.
bool BoolPrimRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  bool compare = false;
  for (int32_t token : {T_EqEq, T_NotEq, T_Less, T_GreaterEq, T_Greater, T_LessEq}) compare = compare || Sees(token);
  // No comparison operator: the option's bracket and RelOp's.
  if (compare || !Skipped(2)) {
    Attempt optional(r);
    int32_t op = 0;
    if (RelOp(op)) {
      int32_t size = 0;
      Tree objectType = nullptr;
      const SourceSpan opSpan = PreviousSpan();
      if (op > 1 && IsObject(type, size, objectType)) {
        r.state = 1;
        PinMessage(opSpan);
        return r.Fail();
      }
      Operand right;
      r.state = 2;
      const int32_t rightBegin = CurrentSpan().begin;
      if (!CatExpn(syms, right.tree, right.type, right.range.low, right.range.high)) return r.Fail();
      Tree common = nullptr;
      r.state = 3;
      if (!Comparable(syms, type, right.type, common)) {
        PinMessage(SpanFrom(rightBegin));
        NoteTypes("the left side", type, "the right side", right.type);
        return r.Fail();
      }
      ValueRange result = CompareRange(op, {low, high}, right.range, IsScalar(type) && IsScalar(right.type));
      low = result.low;
      high = result.high;
      tree = Build(kCompareLabels[op], common, {tree, right.tree});
      type = Bound(kKeyBoolean, syms);
    }
  }
  return r.Succeed(tree, type, low, high);
}

bool CatExpnRest(Rule& r, Tree, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return r.Succeed(tree, type, low, high);
}

}  // namespace

const LevelRule kBoolExpnRule{"BoolExpn", kBoolExpnMessages, BoolExpnRest, 1};
const LevelRule kBoolTermRule{"BoolTerm", kBoolTermMessages, BoolTermRest, 1};
const LevelRule kBoolPrimRule{"BoolPrim", kBoolPrimMessages, BoolPrimRest, 2};
const LevelRule kCatExpnRule{"CatExpn", {}, CatExpnRest, 0};

// BoolExpn ::= BoolTerm { "||" BoolTerm }
bool BoolExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kBoolExpnLevel, syms, tree, type, low, high);
}

// BoolTerm ::= BoolPrim { "&&" BoolPrim }
bool BoolTerm(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kBoolTermLevel, syms, tree, type, low, high);
}

// BoolPrim ::= CatExpn [ RelOp CatExpn ]   (one comparison, not chained)
bool BoolPrim(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kBoolPrimLevel, syms, tree, type, low, high);
}

// RelOp ::= "==" | "!=" | "<" | ">=" | ">" | "<="   (reports 0 .. 5)
bool RelOp(int32_t& op) {
  Rule r("RelOp");
  constexpr int32_t tokens[] = {T_EqEq, T_NotEq, T_Less, T_GreaterEq, T_Greater, T_LessEq};
  for (int32_t i = 0; i < 6; ++i) {
    if (Accept(tokens[i])) {
      op = i;
      return r.Succeed(op);
    }
  }
  return r.Fail();
}

// CatExpn ::= BitExpn
bool CatExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kCatExpnLevel, syms, tree, type, low, high);
}

}  // namespace vyl
