// Bit-width bounds of value ranges, used to bound the results of bitwise
// operators and shifts.
//
// The arithmetic is done on 32-bit patterns (unsigned), so that powers of two
// that reach 2^31 turn into -2147483648 instead of overflowing.
#include <bit>
#include <cstdint>

#include "expr/expr.h"

namespace vyl {

namespace {

int32_t Signed(uint32_t bits) { return static_cast<int32_t>(bits); }  // two's complement pattern
uint32_t Bits(int32_t v) { return static_cast<uint32_t>(v); }

}  // namespace

// The smallest power of two above n (0 gives 1, 255 gives 256); for n beyond
// 2^30 the doubling reaches 2^31, which reads as -2147483648.  A negative n
// is measured by its complement, -1 - n.
bool HighBitOf(int32_t n, int32_t& power) {
  if (n < 0) n = -1 - n;
  power = Signed(std::bit_ceil(Bits(n) + 1u));
  return true;
}

// A pair (a, b) that bounds every value of [low, high] bitwise: the bits from
// the highest one in which low and high differ downwards are cleared in a and
// set in b.
bool RangeBits(int32_t low, int32_t high, int32_t& a, int32_t& b) {
  int32_t p = 0;
  if (low < 0 && high >= 0) {
    HighBitOf(-1 - low, p);
    a = Signed(0u - Bits(p));
    HighBitOf(high, p);
    b = Signed(Bits(p) - 1u);
  } else {
    HighBitOf(~low & high, p);
    a = Signed(Bits(low) & (0u - Bits(p)));
    b = Signed(Bits(high) | (Bits(p) - 1u));
  }
  return true;
}

}  // namespace vyl
