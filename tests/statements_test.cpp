// Blocks and statements: the statement records and their links, the loop
// bodies, reachability, break and continue contexts, and the messages of
// the statement rules.
#include "harness.h"
#include "statement_fixture.h"

namespace vyl {
namespace {

using test::Child;
using test::Line;
using StatementRuleTest = test::StatementFixture;

constexpr int32_t kMax = 2147483647;

// ---------------------------------------------------------------------------
// Statement records

TEST_F(StatementRuleTest, AssignmentRecordsTheTargetTypeLinkAccessAndValue) {
  Begin("\n\nx = 5;");
  Tree x = Local("x", Int(), 6);
  Tree s = Parse();
  ASSERT_TRUE(Is(s, L_as));
  EXPECT_EQ(KidCount(s), 4);
  EXPECT_EQ(Kid(s, 0), Int());
  Tree link = Kid(s, 1);
  EXPECT_EQ(Line(link), 3);
  EXPECT_EQ(Child(link, 1), nullptr);
  EXPECT_EQ(Kid(s, 2), Kid(x, 4));  // the variable's own location
  EXPECT_TRUE(Is(Kid(s, 3), L_cn));
  EXPECT_EQ(ValueOf(Kid(s, 3)), 5);
  EXPECT_EQ(Kid(s, 4), nullptr);  // not a reference
}

TEST_F(StatementRuleTest, ByteTargetIsWrappedCharTargetIsNot) {
  // A byte occupies one byte and is stored with a byte store; a char is a
  // 2-byte value like int.
  Begin("b = b; c = 'A';");
  Tree b = Local("b", Key(kKeyByte), 6);
  Local("c", Key(kKeyChar), 8);
  Tree s = Parse();
  ASSERT_TRUE(Is(Kid(s, 2), L_bt));
  EXPECT_EQ(Kid(Kid(s, 2), 1), Kid(b, 4));
  Tree t = Parse();
  EXPECT_TRUE(Is(Kid(t, 2), L_of));
}

TEST_F(StatementRuleTest, ReferenceTargetsGetTheMarkerOfTheValueRange) {
  // null sums to zero (pm: release only); another reference does not (pt:
  // release the old one, take the new one).
  Begin("s = null; s = t;");
  Local("s", Key(kKeyString), 6);
  Local("t", Key(kKeyString), 8);
  EXPECT_TRUE(Is(Kid(Parse(), 4), L_pm));
  EXPECT_TRUE(Is(Kid(Parse(), 4), L_pt));
}

TEST_F(StatementRuleTest, FunctionReturningAReferenceIsNotCountedTwice) {
  // Its range -2147483647 .. 2147483647 sums to zero: the assignment only
  // releases the old value.
  Begin("s = g(); n = h();");
  Local("s", Key(kKeyString), 6);
  Local("n", Int(), 8);
  Function("g", Key(kKeyString), {}, 3);
  Function("h", Int(), {}, 4);
  Tree s = Parse();
  EXPECT_TRUE(Is(Kid(s, 4), L_pm));
  Tree n = Parse();
  EXPECT_EQ(Kid(n, 4), nullptr);
}

TEST_F(StatementRuleTest, CallRecordHoldsNumberArgumentsNameAndResultSize) {
  Begin("p(1, 2);");
  Tree p = Function("p", Key(kKeyVoid), {Int(), Int()}, 7);
  (void)p;
  Tree s = Parse();
  ASSERT_TRUE(Is(s, L_fc));
  EXPECT_EQ(ValueOf(Kid(s, 0)), 7);
  EXPECT_TRUE(Is(Kid(s, 1), L_nn));
  // Arguments nest with the last one outermost.
  Tree last = Kid(s, 2);
  ASSERT_TRUE(Is(last, L_at));
  EXPECT_EQ(ValueOf(Kid(last, 2)), 2);
  ASSERT_TRUE(Is(Kid(last, 1), L_at));
  EXPECT_EQ(ValueOf(Kid(Kid(last, 1), 2)), 1);
  EXPECT_TRUE(Is(Kid(s, 3), L_nt));
  EXPECT_EQ(ValueOf(Kid(s, 3)), InternText("p"));
  EXPECT_TRUE(Is(Kid(s, 4), L_nn));
  EXPECT_EQ(ValueOf(Kid(s, 4)), 0);
}

TEST_F(StatementRuleTest, CallRangesComeFromTheResultType) {
  Begin("g() h()");
  Function("g", Key(kKeyByte), {}, 3);
  Function("h", Key(kKeyBoolean), {}, 4);
  const std::pair<int32_t, int32_t> ranges[] = {{0, 255}, {0, 1}};
  const int32_t sizes[] = {1, 2};
  for (int i = 0; i < 2; ++i) {
    Tree tree = nullptr, record = nullptr, type = nullptr;
    int32_t isCall = 0, low = 9, high = 9;
    ASSERT_TRUE(LeftOrCall(nullptr, nullptr, scope, nullptr, tree, record, type, isCall, low, high));
    EXPECT_EQ(isCall, 1);
    EXPECT_EQ(low, ranges[i].first);
    EXPECT_EQ(high, ranges[i].second);
    EXPECT_EQ(ValueOf(Kid(tree, 4)), sizes[i]);  // the result size in bytes
    EXPECT_EQ(Kid(tree, 1), nullptr);            // no link inside an expression
  }
}

TEST_F(StatementRuleTest, NamedConstantStandsForItsValue) {
  Begin("N");
  Tree n = Constant("N", 42);
  Tree tree = nullptr, record = nullptr, type = nullptr;
  int32_t isCall = 1, low = 0, high = 0;
  ASSERT_TRUE(LeftOrCall(nullptr, nullptr, scope, nullptr, tree, record, type, isCall, low, high));
  EXPECT_EQ(isCall, 0);
  EXPECT_EQ(record, n);
  EXPECT_EQ(type, Int());
  EXPECT_EQ(low, 42);
  EXPECT_EQ(high, 42);
}

TEST_F(StatementRuleTest, VariableRangeComesFromItsType) {
  // A char holds 0..255 and a boolean 0..1; a byte variable is read through
  // its base type int.
  Begin("c b y");
  Local("c", Key(kKeyChar), 6);
  Local("b", Key(kKeyBoolean), 8);
  Local("y", Key(kKeyByte), 10);
  const std::pair<int32_t, int32_t> expected[] = {{0, 255}, {0, 1}, {-kMax - 1, kMax}};
  for (auto [lo, hi] : expected) {
    Tree tree = nullptr, record = nullptr, type = nullptr;
    int32_t isCall = 1, low = 0, high = 0;
    ASSERT_TRUE(LeftOrCall(nullptr, nullptr, scope, nullptr, tree, record, type, isCall, low, high));
    EXPECT_EQ(isCall, 0);
    EXPECT_TRUE(Is(tree, L_of));
    EXPECT_EQ(low, lo);
    EXPECT_EQ(high, hi);
  }
}

TEST_F(StatementRuleTest, IfRecordAndItsBranchesStartSequencesOfTheirOwn) {
  Begin("\nif (x < 3) x = 1; else x = 2;");
  Local("x", Int(), 6);
  Tree prev = Build(L_nn, Leaf(1), {nullptr});
  int32_t after = -1;
  Tree s = Parse(1, &after, prev);
  ASSERT_TRUE(Is(s, L_if));
  EXPECT_EQ(Kid(s, 0), nullptr);
  EXPECT_EQ(Line(Kid(s, 1)), 2);
  EXPECT_EQ(Child(Kid(s, 1), 1), prev);
  EXPECT_TRUE(Is(Kid(s, 2), L_ls));
  ASSERT_TRUE(Is(Kid(s, 3), L_as));
  ASSERT_TRUE(Is(Kid(s, 4), L_as));
  EXPECT_EQ(Child(Kid(Kid(s, 3), 1), 1), nullptr);
  EXPECT_EQ(Child(Kid(Kid(s, 4), 1), 1), nullptr);
  EXPECT_EQ(after, 1);
}

TEST_F(StatementRuleTest, IfWithoutElseHasAnEmptyElsePart) {
  Begin("if (x == 1) x = 2;");
  Local("x", Int(), 6);
  Tree s = Parse();
  EXPECT_EQ(KidCount(s), 4);
  EXPECT_EQ(Kid(s, 4), nullptr);
}

TEST_F(StatementRuleTest, WhileBodyIsAnIfThatLeavesTheLoop) {
  Begin("while (x < 3) x = x + 1;");
  Local("x", Int(), 6);
  Tree s = Parse();
  ASSERT_TRUE(Is(s, L_wh));
  EXPECT_EQ(KidCount(s), 2);
  EXPECT_TRUE(Is(Kid(s, 1), L_nn));
  Tree body = Kid(s, 2);
  ASSERT_TRUE(Is(body, L_if));
  EXPECT_EQ(Kid(body, 1), nullptr);
  EXPECT_TRUE(Is(Kid(body, 2), L_ls));
  EXPECT_TRUE(Is(Kid(body, 3), L_as));
  Tree exit = Kid(body, 4);
  ASSERT_TRUE(Is(exit, L_ex));
  EXPECT_EQ(Kid(exit, 0), s);  // leaves this very loop
  // The break context is back at its bottom.
  EXPECT_TRUE(Is(breaks, L_no));
}

TEST_F(StatementRuleTest, WhileTrueHasNoTest) {
  Begin("while (true) break;");
  Tree s = Parse();
  ASSERT_TRUE(Is(s, L_wh));
  ASSERT_TRUE(Is(Kid(s, 2), L_ex));
  EXPECT_EQ(Kid(Kid(s, 2), 0), s);
}

TEST_F(StatementRuleTest, DoBodyRunsFirstThenContinuesOrLeaves) {
  Begin("do x = x + 1; while (x < 10);");
  Local("x", Int(), 6);
  Tree s = Parse();
  ASSERT_TRUE(Is(s, L_lp));
  Tree body = Kid(s, 2);
  ASSERT_TRUE(Is(body, L_if));
  EXPECT_TRUE(Is(Kid(body, 1), L_as));
  EXPECT_EQ(Child(Kid(Kid(body, 1), 1), 1), nullptr);
  EXPECT_TRUE(Is(Kid(body, 2), L_ls));
  ASSERT_TRUE(Is(Kid(body, 3), L_nx));
  EXPECT_EQ(Kid(Kid(body, 3), 0), s);
  ASSERT_TRUE(Is(Kid(body, 4), L_ex));
  EXPECT_EQ(Kid(Kid(body, 4), 0), s);
}

TEST_F(StatementRuleTest, BreakAndContinueNameTheirStatements) {
  Begin("while (x < 3) { if (x == 1) break; continue; }");
  Local("x", Int(), 6);
  Tree s = Parse();
  Tree block = Kid(Kid(s, 2), 3);
  ASSERT_TRUE(Is(block, L_nn));
  Tree last = Kid(Kid(block, 1), 2);
  ASSERT_TRUE(Is(last, L_nx));
  EXPECT_EQ(Kid(last, 0), s);
  Tree ifStmt = Child(Kid(last, 1), 1);
  ASSERT_TRUE(Is(ifStmt, L_if));
  Tree brk = Kid(ifStmt, 3);
  ASSERT_TRUE(Is(brk, L_ex));
  EXPECT_EQ(Kid(brk, 0), s);
  EXPECT_TRUE(Is(Kid(brk, 1), L_nn));
}

TEST_F(StatementRuleTest, ReturnWritesTheWordBelowTheParameters) {
  Begin("return a + b;", {}, "int", {{"a", "int"}, {"b", "int"}});
  Tree s = Parse();
  ASSERT_TRUE(Is(s, L_rt));
  EXPECT_EQ(Kid(s, 0), function);
  EXPECT_TRUE(Is(Kid(s, 2), L_ad));
  Tree slot = Kid(s, 3);
  ASSERT_TRUE(Is(slot, L_of));
  EXPECT_EQ(ValueOf(Kid(slot, 0)), -6);  // two parameters at -4 and -2
  EXPECT_EQ(Child(slot, 1), nullptr);
}

TEST_F(StatementRuleTest, ReturnOfACountedReferenceIsMarked) {
  Begin("return s; return null;", {}, "String", {{"s", "String"}});
  Tree s = Parse();
  EXPECT_EQ(ValueOf(Kid(Kid(s, 3), 0)), -4);
  EXPECT_TRUE(Is(Child(Kid(s, 3), 1), L_pt));
  Tree n = Parse();
  EXPECT_EQ(Child(Kid(n, 3), 1), nullptr);
}

TEST_F(StatementRuleTest, BareReturnInAVoidFunction) {
  Begin("return;");
  int32_t after = -1;
  Tree s = Parse(1, &after);
  ASSERT_TRUE(Is(s, L_rt));
  EXPECT_EQ(Kid(s, 2), nullptr);
  EXPECT_EQ(ValueOf(Kid(Kid(s, 3), 0)), -2);
  EXPECT_EQ(after, 0);
}

TEST_F(StatementRuleTest, EmptyStatementIsItsLink) {
  Begin("\n;");
  Tree prev = Build(L_nn, Leaf(1), {nullptr});
  Tree s = Parse(1, nullptr, prev);
  ASSERT_TRUE(Is(s, L_nn));
  EXPECT_EQ(Line(s), 2);
  EXPECT_EQ(Kid(s, 1), prev);
}

TEST_F(StatementRuleTest, NestedBlockIsBuiltOnItsLink) {
  Begin("{ x = 1; x = 2; }");
  Local("x", Int(), 6);
  Tree prev = Build(L_nn, Leaf(1), {nullptr});
  Tree s = Parse(1, nullptr, prev);
  ASSERT_TRUE(Is(s, L_nn));
  Tree pair = Kid(s, 1);
  ASSERT_TRUE(Is(pair, L_no));
  // The locals list ends in the statement's own link, whose previous
  // statement is `prev`.
  Tree locals = Kid(pair, 1);
  Tree t = locals;
  while (t && !(Is(t, L_nn) && Child(t, 1) == prev)) t = Child(t, 1);
  EXPECT_NE(t, nullptr);
  // The block's statements are linked last to first and start fresh.
  Tree second = Kid(pair, 2);
  ASSERT_TRUE(Is(second, L_as));
  Tree first = Child(Kid(second, 1), 1);
  ASSERT_TRUE(Is(first, L_as));
  EXPECT_EQ(Child(Kid(first, 1), 1), nullptr);
}

TEST_F(StatementRuleTest, EmptyBlockHasNoLastStatement) {
  Begin("{ }");
  Tree s = Parse();
  EXPECT_EQ(Kid(Kid(s, 1), 2), nullptr);
}

// ---------------------------------------------------------------------------
// Reachability

TEST_F(StatementRuleTest, ReachabilityOfIf) {
  Begin("if (x == 1) return; else return;");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 0);
  Begin("if (x == 1) return;");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 1);
  Begin("if (x == 1) x = 1; else return;");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 1);
}

