// The bitwise levels of expressions: or, exclusive or, and, and the shifts.
// Their operands are int; their ranges are computed from the operands' bit
// patterns (bit_ranges.cpp).
#include <cstdint>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "expr/operator_levels.h"
#include "expr/value_ranges.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kBitMessages[] = {nullptr, "Bit operator requires int operands",
                                        "Integer expression expected after bit operator"};
constexpr const char* kBitPrimMessages[] = {nullptr, "Shift operator requires integer operands",
                                            "Integer expression expected after shift operator"};

// { token Operand } for one bitwise operator, after the first operand.
bool BitLevelRest(Rule& r, Tree syms, Level operand, int32_t token, int32_t label, BitOp op, Tree& tree,
                  Tree& type, int32_t& low, int32_t& high) {
  for (;;) {
    if (!Sees(token) && Skipped(1)) break;  // the repetition's bracket
    Attempt more(r, '(');
    if (!Accept(token)) break;
    r.state = 1;
    if (!IsKeyType(syms, kKeyInt, type)) {
      PinMessage(PreviousSpan());
      return r.Fail();
    }
    Tree right = nullptr, rightType = nullptr;
    ValueRange rightRange;
    r.state = 2;
    const int32_t rightBegin = CurrentSpan().begin;
    if (!operand(syms, right, rightType, rightRange.low, rightRange.high)) return r.Fail();
    if (!Equal(rightType, type)) {
      PinMessage(SpanFrom(rightBegin));
      return r.Fail();
    }
    ValueRange result = BitRange(op, {low, high}, rightRange);
    tree = Build(label, type, {tree, right});
    low = result.low;
    high = result.high;
  }
  return r.Succeed(tree, type, low, high);
}

bool BitExpnRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return BitLevelRest(r, syms, BitTerm, T_Bar, L_or, BitOp::kOr, tree, type, low, high);
}

bool BitTermRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return BitLevelRest(r, syms, BitFact, T_Caret, L_xo, BitOp::kXor, tree, type, low, high);
}

bool BitFactRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return BitLevelRest(r, syms, BitPrim, T_Amp, L_an, BitOp::kAnd, tree, type, low, high);
}

// { ShiftOp MathExpn }, after the first operand.  The count is negated for
// the right shifts (the SHIFT instruction shifts right for a negative
// count); both right shifts give the same tree and differ only in their
// ranges.
bool BitPrimRest(Rule& r, Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  for (;;) {
    // No shift operator: the repetition's bracket and ShiftOp's.
    if (!Sees(T_Shl) && !Sees(T_Ushr) && !Sees(T_Shr) && Skipped(2)) break;
    Attempt more(r, '(');
    int32_t op = 0;
    if (!ShiftOp(op)) break;
    r.state = 1;
    if (!IsKeyType(syms, kKeyInt, type)) {
      PinMessage(PreviousSpan());
      return r.Fail();
    }
    Tree count = nullptr, countType = nullptr;
    ValueRange countRange;
    r.state = 2;
    const int32_t countBegin = CurrentSpan().begin;
    if (!MathExpn(syms, count, countType, countRange.low, countRange.high)) return r.Fail();
    if (!Equal(countType, type)) {
      PinMessage(SpanFrom(countBegin));
      return r.Fail();
    }
    TermRange result = ShiftRange(op, {low, high}, countRange);
    if (result.form == TermForm::kConstant) {
      tree = Constant(result.range.low);
    } else {
      if (op != kShiftLeft) count = Build(L_ng, nullptr, {count});
      tree = Build(L_sh, type, {tree, count});
    }
    low = result.range.low;
    high = result.range.high;
  }
  return r.Succeed(tree, type, low, high);
}

}  // namespace

const LevelRule kBitExpnRule{"BitExpn", kBitMessages, BitExpnRest, 1};
const LevelRule kBitTermRule{"BitTerm", kBitMessages, BitTermRest, 1};
const LevelRule kBitFactRule{"BitFact", kBitMessages, BitFactRest, 1};
const LevelRule kBitPrimRule{"BitPrim", kBitPrimMessages, BitPrimRest, 2};

// BitExpn ::= BitTerm { "|" BitTerm }
bool BitExpn(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kBitExpnLevel, syms, tree, type, low, high);
}

// BitTerm ::= BitFact { "^" BitFact }
bool BitTerm(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kBitTermLevel, syms, tree, type, low, high);
}

// BitFact ::= BitPrim { "&" BitPrim }
bool BitFact(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kBitFactLevel, syms, tree, type, low, high);
}

// BitPrim ::= MathExpn { ShiftOp MathExpn }
bool BitPrim(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  return DescendLevels(kBitPrimLevel, syms, tree, type, low, high);
}

// ShiftOp ::= "<<" | ">>>" | ">>"   (reports -1, 0, +1)
bool ShiftOp(int32_t& op) {
  Rule r("ShiftOp");
  if (Accept(T_Shl)) {
    op = kShiftLeft;
  } else if (Accept(T_Ushr)) {
    op = kShiftLogical;
  } else if (Accept(T_Shr)) {
    op = kShiftArithmetic;
  } else {
    return r.Fail();
  }
  return r.Succeed(op);
}

}  // namespace vyl
