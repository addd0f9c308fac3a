// step, next, finish, until and stepi: where each one stops and what it
// shows.
#include "debugger_test_support.h"

#include "instruction.h"

namespace vylsim::test {
namespace {

const char loops[] = R"(int total;

int twice(int x) {
  return x + x;
}

void main() {
  int i = 0;
  int k = 0;
  while (i < 3) {
    total = total + twice(i);
    i = i + 1;
  }
  do {
    k = k + 1;
  } while (k < 2);
  total = total * 10;
}
)";

TEST(Stepping, NextGoesOverACallAndStepGoesIntoIt) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "break 14\nrun\nnext\nprint r\nrun\nstep\nstep\nstep\nstep\n");
  EXPECT_EQ(lines_after(output, "14\t  r = fact(4);", 2),
            (std::vector<std::string>{shown(program, "Print.datum = ORD('0') + r / 10;"), "r = 24"}));
  // Into fact: its frame is shown; then its lines alone, then the next call.
  EXPECT_EQ(lines_after(output, "14\t  r = fact(4);", 9),
            (std::vector<std::string>{shown(program, "Print.datum = ORD('0') + r / 10;"), "r = 24", "",
                                      "Breakpoint 1, main () at prog.vyl:14", "14\t  r = fact(4);",
                                      "fact (n=4) at prog.vyl:5", "5\t  depth = depth + 1;", "6\t  if (n <= 1)",
                                      "8\t  return n * fact(n - 1);"}))
      << output;
  EXPECT_TRUE(has_line(output, "fact (n=3) at prog.vyl:5")) << output;
}

TEST(Stepping, FinishReturnsToTheCallerAndShowsTheValue) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "break 7\nrun\nfinish\nfinish\nup\nfinish\n");
  EXPECT_EQ(lines_after(output, "7\t    return 1;", 4),
            (std::vector<std::string>{"Run till exit from #0  fact (n=1) at prog.vyl:7", "fact (n=2) at prog.vyl:8",
                                      "8\t  return n * fact(n - 1);", "Value returned is 1"}));
  EXPECT_TRUE(has_line(output, "Run till exit from #0  fact (n=2) at prog.vyl:8")) << output;
  EXPECT_TRUE(has_line(output, "Value returned is 2")) << output;
  // Finishing the selected caller, fact (n=4), returns 24 to main.
  EXPECT_TRUE(has_line(output, "Run till exit from #1  fact (n=4) at prog.vyl:8")) << output;
  EXPECT_EQ(lines_of(output).back(), "Value returned is 24") << output;
  EXPECT_TRUE(has_line(output, "main () at prog.vyl:14")) << output;
}

TEST(Stepping, FinishHasNoCallerInMain) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  EXPECT_EQ(lines_of(debug(program, "break main\nrun\nfinish\n")).back(),
            "\"finish\" not meaningful in the outermost frame.");
}

TEST(Stepping, NextOffTheEndOfAFunctionStopsInItsCaller) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  // From fact (n=4)'s last line, over the recursion, out to main.
  const std::string output = debug(program, "break 8 if n == 4\nrun\nnext\nprint r\nnext\nprint r\n");
  EXPECT_EQ(lines_after(output, "8\t  return n * fact(n - 1);", 5),
            (std::vector<std::string>{"main () at prog.vyl:14", "14\t  r = fact(4);", "r = 0",
                                      shown(program, "Print.datum = ORD('0') + r / 10;"), "r = 24"}))
      << output;
}

TEST(Stepping, LoopsGoRoundLineByLine) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(loops);
  const std::string body = shown(program, "total = total + twice(i);");
  const std::string output = debug(program, "tbreak 11\nrun\nnext\nnext\nnext\nprint i\nprint total\n");
  // The loop's condition belongs to the while statement.
  EXPECT_EQ(lines_after(output, body, 5),
            (std::vector<std::string>{shown(program, "i = i + 1;"), shown(program, "while (i < 3)"), body, "i = 1",
                                      "total = 0"}))
      << output;
}