TEST_F(StatementRuleTest, ReachabilityOfWhile) {
  Begin("while (true) x = 1;");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 0);
  Begin("while (true) { if (x == 1) break; }");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 1);
  Begin("while (x == 1) return;");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 1);
  // Not reachable before, not reachable after.
  Begin("while (x == 1) x = 2;");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(0), 0);
}

TEST_F(StatementRuleTest, BreakOfAnInnerLoopDoesNotLeaveTheOuter) {
  Begin("while (true) { while (true) break; }");
  EXPECT_EQ(ReachAfter(), 0);
}

TEST_F(StatementRuleTest, ReachabilityOfDo) {
  Begin("do x = 1; while (x == 1);");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 1);
  Begin("do x = 1; while (true);");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 0);
  // The body never completes: the condition is never tested.
  Begin("do return; while (x == 1);");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 0);
  Begin("do { if (x == 1) break; } while (true);");
  Local("x", Int(), 6);
  EXPECT_EQ(ReachAfter(), 1);
}

TEST_F(StatementRuleTest, BreakContinueAndReturnEndReachability) {
  Begin("while (true) { break; }");
  int32_t after = -1;
  Tree s = Parse(1, &after);
  Tree block = Kid(s, 2);
  (void)block;
  EXPECT_EQ(after, 1);
  Begin("{ return; }");
  EXPECT_EQ(ReachAfter(), 0);
  Begin("{ ; }");
  EXPECT_EQ(ReachAfter(), 1);
}

