// The value ranges of the operators: each rule on hand-picked operands,
// including the places where a rule's own result would not hold every value
// and the sound range is used; and the soundness property: for random small
// operand ranges of every operator, every pair of operand values is
// evaluated by brute force in 32-bit arithmetic (wrapping on overflow;
// shifts as the SHIFT instruction counts them), and each result must lie
// inside the computed range, whose low bound never exceeds its high bound.
#include <random>

#include "expr/value_ranges.h"
#include "fixture.h"

namespace vyl::test {
namespace {

constexpr ValueRange kFull{kMinInt, kMaxInt};
ValueRange R(int32_t lo, int32_t hi) { return {lo, hi}; }
ValueRange C(int32_t v) { return {v, v}; }

// Ranges of the shifts use the compile-time shift, a traced procedure: they
// run inside a session.
using RangeRuleTest = SessionTest;

TEST_F(RangeRuleTest, AddSubtractAndUnary) {
  const std::tuple<ValueRange, ValueRange, ValueRange, ValueRange> cases[] = {
      // a, b, a + b, a - b
      {R(0, 9), R(-3, 4), R(-3, 13), R(-4, 12)},
      {R(0, 0), R(kMinInt, 5), R(kMinInt, 5), kFull},  // -(-2147483648) does not fit
      {R(kMaxInt - 1, kMaxInt), C(5), kFull, R(kMaxInt - 6, kMaxInt - 5)},  // both bounds overflow alike
      // Only the high bound overflows: falling back for it alone would give
      // the constant MAX, while MAX + 1 wraps to MIN.
      {R(kMaxInt - 1, kMaxInt), C(1), kFull, R(kMaxInt - 2, kMaxInt - 1)},
      {R(kMinInt, kMinInt + 1), C(1), R(kMinInt + 1, kMinInt + 2), kFull},
  };
  for (auto [a, b, sum, difference] : cases) {
    EXPECT_EQ(AddRange(true, a, b, kFull), sum) << a.low << " " << b.low;
    EXPECT_EQ(SubRange(true, a, b, kFull), difference) << a.low << " " << b.low;
  }
  EXPECT_EQ(AddRange(false, C(1), C(2), R(-5, 5)), R(-5, 5));  // not both int: the common type's range
  EXPECT_EQ(NegateRange(R(-3, 7), kFull), R(-7, 3));
  EXPECT_EQ(NegateRange(C(kMinInt), kFull), kFull);
  EXPECT_EQ(NotRange(C(1)), C(0));
  EXPECT_EQ(NotRange(R(0, 1)), R(0, 1));
  EXPECT_EQ(ComplementRange(C(0)), C(-1));
  EXPECT_EQ(ComplementRange(R(kMinInt, 5)), R(-6, kMaxInt));
  int32_t sum = 0;
  ASSERT_TRUE(AddnOflo(1, 2, 3, -99, sum) && sum == 5);
  for (auto [exact, x, y, expected] : {std::tuple{1, kMaxInt, 1, -99}, {1, kMinInt, -1, -99}, {1, kMinInt, kMaxInt, -1},
                                       {0, 2, 3, -99}}) {  // overflow, or not exact: the fallback
    AddnOflo(exact, x, y, -99, sum);
    EXPECT_EQ(sum, expected) << x << " + " << y;
  }
}

TEST_F(RangeRuleTest, MultiplyDivideRemainder) {
  using enum TermForm;
  const std::tuple<char, ValueRange, ValueRange, TermForm, ValueRange> cases[] = {
      {'*', C(0), R(5, 9), kLeft, C(0)},
      {'*', R(5, 9), C(0), kRight, C(0)},
      {'*', C(1), R(5, 9), kRight, R(5, 9)},
      {'*', R(5, 9), C(1), kLeft, R(5, 9)},
      {'*', C(-1), R(5, 9), kNegateRight, R(-9, -5)},
      {'*', R(5, 9), C(-1), kNegateLeft, R(-9, -5)},
      {'*', R(kMinInt, 0), C(-1), kNegateLeft, kFull},  // -(-2147483648) does not fit
      {'*', R(-3, 4), R(-5, 2), kNode, R(-20, 15)},
      {'*', C(65536), C(65536), kNode, kFull},  // high bits multiplying to 2^32 or more
      {'*', R(0, 70000), R(0, 70000), kNode, kFull},
      // -4 * -2^29 is 2^31, which wraps; the corners alone would give [-2^31, 0].
      {'*', R(-4, 0), C(-(1 << 29)), kNode, kFull},
      {'/', R(1, 5), C(0), kDivideByZero, kFull},
      {'/', R(1, 5), C(1), kLeft, R(1, 5)},
      {'/', R(1, 5), C(-1), kNegateLeft, R(-5, -1)},
      {'/', R(1, 5), R(-1, 3), kNode, kFull},  // the divisor may be 0
      {'/', R(7, 20), R(2, 3), kNode, R(2, 10)},
      {'/', R(-7, 7), C(2), kNode, R(-3, 3)},  // truncating
      {'/', R(-7, 20), R(-3, -2), kNode, R(-10, 3)},
      {'/', C(kMinInt), C(-1), kNegateLeft, kFull},  // no 32-bit value: never a fault
      {'/', R(kMinInt, 0), R(-2, -1), kNode, kFull},
      {'/', C(kMinInt), C(-2), kNode, C(1 << 30)},
      {'%', R(1, 5), C(0), kDivideByZero, kFull},
      {'%', R(1, 5), C(1), kNode, C(0)},
      {'%', C(17), C(5), kNode, C(2)},
      {'%', C(-17), C(5), kNode, C(-2)},
      {'%', C(kMinInt), C(-1), kNode, kFull},
      {'%', R(-10, 10), R(3, 5), kNode, R(-4, 4)},
      {'%', R(0, 10), R(-3, 5), kNode, R(0, 4)},
      {'%', R(-10, -1), R(-7, 2), kNode, R(-6, 0)},
      {'%', R(0, 10), C(kMinInt), kNode, R(0, kMaxInt)},
  };
  for (auto [op, a, b, form, range] : cases) {
    TermRange r = op == '*'   ? MulRange(true, a, b, kFull)
                  : op == '/' ? DivRange(true, a, b, kFull)
                              : RemRange(true, a, b, kFull);
    EXPECT_EQ(r.form, form) << a.low << op << b.low;
    if (form != kDivideByZero) {
      EXPECT_EQ(r.range, range) << a.low << op << b.low;
    }
  }
  EXPECT_EQ(MulRange(false, C(2), C(3), R(-1, 1)).range, R(-1, 1));
}

TEST_F(RangeRuleTest, BitwiseAndShifts) {
  using enum BitOp;
  const std::tuple<BitOp, ValueRange, ValueRange, ValueRange> cases[] = {
      {kOr, R(5, 6), C(8), R(12, 15)},  // non-negative operands: the bit bounds, even where not exact
      {kAnd, R(0, 255), R(16, 31), R(0, 31)},
      {kAnd, kFull, C(255), R(0, 255)},
      {kXor, C(4), C(1), R(0, 5)},  // sound though not exact: not folded
      {kAnd, R(-8, -5), C(-2), R(-8, -6)},  // two negative operands
      {kXor, C(5), C(5), C(0)},  // the bit bounds give [5, 5], which would fold to 5
      {kXor, R(-300, -45), C(1), R(-300, -45)},  // the bit bounds give [0, -1]
      {kAnd, R(-1, 0), C(5), R(0, 5)},  // the bit bounds give [5, 0]
      {kOr, R(-4, 0), R(-1, 0), R(-4, 0)},  // across the sign change: [-1, 0]
      {kOr, R(-1, 0), C(-2), R(-2, -1)},
  };
  for (auto [op, a, b, range] : cases) EXPECT_EQ(BitRange(op, a, b), range) << a.low << " " << b.low;
  const std::tuple<int32_t, ValueRange, ValueRange, ValueRange> shifts[] = {
      {kShiftLeft, C(1), C(3), C(8)},  // constants fold
      {kShiftArithmetic, C(-5), C(1), C(-3)},
      {kShiftArithmetic, C(12), C(2), C(3)},
      {kShiftLogical, C(12), C(2), C(3)},
      {kShiftLeft, R(0, 255), R(0, 4), R(0, 32640)},  // the count bounded by its bits, 0..7
      {kShiftArithmetic, R(-64, 255), R(2, 3), R(-16, 63)},
      {kShiftLogical, R(-8, -8), C(28), C(15)},  // a negative value becomes a large positive one
      {kShiftLeft, R(-3, 9), C(0), R(-3, 9)},
      {kShiftLeft, R(1, 1 << 30), C(1), kFull},  // the high value wraps to -2^31
  };
  for (auto [op, v, count, range] : shifts) EXPECT_EQ(ShiftRange(op, v, count), range) << op << " " << v.low;
  ValueRange both = ShiftRange(kShiftLeft, C(8), R(-1, 1));  // a count across 0 shifts both ways
  EXPECT_TRUE(both.low <= 4 && both.high >= 16);
  const std::tuple<int32_t, int32_t, int32_t, int32_t> values[] = {
      {kShiftLeft, 1, 3, 8},          {kShiftLeft, 8, -2, 2},  // a negative count shifts right
      {kShiftLeft, 1, 32, 0},         {kShiftArithmetic, -5, 1, -3},      {kShiftArithmetic, -1, 40, -1},
      {kShiftArithmetic, 3, -2, 12},  {kShiftLogical, -8, 28, 15},        {kShiftLogical, -8, 0, -8},
      {kShiftLogical, kMinInt, kMinInt, 0}};
  for (auto [op, x, c, v] : values) EXPECT_EQ(ShiftValue(op, x, c), v) << op << " " << x << " " << c;
  // RangeBits and HighBitOf: the bit patterns bounding a range.
  for (auto [lo, hi, a, b] : {std::tuple{5, 6, 4, 7}, {-3, 2, -4, 3}, {-5, -3, -8, -1},
                              {kMinInt, kMaxInt, kMinInt, kMaxInt}, {0, kMaxInt, 0, kMaxInt}}) {
    int32_t x = 0, y = 0;
    RangeBits(lo, hi, x, y);
    EXPECT_EQ(R(x, y), R(a, b)) << lo << " " << hi;
  }
  for (auto [n, p] : {std::pair{0, 1}, {255, 256}, {256, 512}, {-1, 1}, {1 << 30, kMinInt}, {kMinInt, kMinInt}}) {
    int32_t q = 0;
    HighBitOf(n, q);
    EXPECT_EQ(q, p) << n;
  }
}

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

class RangeSource {
 public:
  explicit RangeSource(uint32_t seed) : gen_(seed) {}

