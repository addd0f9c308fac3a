#include "check_failure.h"

#include <algorithm>

#include "values.h"

namespace vylsim {

namespace {

constexpr uint8_t op_dup = 0x04;
constexpr uint8_t op_index = 0x07;
constexpr uint8_t op_sysop = 0x09;
constexpr uint8_t op_not = 0x11;
constexpr uint8_t op_push_one = 0x21;

bool is_jumpz(uint8_t opcode) { return opcode >= 0xC0; }

// How deep the search for the failed array follows references and nested
// arrays, and how many elements of one array it looks into.
constexpr int search_depth = 3;
constexpr int search_elements = 64;

// Finds the type of the elements of an array whose first element lies at
// `base`, among the values reachable from `start`.
class ArraySearch {
 public:
  ArraySearch(const Symbols& symbols, const MemoryView& memory, uint16_t base)
      : symbols_(symbols), memory_(memory), base_(base) {}

  const DebugType* found() const { return found_; }

  void visit(const Value& value, int depth) {
    if (found_ != nullptr || depth > search_depth || value.type == nullptr || is_null(value)) return;
    try {
      if (is_array(value)) {
        const DebugType* element_type_found = element_type(value, symbols_);
        if (data_address(value) == base_) {
          found_ = element_type_found;
          return;
        }
        const std::string& kind = element_type_found->kind;
        if (kind != "array" && kind != "class") return;
        const int length = std::min(array_length(value, memory_, symbols_), search_elements);
        for (int i = 0; i < length && found_ == nullptr; ++i) {
          visit(element(value, i, "", memory_, symbols_), depth + 1);
        }
      } else if (is_object(value)) {
        for (const DebugField& f : value.type->fields) {
          visit(field(value, f.name, "", memory_, symbols_), depth + 1);
          if (found_ != nullptr) return;
        }
      }
    } catch (const EvaluationError&) {
      // A value that cannot be read holds no array.
    }
  }

 private:
  const Symbols& symbols_;
  const MemoryView& memory_;
  uint16_t base_;
  const DebugType* found_ = nullptr;
};

const DebugType* find_element_type(const Machine& machine, const Symbols& symbols, const Frame& frame,
                                   uint16_t base) {
  const MemoryView memory(machine);
  ArraySearch search(symbols, memory, base);
  std::vector<const DebugVariable*> variables;
  if (frame.procedure != nullptr) {
    variables = symbols.parameters(frame.procedure->number);
    for (const DebugVariable* v : symbols.locals(frame.procedure->number)) variables.push_back(v);
  }
  for (const DebugVariable* v : symbols.globals()) variables.push_back(v);
  for (const DebugVariable* v : variables) {
    try {
      search.visit(variable_value(*v, symbols, memory, frame.fp), 0);
    } catch (const EvaluationError&) {
    }
    if (search.found() != nullptr) return search.found();
  }
  for (const DebugConstant& c : symbols.info().constants) {
    try {
      search.visit(constant_value(c, symbols, memory), 0);
    } catch (const EvaluationError&) {
    }
    if (search.found() != nullptr) return search.found();
  }
  return nullptr;
}

}  // namespace

void CheckHistory::record(const Machine& machine) {
  Entry& entry = ring_[count_ % ring_.size()];
  ++count_;
  entry.address = machine.pc();
  entry.opcode = machine.byte(entry.address);
  if (entry.opcode != op_index) return;
  // INDEX pops the limit, the offset and the base, in that order.
  const uint16_t sp = machine.sp();
  const int32_t limit = as_signed(machine.word(sp));
  entry.offset = as_signed(machine.word(static_cast<uint16_t>(sp - 2)));
  entry.base = machine.word(static_cast<uint16_t>(sp - 4));
  if (limit == 0) {
    entry.length = 0;
  } else {
    entry.length = limit > 0 ? limit : as_signed(machine.word(static_cast<uint16_t>(entry.base - 2)));
  }
}

CheckFailure CheckHistory::failure() const {
  CheckFailure failure;
  if (count_ < ring_.size()) return failure;
  const Entry& trap = back(0);
  const Entry& push = back(1);
  const Entry& jump = back(2);
  if (trap.opcode != op_sysop || push.opcode != op_push_one || !is_jumpz(jump.opcode)) return failure;
  // The jump's condition: straight from INDEX or DUP, or through NOT.
  const Entry& test = back(3).opcode == op_not ? back(4) : back(3);
  failure.check = jump.address;
  if (test.opcode == op_index && test.length != 0) {
    failure.kind = CheckFailure::Kind::Index;
    failure.base = test.base;
    failure.offset = test.offset;
    failure.length = test.length;
  } else if (test.opcode == op_dup) {
    failure.kind = CheckFailure::Kind::Null;
  }
  return failure;
}

std::string describe(const CheckFailure& failure, const Machine& machine, const Symbols& symbols, const Frame& frame) {
  if (failure.kind == CheckFailure::Kind::Null) return "null reference";
  if (failure.kind != CheckFailure::Kind::Index) return machine.reason();
  if (const DebugType* element = find_element_type(machine, symbols, frame, failure.base)) {
    const int size = element_size(*element);
    if (size > 0 && failure.offset % size == 0 && failure.length % size == 0) {
      const int32_t index = failure.offset / size;
      const int32_t length = failure.length / size;
      if (length <= 0) return "index " + std::to_string(index) + " of an empty array";
      return "index " + std::to_string(index) + " outside 0.." + std::to_string(length - 1);
    }
  }
  return "index out of range (byte " + std::to_string(failure.offset) + " of an array of " +
         std::to_string(failure.length) + " bytes)";
}

}  // namespace vylsim
