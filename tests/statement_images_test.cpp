// Statements and intrinsic calls compiled into whole images: the bytes of
// main's body, worked out by hand from the instruction encoding.
//
// Every program here is one import line and `void main()` on line 2, so the
// image starts the same way: the size word, the procedure table (start code,
// _Up, main), no constant pool, the start code 20 02 at 8, the top-level
// line marker 00 00 01, the start stub 40 00 60 02 20 03, main's name and
// its length 6D 61 69 6E 04, and at 24 main's own 20 02.  The body begins at
// 26; it ends before main's 21 03 (return, one word for the base) and _Up.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "harness.h"

namespace vyl {
namespace {

std::vector<int> Hex(std::string_view text) {
  std::vector<int> out;
  std::istringstream in{std::string(text)};
  std::string byte;
  while (in >> byte) out.push_back(std::stoi(byte, nullptr, 16));
  return out;
}

int Word(const std::vector<int>& image, std::size_t at) { return image.at(at) * 256 + image.at(at + 1); }

// The code of main's body: from after its 20 02 to before its 21 03, where
// main's entry word (0006) points at the last name byte and _Up's entry word
// (0004) 2 bytes into _Up.
std::vector<int> MainBody(const test::Compiled& c) {
  const std::vector<int>& image = c.image;
  if (image.size() < 8) return {};
  std::size_t from = static_cast<std::size_t>(Word(image, 6)) + 4;
  std::size_t to = static_cast<std::size_t>(Word(image, 4)) - 4;
  if (from > to || to > image.size()) return {};
  return {image.begin() + static_cast<std::ptrdiff_t>(from), image.begin() + static_cast<std::ptrdiff_t>(to)};
}

std::vector<int> BodyOf(std::string_view source) {
  test::Compiled c = test::CompileSource(source);
  EXPECT_EQ(c.status, 0) << c.output;
  return MainBody(c);
}

TEST(StatementImageTest, PokeWholeImage) {
  test::Compiled c = test::CompileSource("import Dangerous;\nvoid main() { POKE(100, 7); }\n");
  ASSERT_EQ(c.status, 0) << c.output;
  EXPECT_EQ(c.image, Hex("00 45 00 06 00 29 00 16"  // size 69, start code at 8, _Up, main
                         " 20 02"                   // the start code
                         " 00 00 01"                // the top-level line node
                         " 40 00 60 02 20 03"       // CALL main
                         " 6D 61 69 6E 04 20 02"    // "main", FRAME
                         " 00 00 02"                // the block's locals line
                         " 27 01 00 64 0D"          // 7, 100, STORE
                         " 00 00 02"                // the block's line
                         " 21 03"                   // RET
                         " 5F 55 70 03 20 02 40 00 C0 12 40 00 24 1D 04 0C 30 10 19 11 C0 06 04 0C 21 1C"
                         " 06 0D 20 03"));
}

TEST(StatementImageTest, WaitTakesTheSemaphoresAddress) {
  // s at frame offset 6: its address is the frame base + 6, then WAIT or
  // SIGNAL; a line marker follows each statement.
  EXPECT_EQ(BodyOf("import Semaphores;\nvoid main() { Semaphore s; Wait(s); Signal(s); }\n"),
            Hex("20 00 00 02 3F 02 26 1C 0B 00 00 02 3F 02 26 1C 0A 00 00 02"));
}

TEST(StatementImageTest, SeekPushesTheFileAndTheSector) {
  // LOADL f, 3, SYSOP 8 and its three drops.
  EXPECT_EQ(BodyOf("import Files;\nvoid main() { FileId f; Seek(f, 3); }\n"),
            Hex("20 00 00 02 40 03 23 28 09 05 05 05 00 00 02"));
}

TEST(StatementImageTest, MemoryMappedPeekLoadsThroughTheMapping) {
  // -16 is pushed as 16 NEG; MMAP LOAD; STOREL x.
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { int x; x = mmPEEK(-16); }\n"),
            Hex("20 00 00 02 30 10 0E 0C 50 03 00 00 02"));
}

TEST(StatementImageTest, MemoryMappedPokeStoresThroughTheMapping) {
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { mmPOKE(-16, 1); }\n"),
            Hex("00 00 02 21 30 10 0E 0D 00 00 02"));
}