// ---------------------------------------------------------------------------
// Break contexts

TEST_F(StatementRuleTest, BreakableRegistersCountsAndRestores) {
  Begin("");
  Tree ctx = Build(L_no);
  Tree outer = Build(L_wh, nullptr, {nullptr, nullptr});
  Tree inner = Build(L_sw, nullptr, {nullptr, nullptr, nullptr});
  int32_t flag = 9;
  ASSERT_TRUE(Breakable(outer, 0, flag, ctx));
  EXPECT_EQ(flag, 0);
  ASSERT_TRUE(Is(ctx, L_yk));
  EXPECT_EQ(Kid(ctx, 0), outer);
  EXPECT_TRUE(Is(Kid(ctx, 1), L_no));
  EXPECT_EQ(ValueOf(Kid(ctx, 2)), 0);
  ASSERT_TRUE(Breakable(inner, 0, flag, ctx));
  EXPECT_EQ(Kid(ctx, 0), inner);
  EXPECT_EQ(Kid(Kid(ctx, 1), 0), outer);
  ASSERT_TRUE(Breakable(nullptr, 1, flag, ctx));
  ASSERT_TRUE(Breakable(nullptr, 1, flag, ctx));
  EXPECT_EQ(ValueOf(Kid(ctx, 2)), 2);
  EXPECT_EQ(Kid(ctx, 0), inner);
  // Leaving the switch: two breaks left it; the loop was not broken.
  ASSERT_TRUE(Breakable(nullptr, 0, flag, ctx));
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(Kid(ctx, 0), outer);
  ASSERT_TRUE(Breakable(nullptr, 0, flag, ctx));
  EXPECT_EQ(flag, 0);
  EXPECT_TRUE(Is(ctx, L_no));
  // Nothing to count or restore at the bottom.
  EXPECT_FALSE(Breakable(nullptr, 1, flag, ctx));
  EXPECT_FALSE(Breakable(nullptr, 0, flag, ctx));
}

