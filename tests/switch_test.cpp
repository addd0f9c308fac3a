// Switch statements: the switch record and its chain of case groups, the
// break context while the groups are parsed, strict case groups, and the
// messages of the switch rules.
#include "harness.h"
#include "statement_fixture.h"

namespace vyl {
namespace {

using test::Child;
using test::Previous;
using SwitchRuleTest = test::StatementFixture;

// The case groups of a switch record, first to last.
std::vector<Tree> Groups(Tree sw) {
  std::vector<Tree> groups;
  for (Tree g = Child(sw, 3); g; g = Child(g, 1)) groups.insert(groups.begin(), g);
  return groups;
}
int32_t CaseValue(Tree group) { return Kid(group, 2) ? ValueOf(Kid(group, 2)) : -999; }

TEST_F(SwitchRuleTest, SwitchRecordChainsItsGroupsLastToFirst) {
  Begin("switch (x) { case 1: x = 1; break; case N: return; default: break; }");
  int32_t after = -1;
  Tree sw = Parse(1, &after);
  ASSERT_TRUE(Is(sw, L_sw));
  EXPECT_EQ(Kid(sw, 0), Int());
  EXPECT_TRUE(Is(Kid(sw, 1), L_nn));
  EXPECT_TRUE(Is(Kid(sw, 2), L_dr));
  std::vector<Tree> groups = Groups(sw);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(Kid(groups[0], 1), nullptr);
  EXPECT_EQ(CaseValue(groups[0]), 1);
  EXPECT_EQ(CaseValue(groups[1]), 42);
  EXPECT_EQ(Kid(groups[2], 2), nullptr);  // default
  // A group's statements are a sequence of their own, linked backwards.
  Tree brk = Kid(groups[0], 3);
  ASSERT_TRUE(Is(brk, L_ex));
  EXPECT_EQ(Kid(brk, 0), sw);
  EXPECT_TRUE(Is(Previous(brk), L_as));
  EXPECT_EQ(Previous(Previous(brk)), nullptr);
  EXPECT_TRUE(Is(Kid(groups[1], 3), L_rt));
  // After the close brace the switch is no break target; the statement
  // after it is reachable when the switch is.
  EXPECT_TRUE(Is(breaks, L_no));
  EXPECT_EQ(after, 1);
}

TEST_F(SwitchRuleTest, LabelsAreConstantsOfTheSwitchType) {
  Begin("switch (c) { case 'a': break; case 'B': break; } switch (x) { case 2 + 3: break; case -1: break; }"
        " switch (x) { }");
  Tree chars = Parse();
  EXPECT_EQ(Kid(chars, 0), Type("char"));
  EXPECT_EQ(CaseValue(Groups(chars)[0]), 97);
  EXPECT_EQ(CaseValue(Groups(chars)[1]), 66);
  std::vector<Tree> folded = Groups(Parse());
  EXPECT_EQ(CaseValue(folded[0]), 5);
  EXPECT_EQ(CaseValue(folded[1]), -1);
  EXPECT_EQ(Child(Parse(), 3), nullptr);  // no groups
}

TEST_F(SwitchRuleTest, GroupsMayEndInReturnContinueOrAnEndlessLoop) {
  Begin("while (true) { switch (x) { case 1: return; case 2: continue; case 3: while (true) x = 1; } }");
  Tree loop = Parse();
  std::vector<Tree> groups = Groups(Kid(Kid(Kid(loop, 2), 1), 2));
  ASSERT_EQ(groups.size(), 3u);
  Tree next = Kid(groups[1], 3);
  ASSERT_TRUE(Is(next, L_nx));
  EXPECT_EQ(Kid(next, 0), loop);  // continue repeats the loop around the switch
}

TEST_F(SwitchRuleTest, GroupAndLabelRules) {
  Begin("case 4: x = 1; return; default: case 7: }");
  Tree prev = Build(L_cs, nullptr, {nullptr, nullptr, nullptr}), group = nullptr, label = Build(L_no);
  ASSERT_TRUE(SwitchBlockGroup(scope, Int(), prev, group));
  EXPECT_EQ(Kid(group, 1), prev);
  EXPECT_EQ(CaseValue(group), 4);
  EXPECT_TRUE(Is(Kid(group, 3), L_rt));
  ASSERT_TRUE(SwitchLabel(scope, Int(), label));
  EXPECT_EQ(label, nullptr);
  ASSERT_TRUE(SwitchLabel(scope, Int(), label));
  EXPECT_EQ(ValueOf(label), 7);
  EXPECT_FALSE(SwitchLabel(scope, Int(), label));
  EXPECT_EQ(TokenCode(), T_RBrace);
}

TEST(SwitchProgramTest, SwitchesWithoutCaseValuesAreRejectedByTheCodeGenerator) {
  for (const char* body : {"switch (x) { }", "switch (x) { default: break; }"}) {
    test::Compiled c = test::CompileSource(std::string("import Dangerous;\nvoid main() { int x; ") + body + " }\n");
    EXPECT_EQ(c.status, 1) << body;
    EXPECT_TRUE(c.hasLine("Switch has no cases")) << c.output;
  }
}

struct Failure {
  const char* source;
  const char* message;
};

class SwitchMessageTest : public test::StatementFixture, public ::testing::WithParamInterface<Failure> {};

TEST_P(SwitchMessageTest, Reports) {
  Begin(GetParam().source);
  EXPECT_EQ(StatementError(), GetParam().message) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SwitchMessageTest,
    ::testing::Values(Failure{"switch (s) { }", "Scalar expression expected"},
                      Failure{"switch (x) case 1: break;", "Switch cases need surrounding braces"},
                      Failure{"switch (x) { case 1: break; ) }", "Switch cases need final close brace"},
                      Failure{"switch (x) { case 1: x = 2; case 2: break; }", "Missing break at end of case"},
                      Failure{"switch (x) { case 1: case 2: break; }", "Missing break at end of case"},
                      Failure{"switch (x) { case 1: if (x == 1) break; }", "Missing break at end of case"},
                      Failure{"switch (x) { case 1: break; default: x = 1; }", "Missing break at end of case"},
                      Failure{"switch (x) { default: }", "Missing break at end of case"},
                      Failure{"switch (x) { case x: break; }",
                              "Case label must be a constant same type as switch expression"},
                      Failure{"switch (x) { case 'a': break; }",
                              "Case label must be a constant same type as switch expression"},
                      Failure{"switch (c) { case 1: break; }",
                              "Case label must be a constant same type as switch expression"},
                      Failure{"switch (x) { case : break; }",
                              "Case label must be a constant same type as switch expression"},
                      Failure{"switch (x) { case 1 break; }", "Colon expected after case label"},
                      Failure{"switch (x) { default break; }", "Colon expected here"}));

}  // namespace
}  // namespace vyl