TEST(Stepping, UntilLeavesALoopAndUntilLineRunsToIt) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(loops);
  const std::string output =
      debug(program, "tbreak 12\nrun\nnext\nuntil\nprint i\nuntil 17\nprint k\nprint total\n");
  // From the end of the loop, until does not go back into its body: it
  // stops at the do loop's first statement.
  EXPECT_EQ(lines_after(output, shown(program, "while (i < 3)"), 2),
            (std::vector<std::string>{shown(program, "k = k + 1;"), "i = 3"}))
      << output;
  // 0 + 2 + 4, before the last line multiplies it.
  EXPECT_EQ(lines_after(output, "i = 3", 3),
            (std::vector<std::string>{shown(program, "total = total * 10;"), "k = 2", "total = 6"}))
      << output;
}

TEST(Stepping, UntilALineInARecursionWaitsForTheSameFrame) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  // Only fact (n=1), three calls deeper, reaches line 7: until 7 in fact
  // (n=4) passes over it and stops when fact (n=4) returns to main.
  const std::string output = debug(program, "break fact\nrun\ndelete\nuntil 7\nprint depth\nuntil 8\n");
  EXPECT_EQ(lines_after(output, "5\t  depth = depth + 1;", 3),
            (std::vector<std::string>{"main () at prog.vyl:14", "14\t  r = fact(4);", "depth = 4"}))
      << output;
  // Line 8 is not in main at all: until runs main to its end.
  EXPECT_EQ(lines_of(output).back(), "[Program exited normally]");
}

TEST(Stepping, ASwitchGoesStraightToItsCase) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(int kind(char c) {
  switch (c) {
    case ' ':
      return 0;
    case 'a':
      return 1;
    default:
      return 2;
  }
  return 2;
}

void main() {
  int k;
  k = kind('a');
  k = k + kind('?');
}
)");
  const std::string output = debug(program, "break kind\nrun\nstep\nfinish\ncontinue\nnext\nfinish\n");
  EXPECT_EQ(lines_of(output),
            (std::vector<std::string>{"Breakpoint 1 at " + start_of_line(program, 2) + ": file prog.vyl, line 2.", "",
                                      "Breakpoint 1, kind (c='a') at prog.vyl:2", "2\t  switch (c) {",
                                      "6\t      return 1;", "Run till exit from #0  kind (c='a') at prog.vyl:6",
                                      "main () at prog.vyl:15", "15\t  k = kind('a');", "Value returned is 1",
                                      "Continuing.", "", "Breakpoint 1, kind (c='?') at prog.vyl:2",
                                      "2\t  switch (c) {", "8\t      return 2;",
                                      "Run till exit from #0  kind (c='?') at prog.vyl:8", "main () at prog.vyl:16",
                                      "16\t  k = k + kind('?');", "Value returned is 2"}));
}

TEST(Stepping, StepiShowsTheAddressInsideAStatement) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  uint16_t second = 0;
  for (const DebugStatement& s : program.info.statements) {
    if (s.position.line == 5) second = static_cast<uint16_t>(s.begin + decode(program.image, s.begin).length);
  }
  const std::string output = debug(program, "break 5\nrun\nstepi\ninfo registers\n");
  EXPECT_EQ(lines_after(output, "5\t  depth = depth + 1;", 2),
            (std::vector<std::string>{"0x" + hex4(second) + "\t5\t  depth = depth + 1;",
                                      "pc  0x" + hex4(second) + "  fact at prog.vyl:5"}))
      << output;
}

TEST(Stepping, ACountRepeats) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "tbreak 5\nrun\nstep 3\nbt 1\nnext 0\n");
  EXPECT_TRUE(has_line(output, "fact (n=3) at prog.vyl:5")) << output;
  EXPECT_TRUE(has_line(output, "#0  fact (n=3) at prog.vyl:5")) << output;
  EXPECT_TRUE(has_line(output, "(More stack frames follow...)")) << output;
  EXPECT_EQ(lines_of(output).back(), "a count must be a positive number, not '0'");
}

}  // namespace
}  // namespace vylsim::test
