// The Vyl target machine: a 16-bit stack machine with 64 KB of memory.
//
// Words are big-endian, arithmetic is modulo 2^16 and comparisons are signed.
// The evaluation stack grows upward from 8000 (push: SP += 2, then store at
// SP); the heap grows upward from A000. A word store to FFF6 prints a
// character, a word load from FFF6 reads one byte of input, and stores to
// FFDA (DEBUG) are ignored; all other addresses are plain memory.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "instruction.h"
#include "debug_info.h"
#include "layout.h"

namespace vylsim {

inline constexpr uint16_t stack_base = 0x8000;   // the first word pushed
inline constexpr uint16_t stack_limit = 0x9FFE;  // the highest word the stack may use
inline constexpr uint16_t heap_base = 0xA000;
inline constexpr uint16_t heap_limit = 0xFFD0;   // the device registers start here
inline constexpr uint16_t return_sentinel = 0xFFFF;
inline constexpr uint16_t print_device = 0xFFF6;  // Print.datum and KeyIn.datum
inline constexpr uint16_t debug_device = 0xFFDA;
inline constexpr uint64_t default_step_limit = 5'000'000;

enum class Status {
  Running,
  Finished,   // the start code returned to the sentinel
  Trap,       // the program's own run-time check failed, or it divided by zero
  Error,      // an instruction the machine cannot carry out
  StepLimit,  // the run was cut off
};

const char* status_name(Status status);
std::ostream& operator<<(std::ostream& out, Status status);

class Machine {
 public:
  // Loads `image` at address 0 and sets up the start state: SP = 7FFE, the base
  // word 8000 and the return sentinel FFFF pushed, PC = word[2] + 2.
  Machine(const std::vector<uint8_t>& image, std::istream& input, std::ostream& output);

  // Each executed instruction is written to `trace`, with its source line and
  // the top of the stack, before it runs. Null turns tracing off.
  void set_trace(std::ostream* trace) { trace_ = trace; }
  // Debug info of the program (or null): positions are then exact source
  // lines and columns instead of the line markers' approximate lines.
  void set_debug_info(const DebugInfo* info) { debug_ = info; }
  const DebugInfo* debug_info() const { return debug_; }

  Status step();
  // Runs until the program ends or stops, or `max_steps` instructions in all
  // have been executed.
  Status run(uint64_t max_steps = default_step_limit);

  Status status() const { return status_; }
  const std::string& reason() const { return reason_; }
  // The instruction that trapped or failed, or the next one at a step limit.
  uint16_t stop_address() const { return stop_address_; }
  uint64_t steps() const { return steps_; }
  // One line for the user: which kind of stop, where and why.
  std::string stop_message() const;
  // "01A4 (main, prog.vyl:12:5)" with debug info, else "01A4 (main, near
  // line 12)": an address with its procedure and source position.
  std::string where(uint16_t address) const;
  // "prog.vyl:12:5" with debug info, "~12" from the line markers, "" when
  // neither tells.
  std::string source_position(uint16_t address) const;

  uint16_t pc() const { return pc_; }
  uint16_t sp() const { return sp_; }
  uint16_t fp() const { return fp_; }
  uint8_t byte(uint16_t address) const { return memory_[address]; }
  uint16_t word(uint16_t address) const;
  void set_word(uint16_t address, uint16_t value);
  void set_byte(uint16_t address, uint8_t value) { memory_[address] = value; }
  // The whole memory, for decoding instructions where they lie.
  std::span<const uint8_t> memory() const { return memory_; }
  // The stack from its first word (at 8000) to the top.
  std::vector<uint16_t> stack() const;
  const Layout& layout() const { return layout_; }

 private:
  struct Fault {
    Status status;
    std::string reason;
  };

  void execute(const Instruction& in);
  void push(uint16_t value);
  uint16_t pop();
  uint16_t load(uint16_t address);
  void store(uint16_t address, uint16_t value);
  void frame(uint16_t mode);
  void ret(uint16_t count);
  void call(int32_t number, uint16_t next);
  void index_or_byte_store();
  void divmod();
  void shift();
  void sysop();
  void allocate();
  void release();
  void trace(const Instruction& in);
  [[noreturn]] static void fail(Status status, std::string reason);

  std::vector<uint8_t> memory_;
  Layout layout_;
  std::istream& input_;
  std::ostream& output_;
  std::ostream* trace_ = nullptr;
  const DebugInfo* debug_ = nullptr;
  uint16_t pc_ = 0;
  uint16_t sp_ = 0;
  uint16_t fp_ = 0;
  uint16_t heap_next_ = heap_base;
  uint64_t steps_ = 0;
  Status status_ = Status::Running;
  std::string reason_;
  uint16_t stop_address_ = 0;
};

// A whole run with in-memory input and output.
struct RunResult {
  Status status = Status::Running;
  std::string output;
  std::vector<uint16_t> stack;
  std::string message;  // Machine::stop_message(); empty when the program finished
};

RunResult run_image(const std::vector<uint8_t>& image, const std::string& input = "",
                    uint64_t max_steps = default_step_limit);

}  // namespace vylsim
