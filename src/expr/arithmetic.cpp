// The arithmetic levels of expressions: add and subtract, multiply, divide
// and remainder.  Both operands are converted to their common type; the
// ranges come from value_ranges.cpp, and multiply and divide by the
// constants 0, 1 and -1 need no operator at all.
#include <cstdint>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "expr/operator_levels.h"
#include "expr/value_ranges.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kMathMessages[] = {nullptr, "Add/subtract operator requires numeric operands",
                                         "Numeric expression expected after add/subtract operator",
                                         "Divide by zero", "Divide by zero"};

struct Operands {
  Tree left = nullptr;   // converted to the common type
  Tree right = nullptr;  // converted to the common type
  Tree common = nullptr;
  ValueRange leftRange, rightRange, typeRange;
  bool exact = false;  // both operands are int: the ranges are computed
  SourceSpan rightSpan;
};

// After an operator: the left operand (tree, type, range) must be numeric
// (state 1), the right one must parse and be numeric and comparable with it
// (state 2).  Both are converted to their common type.
bool RightOperand(Rule& r, Tree syms, Level level, Tree tree, Tree type, ValueRange range, Operands& out) {
  int32_t leftSign = 0, rightSign = 0;
  const SourceSpan op = PreviousSpan();
  r.state = 1;
  if (!IsNumeric(syms, type, leftSign)) {
    PinMessage(op);
    return r.Fail();
  }
  Tree right = nullptr, rightType = nullptr;
  r.state = 2;
  const int32_t rightBegin = CurrentSpan().begin;
  if (!level(syms, right, rightType, out.rightRange.low, out.rightRange.high)) return r.Fail();
  out.rightSpan = SpanFrom(rightBegin);
  if (!IsNumeric(syms, rightType, rightSign) || !Comparable(syms, type, rightType, out.common)) {
    PinMessage(out.rightSpan);
    return r.Fail();
  }
  if (!Coerce(out.common, type, tree, out.left) || !Coerce(out.common, rightType, right, out.right)) {
    return r.Fail();
  }
  out.leftRange = range;
  if (!GetTypeRange(out.common, out.typeRange.low, out.typeRange.high)) out.typeRange = FullRange();
  out.exact = leftSign > 0 && rightSign > 0;
  r.state = 0;
  return true;
}

// { AddOp MathTerm }, after the first operand.
bool MathExpnRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  for (;;) {
    // No "+" or "-": the repetition's bracket and AddOp's.
    if (!Sees(T_Plus) && !Sees(T_Minus) && Skipped(2)) break;
    Attempt more(r, '(');
    int32_t op = 0;
    if (!AddOp(op)) break;
    Operands o;
    if (!RightOperand(r, syms, MathTerm, tree, type, {low, high}, o)) return false;
    ValueRange result = op == 1 ? AddRange(o.exact, o.leftRange, o.rightRange, o.typeRange)
                                : SubRange(o.exact, o.leftRange, o.rightRange, o.typeRange);
    tree = Build(op == 1 ? L_ad : L_su, o.common, {o.left, o.right});
    type = o.common;
    low = result.low;
    high = result.high;
  }
  return r.Succeed(tree, type, low, high);
}

// { MulOp Primary }, after the first operand.
bool MathTermRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  for (;;) {
    // No "%", "*" or "/": the repetition's bracket and MulOp's.
    if (!Sees(T_Percent) && !Sees(T_Star) && !Sees(T_Slash) && Skipped(2)) break;
    Attempt more(r, '(');
    int32_t op = 0;
    if (!MulOp(op)) break;
    Operands o;
    if (!RightOperand(r, syms, Primary, tree, type, {low, high}, o)) return false;
    TermRange result;
    int32_t label = L_mp;
    if (op == 0) {
      result = MulRange(o.exact, o.leftRange, o.rightRange, o.typeRange);
    } else if (op == 1) {
      result = DivRange(o.exact, o.leftRange, o.rightRange, o.typeRange);
      label = L_dv;
      r.state = 4;
    } else {
      result = RemRange(o.exact, o.leftRange, o.rightRange, o.typeRange);
      label = L_md;
      r.state = 3;
    }
    switch (result.form) {
      case TermForm::kDivideByZero:
        PinMessage(o.rightSpan);
        return r.Fail();
      case TermForm::kLeft:
        tree = o.left;
        break;
      case TermForm::kRight:
        tree = o.right;
        break;
      case TermForm::kNegateLeft:
        tree = Build(L_ng, o.common, {o.left});
        break;
      case TermForm::kNegateRight:
        tree = Build(L_ng, o.common, {o.right});
        break;
      case TermForm::kNode:
        tree = Build(label, o.common, {o.left, o.right});
        break;
      case TermForm::kConstant:
        tree = Constant(result.range.low);
        break;
    }
    r.state = 0;
    type = o.common;
    low = result.range.low;
    high = result.range.high;
  }
  return r.Succeed(tree, type, low, high);
}

}  // namespace

const LevelRule kMathExpnRule{"MathExpn", kMathMessages, MathExpnRest, 2};
const LevelRule kMathTermRule{"MathTerm", kMathMessages, MathTermRest, 2};

// MathExpn ::= MathTerm { AddOp MathTerm }
bool MathExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kMathExpnLevel, syms, tree, type, low, high);
}

// AddOp ::= "+" | "-"   (reports 1, 0)
bool AddOp(int32_t& op) {
  Rule r("AddOp");
  if (Accept(T_Plus)) {
    op = 1;
  } else if (Accept(T_Minus)) {
    op = 0;
  } else {
    return r.Fail();
  }
  return r.Succeed(op);
}

// MathTerm ::= Primary { MulOp Primary }
bool MathTerm(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kMathTermLevel, syms, tree, type, low, high);
}

// MulOp ::= "%" | "*" | "/"   (reports -1, 0, 1)
bool MulOp(int32_t& op) {
  Rule r("MulOp");
  if (Accept(T_Percent)) {
    op = -1;
  } else if (Accept(T_Star)) {
    op = 0;
  } else if (Accept(T_Slash)) {
    op = 1;
  } else {
    return r.Fail();
  }
  return r.Succeed(op);
}

}  // namespace vyl
