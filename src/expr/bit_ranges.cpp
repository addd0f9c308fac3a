// Value ranges of the bitwise operators and the shifts.
//
// The operator levels bound a bitwise result through RangeBits, which gives
// for a range the patterns that every value of it lies between bitwise.
// That bound holds when each operand keeps one sign over its range; across
// the sign change, and for exclusive or (which clears the bits both operands
// have), it does not, so the exact range is computed as well: the greatest
// and least results of or, and, xor over two intervals, found bit by bit
// from the top, for each pairing of the operands' negative and non-negative
// parts.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>

#include "expr/expr.h"
#include "expr/value_ranges.h"

namespace vyl {

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// Least and greatest of x op y for x in [a, b], y in [c, d], unsigned.
// Each walks the bits from the top: where raising the lower bound of one
// operand to the next multiple of a bit (or lowering an upper bound to just
// below one) stays inside its interval and improves the result, it does so.
// Where both bounds of an operand share their bits, raising its lower bound
// or lowering its upper one there would leave the interval, so nothing
// changes above the highest bit in which the bounds of either differ: the
// walk starts at that bit.
uint32_t TopBit(uint32_t a, uint32_t b, uint32_t c, uint32_t d) { return std::bit_floor((a ^ b) | (c ^ d)); }

uint32_t MinOr(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  for (uint32_t m = TopBit(a, b, c, d); m != 0; m >>= 1) {
    if (~a & c & m) {
      uint32_t t = (a | m) & (0u - m);
      if (t <= b) {
        a = t;
        break;
      }
    } else if (a & ~c & m) {
      uint32_t t = (c | m) & (0u - m);
      if (t <= d) {
        c = t;
        break;
      }
    }
  }
  return a | c;
}

uint32_t MaxOr(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  for (uint32_t m = TopBit(a, b, c, d); m != 0; m >>= 1) {
    if (b & d & m) {
      uint32_t t = (b - m) | (m - 1);
      if (t >= a) {
        b = t;
        break;
      }
      t = (d - m) | (m - 1);
      if (t >= c) {
        d = t;
        break;
      }
    }
  }
  return b | d;
}

uint32_t MinAnd(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  for (uint32_t m = TopBit(a, b, c, d); m != 0; m >>= 1) {
    if (~a & ~c & m) {
      uint32_t t = (a | m) & (0u - m);
      if (t <= b) {
        a = t;
        break;
      }
      t = (c | m) & (0u - m);
      if (t <= d) {
        c = t;
        break;
      }
    }
  }
  return a & c;
}

uint32_t MaxAnd(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  for (uint32_t m = TopBit(a, b, c, d); m != 0; m >>= 1) {
    if (b & ~d & m) {
      uint32_t t = (b & ~m) | (m - 1);
      if (t >= a) {
        b = t;
        break;
      }
    } else if (~b & d & m) {
      uint32_t t = (d & ~m) | (m - 1);
      if (t >= c) {
        d = t;
        break;
      }
    }
  }
  return b & d;
}

uint32_t MinXor(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  for (uint32_t m = TopBit(a, b, c, d); m != 0; m >>= 1) {
    if (~a & c & m) {
      uint32_t t = (a | m) & (0u - m);
      if (t <= b) a = t;
    } else if (a & ~c & m) {
      uint32_t t = (c | m) & (0u - m);
      if (t <= d) c = t;
    }
  }
  return a ^ c;
}

uint32_t MaxXor(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  for (uint32_t m = TopBit(a, b, c, d); m != 0; m >>= 1) {
    if (b & d & m) {
      uint32_t t = (b - m) | (m - 1);
      if (t >= a) {
        b = t;
      } else {
        t = (d - m) | (m - 1);
        if (t >= c) d = t;
      }
    }
  }
  return b ^ d;
}

struct Bits {
  uint32_t low;
  uint32_t high;
};

// The parts of a range in which every value has one sign, as bit patterns.
// Within a part the patterns are ordered as the values are.
struct SignParts {
  Bits part[2];
  int count = 0;
  explicit SignParts(ValueRange r) {
    if (r.low < 0) part[count++] = {static_cast<uint32_t>(r.low), static_cast<uint32_t>(std::min(r.high, -1))};
    if (r.high >= 0) part[count++] = {static_cast<uint32_t>(std::max(r.low, 0)), static_cast<uint32_t>(r.high)};
  }
  const Bits* begin() const { return part; }
  const Bits* end() const { return part + count; }
};

int32_t Signed(uint32_t bits) { return static_cast<int32_t>(bits); }

int32_t Shifted(int32_t x, int32_t n) {
  int32_t result = 0;
  ShiftBits(x, n, result);
  return result;
}

// x op y for every x, and y in [c, d] (ops commute).  Or: a negative y
// gives y at least (x = 0) and -1 at most; a non-negative one gives
// kMin | y at least and kMax at most.  And: a negative y gives kMin at
// least and y & kMax at most (x = kMax); a non-negative one gives 0 at
// least and y at most.  Exclusive or with y maps every x to another.
ValueRange AnyValueWith(BitOp op, ValueRange y) {
  const int32_t c = y.low, d = y.high;
  switch (op) {
    case BitOp::kOr:
      return {c < 0 && d < 0 ? c : std::min(c, kMin | std::max(c, 0)), d >= 0 ? kMax : -1};
    case BitOp::kAnd:
      return {c < 0 ? kMin : 0, std::max(d >= 0 ? d : kMin, c < 0 ? std::min(d, -1) & kMax : kMin)};
    case BitOp::kXor:
      break;
  }
  return {kMin, kMax};
}

}  // namespace

