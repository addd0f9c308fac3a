// Reading a program's layout back, and the disassembly listing.
#include <gtest/gtest.h>

#include <sstream>

#include "disassembler.h"
#include "layout.h"
#include "sim_test_support.h"

namespace vylsim::test {
namespace {

// Procedure table 0002..0005; tables "AB" at 000A and three bytes at 0012;
// start code 0015..001C; "inc" named at 001D, length byte 0020, code 0021.
Program tiny_program() {
  Program program;
  program.tables = {{0x00, 0x41, 0x00, 0x42}, {0x01, 0x02, 0x03}};
  program.start = {0x20, 0x02, 0x40, 0x00, 0x60, 0x01, 0x20, 0x03};
  program.procedures = {{"inc",
                         {0x20, 0x02, 0x4F, 0xFF, 0x21, 0x1C, 0x5F, 0xFE,  // 0021
                          0x00, 0x00, 0x03,                                // 0029 LINE 3
                          0x22, 0x03}}};                                   // 002C
  return program;
}

TEST(Layout, LineOfAnAddressIsTheMarkerThatEndsItsStatement) {
  Program program = tiny_program();
  program.procedures[0].second = {0x20, 0x02, 0x00, 0x00, 0x04,  // 0021, LINE 4 at 0023
                                  0x21, 0x00, 0x00, 0x07,        // 0026, LINE 7 at 0027
                                  0x22, 0x03};                   // 002A: the epilogue
  const Layout layout(program.image());
  EXPECT_EQ(layout.line_at(0x21), 4);
  EXPECT_EQ(layout.line_at(0x23), 4);
  EXPECT_EQ(layout.line_at(0x26), 7);
  EXPECT_EQ(layout.line_at(0x2B), 7);
  EXPECT_FALSE(layout.line_at(0x15).has_value());  // start code has no markers
  EXPECT_EQ(layout.procedure_at(0x2B)->name, "inc");
  EXPECT_EQ(layout.procedure_at(0x1C)->number, 0);
  EXPECT_EQ(layout.procedure_at(0x1E), nullptr);  // name bytes
}

bool has_line(const std::string& text, const std::string& line) {
  std::istringstream lines(text);
  for (std::string l; std::getline(lines, l);) {
    if (l == line) return true;
  }
  return false;
}

TEST(Disassembler, ListsSizeProceduresPoolAndCode) {
  std::ostringstream out;
  disassemble(tiny_program().image(), out);
  const std::string text = out.str();
  for (const char* line : {
           "size 002E (46 bytes)",
           "procedure table 0002..0005, 2 procedures",
           "  0    entry 0013  code 0015  (start)",
           "  1    entry 001F  code 0021  inc",
           "constant pool 0006..0014, 2 tables",
           "  table 000A, 4 bytes  \"AB\"",
           "    000A  00 41 00 42",
           "  table 0012, 3 bytes",
           "    0012  01 02 03",
           "procedure 0 (start)  0015..001C",
           "  0019  60 01     CALL 1                ; inc",
           "procedure 1 inc  0021..002D, name at 001D",
           "  0023  4F FF     LOADL -1",
           "  0029  00 00 03  LINE 3",
           "  002D  03        RET",
       }) {
    EXPECT_TRUE(has_line(text, line)) << "missing: " << line << "\nin:\n" << text;
  }
}

TEST(Disassembler, NamesCheckAndSystemSequences) {
  std::ostringstream out;
  disassemble(fragment_image({0x20, 0x07, 0x24, 0x07, 0x22, 0x09, 0x01, 0xFF, 0xF6}), out);
  const std::string text = out.str();
  EXPECT_TRUE(has_line(text, "  0005  07        INDEX                 ; byte store")) << text;
  EXPECT_TRUE(has_line(text, "  0007  07        INDEX                 ; element address and range check")) << text;
  EXPECT_TRUE(has_line(text, "  0009  09        SYSOP                 ; allocate")) << text;
  EXPECT_TRUE(has_line(text, "  000A  01 FF F6  LIT -10               ; FFF6")) << text;
}

}  // namespace
}  // namespace vylsim::test
