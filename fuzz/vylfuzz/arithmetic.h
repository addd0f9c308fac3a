// The machine's 16-bit arithmetic, as docs/expressions.md and
// docs/types.md describe it: wrapping add, subtract, multiply and negate;
// division truncating toward zero, the remainder taking the sign of the
// dividend; one shift that moves left for a positive count and right,
// copying the sign, for a negative one (16 places or more leave 0, or -1
// for a negative value shifted right); `>>` and `>>>` shift by the count
// negated in 16 bits.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "syntax.h"

namespace vylfuzz {

// An operation of two constants whose value the language leaves open
// (docs/expressions.md, Constant folding): the compiler may fold it in 32
// bits, compute it in 16 when the program runs, or refuse it where a
// constant is needed.  `^` and `>>>` of constants; a left shift of a
// negative value, by more than 24 places or to 2^29 or more; a shift by a
// negative count; a product of 2^29 or more in size.
inline bool LeftOpen(Op op, int64_t a, int64_t b) {
  switch (op) {
    case Op::BitXor:
    case Op::Ushr: return true;
    case Op::Shl: return a < 0 || b < 0 || b > 24 || (a << b) >= (int64_t{1} << 29);
    case Op::Shr: return b < 0;
    case Op::Mul: return a * b >= (int64_t{1} << 29) || a * b <= -(int64_t{1} << 29);
    default: return false;
  }
}

// The value of the low 16 bits of v.
inline int32_t Wrap16(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF)); }

inline int32_t MachineShift(int32_t value, int32_t count) {
  if (count >= 16) return 0;
  if (count >= 0) return Wrap16(int64_t{value} * (int64_t{1} << count));
  if (count <= -16) return value < 0 ? -1 : 0;
  return value >> -count;
}

// a op b on 16-bit values; nullopt for a division by zero.  && and || take
// 0 and 1.
inline std::optional<int32_t> MachineBinary(Op op, int32_t a, int32_t b) {
  switch (op) {
    case Op::Mul: return Wrap16(int64_t{a} * b);
    case Op::Div: return b == 0 ? std::nullopt : std::optional<int32_t>(Wrap16(a / b));
    case Op::Rem: return b == 0 ? std::nullopt : std::optional<int32_t>(Wrap16(a % b));
    case Op::Add: return Wrap16(int64_t{a} + b);
    case Op::Sub: return Wrap16(int64_t{a} - b);
    case Op::Shl: return MachineShift(a, b);
    case Op::Shr:
    case Op::Ushr: return MachineShift(a, Wrap16(-int64_t{b}));
    case Op::BitAnd: return a & b;
    case Op::BitXor: return a ^ b;
    case Op::BitOr: return a | b;
    case Op::Eq: return a == b;
    case Op::Ne: return a != b;
    case Op::Lt: return a < b;
    case Op::Le: return a <= b;
    case Op::Gt: return a > b;
    case Op::Ge: return a >= b;
    case Op::And: return a & b;
    case Op::Or: return a | b;
    default: return std::nullopt;
  }
}

inline int32_t MachineUnary(Op op, int32_t a) {
  switch (op) {
    case Op::Neg: return Wrap16(-int64_t{a});
    case Op::Compl: return Wrap16(~int64_t{a});
    case Op::Not: return a == 0 ? 1 : 0;
    default: return a;
  }
}

// Values a variable, element, field or call of each type may hold: enough
// to tell an expression that takes one value only from one that does not.
inline const std::vector<int32_t> kIntValues = {0, 1, -1, 2, 255, 256, -32768, 32767};
inline const std::vector<int32_t> kByteValues = {0, 1, 128, 255};
inline const std::vector<int32_t> kCharValues = {0, 48, 97, 255};
inline const std::vector<int32_t> kBoolValues = {0, 1};
inline const std::vector<int32_t> kLengthValues = {0, 1, 2, 3, 4, 7, 8, 255};

// The values given, each once, at most eight of them spread over their range.
inline std::vector<int32_t> Distinct(std::vector<int32_t> w) {
  std::sort(w.begin(), w.end());
  w.erase(std::unique(w.begin(), w.end()), w.end());
  if (w.size() <= 8) return w;
  std::vector<int32_t> kept;
  for (size_t i = 0; i < 8; ++i) kept.push_back(w[i * (w.size() - 1) / 7]);
  return kept;
}

}  // namespace vylfuzz
