// Whole sessions: breakpoints, running, the program's input and output, and
// commands the debugger refuses.
#include "debugger_test_support.h"

namespace vylsim::test {
namespace {

TEST(Session, FactorialStopsInItsBaseCaseFourCallsDeep) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  ASSERT_EQ(line_of(program, "return 1;"), 7);
  ASSERT_EQ(line_of(program, "r = fact(4);"), 14);
  const std::string output = debug(program, "break 7\nrun\nprint n\nprint depth\nbacktrace\ncontinue\nquit\n");
  EXPECT_EQ(output,
            "Breakpoint 1 at " + start_of_line(program, 7) + ": file prog.vyl, line 7.\n"
            "\n"
            "Breakpoint 1, fact (n=1) at prog.vyl:7\n"
            "7\t    return 1;\n"
            "n = 1\n"
            "depth = 4\n"
            "#0  fact (n=1) at prog.vyl:7\n"
            "#1  fact (n=2) at prog.vyl:8\n"
            "#2  fact (n=3) at prog.vyl:8\n"
            "#3  fact (n=4) at prog.vyl:8\n"
            "#4  main () at prog.vyl:14\n"
            "Continuing.\n"
            "24\n"
            "[Program exited normally]\n");
}

TEST(Breakpoints, FunctionBreakpointStopsAtTheFirstStatementOfEveryCall) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "break fact\nrun\nc\nc\nc\nprint depth\nc\ninfo breakpoints\n");
  for (const char* n : {"4", "3", "2", "1"}) {
    EXPECT_TRUE(has_line(output, std::string("Breakpoint 1, fact (n=") + n + ") at prog.vyl:5")) << output;
  }
  // At the fourth call's first statement, depth still counts three calls.
  EXPECT_TRUE(has_line(output, "depth = 3")) << output;
  EXPECT_TRUE(has_line(output, "1       breakpoint  keep y   " + start_of_line(program, 5) +
                                   "     in fact at prog.vyl:5"))
      << output;
  EXPECT_TRUE(has_line(output, "        breakpoint already hit 4 times")) << output;
}

TEST(Breakpoints, ConditionPicksTheCall) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "break fact if n == 2\nrun\nprint depth\nbt\n");
  EXPECT_TRUE(has_line(output, "Breakpoint 1, fact (n=2) at prog.vyl:5")) << output;
  EXPECT_TRUE(has_line(output, "depth = 2")) << output;
  EXPECT_TRUE(has_line(output, "#3  main () at prog.vyl:14")) << output;
}

TEST(Breakpoints, TemporaryOnesGoWhenHit) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "tbreak fact\nrun\ninfo breakpoints\ncontinue\n");
  EXPECT_TRUE(has_line(output, "Temporary breakpoint 1, fact (n=4) at prog.vyl:5")) << output;
  EXPECT_TRUE(has_line(output, "No breakpoints or watchpoints.")) << output;
  EXPECT_TRUE(has_line(output, "[Program exited normally]")) << output;
}

TEST(Breakpoints, DisabledAndDeletedOnesDoNotStop) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "break fact\nbreak 14\ndisable 1\nrun\nenable\ndelete 2\ncontinue\ndelete\ncontinue\n");
  EXPECT_TRUE(has_line(output, "Breakpoint 2, main () at prog.vyl:14")) << output;
  // Enabled again, breakpoint 1 stops the first call.
  EXPECT_TRUE(has_line(output, "Breakpoint 1, fact (n=4) at prog.vyl:5")) << output;
  EXPECT_FALSE(has_line(output, "Breakpoint 1, fact (n=3) at prog.vyl:5")) << output;
  EXPECT_TRUE(has_line(output, "[Program exited normally]")) << output;
}

TEST(Breakpoints, ALineWithoutCodeTakesTheNextStatement) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  // Line 12 declares r and has no code; depth = 0 on line 13 is next.
  const std::string output = debug(program, "break 12\nbreak prog.vyl:6\nrun\n");
  EXPECT_TRUE(has_line(output, "Breakpoint 1 at " + start_of_line(program, 13) + ": file prog.vyl, line 13."))
      << output;
  EXPECT_TRUE(has_line(output, "Breakpoint 2 at " + start_of_line(program, 6) + ": file prog.vyl, line 6."))
      << output;
  EXPECT_TRUE(has_line(output, "Breakpoint 1, main () at prog.vyl:13")) << output;
}

TEST(Breakpoints, PlacesThatDoNotExistAreOneLineErrors) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "break nowhere\nbreak 99\nbreak other.vyl:7\nbreak 7 if\nrun\n");
  EXPECT_EQ(lines_of(output), (std::vector<std::string>{"Function \"nowhere\" not defined.",
                                                         "No line 99 in the current file.",
                                                         "No source file named other.vyl.",
                                                         "a condition must follow 'if'", "24",
                                                         "[Program exited normally]"}));
}

TEST(Session, TheProgramReadsItsInputAndPrintsAsItGoes) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(import Hardware;
void main() {
  int c;
  c = KeyIn.datum;
  while (c != 0) {
    Print.datum = c;
    c = KeyIn.datum;
  }
}
)");
  // The program's output so far shows before the stop, on a line of its own.
  const std::string output = debug(program, "break 6 if c == 'c'\nrun\nprint c\nc\ndelete\nrun\n", "abcd");
  EXPECT_EQ(lines_after(output, "Breakpoint 1 at " + start_of_line(program, 6) + ": file prog.vyl, line 6.", 7),
            (std::vector<std::string>{"ab", "", "Breakpoint 1, main () at prog.vyl:6", "6\t    Print.datum = c;",
                                      "c = 99", "Continuing.", "cd"}));
  // Each run reads the input from its start.
  EXPECT_TRUE(has_line(output, "abcd")) << output;
}

TEST(Session, RunAgainStartsOver) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "break 7\nrun\nrun\nprint depth\n");
  const std::vector<std::string> lines = lines_of(output);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Breakpoint 1, fact (n=1) at prog.vyl:7"), 2) << output;
  EXPECT_EQ(lines.back(), "depth = 4");
}

TEST(Session, WhatNeedsARunningProgramSaysSo) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  EXPECT_EQ(lines_of(debug(program, "step\nnext\ncontinue\nfinish\nprint depth\nbacktrace\ninfo locals\nrun\nprint depth\n")),
            (std::vector<std::string>{"The program is not being run.", "The program is not being run.",
                                      "The program is not being run.", "The program is not being run.",
                                      "The program is not being run.", "No stack.", "No frame selected.", "24",
                                      "[Program exited normally]", "The program is not being run."}));
}

TEST(Session, UnknownCommandsAbbreviationsAndHelp) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "frobnicate\ndis\nb 7\nr\np n\nhelp\nhelp watch\nq\nprint n\n");
  const std::vector<std::string> lines = lines_of(output);
  EXPECT_EQ(lines[0], "Undefined command: \"frobnicate\".  Try \"help\".");
  EXPECT_EQ(lines[1], "Ambiguous command \"dis\": disable, display.") << output;
  EXPECT_TRUE(has_line(output, "n = 1")) << output;
  EXPECT_TRUE(has_line(output, "  watch EXPR                      stop when the value of EXPR changes")) << output;
  // quit ends the session: the print after it is never read.
  EXPECT_EQ(lines.back(), "watch EXPR                      stop when the value of EXPR changes") << output;
}

}  // namespace
}  // namespace vylsim::test
