// The session driver: file names, file slots, the exit file, the console and
// the trace notation.
#include <gtest/gtest.h>

#include "app/app.h"
#include "harness.h"
#include "runtime/runtime.h"

namespace vyl {
namespace {

using test::Compiled;
using test::RunOn;

constexpr char kStats[] = "0 trees, Strs==0/12K, Chrs==0/31K\n  Sets==0/80K, Stk==0/16K, Trn==0\n";

TEST(SessionTest, MissingSourceFailsWithCantOpen) {
  MemoryHost host;
  Compiled c = RunOn(host, "missing.vyl");
  EXPECT_EQ(c.status, 1);
  EXPECT_EQ(c.stdoutText, "Error: Can't open missing.vyl\n");
  EXPECT_EQ(c.console, std::string("\nFailed\n") + kStats);
  EXPECT_NE(c.exitFile, "0\r\n");  // a failure never reads as success
  EXPECT_EQ(c.exitFile, "-1\r\n");
  EXPECT_TRUE(c.result.fatal);
}

TEST(SessionTest, CancelledDialogUsesTheFixedNames) {
  MemoryHost host;  // the dialog answers ""
  host.files["KIBin.txt"] = "";
  Compiled c = RunOn(host, "");
  EXPECT_TRUE(host.files.count("KIBout.txt"));
  EXPECT_TRUE(host.files.count("KIBdbg.txt"));
  EXPECT_EQ(c.result.sourceName, "KIBin.txt");
  MemoryHost none;
  Compiled d = RunOn(none, "");
  EXPECT_EQ(d.stdoutText, "Error: Can't open KIBin.txt\n");
}

TEST(SessionTest, FileNamesFollowTheSourceExtension) {
  struct Case {
    std::string chosen, opened, output;
  };
  for (const Case& k : {Case{"dir/prog.vyl", "dir/prog.vyl", "dir/prog.ftx"},
                        Case{"prog.ftx", "prog.vyl", "prog.ftx"},
                        Case{"prog.txt", "prog.txt", "KIBout.txt"},
                        Case{"a.vy", "KIBin.txt", "KIBout.txt"},
                        Case{"progvyl", "KIBin.txt", "KIBout.txt"}}) {
    MemoryHost host;
    host.files[k.opened] = "";
    Compiled c = RunOn(host, k.chosen);
    EXPECT_EQ(c.result.sourceName, k.opened) << k.chosen;
    EXPECT_TRUE(host.files.count(k.output)) << k.chosen;
  }
  // Long paths are used whole.
  std::string longPath = std::string(300, 'd') + "/p.vyl";
  MemoryHost host;
  host.files[longPath] = "";
  EXPECT_EQ(RunOn(host, longPath).result.sourceName, longPath);
}

TEST(SessionTest, FailedCompilationWritesTraceStatisticsAndExitFile) {
  Compiled c = test::CompileSource("int x;\r\n");  // no main
  EXPECT_EQ(c.status, 1);
  EXPECT_NE(c.console.find("\nFailed\n"), std::string::npos);
  EXPECT_EQ(c.stdoutText, "Error: Nested error\n");
  EXPECT_NE(c.trace.find("Trn==0\r\n"), std::string::npos);
  EXPECT_NE(c.exitFile, "0\r\n");
  EXPECT_TRUE(c.image.empty());
}

// Reads every character of the source slot as the scanner sees it.
std::string ReadSource(const std::string& text) {
  MemoryHost host;
  host.files["prog.vyl"] = text;
  OpenSession session(host);
  std::string seen;
  for (;;) {
    int32_t ch = GetChar(1);
    if (ch == kEndOfFile) break;
    seen.push_back(static_cast<char>(ch));
    ConsumeChar(1);
  }
  return seen;
}

TEST(SlotTest, LineEndsOfEveryKindReadAsCarriageReturns) {
  EXPECT_EQ(ReadSource("a\r\nb\r\n"), "a\rb\r");
  EXPECT_EQ(ReadSource("a\rb\r"), "a\rb\r");
  EXPECT_EQ(ReadSource("a\nb\n"), "a\rb\r");
  EXPECT_EQ(ReadSource("a\n\nb"), "a\r\rb");
  EXPECT_EQ(ReadSource("a\r\n\nb"), "a\r\rb");
  EXPECT_EQ(ReadSource(std::string("a\0b\xff" "c", 5)), "abc");
}

TEST(SlotTest, ControlDTogglesTheFullTrace) {
  MemoryHost host;
  host.files["prog.vyl"] = "a\x04" "b\x04" "c";
  OpenSession session(host);
  std::vector<int32_t> levels;
  for (int i = 0; i < 3; ++i) {
    GetChar(1);
    levels.push_back(TraceLevel());
    ConsumeChar(1);
  }
  EXPECT_EQ(levels, (std::vector<int32_t>{0, 2, 0}));
}

TEST(SlotTest, OutputFilesGetCarriageReturnLineFeed) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  {
    OpenSession session(host);
    for (char c : std::string("ab\rc\n")) PutChar(2, c);
  }
  EXPECT_EQ(host.files["prog.ftx"], "ab\r\nc");
}

TEST(SlotTest, ConsoleWrapsAtTheFirstBlankAfterColumn64) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  {
    OpenSession session(host);
    std::string text = std::string(64, 'x') + "y z";
    for (char c : text) PutChar(0, c);
  }
  EXPECT_EQ(host.console.substr(0, 66), std::string(64, 'x') + "y\n");
  EXPECT_EQ(host.console[66], 'z');
}

