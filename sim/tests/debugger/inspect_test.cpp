// Looking at a stopped program: print, set var, display, info, the frames
// of the stack and the source.
#include "debugger_test_support.h"

namespace vylsim::test {
namespace {

const char shapes[] = R"(import Hardware;

class Point { int x; int y; Point next; }

final int LIMIT = 3;
final String title = "Vyl";
final int[4] primes = {2, 3, 5, 7};
final byte[] codes = {65, 200};
final Point origin = new Point();

int[3] table;
String name;
boolean flag;
char letter;
byte small;
Point head;
byte[4] bytes;

int sum(int[] a, int n) {
  int s = 0;
  int i = 0;
  while (i < n) {
    s = s + a[i];
    i = i + 1;
  }
  return s;
}

int kind(char c) {
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
  int[] row = new int[4];
  char[5] word;
  Point p = new Point();
  int[3][2] m;
  int k;
  row[0] = 5; row[1] = 6; row[2] = 7;
  word[0] = 'h'; word[1] = 'i';
  p.x = 3; p.y = -4;
  head = p;
  p.next = new Point();
  p.next.x = 8;
  name = "abc";
  flag = true;
  letter = 'z';
  small = codes[1];
  bytes[2] = small;
  m[1][2] = 42;
  table[1] = sum(row, 3);
  k = kind('a');
  Print.datum = ORD(title[0]);
}
)";

// Prints each expression at the line `at` and returns "EXPR = VALUE" (or the
// error) for each, in order.
std::vector<std::string> values_at(const Compiled& program, const std::string& at,
                                   const std::vector<std::string>& expressions) {
  std::string commands = "break " + std::to_string(line_of(program, at)) + "\nrun\n";
  for (const std::string& e : expressions) commands += "print " + e + "\n";
  const std::vector<std::string> lines = lines_of(debug(program, commands));
  return std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(expressions.size()), lines.end());
}

TEST(Print, ScalarsOfEveryType) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(shapes);
  EXPECT_EQ(values_at(program, "table[1] = sum(row, 3);",
                      {"p.y", "flag", "letter", "small", "LIMIT", "k", "name[1]", "bytes[2]", "codes[0]"}),
            (std::vector<std::string>{"p.y = -4", "flag = true", "letter = 'z'", "small = 200", "LIMIT = 3", "k = 0",
                                      "name[1] = 'b'", "bytes[2] = 200", "codes[0] = 65"}));
}

TEST(Print, ArraysStringsAndObjects) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(shapes);
  const std::vector<std::string> values =
      values_at(program, "table[1] = sum(row, 3);",
                {"row", "word", "name", "title", "primes", "bytes", "m", "m[1]", "table", "p.next", "origin", "head.next.x"});
  EXPECT_EQ(values[0], "row = {5, 6, 7, 0}");
  EXPECT_EQ(values[1], "word = \"hi\\x00\\x00\\x00\"");
  EXPECT_EQ(values[2], "name = \"abc\"");
  EXPECT_EQ(values[3], "title = \"Vyl\"");
  EXPECT_EQ(values[4], "primes = {2, 3, 5, 7}");
  EXPECT_EQ(values[5], "bytes = {0, 0, 200, 0}");
  EXPECT_EQ(values[6], "m = {{0, 0, 0}, {0, 0, 42}}");
  EXPECT_EQ(values[7], "m[1] = {0, 0, 42}");
  EXPECT_EQ(values[8], "table = {0, 0, 0}");
  EXPECT_EQ(values[9], "p.next = {x = 8, y = 0, next = null}");
  EXPECT_EQ(values[10], "origin = {x = 0, y = 0, next = null}");
  EXPECT_EQ(values[11], "head.next.x = 8");
}

TEST(Print, AReferenceInsideAValueIsItsAddress) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(shapes);
  const std::vector<std::string> values = values_at(program, "table[1] = sum(row, 3);", {"p", "p.next == head.next", "p == null"});
  // p.next was allocated right after p: heap blocks follow each other.
  const std::string next = values[0].substr(values[0].rfind("0x"), 6);
  EXPECT_EQ(values[0], "p = {x = 3, y = -4, next = " + next + "}");
  EXPECT_GT(next, "0xA000");
  EXPECT_EQ(values[1], "p.next == head.next = true");
  EXPECT_EQ(values[2], "p == null = false");
}

