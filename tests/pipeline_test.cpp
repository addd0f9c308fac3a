// Whole compilations: the images of small programs derived byte by byte,
// the layout of the output file, the symbol listings and the directives.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "codegen/codegen.h"
#include "decl/decl.h"
#include "harness.h"

namespace vyl {
namespace {

using test::Compiled;
using test::CompileSource;

// The support routine _Up as it follows every program: name bytes "_U",
// then 'p' and the length 3 (the entry word of procedure 1 points at the
// 'p'), then its code.
const std::vector<int> kUp = {0x5F, 0x55, 0x70, 0x03, 0x20, 0x02, 0x40, 0x00, 0xC0, 0x12, 0x40, 0x00, 0x24, 0x1D, 0x04,
                              0x0C, 0x30, 0x10, 0x19, 0x11, 0xC0, 0x06, 0x04, 0x0C, 0x21, 0x1C, 0x06, 0x0D, 0x20, 0x03};

std::vector<int> Bytes(std::initializer_list<std::initializer_list<int>> groups) {
  std::vector<int> out;
  for (auto g : groups) out.insert(out.end(), g.begin(), g.end());
  return out;
}

// A comment line and an empty main.
//
// main is procedure 2; drawing one more number gives N = 3, so the
// procedure table covers 0002..0007 and the (empty) pool and the start
// code begin at 2 + 2N = 8.  The top-level statements are a `zz` of 0
// words under a line node decorated with the line before the first
// declaration (1).
TEST(PipelineImageTest, CommentAndEmptyMain) {
  Compiled c = CompileSource("// the smallest program\r\nvoid main() {\r\n}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  std::vector<int> expected = Bytes({
      {0x00, 0x3D},                          // 0000 size: 61
      {0x00, 0x06},                          // 0002 start code at 8, entry word 8 - 2
      {0x00, 0x21},                          // 0004 _Up: entry word 33 (its 'p')
      {0x00, 0x16},                          // 0006 main: entry word 22 (its 'n')
      {0x20, 0x02},                          // 0008 start code: push 0, FRAME
      {0x00, 0x00, 0x01},                    // 000A LINE 1: the top-level statements
      {0x40, 0x00, 0x60, 0x02, 0x20, 0x03},  // 000D stub: LOADL 0, CALL 2 (main), push 0, RET
      {'m', 'a', 'i', 'n', 4},               // 0013 name and length
      {0x20, 0x02},                          // 0018 main: push 0, FRAME
      {0x00, 0x00, 0x03},                    // 001A LINE 3: the block up to its "}"
      {0x21, 0x03},                          // 001D push 1 (no parameters + 1), RET
  });
  expected.insert(expected.end(), kUp.begin(), kUp.end());  // 001F
  EXPECT_EQ(c.image, expected);
}

// A global, a second function called from main, a while loop with break.
TEST(PipelineImageTest, GlobalCallWhileAndBreak) {
  Compiled c = CompileSource(
      "// B\r\n"                           // 1
      "int count;\r\n"                     // 2
      "void tick() {\r\n"                  // 3
      "  count = count + 1;\r\n"           // 4
      "}\r\n"                              // 5
      "void main() {\r\n"                  // 6
      "  while (count < 3) {\r\n"          // 7
      "    tick();\r\n"                    // 8
      "    if (count == 2) break;\r\n"     // 9
      "  }\r\n"                            // 10
      "}\r\n");                            // 11
  ASSERT_EQ(c.status, 0) << c.output;
  // tick is procedure 2, main 3, N = 4: the start code is at 10.  count
  // is the global at offset 6 of the start code's frame, pushed by a `zz`
  // of one word; it is read as LOADL 0, 6, ADD, LOAD.
  std::vector<int> expected = Bytes({
      {0x00, 0x88},                                      // 0000 size: 136
      {0x00, 0x08},                                      // 0002 start code at 10
      {0x00, 0x6C},                                      // 0004 _Up: 108
      {0x00, 0x19},                                      // 0006 tick: 25
      {0x00, 0x34},                                      // 0008 main: 52
      {0x20, 0x02},                                      // 000A start code
      {0x20},                                            // 000C zz 1: the slot of count
      {0x00, 0x00, 0x01},                                // 000D LINE 1
      {0x40, 0x00, 0x60, 0x03, 0x20, 0x03},              // 0010 stub: CALL 3 (main)
      {'t', 'i', 'c', 'k', 4},                           // 0016
      {0x20, 0x02},                                      // 001B tick
      {0x00, 0x00, 0x04},                                // 001D LINE 4 (the "{" marker, moved on)
      {0x40, 0x00, 0x26, 0x1C, 0x0C, 0x21, 0x1C},        // 0020 count + 1
      {0x40, 0x00, 0x26, 0x1C, 0x0D},                    // 0027 store into count
      {0x00, 0x00, 0x05},                                // 002C LINE 5
      {0x21, 0x03},                                      // 002F RET
      {'m', 'a', 'i', 'n', 4},                           // 0031
      {0x20, 0x02},                                      // 0036 main
      {0x00, 0x00, 0x07},                                // 0038 LINE 7
      {0x40, 0x00, 0x26, 0x1C, 0x0C, 0x23, 0x14},        // 003B loop: count < 3
      {0xC0, 0x1D},                                      // 0042 JUMPZ 0061 (the exit)
      {0x00, 0x00, 0x08},                                // 0044 LINE 8
      {0x40, 0x00, 0x60, 0x02},                          // 0047 tick()
      {0x00, 0x00, 0x09},                                // 004B LINE 9
      {0x40, 0x00, 0x26, 0x1C, 0x0C, 0x22, 0x12},        // 004E count == 2
      {0xC0, 0x05},                                      // 0055 JUMPZ 005C
      {0x00, 0x00, 0x09},                                // 0057 LINE 9 (after the condition)
      {0x80, 0x09},                                      // 005A break: JUMP 0065
      {0x00, 0x00, 0x0A},                                // 005C LINE 10
      {0x80, 0x02},                                      // 005F JUMP 0063 over the else part
      {0x80, 0x02},                                      // 0061 else: leave the loop, JUMP 0065
      {0xBF, 0xD6},                                      // 0063 JUMP 003B: repeat
      {0x00, 0x00, 0x0B},                                // 0065 LINE 11
      {0x21, 0x03},                                      // 0068 RET
  });
  expected.insert(expected.end(), kUp.begin(), kUp.end());  // 006A
  EXPECT_EQ(c.image, expected);
}

// A constant table, a function with a parameter and a result, an
// initialised local.
TEST(PipelineImageTest, TableParameterResultAndInitialisedLocal) {
  Compiled c = CompileSource(
      "// C\r\n"                           // 1
      "final int[] t = {7, 9};\r\n"        // 2
      "int twice(int v) {\r\n"             // 3
      "  return v + v;\r\n"                // 4
      "}\r\n"                              // 5
      "void main() {\r\n"                  // 6
      "  int r = twice(t[1]);\r\n"         // 7
      "}\r\n");                            // 8
  ASSERT_EQ(c.status, 0) << c.output;
  // twice is procedure 2, main 3, N = 4: the pool starts at 10 with the
  // table of t, whose address is its first item, 14.  v is the one
  // parameter at -2 (frame word 8191 of 13 bits), the result slot below it
  // at -4.  r is main's first local, at 6, pushed by its initialisation.
  std::vector<int> expected = Bytes({
      {0x00, 0x71},                                      // 0000 size: 113
      {0x00, 0x10},                                      // 0002 start code at 18
      {0x00, 0x55},                                      // 0004 _Up: 85
      {0x00, 0x21},                                      // 0006 twice: 33
      {0x00, 0x39},                                      // 0008 main: 57
      {0xFF, 0xF0, 0x00, 0x04, 0x00, 0x07, 0x00, 0x09},  // 000A table t: header, length 4, 7, 9
      {0x20, 0x02},                                      // 0012 start code
      {0x00, 0x00, 0x01},                                // 0014 LINE 1 (nothing to push)
      {0x40, 0x00, 0x60, 0x03, 0x20, 0x03},              // 0017 stub: CALL 3 (main)
      {'t', 'w', 'i', 'c', 'e', 5},                      // 001D
      {0x20, 0x02},                                      // 0023 twice
      {0x00, 0x00, 0x04},                                // 0025 LINE 4
      {0x4F, 0xFF, 0x4F, 0xFF, 0x1C},                    // 0028 v + v
      {0x5F, 0xFE},                                      // 002D into the result slot
      {0x80, 0x03},                                      // 002F return: JUMP 0034
      {0x00, 0x00, 0x05},                                // 0031 LINE 5
      {0x22, 0x03},                                      // 0034 push 2 (one parameter + 1), RET
      {'m', 'a', 'i', 'n', 4},                           // 0036
      {0x20, 0x02},                                      // 003B main
      {0x00, 0x00, 0x07},                                // 003D LINE 7
      {0x20},                                            // 0040 the result word of the call
      {0x60, 0x00, 0x01, 0x00, 0x35, 0x1D},              // 0041 the table's address: 0043 - 53 = 000E
      {0x22, 0x1C, 0x0C},                                // 0047 t[1]: + 2, LOAD
      {0x40, 0x00, 0x60, 0x02},                          // 004A CALL 2 (twice): its result is r's slot
      {0x00, 0x00, 0x08},                                // 004E LINE 8
      {0x21, 0x03},                                      // 0051 RET
  });
  expected.insert(expected.end(), kUp.begin(), kUp.end());  // 0053
  EXPECT_EQ(c.image, expected);
}

// ---------------------------------------------------------------------------
// The output file

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));  // after the last line end: ""
  return lines;
}

