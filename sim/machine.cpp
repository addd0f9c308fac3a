#include "machine.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <sstream>

namespace vylsim {

namespace {

uint16_t truncate(int32_t value) { return static_cast<uint16_t>(value); }

uint16_t flag(bool value) { return value ? 1 : 0; }

// The intrinsics behind SYSOP operations 4 to 12, which the machine leaves out.
const char* const unmodelled_sysops[] = {"Open",     "Close",  "Read",   "Write", "Seek",
                                         "FileInfo", "SysOp0", "SysOp1", "SysOp2"};

}  // namespace

const char* status_name(Status status) {
  switch (status) {
    case Status::Running: return "running";
    case Status::Finished: return "finished";
    case Status::Trap: return "trap";
    case Status::Error: return "error";
    case Status::StepLimit: return "step limit";
  }
  return "?";
}

std::ostream& operator<<(std::ostream& out, Status status) { return out << status_name(status); }

Machine::Machine(const std::vector<uint8_t>& image, std::istream& input, std::ostream& output)
    : memory_(0x10000, 0), layout_(image), input_(input), output_(output) {
  std::copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), memory_.size())),
            memory_.begin());
  sp_ = stack_base - 2;
  push(stack_base);  // the base word, holding its own address
  push(return_sentinel);
  pc_ = static_cast<uint16_t>(word(2) + 2);
}

uint16_t Machine::word(uint16_t address) const {
  return static_cast<uint16_t>((memory_[address] << 8) | memory_[static_cast<uint16_t>(address + 1)]);
}

void Machine::set_word(uint16_t address, uint16_t value) {
  memory_[address] = static_cast<uint8_t>(value >> 8);
  memory_[static_cast<uint16_t>(address + 1)] = static_cast<uint8_t>(value);
}

std::vector<uint16_t> Machine::stack() const {
  std::vector<uint16_t> words;
  for (uint32_t address = stack_base; address <= sp_ && address <= stack_limit; address += 2) {
    words.push_back(word(static_cast<uint16_t>(address)));
  }
  return words;
}

Status Machine::run(uint64_t max_steps) {
  while (status_ == Status::Running) {
    if (steps_ >= max_steps) {
      status_ = Status::StepLimit;
      stop_address_ = pc_;
      reason_ = std::to_string(steps_) + " instructions executed without finishing";
      break;
    }
    step();
  }
  return status_;
}

Status Machine::step() {
  if (status_ != Status::Running) return status_;
  const uint16_t at = pc_;
  try {
    if (at >= layout_.size()) {
      fail(Status::Error, "execution left the program, which ends at " + hex4(layout_.size()));
    }
    const Instruction in = decode(memory_, at);
    if (trace_ != nullptr) trace(in);
    ++steps_;
    pc_ = static_cast<uint16_t>(at + in.length);
    execute(in);
  } catch (const Fault& fault) {
    status_ = fault.status;
    reason_ = fault.reason;
    stop_address_ = at;
    pc_ = at;
  }
  return status_;
}

void Machine::fail(Status status, std::string reason) { throw Fault{status, std::move(reason)}; }