TEST(Print, ArithmeticFollowsTheMachine) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(shapes);
  EXPECT_EQ(values_at(program, "table[1] = sum(row, 3);",
                      {"row[1] + row[2] * 2", "(row[1] + row[2]) * 2", "-7 / 2", "-7 % 2", "32767 + 1",
                       "ORD(letter) - ORD('a')", "CHR(65)", "LENGTH(row) + LENGTH(word)", "1 << 4 | 1", "row[0] > 4 && !flag",
                       "p.x == 3 || p.next.next.x == 1"}),
            (std::vector<std::string>{"row[1] + row[2] * 2 = 20", "(row[1] + row[2]) * 2 = 26", "-7 / 2 = -3",
                                      "-7 % 2 = -1", "32767 + 1 = -32768", "ORD(letter) - ORD('a') = 25",
                                      "CHR(65) = 'A'", "LENGTH(row) + LENGTH(word) = 9", "1 << 4 | 1 = 17",
                                      "row[0] > 4 && !flag = false", "p.x == 3 || p.next.next.x == 1 = true"}));
}

TEST(Print, BadExpressionsAreOneLineErrors) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(shapes);
  EXPECT_EQ(values_at(program, "table[1] = sum(row, 3);",
                      {"row[4]", "p.z", "nothing", "1 +", "7 / (k - k)", "p.next.next.x", "flag + 1", "k[0]", "1 < 2 < 3",
                       "sum(row, 3)"}),
            (std::vector<std::string>{"index 4 outside 0..3 of row", "class Point has no field z",
                                      "No symbol \"nothing\" in current context.",
                                      "syntax error at the end of '1 +': the expression ends too early",
                                      "Division by zero", "p.next.next is null",
                                      "flag is not a number (it is a boolean)",
                                      "cannot index k, which is not an array",
                                      "syntax error in '1 < 2 < 3' near '< 3': one comparison at a time: put the first in "
                                      "parentheses",
                                      "only ORD, CHR and LENGTH can be called here, not sum"}));
}

TEST(Print, HexFormat) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(shapes);
  EXPECT_EQ(values_at(program, "table[1] = sum(row, 3);", {"/x p.y", "/x row"}),
            (std::vector<std::string>{"p.y = 0xFFFC", "row = {0x0005, 0x0006, 0x0007, 0x0000}"}));
}

TEST(SetVar, ChangesWhatTheProgramThenUses) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(shapes);
  // sum(row, 3) then adds 50 + 6 + 7.
  const std::string output = debug(program,
                                   "break " + std::to_string(line_of(program, "table[1] = sum(row, 3);")) +
                                       "\nrun\nset var row[0] = 50\nset var small = 7\nset var letter = 'q'\n"
                                       "set var p.next = null\nset var flag = 3\nset var row = 5\n"
                                       "set var primes[0] = 1\nset var LIMIT = 4\nwatch LIMIT\nnext\n"
                                       "print table[1]\nprint small\nprint bytes\nprint letter\nprint p\n");
  const std::vector<std::string> lines = lines_of(output);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 11, lines.end()),
            (std::vector<std::string>{"flag is a boolean: give it true or false", "5 is not of type int[]",
                                      "primes[0] is part of a constant table",
                                      "LIMIT is not a variable, element or field", "Cannot watch a constant value.",
                                      shown(program, "k = kind('a');"), "table[1] = 63", "small = 7",
                                      "bytes = {0, 0, 200, 0}", "letter = 'q'", "p = {x = 3, y = -4, next = null}"}))
      << output;
}

