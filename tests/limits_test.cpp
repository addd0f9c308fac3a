// Every fixed capacity, reached from a source file generated here: the run
// ends with the capacity's own message, status 1, "Failed", an exit file
// that is not "0" and no image lines.  The deepest nestings also prove that
// the host stack holds out until the KibStack is full, in every build.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/app.h"
#include "harness.h"
#include "outcome_check.h"
#include "runtime/runtime.h"

namespace vyl {
namespace {

using test::Compiled;
using test::CompileSource;

std::string Repeat(std::string_view s, int n) {
  std::string out;
  out.reserve(s.size() * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out.append(s);
  return out;
}

// A source padded with blanks to exactly `size` characters.
std::string PaddedTo(std::string source, std::size_t size) {
  EXPECT_LE(source.size(), size);
  source.resize(size, ' ');
  return source;
}

std::string Main(std::string_view body) { return "void main() {" + std::string(body) + "}\r\n"; }

// Lines 0 to n - 1 of a source.
std::string Lines(int n, const std::function<std::string(std::string)>& line) {
  std::string out;
  for (int i = 0; i < n; ++i) out += line(std::to_string(i)) + "\r\n";
  return out;
}

struct Limit {
  const char* what;
  std::string source;
  std::string message;  // a line of the output
};

void ExpectFailsWith(const Limit& k) {
  Compiled c = CompileSource(k.source);
  EXPECT_EQ(c.status, 1) << k.what;
  EXPECT_TRUE(c.hasLine(k.message)) << k.what << ": " << c.output.substr(c.output.size() > 300 ? c.output.size() - 300 : 0);
  EXPECT_EQ(test::OutcomeFault(c), "") << k.what;
}

// Strings: 4,086 ids in all, 32,700 characters in all.
TEST(LimitsTest, StringTableAndCharacterStore) {
  ExpectFailsWith({"4100 names", Lines(4100, [](std::string i) { return "int v" + i + ";"; }) + Main(""),
                   "***String table full***"});
  ExpectFailsWith({"40 names of 1000 characters",
                   Lines(40, [](std::string i) { return "int " + std::string(1000, 'x') + i + ";"; }) + Main(""),
                   "***Character store full***"});
}

// Every construct that nests brackets its rules on the KibStack (16,384
// entries); nesting deeper than it allows ends the run there, long before the
// session's thread stack runs out, in the sanitizer build as well.
TEST(LimitsTest, KibStackOverflowForEveryKindOfNesting) {
  const std::pair<const char*, std::string> nestings[] = {
      {"parentheses", Main("int x = " + Repeat("(", 300000) + "1" + Repeat(")", 300000) + ";")},
      {"unary minus", Main("int x = " + Repeat("-", 900000) + "1;")},
      {"not", Main("boolean b = " + Repeat("!", 900000) + "true;")},
      {"blocks", Main(Repeat("{", 450000) + Repeat("}", 450000))},
      {"if", Main(Repeat("if (true) ", 99000) + ";")},
      {"while", Main(Repeat("while (true) ", 76000) + ";")},
      {"do", Main(Repeat("do ", 60000) + ";" + Repeat(" while (true);", 60000))},
      {"switch", Main("int x = 0;" + Repeat("switch (x) { case 0: ", 40000) + Repeat("break; }", 40000))},
      // Deep trees built by loops in the parser: the code generator walks them.
      {"long operator chain", PaddedTo("int x;" + Main("x = " + Repeat("x+", 499980) + "x;"), 999999)},
      {"4000 statements", Main("int x = 0;" + Repeat("x = x + 1;", 4000))},
      {"empty statements filling the source", PaddedTo(Main(Repeat(";", 999980)), 999999)},
  };
  for (const auto& [what, source] : nestings) ExpectFailsWith({what, source, " KibStack overflow error"});
}

TEST(LimitsTest, TraceCodeImageAndSwitches) {
  // '?' switches the trace on; more than 4,000,000 trace characters.
  ExpectFailsWith({"runaway trace", "?\r\n" + Main("int x = 0;" + Repeat("x = x + 1;\r\n", 20000)), "RunawayTrace"});
  // Eight functions of about 4.5 K of code each; the code ends below the
  // reserved words at 7FF6 = 32758.
  const std::string body = "() { int x = 0;" + Repeat("x = x + 1;", 900) + "}";
  ExpectFailsWith({"code image", Lines(8, [&](std::string k) { return "void f" + k + body; }) + Main(""),
                   "Too much code @32758"});
  ExpectFailsWith({"sparse switch", Main("int x = 0; switch (x) { case 0: break; case 300: break; }"),
                   "Switch cases too sparse"});
  // The densest table that is not refused: 256 entries for two cases.
  EXPECT_EQ(CompileSource(Main("int x = 0; switch (x) { case 0: break; case 255: break; }")).status, 0);
}

// A trace that is nearly full when the compilation ends: the statistics
// and the outcome still close the session (they used to raise
// "RunawayTrace" from inside the session's end, which nothing caught).
TEST(LimitsTest, TraceFullAtTheEndOfTheSession) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  {
    OpenSession session(host);
    for (int i = 0; i < 399999; ++i) TraceText("0123456789");  // 3,999,990 of 4,000,000
  }
  EXPECT_EQ(host.stdoutText, "");
  EXPECT_EQ(test::outcome::ConsoleOutcome(host.console), "Failed");
}

// The closing bracket of an alternative traces "|": when that character
// is the one past the limit, the run ends there like anywhere else (it used
// to abort the process from the bracket's destructor).
TEST(LimitsTest, TraceFullInAClosingBracket) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  OpenSession session(host);
  SetTraceLevel(2);
  EXPECT_THROW(
      {
        Rule r("R");     // "+R" and its line end (CR LF): 4 characters
        Attempt a(r);    // "'": 1
        TraceText(std::string(3999995, 'a'));  // 4,000,000: the limit
      },                 // "|" ends the run
      FatalReturn);
  EXPECT_EQ(host.stdoutText, "Error: RunawayTrace\n");
}

// The limit is on the characters of the trace file, its line ends (CR LF)
// included: a trace of short lines ends as early as one long line does.
TEST(LimitsTest, TraceLineEndsCountTowardsTheLimit) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  int lines = 0;
  {
    OpenSession session(host);
    EXPECT_THROW(
        for (;; ++lines) {
          TraceText("x");
          TraceLine();
        },
        FatalReturn);
  }
  // Three characters a line: the line end of line 1,333,334 passes 4,000,000.
  EXPECT_EQ(lines, 1333333);
  const std::string& trace = host.files["KIBdbg.txt"];
  ASSERT_GT(trace.size(), 4000002u);
  EXPECT_TRUE(trace.starts_with(Repeat("x\r\n", 1333334)));
  // Then only line ends up to the message.
  std::size_t message = trace.find("RunawayTrace", 4000002);
  ASSERT_NE(message, std::string::npos);
  EXPECT_EQ(trace.find_first_not_of("\r\n", 4000002), message);
}

