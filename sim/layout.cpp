#include "layout.h"

#include <algorithm>

#include "instruction.h"

namespace vylsim {

namespace {

constexpr uint16_t constant_header = 0xFFF0;

uint32_t byte_at(std::span<const uint8_t> image, uint32_t address) {
  return address < image.size() ? image[address] : 0;
}

uint32_t word_at(std::span<const uint8_t> image, uint32_t address) {
  return (byte_at(image, address) << 8) | byte_at(image, address + 1);
}

bool is_name_char(uint32_t c) { return c > 0x20 && c < 0x7F; }

}  // namespace

Layout::Layout(std::span<const uint8_t> image) {
  size_ = static_cast<uint16_t>(std::min<size_t>(word_at(image, 0), image.size()));
  start_code_ = static_cast<uint16_t>(word_at(image, 2) + 2);
  read_procedure_table(image);
  read_constant_pool(image);
  read_procedure_names(image);
  find_code_ranges();
  find_line_markers(image);
}

// The table runs from 0002 up to the constant pool, whose first word is FF F0,
// or, when there is no pool, up to the start code. Entry words are addresses
// inside the image, so an entry never reads as FF F0.
void Layout::read_procedure_table(std::span<const uint8_t> image) {
  const uint32_t limit = std::min<uint32_t>(start_code_, size_);
  uint32_t address = 2;
  do {
    Procedure procedure;
    procedure.number = static_cast<int>(procedures_.size());
    procedure.entry = static_cast<uint16_t>(word_at(image, address));
    procedures_.push_back(procedure);
    address += 2;
  } while (address + 2 <= limit && word_at(image, address) != constant_header);
  table_end_ = static_cast<uint16_t>(address);
}

void Layout::read_constant_pool(std::span<const uint8_t> image) {
  uint32_t address = table_end_;
  while (address + 4 <= start_code_ && word_at(image, address) == constant_header) {
    ConstantTable table;
    table.header = static_cast<uint16_t>(address);
    table.address = static_cast<uint16_t>(address + 4);
    table.length = static_cast<uint16_t>(word_at(image, address + 2));
    if (address + 4 + table.length > start_code_) break;  // not a table after all
    tables_.push_back(table);
    address += 4u + table.length;
  }
  pool_end_ = static_cast<uint16_t>(address);
}

// Procedure 0 follows the pool directly and has no name. Every other
// procedure's entry word points at the last name character; the length byte
// follows it and the code follows the length byte.
void Layout::read_procedure_names(std::span<const uint8_t> image) {
  for (Procedure& procedure : procedures_) {
    procedure.code_start = static_cast<uint16_t>(procedure.entry + 2);
    procedure.name_start = procedure.code_start;
    if (procedure.code_start < start_code_ || procedure.code_start >= size_) continue;
    procedure.valid = true;
    if (procedure.number == 0) {
      procedure.name = "(start)";
      continue;
    }
    const uint32_t length = byte_at(image, procedure.entry + 1u);
    const uint32_t name_end = procedure.entry + 1u;  // the length byte
    if (length == 0 || length > name_end || name_end - length < start_code_) continue;
    std::string name;
    for (uint32_t a = name_end - length; a < name_end; ++a) {
      if (!is_name_char(byte_at(image, a))) {
        name.clear();
        break;
      }
      name += static_cast<char>(byte_at(image, a));
    }
    if (name.empty()) continue;
    procedure.name = name;
    procedure.name_start = static_cast<uint16_t>(name_end - length);
  }
}

// Each procedure's code ends where the next one's name begins.
void Layout::find_code_ranges() {
  std::vector<const Procedure*> order = by_address();
  for (size_t i = 0; i < order.size(); ++i) {
    Procedure& procedure = procedures_[static_cast<size_t>(order[i]->number)];
    uint16_t end = size_;
    for (size_t j = i + 1; j < order.size(); ++j) {
      if (order[j]->code_start == procedure.code_start) continue;  // shared entry
      end = std::max(order[j]->name_start, procedure.code_start);
      break;
    }
    procedure.code_end = end;
  }
}

void Layout::find_line_markers(std::span<const uint8_t> image) {
  for (const Procedure* procedure : by_address()) {
    uint32_t address = procedure->code_start;
    while (address < procedure->code_end) {
      const Instruction in = decode(image, static_cast<uint16_t>(address));
      if (in.op == Op::Line) {
        markers_.push_back({static_cast<uint16_t>(address), static_cast<uint16_t>(in.operand)});
      }
      address += in.length;
    }
  }
  std::sort(markers_.begin(), markers_.end(),
            [](const LineMarker& a, const LineMarker& b) { return a.address < b.address; });
  markers_.erase(std::unique(markers_.begin(), markers_.end(),
                             [](const LineMarker& a, const LineMarker& b) { return a.address == b.address; }),
                 markers_.end());
}

std::vector<const Procedure*> Layout::by_address() const {
  std::vector<const Procedure*> order;
  for (const Procedure& procedure : procedures_) {
    if (procedure.valid) order.push_back(&procedure);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Procedure* a, const Procedure* b) { return a->code_start < b->code_start; });
  return order;
}

const Procedure* Layout::procedure_at(uint16_t address) const {
  const Procedure* found = nullptr;
  for (const Procedure& procedure : procedures_) {
    if (!procedure.valid || address < procedure.code_start || address >= procedure.code_end) continue;
    if (found == nullptr || procedure.number < found->number) found = &procedure;
  }
  return found;
}

std::optional<uint16_t> Layout::line_at(uint16_t address) const {
  const Procedure* procedure = procedure_at(address);
  if (procedure == nullptr) return std::nullopt;
  auto next = std::lower_bound(markers_.begin(), markers_.end(), address,
                               [](const LineMarker& m, uint16_t a) { return m.address < a; });
  if (next != markers_.end() && next->address < procedure->code_end) return next->line;
  if (next != markers_.begin()) {
    auto previous = std::prev(next);
    if (previous->address >= procedure->code_start) return previous->line;
  }
  return std::nullopt;
}

}  // namespace vylsim