ValueRange ExactBitRange(BitOp op, ValueRange a, ValueRange b) {
  // An operand that may be any value (an int variable) needs no walk.
  if (a == ValueRange{kMin, kMax}) return AnyValueWith(op, b);
  if (b == ValueRange{kMin, kMax}) return AnyValueWith(op, a);
  return WalkedBitRange(op, a, b);
}

ValueRange WalkedBitRange(BitOp op, ValueRange a, ValueRange b) {
  ValueRange result{kMax, kMin};
  // Within one pairing of parts the sign of the result is fixed, so its
  // least and greatest patterns are its least and greatest values.
  for (Bits x : SignParts(a)) {
    for (Bits y : SignParts(b)) {
      uint32_t lo = 0, hi = 0;
      switch (op) {
        case BitOp::kOr:
          lo = MinOr(x.low, x.high, y.low, y.high);
          hi = MaxOr(x.low, x.high, y.low, y.high);
          break;
        case BitOp::kXor:
          lo = MinXor(x.low, x.high, y.low, y.high);
          hi = MaxXor(x.low, x.high, y.low, y.high);
          break;
        case BitOp::kAnd:
          lo = MinAnd(x.low, x.high, y.low, y.high);
          hi = MaxAnd(x.low, x.high, y.low, y.high);
          break;
      }
      result.low = std::min(result.low, Signed(lo));
      result.high = std::max(result.high, Signed(hi));
    }
  }
  return result;
}

namespace {

// ExactBitRange walks the bits of each pairing of parts; expressions apply
// the same operators to the same ranges again and again (variables of one
// type, the same constants), so the last results are kept, by their
// arguments, in a small table of this thread.
ValueRange RememberedExactBitRange(BitOp op, ValueRange a, ValueRange b) {
  struct Entry {
    bool used = false;
    BitOp op = BitOp::kOr;
    ValueRange a, b, result;
  };
  static thread_local std::array<Entry, 64> table;
  uint32_t key = static_cast<uint32_t>(a.low) * 0x9E3779B1u ^ static_cast<uint32_t>(a.high) * 0x85EBCA77u ^
                 static_cast<uint32_t>(b.low) * 0xC2B2AE3Du ^ static_cast<uint32_t>(b.high) * 0x27D4EB2Fu ^
                 static_cast<uint32_t>(op);
  // The top bits of the mixed key choose the entry: every argument, the
  // operator too, moves them.
  Entry& e = table[((key ^ (key >> 15)) * 0x2C1B3C6Du) >> 26];
  if (!e.used || e.op != op || e.a != a || e.b != b) e = {true, op, a, b, ExactBitRange(op, a, b)};
  return e.result;
}

}  // namespace