TEST_F(StatementRuleTest, IsLoopPassesOverSwitches) {
  Begin("");
  Tree ctx = Build(L_no);
  Tree loop = nullptr;
  EXPECT_FALSE(IsLoop(loop, ctx));
  Tree lp = Build(L_lp, nullptr, {nullptr, nullptr});
  Tree sw = Build(L_sw, nullptr, {nullptr, nullptr, nullptr});
  int32_t flag = 0;
  ASSERT_TRUE(Breakable(lp, 0, flag, ctx));
  ASSERT_TRUE(Breakable(sw, 0, flag, ctx));
  ASSERT_TRUE(IsLoop(loop, ctx));
  EXPECT_EQ(loop, lp);
  ASSERT_TRUE(Breakable(nullptr, 0, flag, ctx));
  ASSERT_TRUE(Breakable(nullptr, 0, flag, ctx));
  Tree fr = Build(L_fr, nullptr, {nullptr, nullptr});
  ASSERT_TRUE(Breakable(fr, 0, flag, ctx));
  ASSERT_TRUE(IsLoop(loop, ctx));
  EXPECT_EQ(loop, fr);
}

// ---------------------------------------------------------------------------
// Blocks

TEST_F(StatementRuleTest, BodyDeclaresLocalsBeforeItsStatements) {
  Begin("{ int a; int b; a = 1; }\n");
  int32_t after = -1;
  Tree block = Body(&after);
  ASSERT_TRUE(Is(block, L_nn));
  Tree pair = Kid(block, 1);
  ASSERT_TRUE(Is(pair, L_no));
  EXPECT_TRUE(Is(Kid(pair, 2), L_as));
  EXPECT_EQ(after, 1);
  // Two words of locals from offset 6.
  EXPECT_EQ(ValueOf(location), 10);
}

