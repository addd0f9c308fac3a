// Whole programs: the code of their expressions and variable accesses, byte
// by byte.  Each expected byte is derived from the trees the expression
// rules build and the instruction encoding (LOADL n = 4n nn for frame word
// n, a negative frame offset v taken as v + 8192; PUSHS 0..27 = 20..3B,
// -4..-1 = 3C..3F; LIT = 01 hh ll).
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "harness.h"

namespace vyl {
namespace {

using test::Compiled;
using test::CompileSource;

std::vector<int> Bytes(std::initializer_list<std::vector<int>> groups) {
  std::vector<int> out;
  for (auto g : groups) out.insert(out.end(), g.begin(), g.end());
  return out;
}

// Where a function's code starts: after its name bytes and their count.
std::size_t CodeStart(const std::vector<int>& image, const std::string& name) {
  std::vector<int> key(name.begin(), name.end());
  key.push_back(static_cast<int>(name.size()));
  auto it = std::search(image.begin(), image.end(), key.begin(), key.end());
  EXPECT_NE(it, image.end()) << name;
  return it == image.end() ? image.size() : static_cast<std::size_t>(it - image.begin()) + key.size();
}

std::vector<int> From(const std::vector<int>& image, std::size_t at, std::size_t count) {
  if (at >= image.size()) return {};
  return {image.begin() + static_cast<std::ptrdiff_t>(at),
          image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), at + count))};
}

// The code of the statement that starts on `line` within a function: the
// bytes between the line marker 00 00 line and the next marker 00 00 line+1.
std::vector<int> Statement(const std::vector<int>& image, const std::string& function, int line) {
  std::size_t start = CodeStart(image, function);
  std::vector<int> open = {0, 0, line}, close = {0, 0, line + 1};
  auto from = std::search(image.begin() + static_cast<std::ptrdiff_t>(std::min(start, image.size())), image.end(),
                          open.begin(), open.end());
  if (from == image.end()) return {-1};
  from += 3;
  auto to = std::search(from, image.end(), close.begin(), close.end());
  return {from, to};
}

// Operators on two int parameters: x at frame offset -4 (LOADL 4F FE), y
// at -2 (4F FF); the locals r at 6 (word 3) and b at 8 (word 4).
TEST(ExpressionCodeTest, OperatorsOnParameters) {
  Compiled c = CompileSource(
      "void f(int x, int y) {\r\n"                   // 1
      "  int r;\r\n"                                 // 2
      "  boolean b;\r\n"                             // 3
      "  r = x * 4 + (y & 255) / 2 - 1;\r\n"         // 4
      "  r = 2 + 3 * 4;\r\n"                         // 5
      "  r = x % 7 - -x;\r\n"                        // 6
      "  b = x < 5 || y == 0;\r\n"                   // 7
      "  b = true || x < 5;\r\n"                     // 8
      "  b = !b && x >= y;\r\n"                      // 9
      "  r = ~x << 3 | y >> 2;\r\n"                  // 10
      "  r = 70000 * 70000;\r\n"                     // 11
      "}\r\n"                                        // 12
      "void main() { f(1, 2); }\r\n");               // 13
  ASSERT_EQ(c.status, 0) << c.output;
  std::vector<int> expected = Bytes({
      {0x20, 0x02},                    // enter
      {0x20, 0x20},                    // r and b: two zero words
      {0x00, 0x00, 4},                 // line 4
      {0x4F, 0xFE, 0x24, 0x1E},        // x * 4
      {0x4F, 0xFF, 0x01, 0x00, 0xFF},  // y, 255
      {0x19, 0x22, 0x1F, 0x05},        // &, 2, DIVMOD, keep the quotient
      {0x1C, 0x21, 0x1D},              // +, 1, -
      {0x50, 0x03},                    // STOREL r
      {0x00, 0x00, 5},
      {0x2E, 0x50, 0x03},  // 14, folded
      {0x00, 0x00, 6},
      {0x4F, 0xFE, 0x27, 0x1F, 0x06, 0x05},  // x % 7: DIVMOD, keep the remainder
      {0x4F, 0xFE, 0x10, 0x1D},              // - -x
      {0x50, 0x03},
      {0x00, 0x00, 7},
      {0x4F, 0xFE, 0x25, 0x14},  // x < 5
      {0x4F, 0xFF, 0x11},        // y == 0 is NOT y
      {0x1A, 0x50, 0x04},        // ||, STOREL b
      {0x00, 0x00, 8},
      {0x21, 0x50, 0x04},  // true || ... is true: x < 5 is not evaluated
      {0x00, 0x00, 9},
      {0x40, 0x04, 0x11},              // !b
      {0x4F, 0xFE, 0x4F, 0xFF, 0x17},  // x >= y
      {0x19, 0x50, 0x04},              // &&
      {0x00, 0x00, 10},
      {0x4F, 0xFE, 0x3F, 0x1B},        // ~x is x XOR -1
      {0x23, 0x18},                    // << 3
      {0x4F, 0xFF, 0x22, 0x10, 0x18},  // y >> 2: the count negated
      {0x1A, 0x50, 0x03},
      {0x00, 0x00, 11},
      {0x01, 0x11, 0x70, 0x01, 0x11, 0x70, 0x1E},  // 70000 does not fold: 16 bits of it, twice
      {0x50, 0x03},
      {0x00, 0x00, 12},
      {0x23, 0x03},  // return: 2 parameters + 1
  });
  EXPECT_EQ(From(c.image, CodeStart(c.image, "f"), expected.size()), expected);
}

