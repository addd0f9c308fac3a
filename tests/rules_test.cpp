// Rules checked on their own: the reachability a statement hands on, the
// break context, the trace directives of a body, and the messages that no
// source reaches.
#include "decl/decl.h"
#include "fixture.h"
#include "stmt/stmt.h"

namespace vyl::test {
namespace {

class RuleTest : public SessionTest {
 protected:
  Tree scope = nullptr;
  // Opens `source` inside `void f()` with the local int x at 6, as the start
  // rule and a method header leave the table (at the top level: without f).
  void Begin(const std::string& source, bool inFunction = true) {
    Open(source, true);
    Tree signature = Build(L_xf, Leaf(1), {Key(kKeyVoid), nullptr, Build(L_nn), Build(L_no)});
    Tree function =
        Build(L_fn, Leaf(InternText("f")), {nullptr, signature, Build(L_up), Build(L_fn, Leaf(2)), nullptr});
    scope = syms;
    ASSERT_TRUE(into(kKeyProcCounter, scope, Build(L_fn, Leaf(1)), scope));
    if (!inFunction) function = nullptr;
    ASSERT_TRUE(openPlus(scope, scope) && into(kKeyContext, scope, function, scope) &&
                into(kKeyBreak, scope, Build(L_no), scope) &&
                into(kKeyTablePool, scope, Build(L_tk, nullptr, {nullptr, nullptr}), scope) &&
                into(kKeyLocation, scope, Build(L_lc, Leaf(8), {Build(L_dl, Leaf(1)), nullptr}), scope) &&
                (!function || into(kKeyFunction, scope, function, scope)) &&
                into(InternText("x"), scope, Build(L_vr, Leaf(InternText("x")), {nullptr, Int(), nullptr, Of(6)}),
                     scope));
  }
  Tree Statement(int32_t reach = 1, int32_t* after = nullptr, Tree prev = nullptr) {
    Tree stmt = nullptr;
    int32_t out = -1;
    EXPECT_TRUE(Statment(nullptr, nullptr, scope, reach, prev, stmt, out));
    if (after) *after = out;
    return stmt;
  }
};

TEST_F(RuleTest, ReachabilityAfterAStatement) {
  const std::tuple<const char*, int32_t, int32_t> cases[] = {
      {"x = 1;", 1, 1},
      {"x = 1;", 0, 0},
      {";", 1, 1},
      {"{ return; }", 1, 0},
      {"if (x == 1) return; else return;", 1, 0},
      {"if (x == 1) return;", 1, 1},
      {"if (x == 1) x = 1; else return;", 1, 1},
      {"while (true) x = 1;", 1, 0},
      {"while (true) { if (x == 1) break; }", 1, 1},
      {"while (x == 1) return;", 1, 1},
      {"while (x == 1) x = 2;", 0, 0},
      {"while (true) { while (true) break; }", 1, 0},
      {"do x = 1; while (x == 1);", 1, 1},
      {"do x = 1; while (true);", 1, 0},
      {"do return; while (x == 1);", 1, 0},
      {"do { if (x == 1) break; } while (true);", 1, 1},
      {"while (true) { switch (x) { case 1: break; } }", 1, 0},
      {"switch (x) { case 1: x = 1; break; case 2: return; default: break; }", 1, 1},
  };
  for (auto [source, before, expected] : cases) {
    Begin(source);
    int32_t after = -1;
    Statement(before, &after);
    EXPECT_EQ(after, expected) << source;
  }
}

TEST_F(RuleTest, BreakContextIsAStackOfTargets) {
  Tree ctx = Build(L_no), loop = nullptr;
  Tree outer = Build(L_lp, nullptr, {nullptr, nullptr});
  Tree inner = Build(L_sw, nullptr, {nullptr, nullptr, nullptr});
  int32_t flag = 9;
  EXPECT_FALSE(IsLoop(loop, ctx));
  ASSERT_TRUE(Breakable(outer, 0, flag, ctx) && flag == 0);
  ASSERT_TRUE(Breakable(inner, 0, flag, ctx));
  ASSERT_TRUE(IsLoop(loop, ctx) && loop == outer);  // continue passes over the switch
  ASSERT_TRUE(Breakable(nullptr, 1, flag, ctx) && Breakable(nullptr, 1, flag, ctx));
  EXPECT_EQ(ValueOf(Kid(ctx, 2)), 2);
  ASSERT_TRUE(Breakable(nullptr, 0, flag, ctx));  // leaving the switch reports its breaks
  EXPECT_EQ(std::make_pair(flag, Kid(ctx, 0)), std::make_pair(1, outer));
  ASSERT_TRUE(Breakable(nullptr, 0, flag, ctx));  // the loop had none
  EXPECT_EQ(flag, 0);
  EXPECT_TRUE(Is(ctx, L_no));
  EXPECT_FALSE(Breakable(nullptr, 1, flag, ctx) || Breakable(nullptr, 0, flag, ctx));
}

TEST_F(RuleTest, TraceDirectivesApplyToTheNextStatement) {
  Begin("? x = 1; ! x = 2;");
  Tree first = Statement();
  EXPECT_EQ(TraceLevel(), 2);
  Statement(1, nullptr, first);
  EXPECT_EQ(TraceLevel(), 0);
}

// No predefined package has two members of one name, a function name bound
// at the current level is always found as the prior declaration, and every
// type written in source has a size: only the rules called directly show
// these messages.
TEST_F(RuleTest, MessagesNoSourceReaches) {
  Begin("import Twice;", false);
  int32_t twice = InternText("Twice"), dup = InternText("dup");
  Tree members = nullptr, chain = nullptr;
  ASSERT_TRUE(into(dup, members, Build(L_vr), members) && openPlus(members, members) &&
              into(dup, members, Build(L_vr), members));
  ASSERT_TRUE(into(twice, scope, Build(L_pk, Leaf(twice), {nullptr, nullptr, nullptr, nullptr, members}), scope));
  ASSERT_TRUE(openPlus(scope, scope));
  EXPECT_EQ(MessageOf([&] { ImportDeclaration(scope, chain, chain, scope); }), "Can't import dup from package Twice");
  Begin(")", false);
  int32_t f = InternText("f");
  ASSERT_TRUE(into(f, scope, Build(L_vr), scope));
  Tree function = nullptr, inner = nullptr, table = nullptr;
  int32_t level = 0;
  EXPECT_EQ(MessageOf([&] {
              MethodHeader(nullptr, nullptr, 0, 0, f, Key(kKeyVoid), scope, chain, function, inner, table, level);
            }),
            "Function f is already defined");
  Begin(";", false);
  Tree sizeless = Build(L_ty, Leaf(InternText("odd")), {nullptr, nullptr});
  EXPECT_EQ(MessageOf([&] { VarDecln(nullptr, InternText("v"), 0, sizeless, scope, chain, chain, scope); }),
            "Variable declaration expected here");
}

}  // namespace
}  // namespace vyl::test