TEST(Info, LocalsArgsAndGlobals) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(shapes);
  const std::string output = debug(program,
                                   "break " + std::to_string(line_of(program, "i = i + 1;")) +
                                       "\nrun\ninfo args\ninfo locals\nup\ninfo args\nprint n\nprint row[n]\n");
  const std::string bp = shown(program, "i = i + 1;");
  const std::vector<std::string> lines = lines_after(output, bp, 4);
  EXPECT_EQ(lines, (std::vector<std::string>{"a = {5, 6, 7, 0}", "n = 3", "s = 5", "i = 0"}));
  EXPECT_EQ(lines_after(output, "i = 0", 5),
            (std::vector<std::string>{"#1  main () at prog.vyl:" + std::to_string(line_of(program, "table[1] = sum")),
                                      shown(program, "table[1] = sum(row, 3);"), "No arguments.",
                                      "No symbol \"n\" in current context.", "No symbol \"n\" in current context."}))
      << output;
  const std::string globals = debug(program, "break kind\nrun\ninfo globals\n");
  std::vector<std::string> shown_globals = lines_after(globals, shown(program, "switch (c) {"), 8);
  ASSERT_EQ(shown_globals.size(), 8u) << globals;
  // head refers to main's p, whose next is a third block's address.
  const std::string head = "head = {x = 3, y = -4, next = 0xA0";
  EXPECT_EQ(shown_globals[6].substr(0, head.size()), head);
  shown_globals.erase(shown_globals.begin() + 6);
  EXPECT_EQ(shown_globals, (std::vector<std::string>{"origin = {x = 0, y = 0, next = null}", "table = {0, 18, 0}",
                                                      "name = \"abc\"", "flag = true", "letter = 'z'", "small = 200",
                                                      "bytes = {0, 0, 200, 0}"}))
      << globals;
}

TEST(Frames, UpDownAndFrameSelectWhereNamesAreLookedUp) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output =
      debug(program, "break 7\nrun\nup 2\nprint n\ndown\nprint n\nframe 4\nprint r\nup\ndown 9\ndown\nframe\nframe 9\n");
  EXPECT_EQ(lines_after(output, "7\t    return 1;", 15),
            (std::vector<std::string>{"#2  fact (n=3) at prog.vyl:8", "8\t  return n * fact(n - 1);", "n = 3",
                                      "#1  fact (n=2) at prog.vyl:8", "8\t  return n * fact(n - 1);", "n = 2",
                                      "#4  main () at prog.vyl:14", "14\t  r = fact(4);", "r = 0",
                                      "Initial frame selected; you cannot go up.", "#0  fact (n=1) at prog.vyl:7",
                                      "7\t    return 1;", "Bottom (innermost) frame selected; you cannot go down.",
                                      "#0  fact (n=1) at prog.vyl:7", "7\t    return 1;"}))
      << output;
  EXPECT_EQ(lines_of(output).back(), "No frame at level 9.");
}

TEST(Display, ShownAtEveryStopInItsProcedure) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::string output = debug(program, "break fact\nrun\ndisplay n\ndisplay depth * 10\nc\ninfo display\nundisplay 1\nc\n");
  EXPECT_EQ(lines_after(output, "5\t  depth = depth + 1;", 2),
            (std::vector<std::string>{"1: n = 4", "2: depth * 10 = 0"}));
  EXPECT_TRUE(has_line(output, "1: n = 3")) << output;
  EXPECT_TRUE(has_line(output, "2: depth * 10 = 10")) << output;
  EXPECT_EQ(lines_after(output, "Auto-display expressions now in effect:", 3),
            (std::vector<std::string>{"Num Expression", "1:  n", "2:  depth * 10"}));
  EXPECT_FALSE(has_line(output, "1: n = 2")) << output;
  EXPECT_TRUE(has_line(output, "2: depth * 10 = 20")) << output;
}

TEST(List, AroundTheStopAFunctionOrARange) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const std::vector<std::string> source = lines_of(program.source);
  auto listing = [&](int first, int last) {
    std::vector<std::string> lines;
    for (int n = first; n <= last; ++n) lines.push_back(std::to_string(n) + "\t" + source[static_cast<size_t>(n - 1)]);
    return lines;
  };
  EXPECT_EQ(lines_of(debug(program, "list fact")), listing(1, 10));
  std::vector<std::string> expected = listing(3, 4);
  for (const std::string& line : listing(17, 18)) expected.push_back(line);
  EXPECT_EQ(lines_of(debug(program, "list 3,4\nlist 17,30")), expected);
  expected = listing(10, 18);
  expected.push_back("Line number 19 out of range; \"prog.vyl\" has 18 lines.");
  EXPECT_EQ(lines_of(debug(program, "list 15\nlist")), expected);
  const std::vector<std::string> stopped = lines_of(debug(program, "break 14\nrun\nlist"));
  EXPECT_EQ(std::vector<std::string>(stopped.end() - 10, stopped.end()), listing(9, 18));
}

}  // namespace
}  // namespace vylsim::test