void Machine::execute(const Instruction& in) {
  switch (in.op) {
    case Op::Line: break;
    case Op::Lit:
    case Op::Push: push(truncate(in.operand)); break;
    case Op::Frame: frame(pop()); break;
    case Op::Ret: ret(pop()); break;
    case Op::Dup: {
      const uint16_t top = pop();
      push(top);
      push(top);
      break;
    }
    case Op::Drop: pop(); break;
    case Op::Swap: {
      const uint16_t top = pop();
      const uint16_t below = pop();
      push(top);
      push(below);
      break;
    }
    case Op::Index: index_or_byte_store(); break;
    case Op::Sysop: sysop(); break;
    case Op::Load: push(load(pop())); break;
    case Op::Store: {
      const uint16_t address = pop();
      store(address, pop());
      break;
    }
    case Op::Mmap: {
      // One address space: the prefix only has to introduce a LOAD or STORE.
      const uint8_t next = memory_[pc_];
      if (next != 0x0C && next != 0x0D) fail(Status::Error, "MMAP is not followed by LOAD or STORE");
      break;
    }
    case Op::JumpX: {
      const uint16_t distance = pop();
      pc_ = static_cast<uint16_t>(pc_ + distance);
      break;
    }
    case Op::Neg: push(truncate(-as_signed(pop()))); break;
    case Op::Not: push(flag(pop() == 0)); break;
    case Op::DivMod: divmod(); break;
    case Op::Shift: shift(); break;
    case Op::Eq: case Op::Ne: case Op::Lt: case Op::Gt: case Op::Le: case Op::Ge:
    case Op::And: case Op::Or: case Op::Xor: case Op::Add: case Op::Sub: case Op::Mul: {
      const uint32_t b = pop();
      const uint32_t a = pop();
      const int32_t sa = as_signed(static_cast<uint16_t>(a));
      const int32_t sb = as_signed(static_cast<uint16_t>(b));
      uint32_t result = 0;
      switch (in.op) {
        case Op::Eq: result = flag(a == b); break;
        case Op::Ne: result = flag(a != b); break;
        case Op::Lt: result = flag(sa < sb); break;
        case Op::Gt: result = flag(sa > sb); break;
        case Op::Le: result = flag(sa <= sb); break;
        case Op::Ge: result = flag(sa >= sb); break;
        case Op::And: result = a & b; break;
        case Op::Or: result = a | b; break;
        case Op::Xor: result = a ^ b; break;
        case Op::Add: result = a + b; break;
        case Op::Sub: result = a - b; break;
        case Op::Mul: result = a * b; break;
        default: break;
      }
      push(static_cast<uint16_t>(result));
      break;
    }
    case Op::LoadL: push(load(static_cast<uint16_t>(fp_ + 2u * static_cast<uint32_t>(in.operand)))); break;
    case Op::StoreL: store(static_cast<uint16_t>(fp_ + 2u * static_cast<uint32_t>(in.operand)), pop()); break;
    case Op::Call: call(in.operand, pc_); break;
    case Op::Jump: pc_ = static_cast<uint16_t>(in.operand); break;
    case Op::JumpZ:
      if (pop() == 0) pc_ = static_cast<uint16_t>(in.operand);
      break;
    case Op::Cocall: fail(Status::Error, "instruction 08 (FORK, COCALL process transfer) is not modelled");
    case Op::Signal: fail(Status::Error, "SIGNAL is not modelled");
    case Op::Wait: fail(Status::Error, "WAIT is not modelled");
    case Op::Undefined: fail(Status::Error, "undefined instruction byte " + hex2(in.bytes[0]));
  }
}

void Machine::push(uint16_t value) {
  const uint32_t next = sp_ + 2u;
  if (next > stack_limit) fail(Status::Error, "stack overflow (the stack ends at " + hex4(stack_limit + 2u) + ")");
  if (next < stack_base) fail(Status::Error, "stack pointer " + hex4(sp_) + " lies outside the stack");
  sp_ = static_cast<uint16_t>(next);
  set_word(sp_, value);
}

uint16_t Machine::pop() {
  if (sp_ < stack_base) fail(Status::Error, "stack underflow");
  if (sp_ > stack_limit) fail(Status::Error, "stack pointer " + hex4(sp_) + " lies outside the stack");
  const uint16_t value = word(sp_);
  sp_ = static_cast<uint16_t>(sp_ - 2);
  return value;
}

uint16_t Machine::load(uint16_t address) {
  if (address == print_device) {
    output_.flush();  // a prompt is seen before the program waits for input
    const int c = input_.get();
    return c == std::char_traits<char>::eof() ? 0 : static_cast<uint16_t>(c & 0xFF);
  }
  return word(address);
}

void Machine::store(uint16_t address, uint16_t value) {
  if (address == print_device) {
    output_.put(static_cast<char>(value & 0xFF));
    if (trace_ != nullptr) output_.flush();  // keep the output in step with the trace
    return;
  }
  if (address == debug_device) return;
  set_word(address, value);
}