// The set cells (81,920) cannot be exhausted from a source: only switch case
// values go into sets, one cell per value (they are added in increasing
// order), and a switch whose body or table holds more than about 1,300 case
// groups fails first with "Too much code in body of 'switch'".  The tables
// of all switches that do fit share one 32 K image.  Its own limit is tested
// with the runtime.
TEST(LimitsTest, SwitchCaseValuesUseOneSetCellEach) {
  std::string cases;
  for (int i = 0; i < 1000; ++i) cases += "case " + std::to_string(i) + ": break;";
  Compiled c = CompileSource(Main("int x = 0; switch (x) {" + cases + "}"));
  EXPECT_EQ(c.status, 0);
  EXPECT_NE(c.trace.find("Sets==0/80K"), std::string::npos);  // 1000 cells: 0 K
}

// One opening reads at most 999,999 characters; a longer source is refused
// instead of being compiled in part.
TEST(LimitsTest, SourceLength) {
  const std::string program = Main("");
  Compiled full = CompileSource(PaddedTo(program, 999999));
  EXPECT_EQ(full.status, 0);
  EXPECT_EQ(test::OutcomeFault(full), "");
  const std::string tooLong = "Source file is longer than 999999 characters";
  ExpectFailsWith({"1,000,000 characters", PaddedTo(program, 1000000), tooLong});
  // Cut inside a comment: still refused, not compiled up to the cut.
  ExpectFailsWith({"cut in a comment", PaddedTo(program + "/*", 1200000), tooLong});
}

}  // namespace
}  // namespace vyl
