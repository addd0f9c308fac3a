// Debug info (-g): what it says of a program with globals, parameters,
// locals, nested blocks, a class and a switch, checked against what the
// program means: the storage the listing shows, the statements on their
// lines, the procedures with their parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "harness.h"

namespace vyl::test {
namespace {

constexpr char kProgram[] =
    "import Hardware;\r\n"                     // 1
    "int count;\r\n"                           // 2
    "char letter;\r\n"                         // 3
    "class Pair { int left; Pair next; }\r\n"  // 4
    "int twice(int a, int b) {\r\n"            // 5
    "  int sum;\r\n"                           // 6
    "  sum = a + b;\r\n"                       // 7
    "  if (sum > 0) {\r\n"                     // 8
    "    count = count + 1;\r\n"               // 9
    "  }\r\n"                                  // 10
    "  return sum * 2;\r\n"                    // 11
    "}\r\n"                                    // 12
    "void main() {\r\n"                        // 13
    "  Pair p = new Pair();\r\n"               // 14
    "  int r;\r\n"                             // 15
    "  r = twice(1, 2);\r\n"                   // 16
    "  switch (r) {\r\n"                       // 17
    "    case 6: letter = 'y'; break;\r\n"     // 18
    "    default: letter = 'n'; break;\r\n"    // 19
    "  }\r\n"                                  // 20
    "  p.left = r;\r\n"                        // 21
    "}\r\n";                                   // 22

DebugInfo Compile(const std::string& source) {
  MemoryHost host;
  host.files["prog.vyl"] = source;
  SessionOptions options;
  options.debugInfo = true;
  SessionResult result = RunSession(host, "prog.vyl", options);
  EXPECT_TRUE(result.success) << host.stderrText;
  return result.debugInfo;
}

const DebugInfo::Variable* Variable(const DebugInfo& info, const std::string& name) {
  for (const auto& v : info.variables) {
    if (v.name == name) return &v;
  }
  ADD_FAILURE() << "no variable " << name;
  return nullptr;
}

// The innermost statement holding an address.
const DebugInfo::Statement* StatementAt(const DebugInfo& info, int32_t address) {
  const DebugInfo::Statement* found = nullptr;
  for (const auto& s : info.statements) {
    if (s.codeBegin <= address && address < s.codeEnd &&
        (!found || s.codeEnd - s.codeBegin <= found->codeEnd - found->codeBegin)) {
      found = &s;
    }
  }
  return found;
}

TEST(DebugInfoTest, VariablesHaveTheStorageTheListingShows) {
  const DebugInfo info = Compile(kProgram);
  struct Expected {
    const char* name;
    const char* type;
    const char* kind;
    const char* storage;
    int32_t offset;
    int32_t procedure;
  };
  // Globals from offset 6 of the global frame in declaration order; the
  // parameters below the frame, the first lowest; locals from offset 6,
  // the initialised ones placed first.
  for (const Expected& e : {Expected{"count", "int", "global", "global", 6, -1},
                            Expected{"letter", "char", "global", "global", 8, -1},
                            Expected{"a", "int", "parameter", "frame", -4, 2},
                            Expected{"b", "int", "parameter", "frame", -2, 2},
                            Expected{"sum", "int", "local", "frame", 6, 2},
                            Expected{"p", "Pair", "local", "frame", 6, 3},
                            Expected{"r", "int", "local", "frame", 8, 3}}) {
    const DebugInfo::Variable* v = Variable(info, e.name);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, e.type) << e.name;
    EXPECT_EQ(v->kind, e.kind) << e.name;
    EXPECT_EQ(v->storage, e.storage) << e.name;
    EXPECT_EQ(v->offset, e.offset) << e.name;
    EXPECT_EQ(v->procedure, e.procedure) << e.name;
  }
  EXPECT_EQ(Variable(info, "sum")->declared.line, 6);
  EXPECT_EQ(Variable(info, "sum")->declared.column, 7);
}

TEST(DebugInfoTest, ClassesListTheirFieldsAtTheirOffsets) {
  const DebugInfo info = Compile(kProgram);
  auto pair = std::find_if(info.types.begin(), info.types.end(), [](const auto& t) { return t.name == "Pair"; });
  ASSERT_NE(pair, info.types.end());
  EXPECT_EQ(pair->kind, "class");
  ASSERT_EQ(pair->fields.size(), 2u);
  EXPECT_EQ(pair->fields[0].name, "left");
  EXPECT_EQ(pair->fields[0].offset, 0);
  EXPECT_EQ(pair->fields[1].name, "next");
  EXPECT_EQ(pair->fields[1].type, "Pair");
  EXPECT_EQ(pair->fields[1].offset, 2);
}

TEST(DebugInfoTest, ProceduresAndTheirStatements) {
  const DebugInfo info = Compile(kProgram);
  auto twice = std::find_if(info.procedures.begin(), info.procedures.end(),
                            [](const auto& p) { return p.name == "twice"; });
  ASSERT_NE(twice, info.procedures.end());
  EXPECT_EQ(twice->number, 2);
  EXPECT_EQ(twice->result, "int");
  EXPECT_EQ(twice->parameters, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(twice->range.line, 5);
  EXPECT_EQ(twice->range.endLine, 12);
  // Every statement lies in its procedure's code; the lines of statements
  // with code, in address order within each procedure.
  std::vector<int32_t> lines;
  for (const auto& s : info.statements) {
    auto p = std::find_if(info.procedures.begin(), info.procedures.end(),
                          [&](const auto& q) { return q.number == s.procedure; });
    ASSERT_NE(p, info.procedures.end());
    EXPECT_GE(s.codeBegin, p->entry);
    EXPECT_LE(s.codeEnd, p->end);
    lines.push_back(s.range.line);
  }
  EXPECT_EQ(lines, (std::vector<int32_t>{7, 8, 8, 9, 11, 16, 17, 18, 18, 19, 19, 21}));
  // The if's own code (its condition) is the if's; the statement inside is
  // its own, with its columns.
  const DebugInfo::Statement& inner = info.statements[3];
  EXPECT_EQ(inner.range.column, 5);
  EXPECT_EQ(inner.range.endColumn, 23);
  EXPECT_EQ(StatementAt(info, inner.codeBegin)->range.line, 9);
  EXPECT_EQ(StatementAt(info, info.statements[1].codeBegin)->range.line, 8);
}

// The inlined flag: the storage holds the array or object itself rather
// than a reference to it (a String variable is a reference).
TEST(DebugInfoTest, ArraysInPlaceAndBehindReferences) {
  const DebugInfo info = Compile(R"(class Point { int x; }
final Point origin = new Point();
int[3] table;
String name;
char[] text;
Point head;

void main() {
  int[2][2] grid;
  byte[] bytes = new byte[4];
  String word = "Vyl";
  name = word;
  text = "abc";
  grid[1][1] = LENGTH(bytes);
}
)");
  std::map<std::string, bool> inlined;
  for (const auto& v : info.variables) inlined[v.name] = v.inlined;
  EXPECT_EQ(inlined, (std::map<std::string, bool>{{"origin", true},
                                                  {"table", true},
                                                  {"name", false},
                                                  {"text", false},
                                                  {"head", false},
                                                  {"grid", true},
                                                  {"bytes", false},
                                                  {"word", false}}));
}

}  // namespace
}  // namespace vyl::test
