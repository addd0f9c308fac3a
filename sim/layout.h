// The structure of a loaded program, read back from its memory image.
//
//   0000          program size
//   0002 + 2n     entry word of procedure n (0 = start code, 1 = _Up)
//   ...           constant pool: tables of FF F0, length word, elements
//   word[2] + 2   start code, then each procedure as name bytes, one length
//                 byte and the code; an entry word is its code address - 2.
//
// The analysis never fails: it describes what it can recognise, so that the
// disassembler can show a damaged image and the machine can still name the
// procedure and source line of any address.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vylsim {

struct Procedure {
  int number = 0;
  uint16_t entry = 0;       // the entry word from the procedure table
  std::string name;         // "(start)" for procedure 0, empty when unreadable
  uint16_t name_start = 0;  // first name byte; equals code_start when there is no name
  uint16_t code_start = 0;  // entry + 2
  uint16_t code_end = 0;    // one past the last code byte
  bool valid = false;       // its code lies inside the image
};

struct ConstantTable {
  uint16_t header = 0;   // address of the FF F0 word
  uint16_t address = 0;  // address of the first element (what the code uses)
  uint16_t length = 0;   // bytes of elements
};

struct LineMarker {
  uint16_t address = 0;
  uint16_t line = 0;
};

class Layout {
 public:
  explicit Layout(std::span<const uint8_t> image);

  uint16_t size() const { return size_; }
  uint16_t table_end() const { return table_end_; }  // one past the procedure table
  uint16_t pool_end() const { return pool_end_; }    // one past the last constant table
  uint16_t start_code() const { return start_code_; }
  const std::vector<Procedure>& procedures() const { return procedures_; }
  const std::vector<ConstantTable>& tables() const { return tables_; }
  const std::vector<LineMarker>& markers() const { return markers_; }

  // Valid procedures in the order their code lies in the image.
  std::vector<const Procedure*> by_address() const;

  // The procedure whose code holds `address`, if any.
  const Procedure* procedure_at(uint16_t address) const;

  // The source line of the statement that `address` belongs to. A statement's
  // code is followed by its LINE marker, so this is the line of the first
  // marker at or after the address within its procedure; in code after the
  // last marker (the procedure's epilogue) it is the last marker's line.
  std::optional<uint16_t> line_at(uint16_t address) const;

 private:
  void read_procedure_table(std::span<const uint8_t> image);
  void read_constant_pool(std::span<const uint8_t> image);
  void read_procedure_names(std::span<const uint8_t> image);
  void find_code_ranges();
  void find_line_markers(std::span<const uint8_t> image);

  uint16_t size_ = 0;
  uint16_t table_end_ = 2;
  uint16_t pool_end_ = 2;
  uint16_t start_code_ = 0;
  std::vector<Procedure> procedures_;
  std::vector<ConstantTable> tables_;
  std::vector<LineMarker> markers_;  // in address order
};

}  // namespace vylsim
