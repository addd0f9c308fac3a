// The call stack of a stopped program, read from the machine.
//
// A frame's pointer FP addresses frame word 0, the base word its caller
// passed; word 1 (FP+2) holds the return address and word 2 (FP+4) the
// caller's FP, so the frames form a chain from the innermost call out to
// the start code, whose return address is the sentinel FFFF. A procedure
// stopped in its prologue, before FRAME has run, has no FP of its own yet:
// its frame is found from the stack pointer instead.
#pragma once

#include <cstdint>
#include <vector>

#include "machine.h"
#include "symbols.h"

namespace vylsim {

struct Frame {
  int level = 0;        // 0 for the innermost
  uint16_t pc = 0;      // the next instruction (innermost) or the return address
  uint16_t fp = 0;
  uint16_t caller_fp = 0;
  uint16_t return_address = 0;
  // The address whose statement is the frame's position: the instruction
  // about to run in the innermost frame, the call in the others.
  uint16_t position = 0;
  const DebugProcedure* procedure = nullptr;  // null outside every known procedure
};

// The frames from the innermost out; the start code's frame is left out
// unless the program stands in it. At most `limit` frames.
std::vector<Frame> call_stack(const Machine& machine, const Symbols& symbols, size_t limit = 100000);

}  // namespace vylsim