TEST(StatementImageTest, ForkStartsAProcess) {
  // x at 6, p at 8.  LOADL p, then the fixed sequence whose constant is the
  // address of its own 60 00 (37 = 0x25), then 08; STOREL x.
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { int x; int p; x = FORK(p); }\n"),
            Hex("20 20 00 00 02"
                " 40 04"
                " 04 04 22 1C 60 00 01 00 25 1D 06 0D 04 26 1C 24 60 00 1C 06 0D 08"
                " 50 03 00 00 02"));
}

TEST(StatementImageTest, CocallRunsAnAddress) {
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { int p; COCALL(p); }\n"), Hex("20 00 00 02 40 03 08 00 00 02"));
}

TEST(StatementImageTest, SystemOperationTwoPushesItsFirstArgumentLast) {
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { int x; x = SysOp2(1, 2, 3); }\n"),
            Hex("20 00 00 02 22 23 21 2C 09 05 05 50 03 00 00 02"));
}

TEST(StatementImageTest, DebugStoresOneAtItsAddress) {
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { DEBUG(); }\n"), Hex("00 00 02 01 FF DA 21 06 0D 00 00 02"));
}

TEST(StatementImageTest, LengthOfAKnownLengthArrayIsAConstant) {
  // a is laid out with its header word (FFF0, as 16 NEG) and its length
  // word (10 bytes), then zeros for the elements, n and the word above.
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { int[5] a; int n; n = LENGTH(a); }\n"),
            Hex("30 10 2A 20 20 20 20 20 20 20 00 00 02 25 50 0A 00 00 02"));
}

TEST(StatementImageTest, LengthOfAStringReadsItsLengthWord) {
  // LOADL s, the null check, the word at -2 from the data, / 2; STOREL n;
  // at the end the reference in s is released.
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { String s; int n; n = LENGTH(s); }\n"),
            Hex("20 20 00 00 02"
                " 40 03 04 11 C0 02 21 09 3E 1C 0C 22 1F 05"
                " 50 04 00 00 02"
                " 40 03 23 09 05 05"));
}

TEST(StatementImageTest, ChrMasksAnIntegerToAChar) {
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { int x; char c; c = CHR(x); c = CHR(65); }\n"),
            Hex("20 20 00 00 02 40 03 01 00 FF 19 50 04 00 00 02 01 00 41 50 04 00 00 02"));
}

TEST(StatementImageTest, DoLoopContinuesOrLeavesAfterItsBody) {
  // x = x + 1, then x < 5 selects the continue (back to the body) or the
  // break (to just after the loop).
  EXPECT_EQ(BodyOf("import Dangerous;\nvoid main() { int x; do x = x + 1; while (x < 5); }\n"),
            Hex("20 00 00 02"
                " 40 03 21 1C 50 03"
                " 40 03 25 14 C0 04 BF F2 80 02 80 00"
                " 00 00 02"));
}

TEST(StatementImageTest, SwitchWithACaseAndADefault) {
  // The groups first (each break a jump to the exit), then the dispatch:
  // k = x - 1 checked against 0 and 0, the table of one entry, and the way
  // to the default that drops what the checks left.
  EXPECT_EQ(BodyOf("import Dangerous;\n"
                   "void main() { int x; switch (x) { case 1: x = 2; break; default: break; } }\n"),
            Hex("20 00 00 02"
                " 80 10"                                              // to the dispatch at 48
                " 00 00 02 22 50 03 00 00 02 80 1C"                   // case 1 at 32: x = 2; break
                " 00 00 02 80 17"                                     // default at 43: break
                " 40 03 21 1D 04 04 20 17 C0 09 20 16 C0 06 04 1C 0F"  // k = x - 1, in 0..0
                " BF DD"                                              // the table: case 1
                " 05 05 BF E4"                                        // out of range: drop, default
                " 00 00 02"));
}

}  // namespace
}  // namespace vyl