// FRAME 0 opens a frame: the caller's FP is saved and FP points at the word
// below the return address, so frame word 0 is the last thing the caller
// pushed, word 1 the return address and word 2 the saved FP. FRAME -1 pushes
// the current frame base.
void Machine::frame(uint16_t mode) {
  if (mode == 0) {
    push(fp_);
    fp_ = static_cast<uint16_t>(sp_ - 4);
  } else if (mode == 0xFFFF) {
    push(fp_);
  } else {
    fail(Status::Error, "FRAME " + std::to_string(as_signed(mode)) + " is not modelled");
  }
}

// RET n returns to the caller and drops the frame with the n words below it:
// the arguments and the base word the caller pushed.
void Machine::ret(uint16_t count) {
  const uint16_t return_address = word(static_cast<uint16_t>(fp_ + 2));
  const uint16_t saved_fp = word(static_cast<uint16_t>(fp_ + 4));
  sp_ = static_cast<uint16_t>(fp_ - 2u * count);
  fp_ = saved_fp;
  pc_ = return_address;
  if (pc_ == return_sentinel) status_ = Status::Finished;
}

// CALL 0 pushes the address of the next instruction, which makes constant
// tables reachable from position-independent code.
void Machine::call(int32_t number, uint16_t next) {
  push(next);
  if (number == 0) return;
  if (static_cast<size_t>(number) >= layout_.procedures().size()) {
    fail(Status::Error, "CALL " + std::to_string(number) + " names no procedure (the table has " +
                            std::to_string(layout_.procedures().size()) + ")");
  }
  pc_ = static_cast<uint16_t>(word(static_cast<uint16_t>(2 + 2 * number)) + 2);
}

// 07 with limit 0 stores the low byte of a value. Otherwise it computes an
// element address and whether the byte index lies in range, the bound being
// the limit itself or, for a negative limit, the length word before the data.
void Machine::index_or_byte_store() {
  const int32_t limit = as_signed(pop());
  if (limit == 0) {
    const uint16_t address = pop();
    memory_[address] = static_cast<uint8_t>(pop());
    return;
  }
  const uint16_t index = pop();
  const uint16_t base = pop();
  const int32_t bound = limit > 0 ? limit : as_signed(word(static_cast<uint16_t>(base - 2)));
  const int32_t signed_index = as_signed(index);
  push(static_cast<uint16_t>(base + index));
  push(flag(signed_index >= 0 && signed_index < bound));
}

// Division truncates toward zero; the remainder takes the dividend's sign.
void Machine::divmod() {
  const int32_t b = as_signed(pop());
  const int32_t a = as_signed(pop());
  if (b == 0) fail(Status::Trap, "division by zero");
  push(truncate(a / b));
  push(truncate(a % b));
}

// A positive count shifts left, a negative one shifts right arithmetically.
void Machine::shift() {
  const int32_t count = as_signed(pop());
  const uint16_t value = pop();
  if (count >= 16) {
    push(0);
  } else if (count >= 0) {
    push(static_cast<uint16_t>(uint32_t{value} << count));
  } else {
    const int32_t distance = count < -15 ? 15 : -count;
    push(truncate(as_signed(value) >> distance));
  }
}

void Machine::sysop() {
  const int32_t operation = as_signed(pop());
  switch (operation) {
    case 1: fail(Status::Trap, "run-time check failed (null reference or index out of range)");
    case 2: allocate(); return;
    case 3: release(); return;
    default: break;
  }
  if (operation >= 4 && operation <= 12) {
    fail(Status::Error, "SYSOP " + std::to_string(operation) + " (" + unmodelled_sysops[operation - 4] +
                            ") is not modelled");
  }
  fail(Status::Error, "unknown SYSOP operation " + std::to_string(operation));
}

