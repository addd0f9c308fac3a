// Diagnostics on standard error: positions whatever the line ends, the
// source and caret lines, the notes that help with an error and the
// warnings, each with a program that calls for it and one that must not.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#if VYL_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

#include "harness.h"

namespace vyl::test {
namespace {

// The first diagnostic of a failed compilation.
Diagnostic ErrorOf(const Compiled& c) {
  for (const Diagnostic& d : c.result.diagnostics) {
    if (d.severity == Severity::kError) return d;
  }
  ADD_FAILURE() << "no error in " << c.stderrText;
  return {};
}

std::vector<std::string> NotesOf(const Compiled& c) {
  std::vector<std::string> notes;
  for (const Diagnostic& n : ErrorOf(c).notes) notes.push_back(n.message);
  return notes;
}

std::vector<std::string> WarningsOf(const Compiled& c) {
  std::vector<std::string> warnings;
  for (const Diagnostic& d : c.result.diagnostics) {
    if (d.severity == Severity::kWarning) warnings.push_back(d.message);
  }
  return warnings;
}

bool Has(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& t : texts) {
    if (t.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(PositionTest, EveryKindOfLineEndCountsLinesAlike) {
  for (const std::string end : {"\r\n", "\n", "\r"}) {
    Compiled c = CompileSource("void main() {" + end + "  int x;" + end + end + "  x = y;" + end + "}" + end);
    const Diagnostic e = ErrorOf(c);
    EXPECT_EQ(e.range.line, 4) << end.size();
    EXPECT_EQ(e.range.column, 7);
    EXPECT_EQ(e.range.endColumn, 8);
  }
}

TEST(PositionTest, TheCaretLineUnderlinesTheToken) {
  // A tab before the token stays a tab, so that the caret lines up.
  Compiled c = CompileSource("void main() {\r\n\tint count;\r\n\tcount = cuont;\r\n}\r\n");
  EXPECT_EQ(c.stderrText.substr(0, c.stderrText.find("note:")),
            "prog.vyl:3:10: error: Undefined name cuont\n"
            "\tcount = cuont;\n"
            "\t        ^~~~~\n"
            "prog.vyl:3:10: ");
  // A missing token: a caret alone where it belongs.
  c = CompileSource("void main() {\r\n  int x;\r\n  x = 1\r\n}\r\n");
  EXPECT_EQ(c.stderrText, "prog.vyl:3:8: error: Malformed statement or missing semicolon ';'\n  x = 1\n       ^\n");
}

TEST(PositionTest, ColourOnlyWhenAsked) {
  std::vector<Diagnostic> one{{Severity::kError, {1, 1, 1, 2}, "m", {}}};
  EXPECT_EQ(FormatDiagnostics(one, "p.vyl", "x\n", false), "p.vyl:1:1: error: m\nx\n^\n");
  const std::string coloured = FormatDiagnostics(one, "p.vyl", "x\n", true);
  EXPECT_NE(coloured.find("\x1b[1;31merror:"), std::string::npos) << coloured;
  // A diagnostic without a position names the file alone.
  std::vector<Diagnostic> nowhere{{Severity::kError, {}, "m", {}}};
  EXPECT_EQ(FormatDiagnostics(nowhere, "p.vyl", "", false), "p.vyl: error: m\n");
}

TEST(PositionTest, JsonForTools) {
#if VYL_HAVE_JSON
  Compiled c = CompileSource("void main() {\r\n  int count;\r\n  cuont = 1;\r\n}\r\n");
  const std::string text = FormatDiagnosticsJson(c.result.diagnostics, "prog.vyl");
  ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 1);  // one object a line
  const nlohmann::json j = nlohmann::json::parse(text);
  EXPECT_EQ(j["file"], "prog.vyl");
  EXPECT_EQ(j["severity"], "error");
  EXPECT_EQ(j["message"], "Undefined name cuont");
  EXPECT_EQ(j["line"], 3);
  EXPECT_EQ(j["column"], 3);
  EXPECT_EQ(j["endColumn"], 8);
  ASSERT_EQ(j["notes"].size(), 2u);
  EXPECT_EQ(j["notes"][1]["line"], 2);
#else
  GTEST_SKIP() << "JSON output needs apt-get install -y nlohmann-json3-dev";
#endif
}

TEST(HintTest, AMissingImportNamesThePackage) {
  Compiled c = CompileSource("void main() {\r\n  Print.datum = 65;\r\n}\r\n");
  EXPECT_TRUE(Has(NotesOf(c), "'Print' is declared in package Hardware: add 'import Hardware;'"));
  EXPECT_EQ(CompileSource("import Hardware;\r\nvoid main() {\r\n  Print.datum = 65;\r\n}\r\n").status, 0);
}

TEST(HintTest, AFunctionUsedBeforeItsDefinitionGetsItsPrototype) {
  Compiled c = CompileSource("void main() {\r\n  int x = helper(2);\r\n}\r\nint helper(int n) {\r\n  return n;\r\n}\r\n");
  const Diagnostic e = ErrorOf(c);
  ASSERT_EQ(e.notes.size(), 2u);
  EXPECT_EQ(e.notes[0].range.line, 4);  // where it is defined
  EXPECT_EQ(e.notes[0].range.column, 5);
  EXPECT_EQ(e.notes[1].message, "declare it before this use with the prototype 'int helper(int n);'");
  // A name defined nowhere gets no prototype (a call of it later is no definition).
  c = CompileSource("void main() {\r\n  int x = helpr(2);\r\n  x = helpr(3);\r\n}\r\n");
  EXPECT_FALSE(Has(NotesOf(c), "prototype"));
}

TEST(HintTest, ANameSpeltNearlyLikeOneInScope) {
  Compiled c = CompileSource("void main() {\r\n  int count;\r\n  cuont = 1;\r\n}\r\n");
  const Diagnostic e = ErrorOf(c);
  ASSERT_EQ(e.notes.size(), 2u);
  EXPECT_EQ(e.notes[0].message, "did you mean 'count'?");
  EXPECT_EQ(e.notes[1].range.line, 2);  // 'count' is declared here
  EXPECT_EQ(e.notes[1].range.column, 7);
  EXPECT_TRUE(NotesOf(CompileSource("void main() {\r\n  int count;\r\n  zebra = 1;\r\n}\r\n")).empty());
}

TEST(HintTest, KeywordsAreLowerCase) {
  EXPECT_EQ(NotesOf(CompileSource("void main() {\r\n  If (true) { }\r\n}\r\n")),
            std::vector<std::string>{"keywords are written in lower case: 'if'"});
  EXPECT_FALSE(Has(NotesOf(CompileSource("void main() {\r\n  Iff (true) { }\r\n}\r\n")), "keywords"));
}

TEST(HintTest, TypeMismatchesNameBothTypes) {
  Compiled c = CompileSource("void main() {\r\n  int x;\r\n  boolean b;\r\n  x = b;\r\n}\r\n");
  EXPECT_EQ(NotesOf(c), std::vector<std::string>{"the variable has type 'int', the value has type 'boolean'"});
  c = CompileSource("int f(int n) { return n; }\r\nvoid main() {\r\n  int x = f(true);\r\n}\r\n");
  EXPECT_TRUE(Has(NotesOf(c), "the parameter 'n' has type 'int', the argument has type 'boolean'"))
      << c.stderrText;
  c = CompileSource("int f() { return true; }\r\nvoid main() { }\r\n");
  EXPECT_TRUE(Has(NotesOf(c), "the function's result has type 'int', the value has type 'boolean'"));
}

TEST(HintTest, AnUnknownFieldListsTheFields) {
  Compiled c = CompileSource("class P { int x; int y; }\r\nvoid main() {\r\n  P p = new P();\r\n  p.z = 3;\r\n}\r\n");
  EXPECT_EQ(NotesOf(c), std::vector<std::string>{"'P' has the fields x, y"});
}

TEST(WarningTest, AReachableEndOfAFunctionWithAResult) {
  Compiled c = CompileSource("int f(int n) {\r\n  if (n > 0) return n;\r\n}\r\nvoid main() { }\r\n");
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(WarningsOf(c), std::vector<std::string>{"control reaches the end of non-void function 'f'"});
  EXPECT_NE(c.stderrText.find("prog.vyl:3:1: warning:"), std::string::npos) << c.stderrText;
  // Every path returns; a void function may end anyway.
  EXPECT_TRUE(WarningsOf(CompileSource("int f(int n) {\r\n  if (n > 0) return n;\r\n  return 0;\r\n}\r\n"
                                       "void g() { }\r\nvoid main() { }\r\n"))
                  .empty());
}

TEST(WarningTest, AConstantIndexOutsideAFixedArray) {
  Compiled c = CompileSource("void main() {\r\n  int[4] a;\r\n  a[4] = 1;\r\n}\r\n");
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(WarningsOf(c), std::vector<std::string>{"index 4 is outside the array (int[4], 0..3)"});
  EXPECT_TRUE(WarningsOf(CompileSource("void main() {\r\n  int[4] a;\r\n  a[3] = 1;\r\n}\r\n")).empty());
  // An open array's length is known only when the program runs.
  EXPECT_TRUE(WarningsOf(CompileSource("void f(int[] a) {\r\n  a[9] = 1;\r\n}\r\nvoid main() { }\r\n")).empty());
}

TEST(WarningTest, ARightOperandOfAndOrWithACallOrAnIndex) {
  Compiled c = CompileSource(
      "boolean f(int[] a, int i) {\r\n  return i < 4 && a[i] > 0;\r\n}\r\nvoid main() { }\r\n");
  EXPECT_EQ(WarningsOf(c),
            std::vector<std::string>{
                "the right operand of '&&' is evaluated even when the left one decides the result"});
  // Nothing that traps or costs: no warning; a constant left operand decides at once.
  EXPECT_TRUE(WarningsOf(CompileSource("boolean f(int i, boolean b) {\r\n  return i < 4 || b;\r\n}\r\n"
                                       "boolean g(int[] a) {\r\n  return true || a[0] > 0;\r\n}\r\n"
                                       "void main() { }\r\n"))
                  .empty());
}

TEST(WarningTest, AnArrayTakenAsAnArrayOfAnotherElementType) {
  const std::string take = "void take(char[] s) { }\r\n";
  Compiled c = CompileSource(take + "void main() {\r\n  int[] p = new int[3];\r\n  take(p);\r\n}\r\n");
  EXPECT_EQ(WarningsOf(c), std::vector<std::string>{"the array 'int[]' is used as 'char[]', an array of another "
                                                    "element type"});
  EXPECT_TRUE(WarningsOf(CompileSource(take + "void main() {\r\n  char[] p = new char[3];\r\n  take(p);\r\n"
                                              "  take(\"abc\");\r\n}\r\n"))
                  .empty());
}

TEST(WarningTest, ALocalNeverUsed) {
  Compiled c = CompileSource("void main() {\r\n  int unused;\r\n  int used;\r\n  used = 1;\r\n}\r\n");
  EXPECT_EQ(WarningsOf(c), std::vector<std::string>{"unused variable 'unused'"});
  // Parameters and globals are not locals.
  EXPECT_TRUE(WarningsOf(CompileSource("int g;\r\nvoid f(int n) { }\r\nvoid main() { }\r\n")).empty());
}

TEST(WarningTest, WarningsChangeNoFileAndCanBeSilenced) {
  const std::string source = "void main() {\r\n  int unused;\r\n}\r\n";
  MemoryHost loud, quiet;
  loud.files["prog.vyl"] = quiet.files["prog.vyl"] = source;
  SessionOptions options;
  options.warnings = false;
  SessionResult a = RunSession(loud, "prog.vyl");
  SessionResult b = RunSession(quiet, "prog.vyl", options);
  EXPECT_EQ(a.exitStatus(), 0);
  EXPECT_EQ(b.exitStatus(), 0);
  EXPECT_EQ(loud.files, quiet.files);
  EXPECT_EQ(loud.console, quiet.console);
  EXPECT_NE(loud.stderrText.find("warning: unused variable 'unused'"), std::string::npos);
  EXPECT_EQ(quiet.stderrText, "");
  EXPECT_EQ(b.diagnostics.size(), 1u);  // still there for tools
}

}  // namespace
}  // namespace vyl::test