// Arrays of any length and objects reached through parameters: s at -6
// (4F FD), i at -4 (4F FE), p at -2 (4F FF); r at 6.
TEST(ExpressionCodeTest, ReferencesArraysAndObjects) {
  Compiled c = CompileSource(
      "class P { int x; int y; }\r\n"        // 1
      "void g(int[] s, int i, P p) {\r\n"    // 2
      "  int r;\r\n"                         // 3
      "  r = s[i];\r\n"                      // 4
      "  r = s[2] + p.y;\r\n"                // 5
      "  p = new P();\r\n"                   // 6
      "  s = new int[i];\r\n"                // 7
      "  s = new int[3];\r\n"                // 8
      "}\r\n"                                // 9
      "void main() { }\r\n");                // 10
  ASSERT_EQ(c.status, 0) << c.output;
  std::vector<int> expected = Bytes({
      {0x20, 0x02, 0x20},  // enter; r
      {0x00, 0x00, 4},     // at 3
      // s[i]: the reference s checked against null (the full check records
      // its trap tail 21 09 at 12), i scaled, the limit -2 (the length is
      // read at run time), the range check jumping to that tail.
      {0x4F, 0xFD, 0x04, 0x11, 0xC0, 0x02, 0x21, 0x09},  // 6
      {0x4F, 0xFE, 0x22, 0x1E, 0x3E},                    // 14
      {0x07, 0xFF, 0xF6},                                // 19: JUMPZ 12 - 22 = -10
      {0x0C, 0x50, 0x03},                                // 22
      {0x00, 0x00, 5},                                   // 25
      // s[2]: the constant index scaled at once (4).
      {0x4F, 0xFD, 0x04, 0xFF, 0xEB},  // 28: null check, JUMPZ 12 - 33 = -21
      {0x24, 0x3E, 0x07, 0xFF, 0xE6},  // 33: JUMPZ at 36, 12 - 38 = -26
      {0x0C},                          // 38
      {0x4F, 0xFF, 0x22, 0x1C, 0x0C},  // p.y: the object's address + 2
      {0x1C, 0x50, 0x03},
      {0x00, 0x00, 6},
      // new P(): 4 bytes allocated; the old reference released, the new
      // one taken, stored.
      {0x24, 0x22, 0x09, 0x05},
      {0x4F, 0xFF, 0x23, 0x09, 0x05, 0x05, 0x60, 0x01, 0x5F, 0xFF},
      {0x00, 0x00, 7},
      {0x4F, 0xFE, 0x22, 0x1E, 0x22, 0x09, 0x05},  // new int[i]: i * 2 bytes
      {0x4F, 0xFD, 0x23, 0x09, 0x05, 0x05, 0x60, 0x01, 0x5F, 0xFD},
      {0x00, 0x00, 8},
      {0x26, 0x22, 0x09, 0x05},  // new int[3]: 6 bytes
      {0x4F, 0xFD, 0x23, 0x09, 0x05, 0x05, 0x60, 0x01, 0x5F, 0xFD},
      {0x00, 0x00, 9},
  });
  EXPECT_EQ(From(c.image, CodeStart(c.image, "g"), expected.size()), expected);
}

