// The reference interpreter on programs whose output the language reference
// fixes: each program prints what docs/ say it prints, or stops as they say.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "case_files.h"
#include "interpreter.h"

namespace vylfuzz {
namespace {

namespace fs = std::filesystem;

// Prints an int in decimal, then a line end.
constexpr const char* kShow = R"(
import Hardware;
void digits(int d) {
  if (d >= 10) digits(d / 10);
  Print.datum = 48 + d % 10;
}
void show(int n) {
  if (n < 0) {
    Print.datum = 45;
    if (n == -32768) {
      Print.datum = 51;
      n = 2768;
    } else {
      n = -n;
    }
  }
  digits(n);
  Print.datum = 10;
}
)";

struct Case {
  const char* name;
  const char* body;  // follows kShow
  const char* output;
  Outcome::Stop stop = Outcome::Finished;
  const char* input = "";
};

void Expect(const Case& c) {
  Outcome o = RunReference(std::string(kShow) + c.body, c.input);
  EXPECT_EQ(StopName(o.stop), std::string(StopName(c.stop))) << c.name << ": " << o.reason;
  EXPECT_EQ(o.output, c.output) << c.name;
}

TEST(ReferenceTest, ArithmeticWrapsAt16Bits) {
  const Case cases[] = {
      {"wraps", "void main() { int a = 32767; show(a + 1); show(a * 2); show(-(a + 1)); }", "-32768\n-2\n-32768\n"},
      {"divides toward zero", "void main() { int a = -7; show(a / 2); show(a % 2); show(7 % -2); }", "-3\n-1\n1\n"},
      {"-32768 / -1 wraps", "void main() { int a = -32768; int b = -1; show(a / b); show(a % b); }", "-32768\n0\n"},
      {"bit operators", "void main() { int a = 12; show(a & 10); show(a | 10); show(a ^ 10); show(~a); }",
       "8\n14\n6\n-13\n"},
      {"shifts by 16 or more", "void main() { int a = -5; int n = 16; show(a << n); show(a >> n); show(7 >> 20 - 4); }",
       "0\n-1\n0\n"},
      {"negative counts shift the other way", "void main() { int a = 12; int n = -2; show(a << n); show(a >> n); }",
       "3\n48\n"},
      {">> -32768 shifts right", "void main() { int n = -32768; show(-5 >> n); show(5 >> n); }", "-1\n0\n"},
      {">>> is the arithmetic shift", "void main() { int x = -16; show(x >>> 2); show(x >> 2); }", "-4\n-4\n"},
      {"literals keep their low 16 bits", "void main() { int x = 70000; show(x); show(0xFFFF); }", "4464\n-1\n"},
  };
  for (const Case& c : cases) Expect(c);
}

TEST(ReferenceTest, ConstantExpressionsFoldIn32Bits) {
  const Case cases[] = {
      {"folded, computed", "void main() { int a = 30000; show((30000 + 30000) / 2); show((a + a) / 2); }",
       "30000\n-2768\n"},
      {"named constants", "final int Big = 40000 + 40000; void main() { show(Big / 4); show(Big); }", "20000\n14464\n"},
      {"lengths are constants", "int[3][4] m; void main() { show(LENGTH(m) * 20000 / 20000); show(LENGTH(m[0])); }",
       "4\n3\n"},
      {"tables of known length", "final char[] T = \"hello\"; void main() { show(LENGTH(T) * 20000 / 20000); }", "5\n"},
      {"CHR of a constant", "final char C = CHR(65); void main() { show(ORD(C)); show(ORD(CHR(255))); }",
       "65\n255\n"},
      {"shifts of constants", "void main() { show((1 << 20) >> 18); show((-16 >> 2) >> 16); show((3 | 5) & 6); }",
       "4\n-1\n6\n"},
      {"CHR of a variable is masked", "void main() { int v = 300; show(ORD(CHR(v))); v = -1; show(ORD(CHR(v))); }",
       "44\n255\n"},
      {"braces are not constant", "void main() { show({60000} / 2); show((60000) / 2); }", "-2768\n30000\n"},
      {"constant comparisons fold in 32 bits", "void main() { if (70000 < 5000) show(1); else show(0); }", "0\n"},
  };
  for (const Case& c : cases) Expect(c);
}

TEST(ReferenceTest, LogicalOperatorsEvaluateBothOperands) {
  const char* counting = "int calls; boolean f(boolean v) { calls = calls + 1; return v; }\n";
  const Case cases[] = {
      {"both sides", "void main() { boolean r = f(false) && f(true); r = f(true) || f(false); show(calls); }", "4\n"},
      {"a constant decides", "void main() { boolean r = false && f(true); r = true || f(true); show(calls); }", "0\n"},
      {"a constant drops out", "void main() { boolean r = f(true) && true; r = f(false) || false; show(calls); }",
       "2\n"},
      {"a constant decides on the right", "void main() { boolean r = f(true) || true; show(calls); show(ORD(r)); }",
       "0\n1\n"},
  };
  for (const Case& c : cases) Expect({c.name, (std::string(counting) + c.body).c_str(), c.output});
}

TEST(ReferenceTest, StatementsAndSwitches) {
  const Case cases[] = {
      {"continue in do restarts the body",
       "void main() { int i = 0; do { i = i + 1; if (i < 10) continue; } while (false); show(i); }", "10\n"},
      {"break leaves the innermost loop",
       "void main() { int i = 0; int n = 0; while (i < 3) { i = i + 1; while (true) { n = n + 1; break; } } show(n); }",
       "3\n"},
      {"switch with gaps and a default",
       "void k(int v) { switch (v) { case -3: show(30); break; case 0: show(0); break; case 5: show(5); break; "
       "default: show(99); break; } }\nvoid main() { k(-3); k(5); k(4); }",
       "30\n5\n99\n"},
      {"no default: nothing", "void main() { switch ('q') { case 'a': show(1); break; } show(2); }", "2\n"},
      {"continue in a switch repeats the loop",
       "void main() { int i = 0; int n = 0; while (i < 6) { i = i + 1; switch (i % 2) { case 0: continue; "
       "default: break; } n = n + 1; } show(n); }",
       "3\n"},
      {"a result without return is 0", "int f() { show(1); }\nvoid main() { show(f()); }", "1\n0\n"},
      {"return from a switch", "int f(boolean b) { switch (b) { case true: return 7; default: return 8; } }\n"
                               "void main() { show(f(true)); show(f(false)); }",
       "7\n8\n"},
  };
  for (const Case& c : cases) Expect(c);
}

TEST(ReferenceTest, VariablesArraysAndObjects) {
  const Case cases[] = {
      {"globals initialised in order", "int a; int b = a + 1; int c = b * 10; void main() { show(c); }", "10\n"},
      {"locals start at 0", "void f() { int x; int[2] y; show(x + y[1]); x = 5; y[1] = 6; }\n"
                            "void main() { f(); f(); }",
       "0\n0\n"},
      {"byte tables and arrays", "final byte[] B = {200, 255}; void main() { byte[2] b; b[1] = B[0]; "
                                 "show(ORD(b[1]) + ORD(B[1])); show(ORD(b[0])); }",
       "455\n0\n"},
      {"equal strings share one table", "void main() { String s = \"abc\"; String t = \"abc\"; s[0] = 'x'; "
                                        "Print.datum = ORD(t[0]); if (s == t) show(1); }",
       "x1\n"},
      {"int[3][4] is four rows of three", "void main() { int[3][4] m; m[3][2] = 9; show(m[3][2] + LENGTH(m)); }",
       "13\n"},
      {"objects and references", "class N { int v; N next; }\nvoid main() { N a = new N(); N b = new N(); "
                                 "a.next = b; b.v = 4; show(a.next.v); if (b.next == null) show(1); }",
       "4\n1\n"},
      {"new arrays start at 0", "void main() { int[] r = new int[3]; char[] c = new char[2]; "
                                "show(r[2] + ORD(c[1]) + LENGTH(r)); }",
       "3\n"},
      {"a final object lives among the globals", "class P { int x; }\nfinal P o = new P();\n"
                                                 "void set(P p) { p.x = 3; }\nvoid main() { set(o); show(o.x); }",
       "3\n"},
      {"input", "void main() { show(KeyIn.datum); show(KeyIn.datum); show(KeyIn.datum); }", "65\n66\n0\n",
       Outcome::Finished, "AB"},
  };
  for (const Case& c : cases) Expect(c);
}

TEST(ReferenceTest, EvaluationOrder) {
  const char* tracing = "int t; int f(int v) { t = t * 10 + v; return 0; }\n";
  const Case cases[] = {
      {"operands and arguments left to right", "int g(int a, int b) { return 0; }\n"
                                               "void main() { int x = f(1) + f(2) + g(f(3), f(4)); show(t); }",
       "1234\n"},
      {"the value before the target", "void main() { int[2] a; a[f(1)] = f(2); show(t); }", "21\n"},
      {"the array, its index, then the check", "void main() { int[2] a; a[f(1) + 5] = 0; }", "", Outcome::Trap},
  };
  for (const Case& c : cases) Expect({c.name, (std::string(tracing) + c.body).c_str(), c.output, c.stop});
}

TEST(ReferenceTest, TrapsStopTheProgram) {
  const Case cases[] = {
      {"index", "void main() { int[3] a; int i = 3; show(1); a[i] = 1; show(2); }", "1\n", Outcome::Trap},
      {"negative index", "void main() { int[] a = new int[3]; int i = -16384; show(a[i]); }", "", Outcome::Trap},
      {"null field", "class N { int v; }\nvoid main() { N n; show(1); n.v = 2; }", "1\n", Outcome::Trap},
      {"null array", "void main() { int[] a; show(LENGTH(a)); }", "", Outcome::Trap},
      {"null before the index", "int f() { show(5); return 0; }\nvoid main() { int[] a; show(a[f()]); }", "",
       Outcome::Trap},
      {"division by zero", "void main() { int z = 0; show(7 / z); }", "", Outcome::Trap},
      {"remainder by zero", "void main() { int z = 0; show(7 % z); }", "", Outcome::Trap},
  };
  for (const Case& c : cases) Expect(c);
}

TEST(ReferenceTest, DevicesAndPackages) {
  const Case cases[] = {
      {"registers are memory", "void main() { Video.left = 7; Disk.count = -2; show(Video.left + Disk.count); "
                               "show(Date.hours); }",
       "5\n0\n"},
      {"Print and Mouse.datum share the printer's word",
       "void main() { Print.datum = 72; Mouse.datum = 105; Print.datum = 256 + 10; }", "Hi\n"},
      {"the constants", "void main() { show(minRed * 3 + minGreen * 2 + minBlue * maxColor + white + ClipRect); }",
       "407\n"},
  };
  for (const Case& c : cases) Expect(c);
  Outcome o = RunReference("void main() { Print.datum = 65; }\n");
  EXPECT_EQ(o.stop, Outcome::Invalid);  // Print is Hardware's
  o = RunReference("import Hardware.*;\nvoid main() { Print.datum = 64 + IntOnBit + PrintOnBit; }\n");
  EXPECT_EQ(o.output, "C");
}

// Programs whose meaning the language does not fix, or that leave the
// budget, stop as invalid.
TEST(ReferenceTest, RefusesWhatTheLanguageLeavesOpen) {
  const Case cases[] = {
      {"a later local in an initial value", "void main() { int a = b; int b; }", "", Outcome::Invalid},
      {"a value the compiler may tell", "int f() { show(1); return 1; }\nvoid main() { show(f() * 0); }", "",
       Outcome::Invalid},
      {"an index it may tell", "void main() { int[2] a; int i = 5; show(a[i & 0]); }", "", Outcome::Invalid},
      {"a constant beyond 32 bits", "void main() { show(70000 * 70000 / 2); }", "", Outcome::Invalid},
      {"endless", "void main() { while (true) { } }", "", Outcome::Invalid},
      {"endless recursion", "void f() { f(); }\nvoid main() { f(); }", "", Outcome::Invalid},
      {"an array of no elements", "void main() { int n = 0; int[] a = new int[n]; }", "", Outcome::Invalid},
      {"an object of a returned frame", "class P { int x; }\nP kept;\nvoid keep(P p) { kept = p; }\n"
                                        "void f() { final P o = new P(); keep(o); }\nvoid main() { f(); show(kept.x); }",
       "", Outcome::Invalid},
      {"a heap too small",
       "class P { int[200] a; }\nvoid main() { P p; int i = 0; while (i < 100) { p = new P(); i = i + 1; } }", "",
       Outcome::Invalid},
      {"a type error", "void main() { int a = true; }", "", Outcome::Invalid},
      {"an index whose offset wraps", "void main() { int[] a = new int[2]; int i = 16384; show(a[i]); }", "",
       Outcome::Invalid},
      {"String is not char[] to ==", "void main() { String s = \"a\"; char[] c = new char[1]; if (s == c) show(1); }",
       "", Outcome::Invalid},
  };
  for (const Case& c : cases) Expect(c);
}

// The end-to-end programs of the compiler's tests print what their .out
// files hold, on the reference too (all but those that address memory).
TEST(ReferenceTest, EndToEndPrograms) {
  fs::path dir = fs::path(VYL_SOURCE_DIR) / "tests" / "programs";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".vyl") continue;
    fs::path base = entry.path();
    base.replace_extension();
    std::string input = ReadBeside(base.string(), ".in");
    std::string stop = ReadBeside(base.string(), ".stop", "finished\n");
    const std::string source = ReadText(entry.path());
    // PEEK and POKE address the machine's memory, and a machine error (a
    // stack too small for the globals) is the simulator's size, not what
    // the program means: the reference models neither.
    if (source.find("import Dangerous") != std::string::npos || stop == "error\n") continue;
    Outcome o = RunReference(source, input);
    EXPECT_EQ(std::string(StopName(o.stop)) + "\n", stop) << entry.path() << ": " << o.reason;
    EXPECT_EQ(o.output, ReadText(base.string() + ".out")) << entry.path();
    ++count;
  }
  EXPECT_GE(count, 20);
}

}  // namespace
}  // namespace vylfuzz
