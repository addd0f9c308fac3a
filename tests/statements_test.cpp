// Blocks and statements: the statement records and their links, the loop
// bodies, reachability, break and continue contexts, and the messages.
#include <fstream>
#include <iterator>
#include <limits>

#include "harness.h"
#include "statement_fixture.h"

namespace vyl {
namespace {

using test::Child;
using test::Line;
using test::Previous;
using StatementRuleTest = test::StatementFixture;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// ---------------------------------------------------------------------------
// Records

TEST_F(StatementRuleTest, AssignmentRecords) {
  Begin("\nx = 5; b = b; c = 'A'; s = null; s = t; s = h();");
  Tree assign = Parse();
  ASSERT_TRUE(Is(assign, L_as));
  EXPECT_EQ(Kid(assign, 0), Int());
  EXPECT_EQ(Line(Kid(assign, 1)), 2);
  EXPECT_EQ(Kid(assign, 2), Access("x"));
  EXPECT_EQ(ValueOf(Kid(assign, 3)), 5);
  EXPECT_EQ(Kid(assign, 4), nullptr);
  // A 1-byte target is stored through `bt`; a char is a word like int.
  Tree toByte = Kid(Parse(), 2);
  ASSERT_TRUE(Is(toByte, L_bt));
  EXPECT_EQ(Kid(toByte, 1), Access("b"));
  EXPECT_EQ(Kid(Parse(), 2), Access("c"));
  // A reference target: null and a function's result are already counted
  // (their ranges sum to zero: pm), another variable's value is not (pt).
  EXPECT_TRUE(Is(Kid(Parse(), 4), L_pm));
  EXPECT_TRUE(Is(Kid(Parse(), 4), L_pt));
  EXPECT_TRUE(Is(Kid(Parse(), 4), L_pm));
}

TEST_F(StatementRuleTest, CallRecordAndRanges) {
  Begin("p(7); g() h() N");
  Tree call = Parse();
  ASSERT_TRUE(Is(call, L_fc));
  EXPECT_EQ(ValueOf(Kid(call, 0)), 4);
  EXPECT_TRUE(Is(Kid(call, 1), L_nn));
  ASSERT_TRUE(Is(Kid(call, 2), L_at));
  EXPECT_EQ(ValueOf(Kid(Kid(call, 2), 2)), 7);
  EXPECT_TRUE(Is(Kid(call, 3), L_nt));
  EXPECT_EQ(ValueOf(Kid(call, 3)), InternText("p"));
  EXPECT_EQ(ValueOf(Kid(call, 4)), 0);  // no result
  auto g = NameLed();
  EXPECT_EQ(g.isCall, 1);
  EXPECT_EQ(Kid(g.tree, 1), nullptr);  // no link inside an expression
  EXPECT_EQ(ValueOf(Kid(g.tree, 4)), 2);
  EXPECT_EQ(g.low, -kMax - 1);
  auto h = NameLed();
  EXPECT_EQ(h.low, -kMax);
  EXPECT_EQ(h.high, kMax);
  // A named constant stands for its value.
  auto n = NameLed();
  EXPECT_EQ(n.isCall, 0);
  EXPECT_EQ(n.record, Var("N"));
  EXPECT_EQ(n.low, 42);
  EXPECT_EQ(n.high, 42);
}

TEST_F(StatementRuleTest, VariableRangesComeFromTheirTypes) {
  // A char holds 0..255; a byte variable is read through its base type.
  Begin("c b");
  auto c = NameLed();
  EXPECT_EQ(c.tree, Access("c"));
  EXPECT_EQ(c.high, 255);
  EXPECT_EQ(NameLed().high, kMax);
}

TEST_F(StatementRuleTest, IfRecordAndItsBranches) {
  Begin("\nif (x < 3) x = 1; else x = 2;\nif (x == 1) ;");
  Tree prev = Build(L_nn, Leaf(1), {nullptr});
  Tree s = Parse(1, nullptr, prev);
  ASSERT_TRUE(Is(s, L_if));
  EXPECT_EQ(Line(Kid(s, 1)), 2);
  EXPECT_EQ(Previous(s), prev);
  EXPECT_TRUE(Is(Kid(s, 2), L_ls));
  // Both branches start sequences of their own.
  EXPECT_TRUE(Is(Kid(s, 3), L_as) && Is(Kid(s, 4), L_as));
  EXPECT_EQ(Previous(Kid(s, 3)), nullptr);
  EXPECT_EQ(Previous(Kid(s, 4)), nullptr);
  Tree noElse = Parse();
  EXPECT_EQ(KidCount(noElse), 4);
  EXPECT_EQ(Kid(noElse, 4), nullptr);
}

TEST_F(StatementRuleTest, LoopBodies) {
  Begin("while (x < 3) x = 1; while (true) break; do x = 1; while (x < 9);");
  // while: an if that runs the body or leaves this loop.
  Tree loop = Parse();
  ASSERT_TRUE(Is(loop, L_wh));
  EXPECT_EQ(KidCount(loop), 2);
  Tree test = Kid(loop, 2);
  ASSERT_TRUE(Is(test, L_if));
  EXPECT_EQ(Kid(test, 1), nullptr);
  EXPECT_TRUE(Is(Kid(test, 2), L_ls));
  EXPECT_EQ(Previous(Kid(test, 3)), nullptr);
  ASSERT_TRUE(Is(Kid(test, 4), L_ex));
  EXPECT_EQ(Kid(Kid(test, 4), 0), loop);
  // A condition that is always true needs no test.
  Tree endless = Parse();
  ASSERT_TRUE(Is(Kid(endless, 2), L_ex));
  EXPECT_EQ(Kid(Kid(endless, 2), 0), endless);
  // do: the body, then continue or leave.
  Tree repeat = Parse();
  ASSERT_TRUE(Is(repeat, L_lp));
  Tree tail = Kid(repeat, 2);
  ASSERT_TRUE(Is(tail, L_if));
  EXPECT_TRUE(Is(Kid(tail, 1), L_as));
  EXPECT_TRUE(Is(Kid(tail, 2), L_ls));
  EXPECT_TRUE(Is(Kid(tail, 3), L_nx) && Kid(Kid(tail, 3), 0) == repeat);
  EXPECT_TRUE(Is(Kid(tail, 4), L_ex) && Kid(Kid(tail, 4), 0) == repeat);
  EXPECT_TRUE(Is(breaks, L_no));  // every loop was left again
}

TEST_F(StatementRuleTest, BreakAndContinueNameTheInnermostLoop) {
  Begin("while (x < 3) { do { if (x == 1) break; } while (true); continue; }");
  Tree outer = Parse();
  Tree last = Kid(Kid(Kid(Kid(outer, 2), 3), 1), 2);
  ASSERT_TRUE(Is(last, L_nx));
  EXPECT_EQ(Kid(last, 0), outer);
  Tree inner = Previous(last);
  ASSERT_TRUE(Is(inner, L_lp));
  Tree brk = Kid(Kid(Kid(Kid(Kid(inner, 2), 1), 1), 2), 3);
  ASSERT_TRUE(Is(brk, L_ex));
  EXPECT_EQ(Kid(brk, 0), inner);
  EXPECT_TRUE(Is(Kid(brk, 1), L_nn));
}

TEST_F(StatementRuleTest, ReturnRecords) {
  Begin("return w; return null;", "String", {{"u", "int"}, {"w", "String"}});
  // The result goes just below the two parameters; a reference value that
  // is not already counted is marked.
  Tree r = Parse();
  ASSERT_TRUE(Is(r, L_rt));
  EXPECT_EQ(Kid(r, 0), function);
  ASSERT_TRUE(Is(Kid(r, 3), L_of));
  EXPECT_EQ(ValueOf(Kid(r, 3)), -6);
  EXPECT_TRUE(Is(Child(Kid(r, 3), 1), L_pt));
  EXPECT_EQ(Child(Kid(Parse(), 3), 1), nullptr);
  Begin("return;");
  int32_t after = -1;
  Tree bare = Parse(1, &after);
  EXPECT_EQ(Kid(bare, 2), nullptr);
  EXPECT_EQ(ValueOf(Kid(bare, 3)), -2);
  EXPECT_EQ(after, 0);
}

TEST_F(StatementRuleTest, EmptyStatementAndNestedBlock) {
  Begin("\n; { x = 1; x = 2; } { }");
  Tree prev = Build(L_nn, Leaf(1), {nullptr});
  Tree empty = Parse(1, nullptr, prev);
  EXPECT_EQ(Line(empty), 2);
  EXPECT_EQ(Kid(empty, 1), prev);
  // A nested block builds its locals list on its own link.
  Tree block = Parse(1, nullptr, empty);
  ASSERT_TRUE(Is(block, L_nn) && Is(Kid(block, 1), L_no));
  Tree t = Kid(Kid(block, 1), 1);
  while (t && !(Is(t, L_nn) && Child(t, 1) == empty)) t = Child(t, 1);
  EXPECT_NE(t, nullptr);
  Tree second = Kid(Kid(block, 1), 2);
  EXPECT_TRUE(Is(Previous(second), L_as));
  EXPECT_EQ(Previous(Previous(second)), nullptr);
  EXPECT_EQ(Kid(Kid(Parse(), 1), 2), nullptr);  // no last statement
}

TEST_F(StatementRuleTest, BodyBlock) {
  Begin("{ int i; int j;\n i = 1;\n j = 2;\n}");
  int32_t after = -1;
  Tree block = Body(&after);
  EXPECT_EQ(Line(block), 4);  // the close brace
  Tree last = Kid(Kid(block, 1), 2);
  EXPECT_EQ(Line(Kid(last, 1)), 3);
  EXPECT_EQ(Line(Kid(Previous(last), 1)), 2);
  EXPECT_EQ(Previous(Previous(last)), nullptr);
  EXPECT_EQ(ValueOf(location), 10);  // two words of locals from 6
  EXPECT_EQ(after, 1);
}

TEST_F(StatementRuleTest, DebugDirectivesApplyToTheNextStatement) {
  Begin("? x = 1; ! x = 2;");
  Tree first = Parse();
  EXPECT_EQ(TraceLevel(), 2);
  Tree second = Parse(1, nullptr, first);
  EXPECT_EQ(TraceLevel(), 0);
  EXPECT_EQ(Previous(second), first);
}

// ---------------------------------------------------------------------------
// Reachability

struct Reach {
  const char* source;
  int32_t before;
  int32_t after;
};

class ReachabilityTest : public test::StatementFixture, public ::testing::WithParamInterface<Reach> {};

TEST_P(ReachabilityTest, After) {
  Begin(GetParam().source);
  int32_t after = -1;
  Parse(GetParam().before, &after);
  EXPECT_EQ(after, GetParam().after) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ReachabilityTest,
    ::testing::Values(Reach{"x = 1;", 1, 1}, Reach{"x = 1;", 0, 0}, Reach{";", 1, 1}, Reach{"{ return; }", 1, 0},
                      Reach{"if (x == 1) return; else return;", 1, 0}, Reach{"if (x == 1) return;", 1, 1},
                      Reach{"if (x == 1) x = 1; else return;", 1, 1}, Reach{"while (true) x = 1;", 1, 0},
                      Reach{"while (true) { if (x == 1) break; }", 1, 1}, Reach{"while (x == 1) return;", 1, 1},
                      Reach{"while (x == 1) x = 2;", 0, 0}, Reach{"while (true) { while (true) break; }", 1, 0},
                      Reach{"do x = 1; while (x == 1);", 1, 1}, Reach{"do x = 1; while (true);", 1, 0},
                      Reach{"do return; while (x == 1);", 1, 0},
                      Reach{"do { if (x == 1) break; } while (true);", 1, 1},
                      Reach{"while (true) { switch (x) { case 1: break; } }", 1, 0}));

// ---------------------------------------------------------------------------
// Break contexts

TEST_F(StatementRuleTest, BreakContextIsAStackOfTargets) {
  Begin("");
  Tree ctx = Build(L_no), loop = nullptr;
  Tree outer = Build(L_lp, nullptr, {nullptr, nullptr});
  Tree inner = Build(L_sw, nullptr, {nullptr, nullptr, nullptr});
  int32_t flag = 9;
  EXPECT_FALSE(IsLoop(loop, ctx));
  ASSERT_TRUE(Breakable(outer, 0, flag, ctx));
  EXPECT_EQ(flag, 0);
  EXPECT_TRUE(Is(ctx, L_yk) && Kid(ctx, 0) == outer && Is(Kid(ctx, 1), L_no));
  ASSERT_TRUE(Breakable(inner, 0, flag, ctx));
  EXPECT_EQ(Kid(Kid(ctx, 1), 0), outer);
  // continue passes over the switch to the loop.
  ASSERT_TRUE(IsLoop(loop, ctx));
  EXPECT_EQ(loop, outer);
  ASSERT_TRUE(Breakable(nullptr, 1, flag, ctx));
  ASSERT_TRUE(Breakable(nullptr, 1, flag, ctx));
  EXPECT_EQ(ValueOf(Kid(ctx, 2)), 2);
  // Leaving the switch reports its breaks; the loop had none.
  ASSERT_TRUE(Breakable(nullptr, 0, flag, ctx));
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(Kid(ctx, 0), outer);
  ASSERT_TRUE(Breakable(nullptr, 0, flag, ctx));
  EXPECT_EQ(flag, 0);
  EXPECT_TRUE(Is(ctx, L_no));
  EXPECT_FALSE(Breakable(nullptr, 1, flag, ctx));
  EXPECT_FALSE(Breakable(nullptr, 0, flag, ctx));
}

// ---------------------------------------------------------------------------
// Messages

struct Failure {
  const char* source;
  const char* message;
  const char* result = "void";
};

class StatementMessageTest : public test::StatementFixture, public ::testing::WithParamInterface<Failure> {};

TEST_P(StatementMessageTest, Reports) {
  Begin(GetParam().source, GetParam().result);
  std::string source = GetParam().source;
  EXPECT_EQ(source[0] == '{' ? BodyError() : StatementError(), GetParam().message) << source;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, StatementMessageTest,
    ::testing::Values(
        Failure{"{ x = 1; int i; }", "Variables must be declared before statements"},
        Failure{"{ { int i; } }", "Variables must be declared before statements"},
        Failure{"{ int i }", "Invalid declaration or missing semicolon ';'"},
        Failure{"{ final x = 1; }", "Modifiers inappropriate here"},
        Failure{"{ x = 1; ) }", "Malformed statement or missing close brace '}'"},
        Failure{"g();", "Function value must be used"}, Failure{"ORD(x);", "Function value must be used"},
        Failure{"x = 1 x = 2;", "Malformed statement or missing semicolon ';'"},
        Failure{"p(1) p(2);", "Malformed statement or missing semicolon ';'"},
        Failure{"p;", "Argument list expected"}, Failure{"p(1, 2);", "Badly formed argument or missing ')'"},
        Failure{"N = 3;", "Variable name expected here"}, Failure{"Dangerous = 3;", "Variable name expected here"},
        Failure{"x;", "Assignment operator '=' expected here"},
        Failure{"x = ;", "Expression value expected for assignment"},
        Failure{"x = true;", "Expression value must be compatible type with variable"},
        Failure{"b = 1;", "Expression value must be compatible type with variable"},
        Failure{"if (x) x = 1;", "Boolean expression expected"},
        Failure{"if x == 1) x = 1;", "Boolean expression expected"},
        Failure{"while (x) x = 1;", "Boolean expression expected"},
        Failure{"do x = 1; while (x);", "Boolean expression expected"},
        Failure{"do x = 1; while (x == 1) x = 2;", "Semicolon expected at end of do"},
        Failure{"break;", "There is nothing to break out of here"},
        Failure{"while (true) break x = 1;", "Semicolon expected after break"},
        Failure{"continue;", "There is no loop to continue here"},
        Failure{"switch (x) { case 1: continue; }", "There is no loop to continue here"},
        Failure{"while (true) continue }", "Continue needs semicolon"},
        Failure{"return;", "Return value expression expected here", "int"},
        Failure{"return );", "Return value expression or semicolon expected here", "int"},
        Failure{"return true;", "Return expression must match function result type", "int"},
        Failure{"return 1;", "Return expression must match function result type"},
        Failure{"return 1 }", "Semicolon expected at end of return", "int"}));

// ---------------------------------------------------------------------------
// Whole programs

TEST(StatementProgramTest, CannotAssignLargerStructures) {
  // A constant table has the type int[3], which an int[3] variable accepts;
  // its value is 6 bytes.
  test::Compiled c = test::CompileSource("import Dangerous;\nfinal int[] t = {1, 2, 3};\n"
                                         "void main() { int[3] a; a = t; }\n");
  EXPECT_EQ(c.status, 1);
  EXPECT_TRUE(c.hasLine("Cannot assign larger structures")) << c.output;
}

TEST(StatementProgramTest, FieldsOfElementsAndOfFields) {
  // After an index the member table is the element type's: a[i].f, and
  // after a field the field type's: a.b.c.
  test::Compiled c = test::CompileSource(
      "import Dangerous;\nclass Node { int v; Node next; }\n"
      "void main() { Node[] ns; Node n; int x; ns = new Node[3]; n = new Node(); ns[1] = n;\n"
      "  x = ns[1].v + n.next.v; ns[0].next.v = 4; }\n");
  EXPECT_EQ(c.status, 0) << c.output;
}

// The examples of the statements reference are whole programs.
TEST(StatementProgramTest, TheStatementExamplesCompile) {
  std::ifstream in(std::string(VYL_SOURCE_DIR) + "/docs/statements.md", std::ios::binary);
  ASSERT_TRUE(in) << "docs/statements.md";
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int examples = 0;
  for (std::string::size_type at = 0; (at = text.find("```vyl\n", at)) != std::string::npos; ++examples) {
    at += 7;
    std::string::size_type end = text.find("```", at);
    ASSERT_NE(end, std::string::npos);
    test::Compiled c = test::CompileSource(text.substr(at, end - at));
    EXPECT_EQ(c.status, 0) << text.substr(at, end - at) << c.output;
    at = end + 3;
  }
  EXPECT_EQ(examples, 3);
}

}  // namespace
}  // namespace vyl