// A block is a header word (0: not shared yet), a length word and the data,
// zeroed. Blocks are never reused.
void Machine::allocate() {
  const int32_t size = as_signed(pop());
  if (size < 0) fail(Status::Error, "cannot allocate a negative size (" + std::to_string(size) + " bytes)");
  const uint32_t block = (static_cast<uint32_t>(size) + 4u + 1u) & ~1u;  // kept word-aligned
  const uint32_t left = heap_limit - heap_next_;
  if (block > left) {
    fail(Status::Error, "out of heap memory: " + std::to_string(size) + " bytes requested, " +
                            std::to_string(left >= 4 ? left - 4 : 0) + " left");
  }
  const uint16_t start = heap_next_;
  heap_next_ = static_cast<uint16_t>(heap_next_ + block);
  set_word(start, 0);
  set_word(static_cast<uint16_t>(start + 2), static_cast<uint16_t>(size));
  std::fill(memory_.begin() + start + 4, memory_.begin() + start + 4 + size, 0);
  push(static_cast<uint16_t>(start + 4));
  push(0);
}

// Releasing a reference counts down the block's reference count, kept in the
// low bits of its header. Constant objects (header bits FFF0 set), blocks
// nobody holds (count 0) and the null reference are left alone.
void Machine::release() {
  const uint16_t reference = pop();
  if (reference != 0) {
    const uint16_t header_address = static_cast<uint16_t>(reference - 4);
    const uint16_t header = word(header_address);
    if ((header & 0xFFF0) == 0 && header != 0) set_word(header_address, static_cast<uint16_t>(header - 1));
  }
  push(0);
  push(0);
}

std::string Machine::source_position(uint16_t address) const {
  if (debug_ != nullptr) {
    const DebugStatement* statement = debug_->statement_at(address);
    if (statement == nullptr) return "";
    return debug_->source + ":" + std::to_string(statement->position.line) + ":" +
           std::to_string(statement->position.column);
  }
  const auto line = layout_.line_at(address);
  return line ? "~" + std::to_string(*line) : "";
}

std::string Machine::where(uint16_t address) const {
  std::string text = hex4(address);
  const Procedure* procedure = layout_.procedure_at(address);
  std::string position = source_position(address);
  if (position.starts_with("~")) position = "near line " + position.substr(1);
  if (procedure == nullptr && position.empty()) return text;
  text += " (";
  if (procedure != nullptr) {
    if (procedure->number == 0) text += "start code";
    else if (procedure->name.empty()) text += "procedure " + std::to_string(procedure->number);
    else text += procedure->name;
  }
  if (!position.empty()) text += std::string(procedure != nullptr ? ", " : "") + position;
  return text + ")";
}

std::string Machine::stop_message() const {
  switch (status_) {
    case Status::Running: return "running at " + where(pc_);
    case Status::Finished: return "finished";
    case Status::Trap: return "trap at " + where(stop_address_) + ": " + reason_;
    case Status::Error: return "error at " + where(stop_address_) + ": " + reason_;
    case Status::StepLimit: return "step limit reached at " + where(stop_address_) + ": " + reason_;
  }
  return "";
}

void Machine::trace(const Instruction& in) {
  std::string text = hex4(in.address) + "  " + format_bytes(in);
  text.resize(16, ' ');
  text += format_operation(in);
  text.resize(34, ' ');
  const Procedure* procedure = layout_.procedure_at(in.address);
  std::string place = procedure != nullptr ? procedure->name : "?";
  std::string position = source_position(in.address);
  if (debug_ != nullptr && !position.empty()) position = position.substr(debug_->source.size() + 1);
  if (!position.empty()) place.append(":").append(position);
  text += place;
  text.resize(std::max<size_t>(text.size() + 2, 52), ' ');
  const std::vector<uint16_t> words = stack();
  const size_t shown = std::min<size_t>(words.size(), 4);
  text += "[";
  if (words.size() > shown) text += "... ";
  for (size_t i = words.size() - shown; i < words.size(); ++i) {
    text += hex4(words[i]);
    if (i + 1 < words.size()) text += ' ';
  }
  *trace_ << text << "]\n";
}

RunResult run_image(const std::vector<uint8_t>& image, const std::string& input, uint64_t max_steps) {
  std::istringstream in(input);
  std::ostringstream out;
  Machine machine(image, in, out);
  RunResult result;
  result.status = machine.run(max_steps);
  result.output = out.str();
  result.stack = machine.stack();
  if (result.status != Status::Finished) result.message = machine.stop_message();
  return result;
}

}  // namespace vylsim