  // A range of 1 to 9 values lying anywhere, but mostly where ranges meet
  // their edge cases: around 0, around powers of two and their negations,
  // and at both ends of the int range.
  ValueRange Next(int32_t maxWidth = 8) {
    int64_t start = 0;
    switch (Pick(0, 5)) {
      case 0: start = Pick(-20, 20); break;
      case 1: start = (int64_t{1} << Pick(0, 30)) + Pick(-4, 4); break;
      case 2: start = -(int64_t{1} << Pick(0, 31)) + Pick(-4, 4); break;
      case 3: start = kMaxInt - Pick(0, 10); break;
      case 4: start = int64_t{kMinInt} + Pick(0, 10); break;
      default: start = static_cast<int32_t>(gen_()); break;
    }
    int64_t width = Pick(0, maxWidth);
    start = std::clamp<int64_t>(start, kMinInt, kMaxInt - width);
    return {static_cast<int32_t>(start), static_cast<int32_t>(start + width)};
  }
  // A shift count range: mostly small counts, sometimes negative or 32 and
  // more, sometimes anywhere.
  ValueRange NextCount() {
    if (Pick(0, 4) == 0) return Next(3);
    int32_t start = Pick(-40, 40);
    return {start, start + Pick(0, 4)};
  }
  ValueRange NextBoolean() {
    int32_t lo = Pick(0, 1);
    return {lo, Pick(lo, 1)};
  }
  int32_t Pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(gen_); }