// Arrays stored in the frame, each after its header and length words; the
// newest is laid out first: m (int[3][4], 24 bytes) at 10 after its words
// at 6 and 8, bs (byte[4]) at 38 after its words at 34 and 36.  A byte
// argument is shifted into the high byte of its word, where the callee's
// byte load of its parameter slot reads it.
TEST(ExpressionCodeTest, ArraysInTheFrameAndByteArguments) {
  Compiled c = CompileSource(
      "void k(byte v, int w) { }\r\n"              // 1
      "void main() {\r\n"                          // 2
      "  byte[4] bs;\r\n"                          // 3
      "  int[3][4] m;\r\n"                         // 4
      "  k(bs[1], m[2][1]);\r\n"                   // 5
      "  k(bs[ORD(bs[0]) & 3], m[bs[0]][1]);\r\n"  // 6
      "}\r\n");                                    // 7
  ASSERT_EQ(c.status, 0) << c.output;
  const std::vector<int> byteTail = {0x21, 0x1D, 0x0C, 0x01, 0x00, 0xFF, 0x19};  // load at address - 1, AND 255
  const std::vector<int> bsBase = {0x3F, 0x02, 0x01, 0x00, 0x26, 0x1C};         // frame base + 38
  std::vector<int> expected = Bytes({
      {0x3F, 0x02, 0x01, 0x00, 0x27, 0x1C},  // bs[1]: frame base + 39
      byteTail,
      {0x28, 0x18},                    // << 8
      {0x3F, 0x02, 0x38, 0x1C, 0x0C},  // m[2][1]: frame base + 10 + 12 + 2
      {0x40, 0x00, 0x60, 0x02},        // the base word, CALL k
  });
  EXPECT_EQ(Statement(c.image, "main", 5), expected);

  std::vector<int> bs0 = Bytes({bsBase, byteTail});
  expected = Bytes({
      // bs[ORD(bs[0]) & 3]: the index lies in 0..3, no check, no scaling.
      bsBase,
      bs0,
      {0x23, 0x19, 0x1C},
      byteTail,
      {0x28, 0x18},
      // m[bs[0]][1]: a byte index may exceed 3: checked against 24 bytes.
      {0x3F, 0x02, 0x2A, 0x1C},
      bs0,
      {0x26, 0x1E, 0x38},
      {0x07, 0x11, 0xC0, 0x02, 0x21, 0x09},
      {0x22, 0x1C, 0x0C},
      {0x40, 0x00, 0x60, 0x02},
  });
  EXPECT_EQ(Statement(c.image, "main", 6), expected);
}

// Globals are reached from frame word 0 (40 00): name (byte[3]) at 10
// after its header and length words, g at 14.
TEST(ExpressionCodeTest, GlobalsAsIndexAndByteArgument) {
  Compiled c = CompileSource(
      "byte[3] name;\r\n"                 // 1
      "int g;\r\n"                        // 2
      "void show(byte v, int w) { }\r\n"  // 3
      "void main() {\r\n"                 // 4
      "  show(name[g & 1], 49);\r\n"      // 5
      "  show(name[0], 50);\r\n"          // 6
      "}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  std::vector<int> expected = Bytes({
      {0x40, 0x00, 0x2A, 0x1C},                    // name: base + 10
      {0x40, 0x00, 0x2E, 0x1C, 0x0C, 0x21, 0x19},  // g & 1
      {0x1C},
      {0x21, 0x1D, 0x0C, 0x01, 0x00, 0xFF, 0x19},  // byte load
      {0x28, 0x18},                                // << 8
      {0x01, 0x00, 0x31},                          // 49
      {0x40, 0x00, 0x60, 0x02},
  });
  EXPECT_EQ(Statement(c.image, "main", 5), expected);
  expected = Bytes({
      {0x40, 0x00, 0x2A, 0x1C},
      {0x21, 0x1D, 0x0C, 0x01, 0x00, 0xFF, 0x19},
      {0x28, 0x18},
      {0x01, 0x00, 0x32},
      {0x40, 0x00, 0x60, 0x02},
  });
  EXPECT_EQ(Statement(c.image, "main", 6), expected);
}