TEST_F(StatementRuleTest, BlockRecordHoldsTheLineOfItsCloseBrace) {
  Begin("{\n x = 1;\n\n}");
  Local("x", Int(), 6);
  Tree block = Body();
  EXPECT_EQ(Line(block), 4);
}

TEST_F(StatementRuleTest, StatementsOfABodyAreLinkedLastToFirst) {
  Begin("{ x = 1;\n x = 2;\n x = 3; }");
  Local("x", Int(), 6);
  Tree last = Kid(Kid(Body(), 1), 2);
  std::vector<int32_t> values, lines;
  for (Tree s = last; s; s = Child(Kid(s, 1), 1)) {
    values.push_back(ValueOf(Kid(s, 3)));
    lines.push_back(Line(Kid(s, 1)));
  }
  EXPECT_EQ(values, (std::vector<int32_t>{3, 2, 1}));
  EXPECT_EQ(lines, (std::vector<int32_t>{3, 2, 1}));
}

// ---------------------------------------------------------------------------
// Messages

TEST_F(StatementRuleTest, DeclarationAfterAStatement) {
  Begin("{ x = 1; int y; }");
  Local("x", Int(), 6);
  EXPECT_EQ(BodyError(), "Variables must be declared before statements");
}

TEST_F(StatementRuleTest, DeclarationInANestedBlock) {
  Begin("{ { int y; } }");
  EXPECT_EQ(BodyError(), "Variables must be declared before statements");
}