 private:
  std::mt19937 gen_;
};

std::string Show(ValueRange r) {
  std::ostringstream s;
  s << "[" << r.low << ", " << r.high << "]";
  return s.str();
}

// Checks every pair of values; `value` gives kNone when the pair has none
// (a division by zero).
constexpr int64_t kNone = INT64_MAX;
void CheckAll(const char* op, ValueRange a, ValueRange b, ValueRange result,
              const std::function<int64_t(int32_t, int32_t)>& value) {
  ASSERT_LE(result.low, result.high) << op << " " << Show(a) << " " << Show(b);
  for (int64_t x = a.low; x <= a.high; ++x) {
    for (int64_t y = b.low; y <= b.high; ++y) {
      int64_t v = value(static_cast<int32_t>(x), static_cast<int32_t>(y));
      ASSERT_TRUE(v == kNone || (v >= result.low && v <= result.high))
          << Show(a) << " " << op << " " << Show(b) << " gives " << Show(result) << " but " << x << " " << op
          << " " << y << " = " << v;
    }
  }
}

constexpr int kCases = 4000;

using RangesPropertyTest = SessionTest;
using I = int32_t;

TEST_F(RangesPropertyTest, Arithmetic) {
  RangeSource src(1);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next(), b = src.Pick(0, 3) == 0 ? ValueRange{src.Pick(-2, 2), src.Pick(-2, 2)} : src.Next();
    if (b.low > b.high) std::swap(b.low, b.high);
    CheckAll("+", a, b, AddRange(true, a, b, kFull), [](I x, I y) -> int64_t { return Wrap(int64_t{x} + y); });
    CheckAll("-", a, b, SubRange(true, a, b, kFull), [](I x, I y) -> int64_t { return Wrap(int64_t{x} - y); });
    CheckAll("*", a, b, MulRange(true, a, b, kFull).range, [](I x, I y) -> int64_t { return Wrap(int64_t{x} * y); });
    TermRange div = DivRange(true, a, b, kFull), rem = RemRange(true, a, b, kFull);
    if (div.form != TermForm::kDivideByZero) {
      CheckAll("/", a, b, div.range, [](I x, I y) { return y ? Wrap(int64_t{x} / y) : kNone; });
    }
    if (rem.form != TermForm::kDivideByZero) {
      CheckAll("%", a, b, rem.range, [](I x, I y) { return y ? int64_t{x} % y : kNone; });
    }
    CheckAll("neg", a, {0, 0}, NegateRange(a, kFull), [](I x, I) -> int64_t { return Wrap(-int64_t{x}); });
    CheckAll("~", a, {0, 0}, ComplementRange(a), [](I x, I) -> int64_t { return ~x; });
  }
}

