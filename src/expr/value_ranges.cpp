// Value ranges of the arithmetic operators: add, subtract, multiply, divide,
// remainder and the unary operators.
//
// Bounds are computed in 64 bits, so that nothing overflows while they are
// computed; a bound that does not fit in 32 bits falls back to the type's
// range.
#include "expr/value_ranges.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "expr/expr.h"

namespace vyl {

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kWord = int64_t{1} << 32;

bool Fits(int64_t v) { return v >= kMin && v <= kMax; }

// Which multiple of 2^32 a value lies away from the 32-bit range.
int64_t Band(int64_t v) {
  int64_t shifted = v + (int64_t{1} << 31);
  return shifted >= 0 ? shifted / kWord : -((-shifted + kWord - 1) / kWord);
}

// A value wrapped to 32 bits, as the host's 32-bit arithmetic gives it.
int32_t Wrapped(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

ValueRange C(int32_t v) { return {v, v}; }

ValueRange Span(int64_t a, int64_t b, int64_t c, int64_t d) {
  return {static_cast<int32_t>(std::min({a, b, c, d})), static_cast<int32_t>(std::max({a, b, c, d}))};
}

}  // namespace

ValueRange FullRange() { return {kMin, kMax}; }

ValueRange WordHull(ValueRange r) {
  if (r.low >= kWordRange.low && r.high <= kWordRange.high) return r;
  return {std::min(r.low, kWordRange.low), std::max(r.high, kWordRange.high)};
}

ValueRange WrapHull(int64_t lo, int64_t hi) {
  if (Band(lo) != Band(hi)) return FullRange();
  return {Wrapped(lo), Wrapped(hi)};
}

ValueRange KeepIfSound(ValueRange given, ValueRange sound) {
  return given.low <= sound.low && sound.high <= given.high ? given : sound;
}

// The sum a + b when `flag` is set and the sum fits in 32 bits, else the
// fallback.
bool AddnOflo(int32_t flag, int32_t a, int32_t b, int32_t fallback, int32_t& sum) {
  int64_t exact = int64_t{a} + b;
  sum = flag != 0 && Fits(exact) ? static_cast<int32_t>(exact) : fallback;
  return true;
}

// -(-2147483648) has no 32-bit value: the negation then falls back to the
// type's range.
ValueRange NegateRange(ValueRange r, ValueRange type) { return r.low == kMin ? type : ValueRange{-r.high, -r.low}; }

ValueRange NotRange(ValueRange r) { return WrapHull(1 - int64_t{r.high}, 1 - int64_t{r.low}); }

ValueRange ComplementRange(ValueRange r) { return {~r.high, ~r.low}; }

ValueRange AddRange(bool exact, ValueRange a, ValueRange b, ValueRange type) {
  if (!exact) return type;
  ValueRange given;
  AddnOflo(1, a.low, b.low, type.low, given.low);
  AddnOflo(1, a.high, b.high, type.high, given.high);
  // One bound may fit while the other wraps: then neither is a bound.
  return KeepIfSound(given, WrapHull(int64_t{a.low} + b.low, int64_t{a.high} + b.high));
}

ValueRange SubRange(bool exact, ValueRange a, ValueRange b, ValueRange type) {
  if (!exact) return type;
  ValueRange given = type;
  if (b.low != kMin) {  // else -b.low has no 32-bit value
    AddnOflo(1, a.low, -b.high, type.low, given.low);
    AddnOflo(1, a.high, -b.low, type.high, given.high);
  }
  return KeepIfSound(given, WrapHull(int64_t{a.low} - b.high, int64_t{a.high} - b.low));
}

// Multiply, first rule that applies.  Products of operands that may not fit
// in 32 bits (the product of their high bits wraps to 0) get the type's
// range; otherwise the corner products bound the result.
TermRange MulRange(bool exact, ValueRange a, ValueRange b, ValueRange type) {
  if (!exact) return {TermForm::kNode, type};
  if (a.Is(0)) return {TermForm::kLeft, {0, 0}};
  if (b.Is(0)) return {TermForm::kRight, {0, 0}};
  if (a.Is(1)) return {TermForm::kRight, b};
  if (b.Is(1)) return {TermForm::kLeft, a};
  if (a.Is(-1)) return {TermForm::kNegateRight, NegateRange(b, type)};
  if (b.Is(-1)) return {TermForm::kNegateLeft, NegateRange(a, type)};
  int32_t l1 = 0, h1 = 0, l2 = 0, h2 = 0;
  HighBitOf(a.low, l1);
  HighBitOf(a.high, h1);
  HighBitOf(b.low, l2);
  HighBitOf(b.high, h2);
  uint32_t p = static_cast<uint32_t>(std::max(l1, h1)) * static_cast<uint32_t>(std::max(l2, h2));
  if (p == 0) return {TermForm::kNode, type};
  int64_t ll = int64_t{a.low} * b.low, lh = int64_t{a.low} * b.high;
  int64_t hl = int64_t{a.high} * b.low, hh = int64_t{a.high} * b.high;
  // The corner products as 32-bit arithmetic computes them ...
  ValueRange given = Span(Wrapped(ll), Wrapped(lh), Wrapped(hl), Wrapped(hh));
  // ... bound the result only when none of them wraps.
  int64_t lo = std::min({ll, lh, hl, hh}), hi = std::max({ll, lh, hl, hh});
  return {TermForm::kNode, KeepIfSound(given, WrapHull(lo, hi))};
}

namespace {

// Divide (truncating), first rule that applies.  A divisor range that holds
// 0 gives the type's range; otherwise the corner quotients bound the result,
// except that -2147483648 / -1 has no 32-bit value and gives the type's range.
TermRange Quotient(bool exact, ValueRange a, ValueRange b, ValueRange type) {
  if (!exact) return {TermForm::kNode, type};
  if (b.Is(0)) return {TermForm::kDivideByZero, type};
  if (b.Is(1)) return {TermForm::kLeft, a};
  if (b.Is(-1)) return {TermForm::kNegateLeft, NegateRange(a, type)};
  if (b.low < 1 && b.high >= 0) return {TermForm::kNode, type};
  int64_t ll = int64_t{a.low} / b.low, lh = int64_t{a.low} / b.high;
  int64_t hl = int64_t{a.high} / b.low, hh = int64_t{a.high} / b.high;
  if (!Fits(ll) || !Fits(lh) || !Fits(hl) || !Fits(hh)) return {TermForm::kNode, type};
  return {TermForm::kNode, Span(ll, lh, hl, hh)};
}

// Remainder (truncating: the sign of the dividend, smaller in magnitude than
// the divisor), first rule that applies.
TermRange Remainder(bool exact, ValueRange a, ValueRange b, ValueRange type) {
  if (!exact) return {TermForm::kNode, type};
  if (b.Is(0)) return {TermForm::kDivideByZero, type};
  if (b.Is(1)) return {TermForm::kNode, {0, 0}};
  if (a.IsConstant() && b.IsConstant()) {
    if (a.low == kMin && b.low == -1) return {TermForm::kNode, type};  // the quotient does not fit
    return {TermForm::kNode, {a.low % b.low, a.high % b.high}};
  }
  int64_t high = a.high > 0 ? std::max(int64_t{b.high} - 1, -1 - int64_t{b.low}) : 0;
  int64_t low = a.low < 0 ? std::min(1 - int64_t{b.high}, int64_t{b.low} + 1) : 0;
  return {TermForm::kNode, {static_cast<int32_t>(low), static_cast<int32_t>(high)}};
}

// Whether the machine's divide (or remainder) of the low 16 bits of a and b
// gives the low 16 bits of `value`; dividing by 0 traps.
bool MachineDivides(bool remainder, int32_t a, int32_t b, int32_t value) {
  const int32_t x = Word(a), y = Word(b);
  return y != 0 && Word(remainder ? x % y : x / y) == Word(value);
}

// The operation of the 32-bit `rule` as the machine computes it.  The forms
// without a divide (by 1 or -1, or by the constant 0) are the rule's; two
// constants keep their 32-bit result, folded where the machine would get
// another value; otherwise the machine divides the values it holds, which
// for an operand whose range leaves 16 bits may be any 16-bit value.
TermRange OnMachine(bool remainder, bool exact, ValueRange a, ValueRange b, ValueRange type) {
  auto rule = remainder ? Remainder : Quotient;
  TermRange r = rule(exact, a, b, type);
  if (!exact || r.form != TermForm::kNode) return r;
  if (a.IsConstant() && b.IsConstant() && r.range.IsConstant()) {
    if (!MachineDivides(remainder, a.low, b.low, r.range.low)) r.form = TermForm::kConstant;
    return r;
  }
  return rule(exact, WordHull(a), WordHull(b), type);
}

}  // namespace

TermRange DivRange(bool exact, ValueRange a, ValueRange b, ValueRange type) {
  return OnMachine(false, exact, a, b, type);
}

TermRange RemRange(bool exact, ValueRange a, ValueRange b, ValueRange type) {
  return OnMachine(true, exact, a, b, type);
}

namespace {

// `absorbing` decides the result (1 for or, 0 for and); the other value
// leaves the other operand as the result.
TermRange Logical(int32_t absorbing, ValueRange a, ValueRange b) {
  const int32_t neutral = 1 - absorbing;
  if (a.Is(absorbing) || b.Is(neutral)) return {TermForm::kLeft, a};
  if (a.Is(neutral) || b.Is(absorbing)) return {TermForm::kRight, b};
  return {TermForm::kNode, {0, 1}};
}

}  // namespace

TermRange OrRange(ValueRange a, ValueRange b) { return Logical(1, a, b); }

TermRange AndRange(ValueRange a, ValueRange b) { return Logical(0, a, b); }

bool Holds(int32_t op, int32_t a, int32_t b) {
  switch (op) {
    case 0: return a == b;
    case 1: return a != b;
    case 2: return a < b;
    case 3: return a >= b;
    case 4: return a > b;
    default: return a <= b;
  }
}

ValueRange CompareRange(int32_t op, ValueRange a, ValueRange b, bool scalar) {
  if (scalar && a.IsConstant() && b.IsConstant()) return C(Holds(op, a.low, b.low) ? 1 : 0);
  return {0, 1};
}

}  // namespace vyl
