// Which run-time check stopped a program, and why.
//
// A failed check ends in the same two instructions, PUSHS 1 and SYSOP (the
// trap), which the compiler shares between the checks of a procedure; the
// machine knows only that a check trapped. What ran just before tells more:
//
//   base, offset, limit, INDEX, JUMPZ trap    an index check: the offset of
//     or ..., INDEX, NOT, JUMPZ +2            the element in bytes and the
//                                             array's length in bytes
//   DUP, JUMPZ trap  or  DUP, NOT, JUMPZ +2   a null check
//
// and the JUMPZ is the check itself, in the statement that made it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "frames.h"
#include "machine.h"
#include "symbols.h"

namespace vylsim {

struct CheckFailure {
  enum class Kind { None, Index, Null };
  Kind kind = Kind::None;
  uint16_t check = 0;        // the address of the failed check's jump
  uint16_t base = 0;         // Index: the array's first element
  int32_t offset = 0;        // Index: the element's offset in bytes
  int32_t length = 0;        // Index: the array's length in bytes
};

// The last instructions run, with the operands of each INDEX.
class CheckHistory {
 public:
  // Notes the instruction the machine is about to run.
  void record(const Machine& machine);
  void clear() { count_ = 0; }
  // After a trap: the check that failed, when the instructions run tell.
  CheckFailure failure() const;

 private:
  struct Entry {
    uint16_t address = 0;
    uint8_t opcode = 0;
    uint16_t base = 0;
    int32_t offset = 0;
    int32_t length = 0;  // 0 for INDEX's byte store
  };
  const Entry& back(size_t n) const { return ring_[(count_ - 1 - n) % ring_.size()]; }

  std::array<Entry, 5> ring_{};
  uint64_t count_ = 0;
};

// "index 4 outside 0..3" for an index check, when an array that starts at
// the failed base can be found among the values `frame` reaches (its
// parameters and locals, the globals and the constant tables, and what
// they refer to); "index out of range (...)" in bytes when not;
// "null reference" for a null check.
std::string describe(const CheckFailure& failure, const Machine& machine, const Symbols& symbols, const Frame& frame);

}  // namespace vylsim
