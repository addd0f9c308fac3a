// Switch statements: the case groups, the dispatch through the jump table,
// the stack-balanced way to the default, and the rejected switches.
#include "codegen_fixture.h"

namespace vyl::cgtest {
namespace {

class SwitchTest : public CodegenTest {
 public:
  Tree sw = nullptr;
  Tree last = nullptr;  // the newest case group
  Tree Open(Tree selector) {
    sw = Build(L_sw, nullptr, {nullptr, selector, nullptr});
    last = nullptr;
    return sw;
  }
  // case value (or default when value is null): local 6 = n; break;
  Tree Add(Tree value, int32_t n) {
    Tree body = Build(L_ex, sw, {Assign(nullptr, Of(6), Cn(n))});
    last = Build(L_cs, nullptr, {last, value, body});
    return last;
  }
  Tree Close() {
    SetKid(sw, 3, last);
    return sw;
  }
};

TEST_F(SwitchTest, CasesOneTwoFiveAndADefault) {
  Open(Word(8));
  Tree one = Add(Cn(1), 1);
  Tree two = Add(Cn(2), 2);
  Tree five = Add(Cn(5), 5);
  Tree other = Add(nullptr, 0);
  Generate(Close(), 0x100);
  ASSERT_TRUE(FwdJumps(fixups));
  std::vector<int> code = Bytes(0x100, next);
  EXPECT_EQ(next, 0x135);
  EXPECT_EQ(code, Hex("80 14"                          // to the dispatch
                      " 21 50 03 80 2E"                // case 1, break
                      " 22 50 03 80 29"                // case 2
                      " 25 50 03 80 24"                // case 5
                      " 20 50 03 80 1F"                // default
                      " 40 04"                         // selector
                      " 21 1D 04 04 20 17 C0 11"       // k = s - 1; k >= 0 or J1
                      " 24 16 C0 0E"                   // k <= 4 or J2
                      " 04 1C 0F"                      // JUMPX 2k
                      " BF D9 BF DC BF E4 BF E2 BF DB"  // 1, 2, default, default, 5
                      " 05 05 BF DC"));                 // J1: 05 05, J2: 05; to default
  EXPECT_EQ(ValueOf(sw), 0x135);
  EXPECT_EQ(ValueOf(one), 0x102);
  EXPECT_EQ(ValueOf(two), 0x107);
  EXPECT_EQ(ValueOf(five), 0x10C);
  EXPECT_EQ(ValueOf(other), 0x111);
}

TEST_F(SwitchTest, WithoutDefaultTheOutOfRangeWayEndsAtTheExit) {
  Open(Word(8));
  Add(Cn(7), 1);
  Generate(Close(), 0x100);
  // 80 05 | 21 50 03 00 00 | 40 04 | 27 1D 04 04 20 17 J1 | 20 16 J2 | 04 1C 0F | entry | 05 05 JUMP
  EXPECT_EQ(next, 0x11E);
  EXPECT_EQ(Bytes(0x100, 0x11E), Hex("80 05 21 50 03 00 00 40 04 27 1D 04 04 20 17 C0 09 20 16 C0 06"
                                     " 04 1C 0F BF E8 05 05 80 00"));
}

TEST_F(SwitchTest, NegativeCasesIndexFromTheLowest) {
  Open(Word(8));
  Add(Cn(-2), 1);
  Add(Cn(0), 2);
  Generate(Close(), 0x100);
  // Dispatch at 0x10E: 3E 1D 04 04 20 17 J1, 22 16 J2, 04 1C 0F, table at 0x11D.
  EXPECT_EQ(Bytes(0x10E, 0x11D), Hex("3E 1D 04 04 20 17 C0 0D 22 16 C0 0A 04 1C 0F"));
  // -2 -> 0x102, -1 -> exit 0x127, 0 -> 0x107
  EXPECT_EQ(next, 0x127);
  EXPECT_EQ(Bytes(0x11D, 0x127), Hex("BF E3 80 06 BF E4 05 05 80 00"));
}

TEST_F(SwitchTest, OneCaseMakesATableOfOneEntry) {
  Open(Word(8));
  Add(Cn(3), 1);
  Add(nullptr, 2);
  Generate(Close(), 0x100);
  // 0x100: 80 0A | 21 50 03 00 00 | 22 50 03 00 00 | 40 04 at 0x10C | 23 1D 04 04 20 17 J1 | 20 16 J2 | 04 1C 0F
  // table at 0x11D: one entry to 0x102; 05 05 at 0x11F; JUMP at 0x121 to the default 0x107.
  EXPECT_EQ(next, 0x123);
  EXPECT_EQ(Bytes(0x10C, 0x123), Hex("40 04 23 1D 04 04 20 17 C0 09 20 16 C0 06 04 1C 0F BF E3 05 05 BF E4"));
}

TEST_F(SwitchTest, ZeroTo255MakesAFullTable) {
  Open(Word(8));
  Add(Cn(0), 1);
  Add(Cn(255), 2);
  Generate(Close(), 0x100);
  // 0x10C: 40 04, 20 1D 04 04 20 17 J1, 01 00 FF 16 J2, 04 1C 0F; table at 0x11F.
  EXPECT_EQ(next, 0x11F + 512 + 4);
  EXPECT_EQ(Bytes(0x11F + 2, 0x11F + 4), Hex("82 00"));  // entry 1 -> exit 0x323
}

TEST_F(SwitchTest, SparseSwitchIsRejected) {
  Open(Word(8));
  Add(Cn(0), 1);
  Add(Cn(300), 2);
  EXPECT_TRUE(Fails(Close()));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Switch cases too sparse"});
}

TEST_F(SwitchTest, SwitchWithoutCasesIsRejected) {
  Open(Word(8));
  Add(nullptr, 1);
  EXPECT_TRUE(Fails(Close()));
  Open(Word(8));
  EXPECT_TRUE(Fails(Close()));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Switch has no cases", "Switch has no cases"}));
}

TEST_F(SwitchTest, DuplicateLabelsAreRejected) {
  Open(Word(8));
  Add(Cn(2), 1);
  Add(Cn(3), 2);
  Add(Cn(2), 3);
  EXPECT_TRUE(Fails(Close()));
  Open(Word(8));
  Add(nullptr, 1);
  Add(Cn(3), 2);
  Add(nullptr, 3);
  EXPECT_TRUE(Fails(Close()));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Duplicate case label", "Duplicate case label"}));
}

TEST_F(SwitchTest, SwitchIsLimitedTo8191Bytes) {
  // jump 2 + body + break 2 + selector 2 + dispatch 15 + one entry 2 + 4:
  // a body of 8164 bytes makes 8191 in all, 8165 makes 8192.
  Open(Word(8));
  Tree group = Add(Cn(1), 1);
  SetKid(group, 3, Build(L_ex, sw, {Filler(8164)}));
  Generate(Close(), 0x100);
  EXPECT_EQ(next, 0x100 + 8191);
  Open(Word(8));
  group = Add(Cn(1), 1);
  SetKid(group, 3, Build(L_ex, sw, {Filler(8165)}));
  EXPECT_TRUE(Fails(Close(), 0x100));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Too much code in body of 'switch'"});
}

TEST_F(SwitchTest, CaseRangeAndCaseJumps) {
  Tree a = Build(L_cs, Leaf(0x10), {nullptr, Cn(4), nullptr});
  Tree b = Build(L_cs, Leaf(0x20), {nullptr, nullptr, nullptr});
  Tree c = Build(L_cs, Leaf(0x30), {nullptr, Cn(-1), nullptr});
  Tree list = nullptr;
  ListMerge(Build(L_cs, a, {nullptr, Cn(4)}), Build(L_cs, b, {nullptr, nullptr}), list);
  ListMerge(list, Build(L_cs, c, {nullptr, Cn(-1)}), list);
  Tree deflt = nullptr;
  Tree values = nullptr;
  int32_t count = 0;
  int32_t low = 0;
  int32_t high = 0;
  ASSERT_TRUE(CaseRange(deflt, count, low, high, values, list));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(low, -1);
  EXPECT_EQ(high, 4);
  EXPECT_EQ(ValueOf(deflt), 0x20);
  EXPECT_EQ(SetElements(values), (std::vector<int32_t>{4, -1}));
  ASSERT_TRUE(CaseJumps(0x100, -1, list));
  EXPECT_EQ(Bytes(0x100, 0x102), Hex("BF 2E"));  // -1 -> 0x30
  EXPECT_EQ(Bytes(0x10A, 0x10C), Hex("BF 04"));  // 4 -> 0x10
  EXPECT_EQ(Bytes(0x102, 0x10A), std::vector<int>(8, 0));

  ASSERT_TRUE(CaseRange(deflt, count, low, high, values, nullptr));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(low, 65536);
  EXPECT_EQ(high, -65536);
}

}  // namespace
}  // namespace vyl::cgtest
