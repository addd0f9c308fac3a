// Soundness of the value ranges: for random small operand ranges of every
// operator, every pair of operand values is evaluated by brute force in
// 32-bit arithmetic (wrapping on overflow; shifts as the SHIFT instruction
// counts them), and each result must lie inside the computed range, whose
// low bound never exceeds its high bound.
#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "expr/expr.h"
#include "expr/value_ranges.h"
#include "expr_fixture.h"

namespace vyl {
namespace {

using test::kMaxInt;
using test::kMinInt;

constexpr ValueRange kFull{kMinInt, kMaxInt};

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

// Checks every pair; `value` returns false when the pair has no value (a
// division by zero).
void CheckAll(const char* op, ValueRange a, ValueRange b, ValueRange result,
              const std::function<bool(int32_t, int32_t, int32_t&)>& value) {
  ASSERT_LE(result.low, result.high) << op << " " << Show(a) << " " << Show(b);
  for (int64_t x = a.low; x <= a.high; ++x) {
    for (int64_t y = b.low; y <= b.high; ++y) {
      int32_t v = 0;
      if (!value(static_cast<int32_t>(x), static_cast<int32_t>(y), v)) continue;
      ASSERT_TRUE(v >= result.low && v <= result.high)
          << Show(a) << " " << op << " " << Show(b) << " gives " << Show(result) << " but " << x << " " << op
          << " " << y << " = " << v;
    }
  }
}

constexpr int kCases = 4000;

using RangesPropertyTest = test::OutermostTest;

TEST_F(RangesPropertyTest, AddAndSubtract) {
  RangeSource src(1);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next(), b = src.Next();
    CheckAll("+", a, b, AddRange(true, a, b, kFull), [](int32_t x, int32_t y, int32_t& v) {
      v = Wrap(int64_t{x} + y);
      return true;
    });
    CheckAll("-", a, b, SubRange(true, a, b, kFull), [](int32_t x, int32_t y, int32_t& v) {
      v = Wrap(int64_t{x} - y);
      return true;
    });
  }
}

TEST_F(RangesPropertyTest, MultiplyDivideRemainder) {
  RangeSource src(2);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next(), b = src.Pick(0, 3) == 0 ? ValueRange{src.Pick(-2, 2), src.Pick(-2, 2)} : src.Next();
    if (b.low > b.high) std::swap(b.low, b.high);
    CheckAll("*", a, b, MulRange(true, a, b, kFull).range, [](int32_t x, int32_t y, int32_t& v) {
      v = Wrap(int64_t{x} * y);
      return true;
    });
    TermRange div = DivRange(true, a, b, kFull);
    if (div.form != TermForm::kDivideByZero) {
      CheckAll("/", a, b, div.range, [](int32_t x, int32_t y, int32_t& v) {
        if (y == 0) return false;
        v = Wrap(int64_t{x} / y);
        return true;
      });
    }
    TermRange rem = RemRange(true, a, b, kFull);
    if (rem.form != TermForm::kDivideByZero) {
      CheckAll("%", a, b, rem.range, [](int32_t x, int32_t y, int32_t& v) {
        if (y == 0) return false;
        v = static_cast<int32_t>(int64_t{x} % y);
        return true;
      });
    }
  }
}

TEST_F(RangesPropertyTest, BitwiseOperators) {
  RangeSource src(3);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next(), b = src.Next();
    CheckAll("|", a, b, BitRange(BitOp::kOr, a, b), [](int32_t x, int32_t y, int32_t& v) {
      v = x | y;
      return true;
    });
    CheckAll("^", a, b, BitRange(BitOp::kXor, a, b), [](int32_t x, int32_t y, int32_t& v) {
      v = x ^ y;
      return true;
    });
    CheckAll("&", a, b, BitRange(BitOp::kAnd, a, b), [](int32_t x, int32_t y, int32_t& v) {
      v = x & y;
      return true;
    });
  }
}

TEST_F(RangesPropertyTest, Shifts) {
  RangeSource src(4);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next(), c = src.NextCount();
    for (int32_t op : {kShiftLeft, kShiftLogical, kShiftArithmetic}) {
      const char* name = op == kShiftLeft ? "<<" : op == kShiftLogical ? ">>>" : ">>";
      CheckAll(name, a, c, ShiftRange(op, a, c), [op](int32_t x, int32_t n, int32_t& v) {
        v = ShiftValue(op, x, n);
        return true;
      });
    }
  }
}

TEST_F(RangesPropertyTest, UnaryOperators) {
  RangeSource src(5);
  const ValueRange none{0, 0};
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next();
    CheckAll("neg", a, none, NegateRange(a, kFull), [](int32_t x, int32_t, int32_t& v) {
      v = Wrap(-int64_t{x});
      return true;
    });
    CheckAll("~", a, none, ComplementRange(a), [](int32_t x, int32_t, int32_t& v) {
      v = ~x;
      return true;
    });
    ValueRange b = src.NextBoolean();
    CheckAll("!", b, none, NotRange(b), [](int32_t x, int32_t, int32_t& v) {
      v = 1 - x;
      return true;
    });
  }
}

TEST_F(RangesPropertyTest, LogicalOperatorsAndComparisons) {
  RangeSource src(6);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.NextBoolean(), b = src.NextBoolean();
    CheckAll("||", a, b, OrRange(a, b).range, [](int32_t x, int32_t y, int32_t& v) {
      v = x | y;
      return true;
    });
    CheckAll("&&", a, b, AndRange(a, b).range, [](int32_t x, int32_t y, int32_t& v) {
      v = x & y;
      return true;
    });
    ValueRange c = src.Next(2), d = src.Pick(0, 1) ? c : src.Next(2);
    for (int32_t op = 0; op < 6; ++op) {
      CheckAll("compare", c, d, CompareRange(op, c, d, true), [op](int32_t x, int32_t y, int32_t& v) {
        v = Holds(op, x, y) ? 1 : 0;
        return true;
      });
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
}  // namespace vyl
