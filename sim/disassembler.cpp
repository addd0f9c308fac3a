#include "disassembler.h"

#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "debug_info.h"
#include "instruction.h"
#include "layout.h"
#include "source_file.h"

namespace vylsim {

namespace {

const char* const sysop_names[] = {"",     "trap",     "allocate", "release", "Open",   "Close", "Read",
                                   "Write", "Seek", "FileInfo", "SysOp0", "SysOp1", "SysOp2"};

std::string pad(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

std::string range(uint32_t from, uint32_t to) { return hex4(from) + ".." + hex4(to == 0 ? 0 : to - 1); }

// A table of 16-bit character codes reads back as a string literal.
std::optional<std::string> as_string(std::span<const uint8_t> image, const ConstantTable& table) {
  if (table.length == 0 || table.length % 2 != 0) return std::nullopt;
  std::string text = "\"";
  for (uint32_t a = table.address; a < uint32_t{table.address} + table.length; a += 2) {
    if (a + 1 >= image.size() || image[a] != 0) return std::nullopt;
    const char c = static_cast<char>(image[a + 1]);
    if (c == '\n') text += "\\n";
    else if (c == '\t') text += "\\t";
    else if (c == '"' || c == '\\') text += std::string("\\") + c;
    else if (c >= 0x20 && c < 0x7F) text += c;
    else return std::nullopt;
  }
  return text + "\"";
}

class Disassembler {
 public:
  Disassembler(std::span<const uint8_t> image, std::ostream& out, const DebugInfo* info, const SourceFile* source)
      : image_(image), layout_(image), out_(out), info_(info), source_(source) {}

  void run() {
    out_ << "size " << hex4(layout_.size()) << " (" << layout_.size() << " bytes)\n";
    procedure_table();
    constant_pool();
    for (const Procedure* procedure : layout_.by_address()) code(*procedure);
  }

 private:
  void procedure_table() {
    const auto& procedures = layout_.procedures();
    out_ << "\nprocedure table " << range(2, layout_.table_end()) << ", " << procedures.size() << " procedure"
         << (procedures.size() == 1 ? "" : "s") << "\n";
    for (const Procedure& procedure : procedures) {
      out_ << "  " << pad(std::to_string(procedure.number), 5) << "entry " << hex4(procedure.entry);
      if (!procedure.valid) {
        out_ << "  (outside the code)\n";
        continue;
      }
      out_ << "  code " << hex4(procedure.code_start) << "  "
           << (procedure.name.empty() ? "(no name)" : procedure.name) << "\n";
    }
  }

  void constant_pool() {
    const auto& tables = layout_.tables();
    out_ << "\nconstant pool " << range(layout_.table_end(), layout_.pool_end()) << ", " << tables.size()
         << " table" << (tables.size() == 1 ? "" : "s") << "\n";
    for (const ConstantTable& table : tables) {
      out_ << "  table " << hex4(table.address) << ", " << table.length << " bytes";
      if (auto text = as_string(image_, table)) out_ << "  " << *text;
      out_ << "\n";
      bytes(table.address, uint32_t{table.address} + table.length);
    }
    if (layout_.pool_end() < layout_.start_code()) {
      out_ << "  unrecognised bytes\n";
      bytes(layout_.pool_end(), layout_.start_code());
    }
  }

  void bytes(uint32_t from, uint32_t to) {
    for (uint32_t line = from; line < to; line += 16) {
      out_ << "    " << hex4(line) << " ";
      for (uint32_t a = line; a < to && a < line + 16; ++a) out_ << ' ' << hex2(a < image_.size() ? image_[a] : 0);
      out_ << "\n";
    }
  }

  void code(const Procedure& procedure) {
    out_ << "\nprocedure " << procedure.number << " " << (procedure.name.empty() ? "(no name)" : procedure.name)
         << "  " << range(procedure.code_start, procedure.code_end);
    if (procedure.name_start < procedure.code_start) out_ << ", name at " << hex4(procedure.name_start);
    out_ << "\n";
    std::optional<Instruction> previous;
    uint32_t address = procedure.code_start;
    while (address < procedure.code_end) {
      statements_at(address);
      const Instruction in = decode(image_, static_cast<uint16_t>(address));
      std::string text = "  " + hex4(address) + "  " + pad(format_bytes(in), 10) + format_operation(in);
      const std::string note = comment(in, previous);
      if (!note.empty()) text = pad(text, 40) + "; " + note;
      out_ << text << "\n";
      previous = in;
      address += in.length;
    }
  }

  // The statements whose code starts at `address`, enclosing ones first,
  // one line each: "; 12: total = total + p.value;".
  void statements_at(uint32_t address) {
    if (info_ == nullptr) return;
    int shown = 0;
    for (const DebugStatement& s : info_->statements) {
      if (s.begin != address || s.position.line == shown) continue;
      if (source_ == nullptr || !source_->available()) {
        out_ << "; " << s.position.line << "\n";
      } else {
        // A block's brace says nothing the statements in it do not.
        const std::string text = source_->statement_text(s);
        if (text == "{") continue;
        out_ << "; " << s.position.line << ": " << text << "\n";
      }
      shown = s.position.line;
    }
  }

  std::string comment(const Instruction& in, const std::optional<Instruction>& previous) const {
    const bool after_push = previous && previous->op == Op::Push;
    switch (in.op) {
      case Op::Lit:
        if (in.operand < 0) return hex4(static_cast<uint32_t>(in.operand));
        return "";
      case Op::Call: {
        if (in.operand == 0) return "push the next address";
        const auto& procedures = layout_.procedures();
        if (static_cast<size_t>(in.operand) >= procedures.size()) return "no such procedure";
        const std::string& name = procedures[static_cast<size_t>(in.operand)].name;
        return name.empty() ? "" : name;
      }
      case Op::Index:
        if (after_push && previous->operand == 0) return "byte store";
        return "element address and range check";
      case Op::Sysop:
        if (after_push && previous->operand >= 1 && previous->operand <= 12) return sysop_names[previous->operand];
        return "";
      case Op::JumpX: return "jump table follows";
      default: return "";
    }
  }

  std::span<const uint8_t> image_;
  Layout layout_;
  std::ostream& out_;
  const DebugInfo* info_;
  const SourceFile* source_;
};

}  // namespace

void disassemble(const std::vector<uint8_t>& image, std::ostream& out, const DebugInfo* info,
                 const SourceFile* source) {
  Disassembler(image, out, info, source).run();
}

}  // namespace vylsim
