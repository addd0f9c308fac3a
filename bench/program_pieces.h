// The pieces the program generators put together (program_gen.cpp,
// program_shapes.cpp): each piece is written twice, once in Vyl and once
// in C, from the same constants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "program_gen.h"

namespace vylbench {

// A fixed pseudo-random sequence per piece, so that a program depends only
// on its shape.
class Dice {
 public:
  explicit Dice(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  int Below(int n) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<int>(state_ % static_cast<uint32_t>(n));
  }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }

 private:
  uint32_t state_;
};

// The Vyl text and the C text of one piece of the program.
struct Piece {
  std::string vyl;
  std::string c;
  void Both(const std::string& text) {
    vyl += text;
    c += text;
  }
  // An assignment: C keeps the value in 16 bits as the target does.
  void Assign(const std::string& target, const std::string& value) {
    vyl += target + " = " + value + ";";
    c += target + " = (V)(" + value + ");";
  }
};

inline std::string N(int v) { return std::to_string(v); }

// The global acc, putc, putn, show (which prints acc) and mix; in C the
// 16-bit type V and the unsigned U.
Piece Prelude();
// Drivers of at most 32 calls each, every call a statement; main calls the
// drivers and shows acc after each one.
void AddDrivers(std::vector<Piece>& pieces, const std::vector<Piece>& calls);
// The program: the pieces with the comment padding of the shape between
// them.
std::string Assemble(const std::vector<Piece>& pieces, std::size_t padTo, Language language);

// The programs of the other forms (program_shapes.cpp).
std::string GenerateShaped(const ProgramShape& shape, Language language);

}  // namespace vylbench