// Or: A1 | A2 .. B1 | B2; exclusive or: A1 & A2 .. B1 | B2; and: A1 & A2 ..
// B1 & B2, with (A, B) = RangeBits of each operand.
ValueRange BitRange(BitOp op, ValueRange a, ValueRange b) {
  int32_t a1 = 0, b1 = 0, a2 = 0, b2 = 0;
  RangeBits(a.low, a.high, a1, b1);
  RangeBits(b.low, b.high, a2, b2);
  ValueRange given;
  switch (op) {
    case BitOp::kOr:
      given = {a1 | a2, b1 | b2};
      break;
    case BitOp::kXor:
      given = {a1 & a2, b1 | b2};
      break;
    case BitOp::kAnd:
      given = {a1 & a2, b1 & b2};
      break;
  }
  return KeepIfSound(given, RememberedExactBitRange(op, a, b));
}

namespace {

// The shift rules, in 32-bit arithmetic, bound the count by its low five
// bits (smin .. smax) and the value by its high bits, first rule that
// applies for each bound.
ValueRange ShiftRange32(int32_t op, ValueRange value, ValueRange count) {
  const int32_t l = value.low, h = value.high;
  const bool left = op == kShiftLeft, logical = op == kShiftLogical, arithmetic = op == kShiftArithmetic;
  int32_t ca = 0, cb = 0, pl = 0, ph = 0, ul = 0, uh = 0;
  RangeBits(count.low, count.high, ca, cb);
  const int32_t smin = ca & 31, smax = cb & 31;
  HighBitOf(l, pl);
  HighBitOf(h, ph);
  const int32_t xl = Shifted(pl, smax), xh = Shifted(ph, smax);
  Unbounded(ul, uh);

  ValueRange given;
  if (smax == 0) {
    given.high = h;
  } else if (left && h >= 0 && h < xh) {
    given.high = Shifted(h, smax);
  } else if (left && h < 0 && xh < h) {
    given.high = Shifted(h, smin);
  } else if (logical && l < 0) {
    given.high = Shifted(uh, -std::max(smin - 1, 0));
  } else if (!left && h >= 0) {
    given.high = Shifted(h, -smin);
  } else if (arithmetic && h < 0) {
    given.high = Shifted(h, -smax);
  } else {
    given.high = uh;
  }

  if (smax == 0) {
    given.low = l;
  } else if (left && l < 0 && xl < l) {
    given.low = Shifted(l, smax);
  } else if (left && l >= 0 && l < xl) {
    given.low = Shifted(l, smin);
  } else if (logical && h < 0) {
    given.low = Shifted((l >> 1) & uh, 1 - smax);  // l shifted right logically by smax
  } else if (logical && l < 0 && h >= 0) {
    given.low = 0;
  } else if (!left && l >= 0) {
    given.low = Shifted(l, -smax);
  } else if (arithmetic && l < 0) {
    given.low = Shifted(l, -smin);
  } else {
    given.low = ul;
  }
  return KeepIfSound(given, SoundShiftRange(op, value, count));
}

// The machine's SHIFT of the low 16 bits of x, by the low 16 bits of the
// count for a left shift and of its negation for a right one (both right
// shifts are arithmetic): a positive count shifts left, 16 places or more
// leave 0; a negative one shifts right.
int32_t MachineShift(int32_t op, int32_t x, int32_t c) {
  const int32_t value = Word(x), count = Word(op == kShiftLeft ? int64_t{c} : -int64_t{c});
  if (count >= 16) return 0;
  if (count >= 0) return Word(int64_t{value} * (int64_t{1} << count));
  return value >> std::min(-count, 15);
}

}  // namespace

// Two constants keep their 32-bit result, folded where the machine would
// get another value.  Otherwise the machine shifts the values it holds,
// which for an operand whose range leaves 16 bits may be any 16-bit value:
// the count always matters, the value does for a right shift and for a left
// shift by a count that may be negative (which shifts right).  A right
// shift negates its count in 16 bits, where -(-32768) is -32768 and shifts
// right, as a count of 32768 would.
TermRange ShiftRange(int32_t op, ValueRange value, ValueRange count) {
  ValueRange given = ShiftRange32(op, value, count);
  if (value.IsConstant() && count.IsConstant() && given.IsConstant()) {
    bool agrees = MachineShift(op, value.low, count.low) == Word(given.low);
    return {agrees ? TermForm::kNode : TermForm::kConstant, given};
  }
  ValueRange c = WordHull(count);
  if (op != kShiftLeft && c.low <= kWordRange.low) c.high = std::max(c.high, -kWordRange.low);
  ValueRange v = op != kShiftLeft || c.low < 0 ? WordHull(value) : value;
  ValueRange r = ShiftRange32(op, v, c);
  if (op == kShiftLogical) {
    ValueRange arithmetic = ShiftRange32(kShiftArithmetic, v, c);
    r = {std::min(r.low, arithmetic.low), std::max(r.high, arithmetic.high)};
  }
  return {TermForm::kNode, r};
}

