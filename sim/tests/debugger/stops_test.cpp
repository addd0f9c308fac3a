// How a program stops by itself: failed checks, division by zero, a stack
// overflow, the step limit; and watchpoints.
#include "debugger_test_support.h"

namespace vylsim::test {
namespace {

TEST(Traps, IndexOutsideAnArrayInPlace) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(void main() {
  int[3] a;
  int i = 0;
  while (i < 4) {
    a[i] = i * 10;
    i = i + 1;
  }
}
)");
  const std::string output = debug(program, "run\nbacktrace\nprint a\nprint i\ncontinue\nrun\n");
  EXPECT_EQ(lines_of(output),
            (std::vector<std::string>{"", "Program trapped: index 3 outside 0..2", "main () at prog.vyl:5",
                                      "5\t    a[i] = i * 10;", "#0  main () at prog.vyl:5", "a = {0, 10, 20}", "i = 3",
                                      "The program cannot go on after a trap or a machine error; 'run' starts it again.",
                                      "", "Program trapped: index 3 outside 0..2", "main () at prog.vyl:5",
                                      "5\t    a[i] = i * 10;"}));
}

TEST(Traps, IndexOfAByteArrayBehindAReference) {
  SKIP_WITHOUT_DEBUG_INFO();
  // The trap instruction the checks share lies in the code of the first
  // statement that checks; the report names the statement that failed.
  const Compiled program = compile(R"(class Box { int a; }
byte[] bs;
final byte[] codes = {65, 200};

void main() {
  Box q = new Box();
  q.a = 1;
  bs = new byte[2];
  bs[1] = codes[0];
  bs[2] = codes[1];
}
)");
  const std::string output = debug(program, "run\nprint bs\n");
  EXPECT_EQ(lines_of(output), (std::vector<std::string>{"", "Program trapped: index 2 outside 0..1", "main () at prog.vyl:10",
                                                        "10\t  bs[2] = codes[1];", "bs = {0, 65}"}));
}

TEST(Traps, IndexIntoAParameterArray) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(int get(int[] a, int i) {
  return a[i];
}

void main() {
  int[] row = new int[2];
  int x;
  x = get(row, 1);
  x = get(row, -1);
}
)");
  // row is the program's first block: its data follow the heap's first
  // four bytes (the block's header and length).
  EXPECT_EQ(lines_of(debug(program, "run\nbt\n")),
            (std::vector<std::string>{"", "Program trapped: index -1 outside 0..1", "get (a=0xA004, i=-1) at prog.vyl:2",
                                      "2\t  return a[i];", "#0  get (a=0xA004, i=-1) at prog.vyl:2",
                                      "#1  main () at prog.vyl:9"}));
}

TEST(Traps, NullReference) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(class Node { int value; Node next; }

void main() {
  Node p = new Node();
  p.value = 7;
  p = p.next;
  p.value = 1;
}
)");
  EXPECT_EQ(lines_of(debug(program, "run\nprint p\n")),
            (std::vector<std::string>{"", "Program trapped: null reference", "main () at prog.vyl:7",
                                      "7\t  p.value = 1;", "p = null"}));
}

TEST(Traps, DivisionByZeroInACall) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(int ratio(int a, int b) {
  return a / b;
}

void main() {
  int z = 0;
  int r;
  r = ratio(8, z + 2);
  r = ratio(r, z);
}
)");
  EXPECT_EQ(lines_of(debug(program, "run\nbt\nup\nprint r\nprint z\n")),
            (std::vector<std::string>{"", "Program trapped: division by zero", "ratio (a=4, b=0) at prog.vyl:2",
                                      "2\t  return a / b;", "#0  ratio (a=4, b=0) at prog.vyl:2",
                                      "#1  main () at prog.vyl:9", "#1  main () at prog.vyl:9", "9\t  r = ratio(r, z);",
                                      "r = 4", "z = 0"}));
}