TEST(PipelineFileTest, HeaderListingsThenTheImageInLinesOfSixteen) {
  Compiled c = CompileSource(
      "int g;\r\n"
      "char letter;\r\n"
      "void show(int a, boolean b) {\r\n"
      "  int n;\r\n"
      "}\r\n"
      "void main() {\r\n"
      "}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  std::vector<std::string> lines = Lines(c.output);
  // Every line ends with CR LF: only the text after the final line end is empty.
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines.back(), "");
  // The header, then each function's listing after its body, the top level
  // last: frame variables marked with a blank, globals with "+", newest
  // first (parameters are bound from the last to the first).
  std::vector<std::string> head(lines.begin(), lines.begin() + 12);
  EXPECT_EQ(head, (std::vector<std::string>{"Text Floppy Disk Image", "", "! show", "!  6 I n", "!  -4 I a",
                                            "!  -2 B b", "", "! main", "", "! @", "! +8 C letter", "! +6 I g"}));
  // A line end, then the image: full lines of 16 values, the rest on the last.
  EXPECT_EQ(lines[12], "");
  std::size_t imageLines = lines.size() - 14;
  std::size_t size = c.image.size();
  EXPECT_EQ(imageLines, (size + 15) / 16);
  for (std::size_t i = 0; i < imageLines; ++i) {
    std::size_t values = i + 1 < imageLines ? 16 : size - 16 * i;
    std::string line = lines[13 + i];
    EXPECT_EQ(static_cast<std::size_t>(std::count(line.begin(), line.end(), ' ')), values) << line;
    EXPECT_EQ(line[0], ' ');
  }
  // The size word is the image's length; values are decimal without padding.
  ASSERT_GE(size, 2u);
  EXPECT_EQ(c.image[0] * 256 + c.image[1], static_cast<int>(size));
  EXPECT_EQ(lines[13].substr(0, 3 + std::to_string(size).size()), " 0 " + std::to_string(size));
  EXPECT_EQ(c.exitFile, "0\r\n");
  EXPECT_TRUE(c.stderrText.empty());
}

