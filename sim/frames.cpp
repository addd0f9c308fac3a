#include "frames.h"

namespace vylsim {

namespace {

constexpr uint8_t push_zero = 0x20;
constexpr uint8_t frame_op = 0x02;

bool in_stack(uint32_t address) { return address >= stack_base && address <= stack_limit; }

}  // namespace

std::vector<Frame> call_stack(const Machine& machine, const Symbols& symbols, size_t limit) {
  std::vector<Frame> frames;
  Frame frame;
  frame.pc = machine.pc();
  frame.position = frame.pc;
  frame.procedure = symbols.procedure_at(frame.pc);
  uint16_t fp = machine.fp();
  bool before_frame = false;
  // Every procedure opens with PUSHS 0, FRAME. Stopped on either of them, it
  // has the return address on top of the stack (at its entry) or just below
  // the pushed 0, and the machine's FP is still its caller's.
  if (frame.procedure != nullptr) {
    const uint16_t entry = frame.procedure->entry;
    if (machine.byte(entry) == push_zero && machine.byte(static_cast<uint16_t>(entry + 1)) == frame_op) {
      if (frame.pc == entry) {
        fp = static_cast<uint16_t>(machine.sp() - 2);
        before_frame = true;
      } else if (frame.pc == entry + 1) {
        fp = static_cast<uint16_t>(machine.sp() - 4);
        before_frame = true;
      }
    }
  }
  while (frames.size() < limit && in_stack(fp) && in_stack(fp + 2u) && (before_frame || in_stack(fp + 4u))) {
    frame.fp = fp;
    frame.return_address = machine.word(static_cast<uint16_t>(fp + 2));
    frame.caller_fp = before_frame ? machine.fp() : machine.word(static_cast<uint16_t>(fp + 4));
    before_frame = false;
    const bool start_code = frame.procedure != nullptr && frame.procedure->number == 0;
    if (!start_code || frames.empty()) {
      frame.level = static_cast<int>(frames.size());
      frames.push_back(frame);
    }
    if (frame.return_address == return_sentinel || start_code) break;
    // The stack grows upward: a caller's frame lies below its callee's.
    if (frame.caller_fp >= fp) break;
    fp = frame.caller_fp;
    frame = Frame{};
    frame.pc = frames.back().return_address;
    frame.position = static_cast<uint16_t>(frame.pc - 1);
    frame.procedure = symbols.procedure_at(frame.position);
  }
  if (frames.empty()) {
    // No frame could be read (FP outside the stack): the innermost position
    // is still worth showing.
    frame.level = 0;
    frame.fp = fp;
    frames.push_back(frame);
  }
  return frames;
}

}  // namespace vylsim
