// Switch statements: the switch record and its chain of case groups, the
// break context while the groups are parsed, strict case groups, and the
// messages of the switch rules.
#include "statement_fixture.h"

namespace vyl {
namespace {

using test::Child;


class SwitchRuleTest : public test::StatementFixture {
 protected:
  void With(const std::string& source) {
    Begin(source);
    Local("x", Int(), 6);
    Local("c", Key(kKeyChar), 8);
    Local("s", Key(kKeyString), 10);
  }
  // The case groups of a switch record, first to last.
  static std::vector<Tree> Groups(Tree sw) {
    std::vector<Tree> groups;
    for (Tree g = Child(sw, 3); g; g = Child(g, 1)) groups.insert(groups.begin(), g);
    return groups;
  }
  static int32_t LabelOf(Tree group) { return Kid(group, 2) ? ValueOf(Kid(group, 2)) : -999; }
};

TEST_F(SwitchRuleTest, SwitchRecordChainsItsGroupsLastToFirst) {
  With("switch (x) { case 1: x = 1; break; case 2: return; default: break; }");
  int32_t after = -1;
  Tree sw = Parse(1, &after);
  ASSERT_TRUE(Is(sw, L_sw));
  EXPECT_EQ(KidCount(sw), 3);
  EXPECT_EQ(Kid(sw, 0), Int());
  EXPECT_TRUE(Is(Kid(sw, 1), L_nn));
  EXPECT_TRUE(Is(Kid(sw, 2), L_dr));
  std::vector<Tree> groups = Groups(sw);
  ASSERT_EQ(groups.size(), 3u);
  for (Tree g : groups) {
    ASSERT_TRUE(Is(g, L_cs));
    EXPECT_EQ(KidCount(g), 3);
    EXPECT_EQ(Kid(g, 0), nullptr);
  }
  EXPECT_EQ(Kid(groups[0], 1), nullptr);
  EXPECT_TRUE(Is(Kid(groups[0], 2), L_cn));
  EXPECT_EQ(LabelOf(groups[0]), 1);
  EXPECT_EQ(LabelOf(groups[1]), 2);
  EXPECT_EQ(Kid(groups[2], 2), nullptr);  // default
  // The first group: x = 1 then break, linked backwards, starting fresh.
  Tree brk = Kid(groups[0], 3);
  ASSERT_TRUE(Is(brk, L_ex));
  EXPECT_EQ(Kid(brk, 0), sw);
  Tree assign = Child(Kid(brk, 1), 1);
  ASSERT_TRUE(Is(assign, L_as));
  EXPECT_EQ(Child(Kid(assign, 1), 1), nullptr);
  EXPECT_TRUE(Is(Kid(groups[1], 3), L_rt));
  // The switch is no break target after its close brace.
  EXPECT_TRUE(Is(breaks, L_no));
  EXPECT_EQ(after, 1);
}

TEST_F(SwitchRuleTest, CaseLabelsOfACharSwitch) {
  With("switch (c) { case 'a': break; case 'B': break; }");
  Tree sw = Parse();
  EXPECT_EQ(Kid(sw, 0), Key(kKeyChar));
  std::vector<Tree> groups = Groups(sw);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(LabelOf(groups[0]), 97);
  EXPECT_EQ(LabelOf(groups[1]), 66);
}

TEST_F(SwitchRuleTest, ConstantExpressionsAndNamedConstantsAsLabels) {
  With("switch (x) { case 2 + 3: break; case -1: break; case N: break; }");
  Constant("N", 12);
  std::vector<Tree> groups = Groups(Parse());
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(LabelOf(groups[0]), 5);
  EXPECT_EQ(LabelOf(groups[1]), -1);
  EXPECT_EQ(LabelOf(groups[2]), 12);
}

TEST_F(SwitchRuleTest, EmptySwitchHasNoGroups) {
  With("switch (x) { }");
  Tree sw = Parse();
  ASSERT_TRUE(Is(sw, L_sw));
  EXPECT_EQ(Child(sw, 3), nullptr);
}

TEST_F(SwitchRuleTest, GroupsMayEndInReturnContinueOrAnEndlessLoop) {
  With("while (true) { switch (x) { case 1: return; case 2: continue; case 3: while (true) x = 1; } }");
  Tree loop = Parse();
  Tree block = Kid(loop, 2);
  Tree sw = Kid(Kid(block, 1), 2);
  ASSERT_TRUE(Is(sw, L_sw));
  std::vector<Tree> groups = Groups(sw);
  ASSERT_EQ(groups.size(), 3u);
  // continue inside the switch repeats the loop around it.
  Tree next = Kid(groups[1], 3);
  ASSERT_TRUE(Is(next, L_nx));
  EXPECT_EQ(Kid(next, 0), loop);
}

TEST_F(SwitchRuleTest, BreakInsideASwitchLeavesTheSwitchNotTheLoop) {
  // The loop is never left: the statement after it is unreachable.
  With("while (true) { switch (x) { case 1: break; } }");
  int32_t after = -1;
  Parse(1, &after);
  EXPECT_EQ(after, 0);
}

TEST_F(SwitchRuleTest, ReachabilityAfterASwitchIsTheReachabilityBeforeIt) {
  With("switch (x) { case 1: return; default: return; }");
  int32_t after = -1;
  Parse(1, &after);
  EXPECT_EQ(after, 1);
  With("switch (x) { case 1: return; }");
  Parse(0, &after);
  EXPECT_EQ(after, 0);
}

TEST_F(SwitchRuleTest, GroupRuleBuildsOneGroup) {
  With("case 4: x = 1; return; }");
  Tree prev = Build(L_cs, nullptr, {nullptr, nullptr, nullptr});
  Tree group = nullptr;
  ASSERT_TRUE(SwitchBlockGroup(scope, Int(), prev, group));
  EXPECT_EQ(Kid(group, 1), prev);
  EXPECT_EQ(ValueOf(Kid(group, 2)), 4);
  EXPECT_TRUE(Is(Kid(group, 3), L_rt));
  EXPECT_EQ(TokenCode(), T_RBrace);  // the group ends before the brace
}

TEST_F(SwitchRuleTest, LabelRule) {
  With("default: case 7: }");
  Tree label = Build(L_no);
  ASSERT_TRUE(SwitchLabel(scope, Int(), label));
  EXPECT_EQ(label, nullptr);
  ASSERT_TRUE(SwitchLabel(scope, Int(), label));
  ASSERT_TRUE(Is(label, L_cn));
  EXPECT_EQ(ValueOf(label), 7);
  EXPECT_FALSE(SwitchLabel(scope, Int(), label));
}

// ---------------------------------------------------------------------------
// Messages

TEST_F(SwitchRuleTest, SwitchHeadMessages) {
  With("switch (s) { }");
  EXPECT_EQ(StatementError(), "Scalar expression expected");
  With("switch (x) case 1: break;");
  EXPECT_EQ(StatementError(), "Switch cases need surrounding braces");
  With("switch (x) { case 1: break; ) }");
  EXPECT_EQ(StatementError(), "Switch cases need final close brace");
}

TEST_F(SwitchRuleTest, MissingBreakAtEndOfCase) {
  for (const char* source : {
           "switch (x) { case 1: x = 2; case 2: break; }",
           "switch (x) { case 1: case 2: break; }",
           "switch (x) { case 1: if (x == 1) break; }",
           "switch (x) { case 1: break; default: x = 1; }",
           "switch (x) { default: }",
       }) {
    With(source);
    EXPECT_EQ(StatementError(), "Missing break at end of case") << source;
  }
}

TEST_F(SwitchRuleTest, CaseLabelMustBeAComparableConstant) {
  for (const char* source : {
           "switch (x) { case x: break; }",
           "switch (x) { case 'a': break; }",
           "switch (x) { case true: break; }",
           "switch (c) { case 1: break; }",
           "switch (x) { case : break; }",
       }) {
    With(source);
    EXPECT_EQ(StatementError(), "Case label must be a constant same type as switch expression") << source;
  }
}

TEST_F(SwitchRuleTest, LabelsNeedTheirColons) {
  With("switch (x) { case 1 break; }");
  EXPECT_EQ(StatementError(), "Colon expected after case label");
  With("switch (x) { default break; }");
  EXPECT_EQ(StatementError(), "Colon expected here");
}

}  // namespace
}  // namespace vyl