TEST(PipelineFileTest, AFailedCompilationEndsWithItsMessage) {
  Compiled c = CompileSource("int x;\r\nvoid f(int a,) {}\r\n");
  EXPECT_EQ(c.status, 1);
  EXPECT_EQ(c.output, "Text Floppy Disk Image\r\n\r\nAnother parameter expected after comma\r\nNested error");
  EXPECT_TRUE(c.image.empty());
  EXPECT_EQ(c.stderrText, "prog.vyl:2: error: Another parameter expected after comma\n");
}

TEST(PipelineFileTest, TheBundledExampleCompiles) {
  std::ifstream in(std::string(VYL_SOURCE_DIR) + "/examples/hello.vyl", std::ios::binary);
  ASSERT_TRUE(in) << "examples/hello.vyl";
  std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Compiled c = CompileSource(source, "hello.vyl");
  EXPECT_EQ(c.status, 0) << c.output;
  EXPECT_NE(c.console.find("Success"), std::string::npos);
  EXPECT_FALSE(c.image.empty());
}

// WriteImage on an image of its own: a line end before every 16th value.
std::string Written(int32_t size, bool allocate, bool& ok) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  {
    OpenSession session(host);
    int32_t next = 0;
    if (allocate) {
      AllocateImage();
      for (int32_t i = 0; i < 17; ++i) PutBy(i == 1 ? 255 : i, i, next);
    }
    ok = WriteImage(size);
  }
  return host.files["prog.ftx"];
}