TEST_F(StatementRuleTest, DeclarationWithoutSemicolon) {
  Begin("{ int y }");
  EXPECT_EQ(BodyError(), "Invalid declaration or missing semicolon ';'");
}

TEST_F(StatementRuleTest, ModifiersBeforeAStatement) {
  Begin("{ final x = 1; }");
  Local("x", Int(), 6);
  EXPECT_EQ(BodyError(), "Modifiers inappropriate here");
}

TEST_F(StatementRuleTest, MissingCloseBrace) {
  Begin("{ x = 1; ) }");
  Local("x", Int(), 6);
  EXPECT_EQ(BodyError(), "Malformed statement or missing close brace '}'");
}

TEST_F(StatementRuleTest, FunctionValueMustBeUsed) {
  Begin("g();");
  Function("g", Int(), {}, 3);
  EXPECT_EQ(StatementError(), "Function value must be used");
}

TEST_F(StatementRuleTest, MissingSemicolonAfterAStatement) {
  Begin("x = 1 x = 2;");
  Local("x", Int(), 6);
  EXPECT_EQ(StatementError(), "Malformed statement or missing semicolon ';'");
  Begin("p() p();");
  Function("p", Key(kKeyVoid), {}, 3);
  EXPECT_EQ(StatementError(), "Malformed statement or missing semicolon ';'");
}