// Device registers, a constant table and addresses.  main is procedure 2,
// so the pool starts at 8: the table's header FF F0, its length 6, its
// items from 12 (0C).  The start code lies at 18..28 and main's name at
// 29..33, so main's code starts at 34 (22 hex).
TEST(ExpressionCodeTest, DevicesTablesAndAddresses) {
  Compiled c = CompileSource(
      "import Hardware;\r\n"              // 1
      "import Dangerous;\r\n"             // 2
      "final int[3] T = {7, 8, 9};\r\n"   // 3
      "void main() {\r\n"                 // 4
      "  int r;\r\n"                      // 5
      "  r = Video.left;\r\n"             // 6
      "  r = T[1] + T[r & 1];\r\n"        // 7
      "  r = &r;\r\n"                     // 8
      "  r = &T;\r\n"                     // 9
      "}\r\n");                           // 10
  ASSERT_EQ(c.status, 0) << c.output;
  EXPECT_EQ(From(c.image, 8, 10), (std::vector<int>{0xFF, 0xF0, 0x00, 0x06, 0x00, 0x07, 0x00, 0x08, 0x00, 0x09}));
  ASSERT_EQ(CodeStart(c.image, "main"), 0x22u);
  // Video.left is the word at FFE0 + 2.
  EXPECT_EQ(Statement(c.image, "main", 6), (std::vector<int>{0x01, 0xFF, 0xE2, 0x0C, 0x50, 0x03}));
  // A table's address is computed from the address after 60 00: at 31 it
  // is 33 - 39 = 12 (0C); at 3A, 3C - 48.
  std::vector<int> expected = Bytes({
      {0x60, 0x00, 0x01, 0x00, 0x27, 0x1D, 0x22, 0x1C, 0x0C},        // T[1]: the table + 2
      {0x60, 0x00, 0x01, 0x00, 0x30, 0x1D},                          // T[r & 1]: the table ...
      {0x40, 0x03, 0x21, 0x19, 0x22, 0x1E, 0x1C, 0x0C},              // ... + (r & 1) * 2, unchecked
      {0x1C, 0x50, 0x03},
  });
  EXPECT_EQ(Statement(c.image, "main", 7), expected);
  EXPECT_EQ(Statement(c.image, "main", 8), (std::vector<int>{0x3F, 0x02, 0x26, 0x1C, 0x50, 0x03}));  // frame + 6
  EXPECT_EQ(Statement(c.image, "main", 9), (std::vector<int>{0x60, 0x00, 0x01, 0x00, 0x4D, 0x1D, 0x50, 0x03}));
}

// Calls as operands: a result word is pushed before the arguments; an
// operand that a logical operator folds away is not called.  sq is
// procedure 2, no is 3; r is at 6 (word 3), b at 8 (word 4).
TEST(ExpressionCodeTest, CallsInExpressions) {
  Compiled c = CompileSource(
      "int sq(int v) {\r\n"          // 1
      "  return v * v;\r\n"          // 2
      "}\r\n"                        // 3
      "boolean no() {\r\n"           // 4
      "  return false;\r\n"          // 5
      "}\r\n"                        // 6
      "void main() {\r\n"            // 7
      "  int r;\r\n"                 // 8
      "  boolean b;\r\n"             // 9
      "  r = sq(3) + 1;\r\n"         // 10
      "  b = true || no();\r\n"      // 11
      "  b = no() && r < 2;\r\n"     // 12
      "}\r\n");                      // 13
  ASSERT_EQ(c.status, 0) << c.output;
  EXPECT_EQ(Statement(c.image, "main", 10),
            (std::vector<int>{0x20, 0x23, 0x40, 0x00, 0x60, 0x02, 0x21, 0x1C, 0x50, 0x03}));
  EXPECT_EQ(Statement(c.image, "main", 11), (std::vector<int>{0x21, 0x50, 0x04}));
  EXPECT_EQ(Statement(c.image, "main", 12),
            (std::vector<int>{0x20, 0x40, 0x00, 0x60, 0x03, 0x40, 0x03, 0x22, 0x14, 0x19, 0x50, 0x04}));
}

TEST(ExpressionCodeTest, MessagesReachTheOutput) {
  Compiled c = CompileSource(
      "void main() {\r\n"
      "  int x;\r\n"
      "  x = x / 0;\r\n"
      "}\r\n");
  EXPECT_TRUE(c.hasLine("Divide by zero")) << c.output;
  c = CompileSource(
      "void f(int[] s) { }\r\n"
      "void main() {\r\n"
      "  int[4] a;\r\n"
      "  f(a);\r\n"
      "}\r\n");
  EXPECT_TRUE(c.hasLine("Invalid expression value")) << c.output;
  c = CompileSource(
      "import Dangerous;\r\n"
      "int f() { return 1; }\r\n"
      "void main() {\r\n"
      "  int r;\r\n"
      "  r = &f();\r\n"
      "}\r\n");
  EXPECT_TRUE(c.hasLine("Can't get address of that")) << c.output;
  c = CompileSource(
      "int f() { return 1; }\r\n"
      "void main() {\r\n"
      "  int r;\r\n"
      "  r = &r;\r\n"
      "}\r\n");
  EXPECT_TRUE(c.hasLine("Import 'Dangerous' to use this")) << c.output;
}

}  // namespace
}  // namespace vyl