TEST(PipelineFileTest, ImageLinesOfSixteenDecimalValues) {
  bool ok = false;
  EXPECT_EQ(Written(16, true, ok), "\r\n 0 255 2 3 4 5 6 7 8 9 10 11 12 13 14 15\r\n");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Written(17, true, ok), "\r\n 0 255 2 3 4 5 6 7 8 9 10 11 12 13 14 15\r\n 16\r\n");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Written(0, true, ok), "\r\n");
  // A cell outside the image fails the writer.
  Written(1, false, ok);
  EXPECT_FALSE(ok);
}

// The examples of the declarations reference are whole programs.
TEST(PipelineFileTest, TheDeclarationExamplesCompile) {
  std::ifstream in(std::string(VYL_SOURCE_DIR) + "/docs/declarations.md", std::ios::binary);
  ASSERT_TRUE(in) << "docs/declarations.md";
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int examples = 0;
  for (std::string::size_type at = 0; (at = text.find("```vyl\n", at)) != std::string::npos;) {
    at += 7;
    std::string::size_type end = text.find("```", at);
    ASSERT_NE(end, std::string::npos);
    std::string example = text.substr(at, end - at);
    Compiled c = CompileSource(example);
    EXPECT_EQ(c.status, 0) << example << c.output;
    ++examples;
    at = end + 3;
  }
  EXPECT_GE(examples, 5);
}

// ---------------------------------------------------------------------------
// The start rule

// As written, a first declaration on line 1 made the start rule fail with
// no message; it compiles like any other, its statements decorated with 0.
TEST(StartRuleTest, AFirstDeclarationOnLineOneCompiles) {
  Compiled c = CompileSource("void main() {}");
  ASSERT_EQ(c.status, 0) << c.output;
  ASSERT_GE(c.image.size(), 13u);
  EXPECT_EQ(std::vector<int>(c.image.begin() + 8, c.image.begin() + 13), (std::vector<int>{0x20, 0x02, 0, 0, 0}));
  Compiled imported = CompileSource("import Hardware; void main() {}");
  EXPECT_EQ(imported.status, 0) << imported.output;
}

TEST(StartRuleTest, MainMustBeVoidWithoutParameters) {
  for (const char* source : {"int x;\r\n", "int main() { return 0; }\r\n", "void main(int a) {}\r\n",
                             "int main;\r\n", "void Main() {}\r\n"}) {
    Compiled c = CompileSource(source);
    EXPECT_EQ(c.result.message, "There is no 'void main()'") << source;
    EXPECT_TRUE(c.image.empty());
  }
}

TEST(StartRuleTest, CodeGenerationFailures) {
  // A prototype whose body never follows.
  Compiled c = CompileSource("void f();\r\nvoid main() {}\r\n");
  EXPECT_TRUE(c.hasLine("Function f has a prototype but no body"));
  EXPECT_TRUE(c.hasLine("Code generation failed"));
  // A constant pool that does not fit the image is a failure to generate
  // code (as written it was reported as a missing main).
  std::string big = "final int[] t = {0";
  for (int i = 1; i < 17000; ++i) big += ",0";
  Compiled full = CompileSource(big + "};\r\nvoid main() {}\r\n");
  EXPECT_NE(full.output.find("\r\nToo much code @"), std::string::npos);
  EXPECT_TRUE(full.hasLine("Code generation failed"));
  EXPECT_FALSE(full.hasLine("There is no 'void main()'"));
}