// A left shift by the count, a right shift by its negation: the direction d
// shifts left by d when positive and right by -d otherwise.  Shifts by 32 or
// more leave 0 (or -1 for a negative value shifted right arithmetically).
int32_t ShiftValue(int32_t op, int32_t x, int32_t c) {
  int64_t d = op == kShiftLeft ? int64_t{c} : -int64_t{c};
  if (d > 0) return d >= 32 ? 0 : Signed(static_cast<uint32_t>(x) << d);
  int64_t r = -d;
  if (op == kShiftLogical) return r >= 32 ? 0 : Signed(static_cast<uint32_t>(x) >> r);
  return x >> std::min<int64_t>(r, 31);
}

ValueRange SoundShiftRange(int32_t op, ValueRange value, ValueRange count) {
  const int64_t l = value.low, h = value.high;
  int64_t dlo = op == kShiftLeft ? int64_t{count.low} : -int64_t{count.high};
  int64_t dhi = op == kShiftLeft ? int64_t{count.high} : -int64_t{count.low};
  dlo = std::clamp<int64_t>(dlo, -32, 32);
  dhi = std::clamp<int64_t>(dhi, -32, 32);

  ValueRange result{kMax, kMin};
  auto include = [&](ValueRange r) {
    result.low = std::min(result.low, r.low);
    result.high = std::max(result.high, r.high);
  };
  auto span = [](int64_t lo, int64_t hi) { return ValueRange{static_cast<int32_t>(lo), static_cast<int32_t>(hi)}; };

  // Left shifts by d1 .. d2: for each d the result grows with the value, and
  // a positive value grows (a negative one falls) with d.
  if (dhi >= 1) {
    int64_t d1 = std::max<int64_t>(dlo, 1), d2 = dhi;
    if (d2 >= 32) {
      include({0, 0});
      d2 = 31;
    }
    if (d1 <= d2) {
      int64_t lo = std::min(l * (int64_t{1} << d1), l * (int64_t{1} << d2));
      int64_t hi = std::max(h * (int64_t{1} << d1), h * (int64_t{1} << d2));
      include(WrapHull(lo, hi));
    }
  }
  // Right shifts by r1 .. r2.
  if (dlo <= 0) {
    int64_t r1 = -std::min<int64_t>(dhi, 0), r2 = -dlo;
    if (op == kShiftLogical) {
      if (r1 == 0) {  // no shift at all: the value itself
        include(value);
        r1 = 1;
      }
      if (r1 <= r2) {
        if (h >= 0) include(span(std::max<int64_t>(l, 0) >> r2, h >> r1));
        if (l < 0) {
          uint64_t ul = static_cast<uint32_t>(value.low);
          uint64_t uh = static_cast<uint32_t>(std::min(value.high, -1));
          include(span(static_cast<int64_t>(ul >> r2), static_cast<int64_t>(uh >> r1)));
        }
      }
    } else {
      r1 = std::min<int64_t>(r1, 31);
      r2 = std::min<int64_t>(r2, 31);
      include(span(std::min(l >> r1, l >> r2), std::max(h >> r1, h >> r2)));
    }
  }
  return result;
}

// The constant shift: `count` places left (positive) or right (negative)
// of a 32-bit value, as the folding of constant shifts computes it.
bool ShiftBits(int32_t value, int32_t count, int32_t& result) {
  Rule r("ShiftBits");
  int32_t x = value;
  // Left: doubling in 32-bit two's complement; once 0 it stays 0.
  for (; count > 0 && x != 0; --count) x = static_cast<int32_t>(static_cast<uint32_t>(x) << 1);
  // Right: halving rounded toward minus infinity, stopping at 0; a
  // negative value reaches -1 and stays there.
  for (; count < 0 && x != 0 && x != -1; ++count) x = x >= 0 ? x / 2 : (x + 1) / 2 - 1;
  result = x;
  return r.Succeed(result);
}

}  // namespace vyl