TEST_F(RangesPropertyTest, BitwiseOperatorsAndShifts) {
  RangeSource src(3);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next(), b = src.Next(), c = src.NextCount();
    CheckAll("|", a, b, BitRange(BitOp::kOr, a, b), [](I x, I y) -> int64_t { return x | y; });
    CheckAll("^", a, b, BitRange(BitOp::kXor, a, b), [](I x, I y) -> int64_t { return x ^ y; });
    CheckAll("&", a, b, BitRange(BitOp::kAnd, a, b), [](I x, I y) -> int64_t { return x & y; });
    for (int32_t op : {kShiftLeft, kShiftLogical, kShiftArithmetic}) {
      CheckAll(op == kShiftLeft ? "<<" : op == kShiftLogical ? ">>>" : ">>", a, c, ShiftRange(op, a, c),
               [op](I x, I n) -> int64_t { return ShiftValue(op, x, n); });
    }
  }
}

TEST_F(RangesPropertyTest, LogicalOperatorsAndComparisons) {
  RangeSource src(6);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.NextBoolean(), b = src.NextBoolean();
    CheckAll("!", a, {0, 0}, NotRange(a), [](I x, I) -> int64_t { return 1 - x; });
    CheckAll("||", a, b, OrRange(a, b).range, [](I x, I y) -> int64_t { return x | y; });
    CheckAll("&&", a, b, AndRange(a, b).range, [](I x, I y) -> int64_t { return x & y; });
    ValueRange c = src.Next(2), d = src.Pick(0, 1) ? c : src.Next(2);
    for (int32_t op = 0; op < 6; ++op) {
      CheckAll("compare", c, d, CompareRange(op, c, d, true), [op](I x, I y) -> int64_t { return Holds(op, x, y); });
    }
  }
}

// RangeBits bounds every value of its range; for a range of one sign it
// does so bit by bit too.
TEST_F(RangesPropertyTest, RangeBitsBoundsItsRange) {
  RangeSource src(7);
  for (int i = 0; i < kCases; ++i) {
    ValueRange r = src.Next();
    int32_t a = 0, b = 0;
    RangeBits(r.low, r.high, a, b);
    ASSERT_LE(a, r.low) << Show(r);
    ASSERT_GE(b, r.high) << Show(r);
    if (r.low >= 0 || r.high < 0) {
      for (int64_t x = r.low; x <= r.high; ++x) {
        uint32_t v = static_cast<uint32_t>(x);
        ASSERT_EQ(v & static_cast<uint32_t>(a), static_cast<uint32_t>(a)) << Show(r) << " " << x;
        ASSERT_EQ(v | static_cast<uint32_t>(b), static_cast<uint32_t>(b)) << Show(r) << " " << x;
      }
    }
  }
}

// The exact bitwise ranges are exact: their ends are reached.
TEST_F(RangesPropertyTest, ExactBitRangesAreReached) {
  for (int32_t al = -9; al <= 9; ++al) {
    for (int32_t ah = al; ah <= al + 6; ++ah) {
      for (int32_t bl = -9; bl <= 9; ++bl) {
        for (int32_t bh = bl; bh <= bl + 4; ++bh) {
          for (BitOp op : {BitOp::kOr, BitOp::kXor, BitOp::kAnd}) {
            int32_t lo = kMaxInt, hi = kMinInt;
            for (int32_t x = al; x <= ah; ++x) {
              for (int32_t y = bl; y <= bh; ++y) {
                int32_t v = op == BitOp::kOr ? (x | y) : op == BitOp::kXor ? (x ^ y) : (x & y);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
              }
            }
            ASSERT_EQ(ExactBitRange(op, {al, ah}, {bl, bh}), (ValueRange{lo, hi}))
                << static_cast<int>(op) << " [" << al << ", " << ah << "] [" << bl << ", " << bh << "]";
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace vyl::test