// Tokens after the last declaration that are neither a declaration nor a
// trailing directive end the compilation instead of being ignored.
TEST(StartRuleTest, LeftoverTokensAreReported) {
  Compiled c = CompileSource("void main() {}\r\n\r\n) int x;\r\n");
  EXPECT_EQ(c.result.message, "Declaration expected in line 3");
  EXPECT_EQ(c.result.messageLine, 3);
  EXPECT_EQ(c.stderrText, "prog.vyl:3: error: Declaration expected in line 3\n");
  // import is allowed only before the declarations.
  EXPECT_EQ(CompileSource("int x;\r\nimport Hardware;\r\nvoid main() {}\r\n").result.message,
            "Declaration expected in line 2");
  // Only the end of the source may follow the watch address.
  EXPECT_EQ(CompileSource("void main() {}\r\n? ! 0x0100 5\r\n").result.message, "Declaration expected in line 2");
  EXPECT_EQ(CompileSource("void main() {}\r\n! ?\r\n").result.message, "Declaration expected in line 2");
  // Lone semicolons are empty declarations.
  EXPECT_EQ(CompileSource(";;\r\nvoid main() {};\r\n;\r\n").status, 0);
}

// ---------------------------------------------------------------------------
// Directives

TEST(StartDirectiveTest, TheDictionaryIsTracedWhateverTheLevel) {
  Compiled c = CompileSource("\r\nvoid main() {}\r\n");
  EXPECT_NE(c.trace.find(":int<ty"), std::string::npos);
  EXPECT_NE(c.trace.find(":Hardware<pk"), std::string::npos);
  // No rule is traced without a directive.
  EXPECT_EQ(c.trace.find("+TypeDeclaration"), std::string::npos);
}

TEST(StartDirectiveTest, QuestionMarkAtTheStartTracesTheWholeCompilation) {
  Compiled c = CompileSource("?\r\nvoid main() {}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  EXPECT_NE(c.trace.find("+ImportDeclaration"), std::string::npos);
  EXPECT_NE(c.trace.find("+TypeDeclaration"), std::string::npos);
  EXPECT_NE(c.trace.find("+CodeGen"), std::string::npos);
  EXPECT_NE(c.trace.find("`Text Floppy Disk Image`"), std::string::npos);
}

TEST(StartDirectiveTest, QuestionMarkAfterTheImportsDumpsTheSymbolTable) {
  Compiled c = CompileSource("import Files;\r\n?\r\nvoid main() {}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  std::string::size_type mark = c.trace.find('\xA6');
  ASSERT_NE(mark, std::string::npos);
  EXPECT_NE(c.trace.find(":Files<pk", mark), std::string::npos);
  EXPECT_NE(c.trace.find(":Open<fn", mark), std::string::npos);  // the imported members
  EXPECT_NE(c.trace.find("+TypeDeclaration", mark), std::string::npos);
}

TEST(StartDirectiveTest, TrailingDirectivesDumpTheTreeAndSwitchTheTraceOff) {
  Compiled c = CompileSource("void main() {}\r\n? !\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  // The program tree is dumped; code generation is not traced.
  EXPECT_NE(c.trace.find("<fn "), std::string::npos);
  EXPECT_EQ(c.trace.find("+CodeGen"), std::string::npos);
  EXPECT_EQ(c.trace.find("+WriteImage"), std::string::npos);
}

TEST(StartDirectiveTest, TheWatchAddressTracesTheCodeEmittedThere) {
  // Enough code to reach address 256 (0x0100).
  std::string source = "int x;\r\nvoid main() {\r\n";
  for (int i = 0; i < 40; ++i) source += "  x = x + 1;\r\n";
  source += "}\r\n";
  Compiled quiet = CompileSource(source);
  ASSERT_EQ(quiet.status, 0) << quiet.output;
  ASSERT_GT(quiet.image.size(), 300u);
  EXPECT_EQ(quiet.trace.find("+CodeGen"), std::string::npos);
  Compiled watched = CompileSource(source + "0x0100\r\n");
  ASSERT_EQ(watched.status, 0) << watched.output;
  EXPECT_EQ(watched.image, quiet.image);
  EXPECT_NE(watched.trace.find("+PutBy"), std::string::npos);
}

}  // namespace
}  // namespace vyl
