// The session driver and what it writes: file names, file slots, the exit
// file, the console, the trace notation, and the output file's layout.
#include <algorithm>
#include <array>

#include "decl/decl.h"
#include "scanner/scanner_state.h"
#include "fixture.h"
#include "harness.h"

namespace vyl::test {
namespace {

constexpr char kStats[] = "0 trees, Strs==0/12K, Chrs==0/31K\n  Sets==0/80K, Stk==0/16K, Trn==0\n";

TEST(SessionFileTest, MissingSourceFailsWithCantOpenAndNeverReadsAsSuccess) {
  MemoryHost host;
  Compiled c = RunOn(host, "missing.vyl");
  EXPECT_EQ(c.status, 1);
  EXPECT_EQ(c.stdoutText, "Error: Can't open missing.vyl\n");
  EXPECT_EQ(c.console, std::string("\nFailed\n") + kStats);
  EXPECT_EQ(c.exitFile, "-1\r\n");
  EXPECT_TRUE(c.result.fatal);
  // A cancelled dialog uses the fixed names.
  MemoryHost none;
  EXPECT_EQ(RunOn(none, "").stdoutText, "Error: Can't open KIBin.txt\n");
  // A failed compilation: "Nested error" on standard output, the statistics in the trace.
  c = CompileSource("int x;\r\n");
  EXPECT_EQ(c.stdoutText, "Error: Nested error\n");
  EXPECT_NE(c.trace.find("Trn==0\r\n"), std::string::npos);
}

// The dialog's answer follows the fixed rules: a ".vyl" name gives the
// ".ftx" beside it, a ".ftx" name reads the ".vyl" beside it, other
// three-letter extensions write KIBout.txt, anything else compiles KIBin.txt.
TEST(SessionFileTest, DialogAnswersFollowTheSourceExtension) {
  const std::string d(300, 'd');
  for (const auto& [chosen, opened, output] : {std::array<std::string, 3>{"dir/prog.vyl", "dir/prog.vyl", "dir/prog.ftx"},
                                               {"prog.ftx", "prog.vyl", "prog.ftx"}, {"prog.txt", "prog.txt", "KIBout.txt"},
                                               {"a.vy", "KIBin.txt", "KIBout.txt"}, {"progvyl", "KIBin.txt", "KIBout.txt"},
                                               {"", "KIBin.txt", "KIBout.txt"}, {d + "/p.vyl", d + "/p.vyl", d + "/p.ftx"}}) {
    MemoryHost host;
    host.files[opened] = "";
    host.source = chosen;
    Compiled c = RunOn(host, "");
    EXPECT_EQ(c.result.sourceName, opened) << chosen;
    EXPECT_EQ(c.result.outputName, output) << chosen;
    EXPECT_TRUE(host.files.count(output) && host.files.count("KIBdbg.txt")) << chosen;
  }
}

// A path given is compiled whatever its name; the output replaces its last
// extension (or adds one).
TEST(SessionFileTest, GivenPathsAreCompiledWhateverTheirNames) {
  for (const auto& [given, opened, output] :
       {std::array<std::string, 3>{"myprog", "myprog", "myprog.ftx"}, {"my.prog", "my.prog", "my.ftx"},
        {"./prog", "./prog", "./prog.ftx"}, {"dir.d/prog", "dir.d/prog", "dir.d/prog.ftx"},
        {".hidden", ".hidden", ".hidden.ftx"}, {"prog.ftx", "prog.vyl", "prog.ftx"}, {"a.vy", "a.vy", "a.ftx"}}) {
    MemoryHost host;
    host.files[opened] = "void main() { }\r\n";
    Compiled c = RunOn(host, given);
    EXPECT_EQ(c.status, 0) << given;
    EXPECT_EQ(c.result.sourceName, opened) << given;
    EXPECT_EQ(c.result.outputName, output) << given;
    EXPECT_FALSE(c.image.empty()) << given;
  }
  MemoryHost host;
  host.files["p.vyl"] = "void main() { }\r\n";
  SessionOptions options;
  options.output = "elsewhere.out";
  RunSession(host, "p.vyl", options);
  EXPECT_TRUE(host.files.count("elsewhere.out") && !host.files.count("p.ftx"));
}

// A cancelled dialog is asked once: every file of the run takes its name
// from that one answer.
TEST(SessionFileTest, TheDialogIsAskedOnce) {
  struct CountingHost : MemoryHost {
    int asked = 0;
    std::string AskSourceFile(std::string_view filter) override {
      ++asked;
      return MemoryHost::AskSourceFile(filter);
    }
  };
  for (const std::string answer : {"", "prog.vyl"}) {
    CountingHost host;
    host.source = answer;
    host.files["KIBin.txt"] = host.files["prog.vyl"] = "void main() { }\r\n";
    EXPECT_EQ(RunSession(host).exitStatus(), 0);
    EXPECT_EQ(host.asked, 1) << answer;
  }
}

// A source that cannot be opened says why on standard error.
TEST(SessionFileTest, UnopenableSourceSaysWhy) {
  MemoryHost host;
  Compiled c = RunOn(host, "nothere.vyl");
  EXPECT_EQ(c.stderrText, "vylc: error: cannot open 'nothere.vyl': No such file or directory\n");
}

// Reads every character of the source slot as the scanner sees it.
std::string ReadSource(const std::string& text) {
  MemoryHost host;
  host.files["prog.vyl"] = text;
  OpenSession session(host);
  std::string seen;
  for (int32_t ch; (ch = GetChar(1)) != kEndOfFile; ConsumeChar(1)) seen.push_back(static_cast<char>(ch));
  return seen;
}

TEST(SessionSlotTest, LineEndsOfEveryKindReadAsCarriageReturns) {
  for (const char* text : {"a\r\nb\r\n", "a\rb\r", "a\nb\n"}) EXPECT_EQ(ReadSource(text), "a\rb\r");
  EXPECT_EQ(ReadSource("a\n\nb"), "a\r\rb");
  EXPECT_EQ(ReadSource("a\r\n\nb"), "a\r\rb");
  EXPECT_EQ(ReadSource(std::string("a\0b\xff" "c", 5)), "abc");
}

TEST_F(SessionTest, SlotsTraceAndConsole) {
  Open("a\x04" "b\x04" "c", false, false);
  host.console.clear();
  std::vector<int32_t> levels;  // control-D toggles the full trace
  for (int i = 0; i < 3; ++i, ConsumeChar(1)) {
    GetChar(1);
    levels.push_back(TraceLevel());
  }
  EXPECT_EQ(levels, (std::vector<int32_t>{0, 2, 0}));
  for (char c : std::string("ab\rc\n")) PutChar(2, c);  // output files get CR LF
  for (char c : std::string(64, 'x') + "y z") PutChar(0, c);  // the console wraps after column 64
  SetTraceLevel(1);
  Msg("abc");
  session.reset();
  EXPECT_EQ(host.files["prog.ftx"], "ab\r\ncabc");
  EXPECT_EQ(host.console.substr(0, 67), std::string(64, 'x') + "y\nz");
  EXPECT_EQ(host.files["KIBdbg.txt"].substr(0, 5), "`abc`");  // messages go to the trace too
  EXPECT_NE(host.files["KIBdbg.txt"].find("  Pre-mortem logged"), std::string::npos);
}

TEST_F(SessionTest, TreeNotation) {
  Open("", false, false);
  Tree t = Build(L_ad, Leaf(3), {Leaf(InternText("x")), nullptr});
  TraceTree(t, 3, 60);
  TraceLine();
  TraceTree(t, 1, 60);
  TraceLine();
  SetGlobal(t, 4);
  TraceTree(t, 3, 60);
  TraceTree(t, 3, 60);
  session.reset();
  std::string trace = host.files["KIBdbg.txt"];
  EXPECT_EQ(trace.substr(0, trace.find("\r\n\r\n")),
            "<ad <int 30 'x'> <>>%<int 3>\r\n<ad <..> <>>%<int 3>\r\n{4}<ad <int 30 'x'> <>>%<int 3>{4}..");
}

// While the trace goes to a file, a traced text is echoed on the console now
// and then, each text whole: a rule's entry and exit read "+Name", "-Name".
TEST_F(SessionTest, ProgressEchoShowsWholeTexts) {
  Open("", false, false);
  host.console.clear();
  SetTraceLevel(2);
  host.clock = 16 * 1000;  // past the first tick: the next text is echoed
  {
    Rule r("Expression");
    host.clock = 16 * 2000;  // past the next tick
    r.Succeed();
  }
  EXPECT_EQ(host.console, "+Expression\n-Expression");
}

// (A runaway trace: limits_test.)
TEST_F(SessionTest, FatalErrors) {
  Open("", false, false);
  for (int i = 0; i < 70; ++i) Msg("m");
  EXPECT_THROW(Error("Boom"), FatalReturn);
  session.reset();
  // The history on the console, the pre-mortem position in the exit file.
  EXPECT_EQ(host.files["prog.ftx"], std::string(70, 'm') + "\r\nBoom");
  EXPECT_NE(host.files["KIBexit.txt"], "-1\r\n");
  EXPECT_NE(host.files["KIBexit.txt"], "0\r\n");
  EXPECT_NE(host.console.find(std::string(70, 'm') + "\nBoom"), std::string::npos);
  EXPECT_EQ(host.stdoutText, "Error: Boom\n");
}

TEST(OutputFileTest, HeaderListingsThenTheImageInLinesOfSixteen) {
  Compiled c = CompileSource(
      "int g;\r\nchar letter;\r\nvoid show(int a, boolean b) {\r\n  int n;\r\n}\r\nvoid main() {\r\n}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; start <= c.output.size(); start = end + 2) {
    end = std::min(c.output.find("\r\n", start), c.output.size());
    lines.push_back(c.output.substr(start, end - start));
  }
  // Every line ends with CR LF.  The header, each function's listing after
  // its body, the top level last: newest first, frame variables marked with
  // a blank, globals with "+"; a line end, then the image (its lines: below)
  // and a last line end.
  ASSERT_EQ(lines.size(), 13 + (c.image.size() + 15) / 16 + 1);
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 13),
            (std::vector<std::string>{"Text Floppy Disk Image", "", "! show", "!  6 I n", "!  -4 I a", "!  -2 B b", "",
                                      "! main", "", "! @", "! +8 C letter", "! +6 I g", ""}));
}