TEST(Traps, StackOverflowLeavesEveryFrame) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(int down(int n) {
  return down(n + 1) + 1;
}

void main() {
  int r;
  r = down(0);
}
)");
  const std::string output = debug(program, "run\nbt 2\nprint n\nframe 1\nprint n\n");
  const std::vector<std::string> lines = lines_of(output);
  ASSERT_GE(lines.size(), 10u) << output;
  EXPECT_EQ(lines[1], "Program trapped: stack overflow (the stack ends at A000)");
  // The call that did not fit stopped in its prologue: at its declaration.
  const std::string deepest = lines[2].substr(lines[2].find("n=") + 2);
  const int n = std::stoi(deepest);
  EXPECT_GT(n, 100);
  EXPECT_EQ(lines[2], "down (n=" + std::to_string(n) + ") at prog.vyl:1");
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()),
            (std::vector<std::string>{"#0  down (n=" + std::to_string(n) + ") at prog.vyl:1",
                                      "#1  down (n=" + std::to_string(n - 1) + ") at prog.vyl:2",
                                      "(More stack frames follow...)", "n = " + std::to_string(n),
                                      "#1  down (n=" + std::to_string(n - 1) + ") at prog.vyl:2",
                                      "2\t  return down(n + 1) + 1;", "n = " + std::to_string(n - 1)}));
  // All the calls are there, down to main.
  const std::vector<std::string> all = lines_of(debug(program, "run\nbt\n"));
  EXPECT_EQ(all.back(), "#" + std::to_string(n + 1) + "  main () at prog.vyl:7");
}

TEST(Stops, StepLimitStopsAndTheProgramGoesOn) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(void main() {
  int i = 0;
  while (true) {
    i = i + 1;
  }
}
)");
  const std::string output = debug(program, "run\nprint i\ncontinue\nprint i\n", "", 1000);
  const std::vector<std::string> lines = lines_of(output);
  EXPECT_EQ(lines[1], "Program stopped: the step limit of 1000 instructions was reached.");
  EXPECT_TRUE(lines[2] == "main () at prog.vyl:3" || lines[2] == "main () at prog.vyl:4") << output;
  const int first = std::stoi(lines[4].substr(4));
  const int second = std::stoi(lines.back().substr(4));
  // An iteration takes a handful of instructions: a thousand make many.
  EXPECT_GT(first, 50);
  EXPECT_NEAR(second, 2 * first, 3);
}

TEST(Watch, StopsWhenTheValueChanges) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "watch depth\nrun\ncontinue\ninfo breakpoints\ndelete\ncontinue\n");
  EXPECT_EQ(lines_of(output),
            (std::vector<std::string>{"Watchpoint 1: depth", "", "Watchpoint 1: depth", "", "Old value = 0",
                                      "New value = 1", "fact (n=4) at prog.vyl:6", "6\t  if (n <= 1)", "Continuing.", "",
                                      "Watchpoint 1: depth", "", "Old value = 1", "New value = 2",
                                      "fact (n=3) at prog.vyl:6", "6\t  if (n <= 1)",
                                      "Num     Type        Disp Enb Address  What",
                                      "1       watchpoint  keep y            depth",
                                      "        watchpoint already hit 2 times", "Continuing.", "24",
                                      "[Program exited normally]"}));
}

TEST(Watch, ALocalGoesWithItsFrame) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(int square(int x) {
  int y;
  y = x * x;
  return y;
}

void main() {
  int s;
  s = square(3);
  s = square(4);
}
)");
  const std::string output = debug(program, "break square\nrun\nwatch y\ndelete 1\ncontinue\ncontinue\nprint s\n");
  EXPECT_EQ(lines_after(output, "Watchpoint 2: y", 12),
            (std::vector<std::string>{"Continuing.", "", "Watchpoint 2: y", "", "Old value = 0", "New value = 9",
                                      "4\t  return y;", "Continuing.", "",
                                      "Watchpoint 2 deleted because the program has left the procedure in which",
                                      "its expression is valid.", "main () at prog.vyl:9"}))
      << output;
  EXPECT_EQ(lines_of(output).back(), "s = 0");
}

TEST(Watch, AnElementOfAnArray) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(R"(int[4] counts;

void main() {
  int i = 0;
  while (i < 8) {
    counts[i % 4] = counts[i % 4] + i;
    i = i + 1;
  }
}
)");
  // counts[2] grows by 2, then by 6.
  const std::string output = debug(program, "watch counts[2]\nrun\nprint i\nc\nprint i\nc\n");
  const std::vector<std::string> lines = lines_of(output);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Old value = 0"), 1) << output;
  EXPECT_TRUE(has_line(output, "New value = 2")) << output;
  EXPECT_TRUE(has_line(output, "Old value = 2")) << output;
  EXPECT_TRUE(has_line(output, "New value = 8")) << output;
  EXPECT_TRUE(has_line(output, "i = 2")) << output;
  EXPECT_TRUE(has_line(output, "i = 6")) << output;
  EXPECT_EQ(lines.back(), "[Program exited normally]");
}

TEST(Stops, KillEndsTheProgram) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  EXPECT_EQ(lines_of(debug(program, "break 7\nrun\nkill\nbt\ncontinue\n")).back(), "The program is not being run.");
}

}  // namespace
}  // namespace vylsim::test