TEST_F(StatementRuleTest, FunctionNameWithoutArguments) {
  Begin("p;");
  Function("p", Key(kKeyVoid), {}, 3);
  EXPECT_EQ(StatementError(), "Argument list expected");
}

TEST_F(StatementRuleTest, TooManyArguments) {
  Begin("p(1, 2);");
  Function("p", Key(kKeyVoid), {Int()}, 3);
  EXPECT_EQ(StatementError(), "Badly formed argument or missing ')'");
}

TEST_F(StatementRuleTest, ConstantIsNotAVariable) {
  Begin("N = 3;");
  Constant("N", 2);
  EXPECT_EQ(StatementError(), "Variable name expected here");
}

TEST_F(StatementRuleTest, AssignmentMessages) {
  Begin("x;");
  Local("x", Int(), 6);
  EXPECT_EQ(StatementError(), "Assignment operator '=' expected here");
  Begin("x = ;");
  Local("x", Int(), 6);
  EXPECT_EQ(StatementError(), "Expression value expected for assignment");
  Begin("x = true;");
  Local("x", Int(), 6);
  EXPECT_EQ(StatementError(), "Expression value must be compatible type with variable");
}

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

TEST_F(StatementRuleTest, ConditionsMustBeBoolean) {
  for (const char* source : {"if (x) x = 1;", "while (x) x = 1;", "do x = 1; while (x);", "if x == 1) x = 1;"}) {
    Begin(source);
    Local("x", Int(), 6);
    EXPECT_EQ(StatementError(), "Boolean expression expected") << source;
  }
}

TEST_F(StatementRuleTest, DoNeedsItsSemicolon) {
  Begin("do x = 1; while (x == 1) x = 2;");
  Local("x", Int(), 6);
  EXPECT_EQ(StatementError(), "Semicolon expected at end of do");
}

TEST_F(StatementRuleTest, BreakOutsideLoopsAndSwitches) {
  Begin("break;");
  EXPECT_EQ(StatementError(), "There is nothing to break out of here");
  Begin("while (true) break x = 1;");
  EXPECT_EQ(StatementError(), "Semicolon expected after break");
}

TEST_F(StatementRuleTest, ContinueOutsideLoops) {
  Begin("continue;");
  EXPECT_EQ(StatementError(), "There is no loop to continue here");
  Begin("switch (x) { case 1: continue; }");
  Local("x", Int(), 6);
  EXPECT_EQ(StatementError(), "There is no loop to continue here");
  Begin("while (true) continue }");
  EXPECT_EQ(StatementError(), "Continue needs semicolon");
}

TEST_F(StatementRuleTest, ReturnMessages) {
  Begin("return;", {}, "int");
  EXPECT_EQ(StatementError(), "Return value expression expected here");
  Begin("return );", {}, "int");
  EXPECT_EQ(StatementError(), "Return value expression or semicolon expected here");
  Begin("return true;", {}, "int");
  EXPECT_EQ(StatementError(), "Return expression must match function result type");
  Begin("return 1;");
  EXPECT_EQ(StatementError(), "Return expression must match function result type");
  Begin("return 1 }", {}, "int");
  EXPECT_EQ(StatementError(), "Semicolon expected at end of return");
}

TEST_F(StatementRuleTest, DebugDirectivesApplyToTheNextStatement) {
  Begin("? x = 1; ! x = 2;");
  Local("x", Int(), 6);
  Tree s = Parse();
  EXPECT_TRUE(Is(s, L_as));
  EXPECT_EQ(TraceLevel(), 2);
  Tree t = Parse(1, nullptr, s);
  EXPECT_TRUE(Is(t, L_as));
  EXPECT_EQ(TraceLevel(), 0);
  EXPECT_EQ(Child(Kid(t, 1), 1), s);
}

}  // namespace
}  // namespace vyl