TEST_F(SessionTest, TheImageWriterNeedsAnImage) {
  for (int32_t i = 0; i < 17; ++i) ASSERT_TRUE(PutBy(i == 1 ? 255 : i, i, next));
  ASSERT_TRUE(WriteImage(17));
  EXPECT_EQ(host.files["prog.ftx"], "\r\n 0 255 2 3 4 5 6 7 8 9 10 11 12 13 14 15\r\n 16\r\n");
  session.reset();
  session = std::make_unique<OpenSession>(host);  // without an image
  EXPECT_FALSE(WriteImage(1));
}

TEST(OutputFileTest, APoolThatDoesNotFitFailsCodeGeneration) {
  std::string big = "final int[] t = {0";
  for (int i = 1; i < 17000; ++i) big += ",0";
  Compiled full = CompileSource(big + "};\r\nvoid main() {}\r\n");
  EXPECT_NE(full.output.find("\r\nToo much code @"), std::string::npos);
  EXPECT_TRUE(full.hasLine("Code generation failed"));
  EXPECT_FALSE(full.hasLine("There is no 'void main()'"));
}

TEST(OutputFileTest, TheWatchAddressTracesTheCodeEmittedThere) {
  std::string source = "int x;\r\nvoid main() {\r\n";
  for (int i = 0; i < 40; ++i) source += "  x = x + 1;\r\n";  // code beyond 0x0100
  Compiled quiet = CompileSource(source + "}\r\n");
  Compiled watched = CompileSource(source + "}\r\n0x0100\r\n");
  ASSERT_EQ(watched.status, 0) << watched.output;
  ASSERT_GT(quiet.image.size(), 300u);
  EXPECT_EQ(watched.image, quiet.image);
  EXPECT_EQ(quiet.trace.find("+PutBy"), std::string::npos);
  EXPECT_NE(watched.trace.find("+PutBy"), std::string::npos);
}

}  // namespace
}  // namespace vyl::test