TEST(TraceTest, MessagesGoToOutputAndTrace) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  {
    OpenSession session(host);
    SetTraceLevel(1);
    Msg("abc");
  }
  EXPECT_EQ(host.files["prog.ftx"], "abc");
  EXPECT_EQ(host.files["KIBdbg.txt"].substr(0, 5), "`abc`");
  EXPECT_NE(host.files["KIBdbg.txt"].find("  Pre-mortem logged"), std::string::npos);
}

TEST(TraceTest, TreeNotation) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  {
    OpenSession session(host);
    int32_t id = InternText("x");
    Tree t = Build(L_ad, Leaf(3), {Leaf(id), nullptr});
    TraceTree(t, 3, 60);
    TraceLine();
    TraceTree(t, 1, 60);
    TraceLine();
    SetGlobal(t, 4);
    TraceTree(t, 3, 60);
    TraceTree(t, 3, 60);
  }
  std::string trace = host.files["KIBdbg.txt"];
  EXPECT_EQ(trace.substr(0, trace.find("\r\n\r\n")),
            "<ad <int 30 'x'> <>>%<int 3>\r\n<ad <..> <>>%<int 3>\r\n{4}<ad <int 30 'x'> <>>%<int 3>{4}..");
}

TEST(TraceTest, RunawayTraceEndsTheRun) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  OpenSession session(host);
  EXPECT_THROW(
      {
        for (int i = 0; i < 500000; ++i) TraceText("0123456789");
      },
      FatalReturn);
  EXPECT_EQ(host.stdoutText, "Error: RunawayTrace\n");
}

TEST(TraceTest, FatalErrorLeavesHistoryOnConsoleAndPositionInExitFile) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  {
    OpenSession session(host);
    for (int i = 0; i < 70; ++i) Msg("m");
    EXPECT_THROW(Error("Boom"), FatalReturn);
  }
  EXPECT_EQ(host.files["prog.ftx"], std::string(70, 'm') + "\r\nBoom");
  EXPECT_NE(host.files["KIBexit.txt"], "-1\r\n");
  EXPECT_NE(host.files["KIBexit.txt"], "0\r\n");
  EXPECT_NE(host.console.find(std::string(70, 'm') + "\nBoom"), std::string::npos);
  EXPECT_EQ(host.stdoutText, "Error: Boom\n");
}

}  // namespace
}  // namespace vyl
