// The value ranges of the operators, rule by rule, and the places where a
// rule's own result would not hold every value and the sound range is used.
#include "expr/value_ranges.h"

#include "expr/expr.h"
#include "expr_fixture.h"

namespace vyl {
namespace {

using test::kMaxInt;
using test::kMinInt;

constexpr ValueRange kFull{kMinInt, kMaxInt};

ValueRange R(int32_t lo, int32_t hi) { return {lo, hi}; }
ValueRange C(int32_t v) { return {v, v}; }

// Ranges of the shifts use the compile-time shift, a traced procedure: they
// run inside a session.
using ValueRangesTest = test::OutermostTest;

TEST_F(ValueRangesTest, AddnOfloFallsBackOnOverflow) {
  int32_t sum = 0;
  ASSERT_TRUE(AddnOflo(1, 2, 3, -99, sum));
  EXPECT_EQ(sum, 5);
  AddnOflo(1, kMaxInt, 1, -99, sum);
  EXPECT_EQ(sum, -99);
  AddnOflo(1, kMinInt, -1, -99, sum);
  EXPECT_EQ(sum, -99);
  AddnOflo(1, kMinInt, kMaxInt, -99, sum);  // different signs never overflow
  EXPECT_EQ(sum, -1);
  AddnOflo(0, 2, 3, -99, sum);  // not exact: the fallback
  EXPECT_EQ(sum, -99);
}

TEST_F(ValueRangesTest, AddAndSubtract) {
  EXPECT_EQ(AddRange(true, R(0, 9), R(-3, 4), kFull), R(-3, 13));
  EXPECT_EQ(SubRange(true, R(0, 9), R(-3, 4), kFull), R(-4, 12));
  // A low bound of -2147483648 cannot be negated: the whole int range.
  EXPECT_EQ(SubRange(true, R(0, 0), R(kMinInt, 5), kFull), kFull);
  // Both bounds overflow alike: each falls back to its type bound.
  EXPECT_EQ(AddRange(true, R(kMaxInt - 1, kMaxInt), R(5, 5), kFull), kFull);
  // Only the high bound overflows.  Falling back for it alone gives
  // [2147483647, 2147483647], a constant, while MAX + 1 wraps to MIN.
  EXPECT_EQ(AddRange(true, R(kMaxInt - 1, kMaxInt), C(1), kFull), kFull);
  EXPECT_EQ(SubRange(true, R(kMinInt, kMinInt + 1), C(1), kFull), kFull);
  // Operands that are not both int: the common type's range.
  EXPECT_EQ(AddRange(false, C(1), C(2), R(-5, 5)), R(-5, 5));
}

TEST_F(ValueRangesTest, MultiplyRulesInOrder) {
  auto mul = [](ValueRange a, ValueRange b) { return MulRange(true, a, b, kFull); };
  EXPECT_EQ(MulRange(false, C(2), C(3), R(-1, 1)).range, R(-1, 1));
  EXPECT_EQ(mul(C(0), R(5, 9)).form, TermForm::kLeft);
  EXPECT_EQ(mul(C(0), R(5, 9)).range, C(0));
  EXPECT_EQ(mul(R(5, 9), C(0)).form, TermForm::kRight);
  EXPECT_EQ(mul(C(1), R(5, 9)).form, TermForm::kRight);
  EXPECT_EQ(mul(C(1), R(5, 9)).range, R(5, 9));
  EXPECT_EQ(mul(R(5, 9), C(1)).form, TermForm::kLeft);
  EXPECT_EQ(mul(C(-1), R(5, 9)).form, TermForm::kNegateRight);
  EXPECT_EQ(mul(C(-1), R(5, 9)).range, R(-9, -5));
  EXPECT_EQ(mul(R(5, 9), C(-1)).form, TermForm::kNegateLeft);
  EXPECT_EQ(mul(R(kMinInt, 0), C(-1)).range, kFull);  // -(-2147483648) does not fit
  EXPECT_EQ(mul(R(-3, 4), R(-5, 2)).form, TermForm::kNode);
  EXPECT_EQ(mul(R(-3, 4), R(-5, 2)).range, R(-20, 15));
  // Products whose high bits multiply to 2^32 or more: the type's range.
  EXPECT_EQ(mul(C(65536), C(65536)).range, kFull);
  EXPECT_EQ(mul(R(0, 70000), R(0, 70000)).range, kFull);
  // 2^15 * 2^16 still fits the test of the high bits, but -4 * -2^29 is
  // 2^31, which wraps; the corners alone would give [-2^31, 0] while -3 *
  // -2^29 is positive.
  EXPECT_EQ(mul(R(-4, 0), C(-(1 << 29))).range, kFull);
}

TEST_F(ValueRangesTest, DivideRulesInOrder) {
  auto div = [](ValueRange a, ValueRange b) { return DivRange(true, a, b, kFull); };
  EXPECT_EQ(div(R(1, 5), C(0)).form, TermForm::kDivideByZero);
  EXPECT_EQ(div(R(1, 5), C(1)).form, TermForm::kLeft);
  EXPECT_EQ(div(R(1, 5), C(1)).range, R(1, 5));
  EXPECT_EQ(div(R(1, 5), C(-1)).form, TermForm::kNegateLeft);
  EXPECT_EQ(div(R(1, 5), C(-1)).range, R(-5, -1));
  EXPECT_EQ(div(R(1, 5), R(-1, 3)).range, kFull);  // the divisor may be 0
  EXPECT_EQ(div(R(7, 20), R(2, 3)).range, R(2, 10));
  EXPECT_EQ(div(R(-7, 7), C(2)).range, R(-3, 3));  // truncating
  EXPECT_EQ(div(R(-7, 20), R(-3, -2)).range, R(-10, 3));
  // -2147483648 / -1 has no 32-bit value: the type's range, never a fault.
  EXPECT_EQ(div(C(kMinInt), C(-1)).range, kFull);
  EXPECT_EQ(div(R(kMinInt, 0), R(-2, -1)).range, kFull);
  EXPECT_EQ(div(C(kMinInt), C(-2)).range, C(1 << 30));
}

TEST_F(ValueRangesTest, RemainderRulesInOrder) {
  auto rem = [](ValueRange a, ValueRange b) { return RemRange(true, a, b, kFull); };
  EXPECT_EQ(rem(R(1, 5), C(0)).form, TermForm::kDivideByZero);
  EXPECT_EQ(rem(R(1, 5), C(1)).range, C(0));
  EXPECT_EQ(rem(C(17), C(5)).range, C(2));
  EXPECT_EQ(rem(C(-17), C(5)).range, C(-2));
  EXPECT_EQ(rem(C(kMinInt), C(-1)).range, kFull);
  EXPECT_EQ(rem(R(-10, 10), R(3, 5)).range, R(-4, 4));
  EXPECT_EQ(rem(R(0, 10), R(-3, 5)).range, R(0, 4));
  EXPECT_EQ(rem(R(-10, -1), R(-7, 2)).range, R(-6, 0));
  EXPECT_EQ(rem(R(0, 10), C(kMinInt)).range, R(0, kMaxInt));
}

TEST_F(ValueRangesTest, UnaryOperators) {
  EXPECT_EQ(NegateRange(R(-3, 7), kFull), R(-7, 3));
  EXPECT_EQ(NegateRange(C(kMinInt), kFull), kFull);
  EXPECT_EQ(NotRange(C(1)), C(0));
  EXPECT_EQ(NotRange(R(0, 1)), R(0, 1));
  EXPECT_EQ(ComplementRange(C(0)), C(-1));
  EXPECT_EQ(ComplementRange(R(kMinInt, 5)), R(-6, kMaxInt));
}

TEST_F(ValueRangesTest, RangeBitsOfTheExamples) {
  int32_t a = 0, b = 0;
  RangeBits(5, 6, a, b);
  EXPECT_EQ(R(a, b), R(4, 7));
  RangeBits(-3, 2, a, b);
  EXPECT_EQ(R(a, b), R(-4, 3));
  int32_t p = 0;
  HighBitOf(-1, p);
  EXPECT_EQ(p, 1);
}

TEST_F(ValueRangesTest, BitwiseRangesKeepTheirBitBoundsWhereTheyHold) {
  // Non-negative operands: the bit bounds, even where not exact.
  EXPECT_EQ(BitRange(BitOp::kOr, R(5, 6), C(8)), R(12, 15));
  EXPECT_EQ(BitRange(BitOp::kAnd, R(0, 255), R(16, 31)), R(0, 31));
  EXPECT_EQ(BitRange(BitOp::kAnd, kFull, C(255)), R(0, 255));
  EXPECT_EQ(BitRange(BitOp::kXor, C(4), C(1)), R(0, 5));  // sound though not exact: not folded
  // Two negative operands.
  EXPECT_EQ(BitRange(BitOp::kAnd, R(-8, -5), C(-2)), R(-8, -6));
}

TEST_F(ValueRangesTest, BitwiseRangesThatWouldNotHold) {
  // 5 ^ 5 is 0; the bit bounds give [5, 5], which would fold to 5.
  EXPECT_EQ(BitRange(BitOp::kXor, C(5), C(5)), C(0));
  // (x - 300) ^ 1 for a char x: the bit bounds give [0, -1].
  ValueRange r = BitRange(BitOp::kXor, R(-300, -45), C(1));
  EXPECT_EQ(r, R(-300, -45));
  // [-1, 0] & 5: the bit bounds give [5, 0]; the values are 0 and 5.
  EXPECT_EQ(BitRange(BitOp::kAnd, R(-1, 0), C(5)), R(0, 5));
  // Or across the sign change: the bit bounds give [-1, 0].
  EXPECT_EQ(BitRange(BitOp::kOr, R(-4, 0), R(-1, 0)), R(-4, 0));
  EXPECT_EQ(BitRange(BitOp::kOr, R(-1, 0), C(-2)), R(-2, -1));
}

TEST_F(ValueRangesTest, ShiftRanges) {
  // Constants fold.
  EXPECT_EQ(ShiftRange(kShiftLeft, C(1), C(3)), C(8));
  EXPECT_EQ(ShiftRange(kShiftArithmetic, C(-5), C(1)), C(-3));
  EXPECT_EQ(ShiftRange(kShiftArithmetic, C(12), C(2)), C(3));
  EXPECT_EQ(ShiftRange(kShiftLogical, C(12), C(2)), C(3));
  // A byte-sized value shifted left by 0 to 4: the count is bounded by its
  // bits (0 to 7), which still holds every value (at most 4080).
  EXPECT_EQ(ShiftRange(kShiftLeft, R(0, 255), R(0, 4)), R(0, 32640));
  EXPECT_EQ(ShiftRange(kShiftArithmetic, R(-64, 255), R(2, 3)), R(-16, 63));
  // A negative value shifted right logically becomes a large positive one.
  EXPECT_EQ(ShiftRange(kShiftLogical, R(-8, -8), C(28)), C(15));
  // A count of 0 leaves the value as it is.
  EXPECT_EQ(ShiftRange(kShiftLeft, R(-3, 9), C(0)), R(-3, 9));
  // The high value wraps: [1, 2^30] << 1 holds -2^31.
  EXPECT_EQ(ShiftRange(kShiftLeft, R(1, 1 << 30), C(1)), kFull);
  // A count range across 0 shifts both ways; the low five bits of -1 are 31.
  ValueRange both = ShiftRange(kShiftLeft, R(8, 8), R(-1, 1));
  EXPECT_LE(both.low, 4);
  EXPECT_GE(both.high, 16);
}

TEST_F(ValueRangesTest, ShiftValuesFollowTheShiftInstruction) {
  EXPECT_EQ(ShiftValue(kShiftLeft, 1, 3), 8);
  EXPECT_EQ(ShiftValue(kShiftLeft, 8, -2), 2);  // a negative count shifts right
  EXPECT_EQ(ShiftValue(kShiftLeft, 1, 32), 0);
  EXPECT_EQ(ShiftValue(kShiftArithmetic, -5, 1), -3);
  EXPECT_EQ(ShiftValue(kShiftArithmetic, -1, 40), -1);
  EXPECT_EQ(ShiftValue(kShiftArithmetic, 3, -2), 12);
  EXPECT_EQ(ShiftValue(kShiftLogical, -8, 28), 15);
  EXPECT_EQ(ShiftValue(kShiftLogical, -8, 0), -8);
  EXPECT_EQ(ShiftValue(kShiftLogical, kMinInt, kMinInt), 0);
}

}  // namespace
}  // namespace vyl
