// The value ranges of the operator levels.
//
// Every expression carries the range [low, high] of the values it can take,
// in 32-bit two's complement arithmetic: an operation whose result does not
// fit in 32 bits wraps around, and a shift count means what it means to the
// SHIFT instruction (a positive count shifts left, a negative one right).
// A range with equal ends is a constant, which Expression folds; array
// indexing omits its run-time check when the index range lies inside the
// array.  Both depend on the ranges being sound: every value an expression
// can take lies inside its range, and low never exceeds high.
//
// The rules of each operator compute the range the operator levels have
// always computed (the "given" range, which decides folding and the form of
// indexed accesses).  Where that rule is not sound for the operand ranges at
// hand, the sound range is used instead: the exact range where it is cheap
// to know (always for two constants), otherwise a correct bound, at worst
// the whole int range.
//
// The ranges hold for the machine, which computes in 16 bits: the value it
// computes is congruent modulo 2^16 to a value of the range, and so lies in
// the range itself when the range lies within -32768 .. 32767 (an index
// without a check and CHR without a mask rely on that).  Add, subtract,
// multiply, the bitwise operators, negation, complement and left shifts
// give the low 16 bits of their 32-bit results, so their 32-bit ranges
// carry over.  Divide, remainder and right shifts (and a left shift by a
// count that may be negative, or may have wrapped) depend on more than the
// low 16 bits of their operands: the machine holds any 16-bit value for an
// operand whose range leaves 16 bits (a constant beyond 16 bits holds its
// low bits), so that range is widened to take in -32768 .. 32767 first.
// Such an operation of two constants keeps its exact 32-bit result, as a
// constant expression does; where the machine, from the low 16 bits of the
// constants, would compute another value, the operation is folded where it
// stands (kConstant): the machine never computes it.
#pragma once

#include <cstdint>

namespace vyl {

struct ValueRange {
  int32_t low = 0;
  int32_t high = 0;
  bool operator==(const ValueRange&) const = default;
  bool IsConstant() const { return low == high; }
  bool Is(int32_t v) const { return low == v && high == v; }
};

// -2147483648 .. 2147483647.
ValueRange FullRange();
// The values of a machine word, -32768 .. 32767.
constexpr ValueRange kWordRange{-32768, 32767};
// The value of the low 16 bits of v, as the machine holds it.
inline int32_t Word(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v))); }
// The range of the values the machine may hold for a value of `r`: `r`
// itself when it lies within kWordRange, else its hull with kWordRange.
ValueRange WordHull(ValueRange r);
// The range of 32-bit values that the integers lo .. hi wrap to: the same
// interval shifted by a multiple of 2^32 when lo and hi wrap alike, else the
// full range.
ValueRange WrapHull(int64_t lo, int64_t hi);
// `given` when it holds every value of `sound`, else `sound`.
ValueRange KeepIfSound(ValueRange given, ValueRange sound);

// Unary operators: minus [-H, -L] (the type's range when -L has no 32-bit
// value), boolean not [1-H, 1-L], complement [-1-H, -1-L].
ValueRange NegateRange(ValueRange r, ValueRange type);
ValueRange NotRange(ValueRange r);
ValueRange ComplementRange(ValueRange r);

// Add and subtract.  `exact` is set when both operands are int; otherwise
// the result has the range `type` of the common type.
ValueRange AddRange(bool exact, ValueRange a, ValueRange b, ValueRange type);
ValueRange SubRange(bool exact, ValueRange a, ValueRange b, ValueRange type);

// Multiply, divide and remainder may make do without the operator node:
// the result is then one operand, or one operand negated; a divide,
// remainder or shift of two constants may be folded to the constant of its
// range (kConstant, see above).
enum class TermForm { kNode, kLeft, kRight, kNegateLeft, kNegateRight, kDivideByZero, kConstant };
struct TermRange {
  TermForm form = TermForm::kNode;
  ValueRange range;
};
TermRange MulRange(bool exact, ValueRange a, ValueRange b, ValueRange type);
// Divide and remainder as the machine computes them (see above).
TermRange DivRange(bool exact, ValueRange a, ValueRange b, ValueRange type);
TermRange RemRange(bool exact, ValueRange a, ValueRange b, ValueRange type);

// Logical or and and of boolean operands (0 or 1): an operand that decides
// the result, or one that cannot change it, makes the other operand the
// result (kLeft or kRight).
TermRange OrRange(ValueRange a, ValueRange b);
TermRange AndRange(ValueRange a, ValueRange b);

// Comparisons by the operator code RelOp reports (0 ==, 1 !=, 2 <, 3 >=,
// 4 >, 5 <=): two constants of scalar types give the constant result, any
// other pair [0, 1].
bool Holds(int32_t op, int32_t a, int32_t b);
ValueRange CompareRange(int32_t op, ValueRange a, ValueRange b, bool scalar);

// Bitwise operators, on the bit patterns of their operands.
enum class BitOp { kOr, kXor, kAnd };
ValueRange BitRange(BitOp op, ValueRange a, ValueRange b);
// The exact range of `a op b` over every pair of values.
ValueRange ExactBitRange(BitOp op, ValueRange a, ValueRange b);
// The same found bit by bit for every operand (ExactBitRange takes a short
// cut for an operand of the full range).
ValueRange WalkedBitRange(BitOp op, ValueRange a, ValueRange b);

// Shifts, by the operator code ShiftOp reports: -1 left, 0 logical right,
// +1 arithmetic right.
constexpr int32_t kShiftLeft = -1;
constexpr int32_t kShiftLogical = 0;
constexpr int32_t kShiftArithmetic = 1;
// A shift as the machine computes it (see above): kNode, or kConstant for
// two constants.  Both right shifts are the machine's arithmetic shift, so
// the range of >>> holds the logical and the arithmetic shift.
TermRange ShiftRange(int32_t op, ValueRange value, ValueRange count);
// A sound range of `value op count`.
ValueRange SoundShiftRange(int32_t op, ValueRange value, ValueRange count);
// The value of `x op c` in the arithmetic the ranges describe.
int32_t ShiftValue(int32_t op, int32_t x, int32_t c);

}  // namespace vyl
