// Tree values, strings and dictionaries, sets, the KibStack and labels.
#include <gtest/gtest.h>

#include "app/app.h"
#include "runtime/runtime.h"

namespace vyl {
namespace {

class RuntimeTest : public ::testing::Test {
 protected:
  MemoryHost host;
  std::unique_ptr<OpenSession> session;
  void SetUp() override {
    host.files["prog.vyl"] = "";
    session = std::make_unique<OpenSession>(host);
  }
  void TearDown() override { session.reset(); }
  std::string FatalText(const std::function<void()>& f) {
    try {
      f();
    } catch (const FatalReturn&) {
      std::string out = host.stdoutText;
      return out.substr(out.rfind("Error: ") + 7);
    }
    return "";
  }
};

TEST_F(RuntimeTest, EqualComparesStructureSlotZeroAndChildCount) {
  Tree a = Build(L_ad, Leaf(7), {Leaf(1), Leaf(2)});
  Tree b = Build(L_ad, Leaf(7), {Leaf(1), Leaf(2)});
  EXPECT_TRUE(Equal(a, b));
  EXPECT_FALSE(Equal(a, Build(L_ad, Leaf(8), {Leaf(1), Leaf(2)})));
  EXPECT_FALSE(Equal(Build(L_no, nullptr, {nullptr}), Build(L_no, nullptr, {nullptr, nullptr})));
  // A node that holds itself terminates.
  Tree c = Build(L_no, nullptr, {nullptr});
  SetKid(c, 1, c);
  Tree d = Build(L_no, nullptr, {nullptr});
  SetKid(d, 1, d);
  EXPECT_TRUE(Equal(c, d));
  EXPECT_EQ(c->kind, kNode);
}

TEST_F(RuntimeTest, ValueOfFollowsSlotZeroAndTreepartWalksDigits) {
  Tree inner = Build(L_cn, Leaf(7));
  EXPECT_EQ(ValueOf(Build(L_no, inner)), 7);
  EXPECT_EQ(ValueOf(Build(L_no)), 0);
  EXPECT_EQ(ValueOf(nullptr), 0);
  Tree t = Build(L_if, Build(L_cn, nullptr, {Leaf(5)}), {Build(L_wh), nullptr});
  Tree out = nullptr;
  EXPECT_TRUE(treepart(t, 0, -1, out));
  EXPECT_EQ(out, t);
  EXPECT_TRUE(treepart(t, 91, L_wh, out));  // child 1, then its label
  EXPECT_FALSE(treepart(t, 91, L_sw, out));
  EXPECT_TRUE(treepart(t, 18, -1, out));  // slot 0, then its child 1
  EXPECT_EQ(ValueOf(out), 5);
  EXPECT_TRUE(treepart(nullptr, 9, -1, out));
  EXPECT_FALSE(treepart(nullptr, 9, L_no, out));
  EXPECT_EQ(out, nullptr);
  EXPECT_FALSE(treepart(Leaf(3), 1, -1, out));
}

TEST_F(RuntimeTest, ReplaceAndItsFaults) {
  Tree dst = Build(L_no, nullptr, {Leaf(1), Leaf(2), Leaf(3)});
  Tree keep = Kid(dst, 3);
  Replace(dst, Build(L_wh, Leaf(9), {Leaf(4)}));
  EXPECT_EQ(LabelOf(dst), L_wh);
  EXPECT_EQ(KidCount(dst), 1);
  EXPECT_EQ(Kid(dst, 3), keep);  // slots above the new n keep their contents
  EXPECT_EQ(FatalText([] { Replace(nullptr, Build(L_no)); }), "(Can't replace null tree)\n");
}

TEST_F(RuntimeTest, ReplaceWithNullIsFatal) {
  Tree dst = Build(L_no);
  EXPECT_EQ(FatalText([&] { Replace(dst, nullptr); }), "(Can't replace with null tree)\n");
}

TEST(NumberTextTest, SignedDecimal) {
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(-5), "-5");
  EXPECT_EQ(NumberText(INT32_MIN), "-2147483648");
}

TEST_F(RuntimeTest, GlobalSlotsAreTenWide) {
  Tree t = Leaf(1);
  EXPECT_TRUE(SetGlobal(t, 9));
  EXPECT_EQ(Global(9), t);
  EXPECT_FALSE(SetGlobal(t, 10));
  EXPECT_FALSE(SetGlobal(t, -1));
}

TEST_F(RuntimeTest, InterningGivesIdsByTextAndCategory) {
  int32_t a = InternText("abc", 1);
  EXPECT_EQ(a, 30);
  EXPECT_EQ(InternText("abc", 1), 30);
  int32_t b = InternText("abc", 2);
  EXPECT_EQ(b, 33);
  EXPECT_EQ(InternText("", 1), 36);
  int32_t len = -1;
  length(36, len);
  EXPECT_EQ(len, 0);
  length(30, len);
  EXPECT_EQ(len, 3);
  for (int32_t bad : {29, 31, NextFreeId()}) {
    length(bad, len);
    EXPECT_EQ(len, 0) << bad;
  }
  EXPECT_EQ(StringText(33), "abc");
  EXPECT_EQ(LastInterned(), 36);
}

TEST_F(RuntimeTest, InitblDiscardsPendingText) {
  initbl();
  AddChar('x');
  AddChar('y');
  EXPECT_FALSE(AddChar('\r'));
  EXPECT_FALSE(AddChar('\n'));
  EXPECT_FALSE(AddChar(-1));
  initbl();  // the pending "xy" is dropped
  AddChar('z');
  int32_t id = 0;
  Intern(1, id);
  EXPECT_EQ(StringText(id), "z");
}

TEST_F(RuntimeTest, FullStringTableEndsTheRun) {
  std::string fatal = FatalText([] {
    for (int i = 0; i < 5000; ++i) InternText("n" + std::to_string(i));
  });
  EXPECT_EQ(fatal, "***String table full***\n");
  EXPECT_LE(NextFreeId(), kIdLimit);
}

TEST_F(RuntimeTest, FullCharacterStoreEndsTheRun) {
  std::string fatal = FatalText([] {
    for (int i = 0; i < 100; ++i) InternText(std::string(400, 'a') + std::to_string(i));
  });
  EXPECT_EQ(fatal, "***Character store full***\n");
}

TEST_F(RuntimeTest, DictionariesScopeAndRefuseDuplicatesAtOneLevel) {
  int32_t x = InternText("x");
  Tree p = Leaf(1);
  Tree q = Leaf(2);
  Tree d = nullptr;
  ASSERT_TRUE(into(x, nullptr, p, d));
  Tree refused = Leaf(0);
  EXPECT_FALSE(into(x, d, q, refused));
  EXPECT_EQ(refused, nullptr);
  Tree inner = nullptr;
  ASSERT_TRUE(openPlus(d, inner));
  EXPECT_EQ(DictLevel(inner), 1);
  ASSERT_TRUE(into(x, inner, q, inner));
  Tree v = nullptr;
  int32_t level = -1;
  ASSERT_TRUE(From(x, inner, v, level));
  EXPECT_EQ(v, q);
  EXPECT_EQ(level, 1);
  ASSERT_TRUE(From(x, d, v, level));  // the outer table is unchanged
  EXPECT_EQ(v, p);
  EXPECT_EQ(level, 0);
  EXPECT_FALSE(From(InternText("y"), inner, v, level));
  EXPECT_EQ(v, nullptr);
  int32_t name = 0;
  ASSERT_TRUE(ixFrom(0, inner, v, level, name));
  EXPECT_EQ(name, x);
  ASSERT_TRUE(ixFrom(1, inner, v, level, name));
  EXPECT_EQ(name, 0);  // the level marker
  EXPECT_FALSE(ixFrom(3, inner, v, level, name));
}

TEST_F(RuntimeTest, SetsAreCanonical) {
  Tree s1 = nullptr;
  addset(5, nullptr, s1);
  Tree s2 = nullptr;
  addset(5, s1, s2);
  EXPECT_EQ(s1, s2);
  Tree a = nullptr;
  Tree b = nullptr;
  for (int e : {1, 3, 2}) addset(e, a, a);
  for (int e : {2, 1, 3}) addset(e, b, b);
  EXPECT_EQ(a, b);
  EXPECT_EQ(SetElements(a), (std::vector<int32_t>{3, 2, 1}));
  EXPECT_TRUE(inset(2, a));
  EXPECT_FALSE(inset(4, a));
  EXPECT_TRUE(notinset(4, a));
  EXPECT_TRUE(notinset(1, nullptr));
}

TEST_F(RuntimeTest, SetUnionLargeAndNegativeElements) {
  Tree a = nullptr;
  Tree b = nullptr;
  for (int e : {3, 1}) addset(e, a, a);
  for (int e : {2, 1}) addset(e, b, b);
  Tree u = nullptr;
  ASSERT_TRUE(unionset(a, b, u));
  Tree expect = nullptr;
  for (int e : {1, 2, 3}) addset(e, expect, expect);
  EXPECT_EQ(u, expect);
  EXPECT_TRUE(unionset(a, a, u));
  EXPECT_EQ(u, a);
  EXPECT_TRUE(unionset(a, nullptr, u));
  EXPECT_EQ(u, a);
  EXPECT_TRUE(unionset(nullptr, a, u));
  EXPECT_EQ(u, a);
  EXPECT_FALSE(unionset(a, Leaf(1), u));
  Tree big = nullptr;
  for (int e : {100000, -7, 90000, -300, 100000}) addset(e, big, big);
  EXPECT_EQ(SetElements(big), (std::vector<int32_t>{100000, 90000, -7, -300}));
  EXPECT_TRUE(inset(-300, big));
  Tree again = nullptr;
  for (int e : {-300, 90000, -7, 100000}) addset(e, again, again);
  EXPECT_EQ(again, big);
}

TEST_F(RuntimeTest, SetCellTableOverflow) {
  Tree s = nullptr;
  // Each new element in front of a growing set costs one cell.
  for (int e = 0; e < 81919; ++e) addset(e, s, s);
  EXPECT_EQ(SetCellsUsed(), 81919);
  EXPECT_EQ(FatalText([&] { addset(81919, s, s); }), "***Set Oflo***\n");
}

TEST_F(RuntimeTest, KibStackLimits) {
  EXPECT_EQ(FatalText([] { KPop(); }), " KibStack underflow error\n");
}

TEST_F(RuntimeTest, KibStackOverflow) {
  EXPECT_EQ(FatalText([] {
              for (int i = 0; i <= kKibStackSize; ++i) KPush(i);
            }),
            " KibStack overflow error\n");
}

TEST(LabelTest, CodesAndNames) {
  EXPECT_EQ(LabelName(L_no), "no");
  EXPECT_EQ(LabelName(L_zz), "zz");
  EXPECT_EQ(L_zz, 372);
  EXPECT_EQ(LabelName(492), "ze");
  EXPECT_EQ((L_if - 96) / 3, 63);
  EXPECT_EQ(LabelName(L_if), "if");
  EXPECT_EQ(LabelName(97), "");
  EXPECT_EQ(LabelName(495), "");
}

}  // namespace
}  // namespace vyl
