// The runtime: tree values, interned strings and dictionaries, sets, the
// KibStack, labels and their limits; completing records in place and the
// type queries of the code generator.
#include "fixture.h"

namespace vyl::test {
namespace {

class RuntimeTest : public SessionTest {
 protected:
  void SetUp() override { Open("", false, false); }
  // The text of the fatal error `f` ends with.
  std::string FatalText(const std::function<void()>& f) {
    try {
      f();
    } catch (const FatalReturn&) {
      return host.stdoutText.substr(host.stdoutText.rfind("Error: ") + 7);
    }
    return "";
  }
};

TEST_F(RuntimeTest, TreesCompareReadAndReplace) {
  Tree a = Build(L_ad, Leaf(7), {Leaf(1), Leaf(2)});
  EXPECT_TRUE(Equal(a, Build(L_ad, Leaf(7), {Leaf(1), Leaf(2)})));
  EXPECT_FALSE(Equal(a, Build(L_ad, Leaf(8), {Leaf(1), Leaf(2)})));
  EXPECT_FALSE(Equal(Build(L_no, nullptr, {nullptr}), Build(L_no, nullptr, {nullptr, nullptr})));
  Tree c = Build(L_no, nullptr, {nullptr}), d = Build(L_no, nullptr, {nullptr});
  SetKid(c, 1, c);  // nodes that hold themselves compare and end
  SetKid(d, 1, d);
  EXPECT_TRUE(Equal(c, d));
  EXPECT_EQ(ValueOf(Build(L_no, Build(L_cn, Leaf(7)))), 7);  // through slot 0
  EXPECT_EQ(ValueOf(nullptr), 0);
  // treepart walks the digits of its path: child 1 then its label; slot 0 then its child 1.
  Tree t = Build(L_if, Build(L_cn, nullptr, {Leaf(5)}), {Build(L_wh), nullptr}), out = nullptr;
  EXPECT_TRUE(treepart(t, 0, -1, out) && out == t);
  EXPECT_TRUE(treepart(t, 91, L_wh, out));
  EXPECT_FALSE(treepart(t, 91, L_sw, out));
  EXPECT_TRUE(treepart(t, 18, -1, out) && ValueOf(out) == 5);
  EXPECT_TRUE(treepart(nullptr, 9, -1, out));
  EXPECT_FALSE(treepart(nullptr, 9, L_no, out) || treepart(Leaf(3), 1, -1, out));
  Tree dst = Build(L_no, nullptr, {Leaf(1), Leaf(2), Leaf(3)}), keep = Kid(dst, 3);
  Replace(dst, Build(L_wh, Leaf(9), {Leaf(4)}));
  EXPECT_EQ(std::make_tuple(LabelOf(dst), KidCount(dst), Kid(dst, 3)), std::make_tuple(L_wh, 1, keep));
  // A node replaced by a larger one grows in place: every reference sees
  // the new children, and the old ones stay above a smaller count.
  Tree small = Build(L_no, Leaf(1), {Leaf(2)}), ref = small, two = Kid(small, 1);
  EXPECT_EQ(Kid(small, 5), nullptr);
  Replace(small, Build(L_lc, Leaf(3), {Leaf(4), Leaf(5), Leaf(6), Leaf(7), Leaf(8)}));
  EXPECT_TRUE(Equal(ref, Build(L_lc, Leaf(3), {Leaf(4), Leaf(5), Leaf(6), Leaf(7), Leaf(8)})));
  EXPECT_EQ(std::make_tuple(ValueOf(ref), ValueOf(Kid(ref, 5)), Kid(ref, 6)), std::make_tuple(3, 8, nullptr));
  Replace(small, Build(L_no, nullptr, {two}));
  EXPECT_TRUE(treepart(ref, 5, -1, out) && ValueOf(out) == 8);
  SetKid(ref, 7, ref);
  EXPECT_EQ(std::make_tuple(Kid(ref, 1), Kid(ref, 7), KidCount(ref)), std::make_tuple(two, ref, 1));
  Tree io = Build(L_io, nullptr, {nullptr});
  SetKid(io, 4, two);  // a slot above those built with
  EXPECT_EQ(std::make_tuple(Kid(io, 4), Kid(io, 3)), std::make_tuple(two, nullptr));
  EXPECT_EQ(NumberText(kMinInt), "-2147483648");
  EXPECT_TRUE(SetGlobal(t, 9) && Global(9) == t);
  EXPECT_FALSE(SetGlobal(t, 10) || SetGlobal(t, -1));
  EXPECT_EQ(std::make_tuple(LabelName(L_zz), LabelName(492), LabelName(L_if)), std::make_tuple("zz", "ze", "if"));
  EXPECT_EQ(std::make_tuple(LabelName(97), LabelName(495)), std::make_tuple("", ""));
  EXPECT_EQ(FatalText([] { Replace(nullptr, Build(L_no)); }), "(Can't replace null tree)\n");
  Open("", false, false);
  EXPECT_EQ(FatalText([] { Replace(Build(L_no), nullptr); }), "(Can't replace with null tree)\n");
}

// A construct skipped because its first token is missing leaves the
// KibStack as trying it would: only the high-water mark is raised.  Traced,
// or where its brackets would not fit, it is tried after all.
TEST_F(RuntimeTest, SkippedConstructsRaiseOnlyTheHighWaterMark) {
  KPush(1);
  EXPECT_TRUE(Skipped(3));
  EXPECT_EQ(std::make_tuple(KibDepth(), KibHighWater(), AcceptedTokens()), std::make_tuple(1, 7, 0));
  while (KibDepth() < kKibStackSize - 2) KPush(0);
  EXPECT_TRUE(Skipped(1));
  EXPECT_FALSE(Skipped(2));
  EXPECT_EQ(KibHighWater(), kKibStackSize);
  SetTraceLevel(2);
  EXPECT_FALSE(Skipped(1));
  SetTraceLevel(0);
}

// A leaf rule inside a construct that has taken tokens: untraced (depth
// alone) and traced (a full bracket) it leaves the same depth, high-water
// mark and count, fails quietly either way, and at the end of the KibStack
// overflows as a rule does.
TEST_F(RuntimeTest, LeafRulesLeaveWhatRulesLeave) {
  for (int traced = 0; traced < 2; ++traced) {
    Open("", false, false);
    SetTraceLevel(traced ? 2 : 0);
    Rule outer("Outer");
    AcceptedTokens() = 3;
    {
      LeafRule leaf("Leaf");
      {
        LeafRule inner("Inner");
        EXPECT_EQ(KibDepth(), 6);
        EXPECT_FALSE(inner.Fail());
      }
      EXPECT_TRUE(leaf.Succeed(KibDepth()));
    }
    EXPECT_EQ(std::make_tuple(KibDepth(), KibHighWater(), AcceptedTokens()), std::make_tuple(2, 6, 3)) << traced;
    while (KibDepth() < kKibStackSize - 1) KPush(0);
    EXPECT_EQ(FatalText([] { LeafRule full("Full"); }), " KibStack overflow error\n") << traced;
  }
}

TEST_F(RuntimeTest, StringsAreInternedByTextAndCategory) {
  EXPECT_EQ(InternText("abc", 1), 30);
  EXPECT_EQ(InternText("abc", 1), 30);
  EXPECT_EQ(InternText("abc", 2), 33);
  EXPECT_EQ(InternText("", 1), 36);
  EXPECT_EQ(LastInterned(), 36);
  int32_t len = -1;
  for (auto [id, expected] : {std::pair{36, 0}, {30, 3}, {29, 0}, {31, 0}, {NextFreeId(), 0}}) {
    length(id, len);
    EXPECT_EQ(len, expected) << id;
  }
  EXPECT_EQ(StringText(33), "abc");
  initbl();
  AddChar('x');
  EXPECT_FALSE(AddChar('\r') || AddChar('\n') || AddChar(-1));
  initbl();  // the pending "x" is dropped
  AddChar('z');
  int32_t id = 0;
  Intern(1, id);
  EXPECT_EQ(StringText(id), "z");
  EXPECT_EQ(FatalText([] {
              for (int i = 0; i < 5000; ++i) InternText(std::string("n").append(std::to_string(i)));
            }),
            "***String table full***\n");
  EXPECT_LE(NextFreeId(), kIdLimit);  // (the character store filled: limits_test)
}

TEST_F(RuntimeTest, DictionariesScopeAndRefuseDuplicatesAtOneLevel) {
  int32_t x = InternText("x");
  Tree p = Leaf(1), q = Leaf(2), d = nullptr, inner = nullptr, refused = Leaf(0), v = nullptr;
  ASSERT_TRUE(into(x, nullptr, p, d));
  EXPECT_FALSE(into(x, d, q, refused));
  EXPECT_EQ(refused, nullptr);
  ASSERT_TRUE(openPlus(d, inner) && into(x, inner, q, inner));
  EXPECT_EQ(DictLevel(inner), 1);
  int32_t level = -1, name = 0;
  EXPECT_TRUE(From(x, inner, v, level) && v == q && level == 1);
  EXPECT_TRUE(From(x, d, v, level) && v == p && level == 0);  // the outer table is unchanged
  EXPECT_FALSE(From(InternText("y"), inner, v, level));
  EXPECT_EQ(v, nullptr);
  EXPECT_TRUE(ixFrom(0, inner, v, level, name) && name == x);
  EXPECT_TRUE(ixFrom(1, inner, v, level, name) && name == 0);  // the level marker
  EXPECT_FALSE(ixFrom(3, inner, v, level, name));
}

TEST_F(RuntimeTest, SetsAreCanonicalAndShareTheirCells) {
  // {3, 2, 1} in two orders: 1, 2, 3 makes cells 1 (1), 2 (2 1), 3 (3 2 1);
  // 3, 1, 2 then makes 4 (3) and 5 (3 1), and 2 goes between 3 and 1: (2 1)
  // is cell 2, (3 2 1) cell 3.  An element already there changes nothing.
  Tree a = nullptr, b = nullptr, c = nullptr, d = nullptr, u = nullptr, big = nullptr, again = nullptr;
  for (int e : {1, 2, 3, 2}) ASSERT_TRUE(addset(e, a, a));
  EXPECT_EQ(SetCellsUsed(), 3);
  for (int e : {3, 1, 2}) ASSERT_TRUE(addset(e, b, b));
  EXPECT_EQ(a, b);
  EXPECT_EQ(SetCellsUsed(), 5);
  EXPECT_EQ(SetElements(a), (std::vector<int32_t>{3, 2, 1}));
  EXPECT_TRUE(inset(2, a) && notinset(4, a) && notinset(1, nullptr));
  EXPECT_FALSE(inset(4, a));
  for (int e : {3, 1}) addset(e, c, c);
  for (int e : {2, 1}) addset(e, d, d);
  EXPECT_TRUE(unionset(c, d, u) && u == a);
  EXPECT_TRUE(unionset(a, a, u) && u == a);
  EXPECT_TRUE(unionset(a, nullptr, u) && u == a);
  EXPECT_TRUE(unionset(nullptr, a, u) && u == a);
  EXPECT_FALSE(unionset(a, Leaf(1), u));
  for (int e : {100000, -7, 90000, -300, 100000}) addset(e, big, big);
  for (int e : {-300, 90000, -7, 100000}) addset(e, again, again);
  EXPECT_EQ(SetElements(big), (std::vector<int32_t>{100000, 90000, -7, -300}));
  EXPECT_EQ(again, big);
  // The same element in front of 300 different rests: 600 cells; built the
  // other way round, only the set {5000} alone is new (once).
  std::vector<Tree> sets(300);
  int32_t used = SetCellsUsed();
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(addset(1000 + i, nullptr, sets[i]) && addset(5000, sets[i], sets[i]));
  EXPECT_EQ(SetCellsUsed(), used + 600);
  for (int i = 0; i < 300; ++i) {
    Tree s = nullptr;
    ASSERT_TRUE(addset(5000, nullptr, s) && addset(1000 + i, s, s));
    EXPECT_EQ(s, sets[i]);
  }
  EXPECT_EQ(SetCellsUsed(), used + 601);
}

TEST_F(RuntimeTest, TablesEndTheRunWhenFull) {
  Tree s = nullptr;
  for (int e = 0; e < 81919; ++e) addset(e, s, s);  // each new front element costs one cell
  EXPECT_EQ(SetCellsUsed(), 81919);
  EXPECT_EQ(FatalText([&] { addset(81919, s, s); }), "***Set Oflo***\n");
  Open("", false, false);
  EXPECT_EQ(FatalText([] { KPop(); }), " KibStack underflow error\n");  // (overflow: limits_test)
}

TEST_F(RuntimeTest, RecordsAreCompletedInPlace) {
  // InsertStuff fills the owner's free slot, which depends on its label.
  Tree i = Leaf(42), a = Leaf(1), b = Leaf(2), c = Leaf(3), d = Leaf(4);
  const std::pair<Tree, Tree> cases[] = {
      {Build(L_fn, Leaf(9), {a, b, c, d}), Build(L_fn, Leaf(9), {a, b, c, d, i})},
      {Build(L_xf, Leaf(3), {a, nullptr, c, d}), Build(L_xf, Leaf(3), {a, i, c, d})},
      {Build(L_sw, Leaf(5), {a, b}), Build(L_sw, Leaf(5), {a, b, i})},
      {Build(L_lp, Leaf(7), {a}), Build(L_lp, nullptr, {a, i})},  // loops drop slot 0
      {Build(L_tk, Leaf(1), {a, b}), Build(L_tk, nullptr, {i})},
      {Build(L_ar, nullptr, {a, b}), Build(L_ar, nullptr, {a, b, i})},
      {Build(L_cl, Leaf(5), {a, nullptr, c, d}), Build(L_cl, Leaf(5), {a, i, c, nullptr, nullptr, Build(L_sz)})},
      {Build(L_vr, Leaf(8), {a, b, nullptr, d}), Build(L_vr, Leaf(8), {a, b, i, d})},
      {Build(L_no, Leaf(1), {a}), Build(L_no, nullptr, {Build(L_vr, nullptr, {a, i})})},
      {Build(L_ty, Leaf(6), {a, b, c, d}), Build(L_ty, Leaf(6), {a, b, i})},
  };
  for (auto [owner, expected] : cases) {
    Tree same = owner;
    ASSERT_TRUE(InsertStuff(i, same)) << LabelName(LabelOf(owner));
    EXPECT_TRUE(same == owner && Equal(owner, expected)) << LabelName(LabelOf(owner));
  }
  for (Tree taken : {Build(L_fn, nullptr, {nullptr, nullptr, nullptr, nullptr, a}), Build(L_wh, nullptr, {nullptr, a}),
                     Build(L_cl, nullptr, {nullptr, a}), Build(L_if), Tree{nullptr}}) {
    EXPECT_FALSE(InsertStuff(i, taken));
  }
  Tree fn = Build(L_fn, nullptr, {nullptr, nullptr, nullptr, nullptr, a});
  Replace(fn, Build(L_fn, Leaf(3)));  // slots above the child count count as empty
  EXPECT_TRUE(InsertStuff(i, fn) && Kid(fn, 5) == i);
  // Decorate sets slot 0 of the nodes that take a value; ClassParts
  // completes a class with its members, scope and the size it decorates.
  Tree wh = Build(L_wh, nullptr, {Leaf(0), Leaf(1)});
  ASSERT_TRUE(Decorate(120, wh));
  EXPECT_TRUE(Equal(wh, Build(L_wh, Leaf(120), {Leaf(0), Leaf(1)})));
  Tree cl = Build(L_cl, Leaf(33)), members = Build(L_vr), scope = Leaf(0);
  ASSERT_TRUE(InsertStuff(Build(L_ty), cl));
  Tree sz = Kid(cl, 6);
  ASSERT_TRUE(ClassParts(members, scope, 6, cl));
  EXPECT_EQ(std::make_tuple(Kid(cl, 4), Kid(cl, 5), Kid(cl, 6), ValueOf(sz)), std::make_tuple(members, scope, sz, 6));
  EXPECT_FALSE(ClassParts(nullptr, nullptr, 0, Build(L_ty)));
  // Counters: UpdateLoc refuses to wrap; NewProcNo counts on.
  Tree lc = Build(L_lc, Leaf(10), {Build(L_dl, Leaf(1)), nullptr});
  Tree full = Build(L_lc, Leaf(kMaxInt - 1), {nullptr, nullptr});
  int32_t old = 0, n = 0;
  ASSERT_TRUE(UpdateLoc(0, old, lc) && UpdateLoc(4, old, lc));
  EXPECT_EQ(std::make_pair(old, ValueOf(lc)), std::make_pair(10, 14));
  EXPECT_FALSE(UpdateLoc(2, old, full));
  EXPECT_EQ(ValueOf(full), kMaxInt - 1);
  Tree counter = Build(L_fn, Leaf(1));
  ASSERT_TRUE(NewProcNo(n, counter));
  EXPECT_EQ(std::make_pair(n, ValueOf(counter)), std::make_pair(2, 2));
  EXPECT_THROW(Decorate(1, Build(L_if)), FatalReturn);
  EXPECT_EQ(host.files["prog.ftx"], "\r\nOops (Decorate)\r\nNested error");
}

TEST_F(RuntimeTest, TypeQueries) {
  Tree intType = Build(L_ty, Leaf(99), {nullptr, Build(L_sz, Leaf(2))});
  InsertStuff(Build(L_rn, nullptr, {Cn(-5), Cn(9), intType}), intType);
  Tree boolType = Build(L_ty, Leaf(105), {nullptr, Build(L_sz, Leaf(2))});
  Tree trueDef = Build(L_df, nullptr, {nullptr, boolType, Cn(1)});
  InsertStuff(Build(L_en, nullptr, {boolType, trueDef}), boolType);
  Tree cl = Build(L_cl, Leaf(108));
  Tree classType = Build(L_ty, Leaf(108), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {cl})});
  InsertStuff(classType, cl);
  Tree scope = nullptr, members = nullptr, type = nullptr, result = nullptr;
  openPlus(nullptr, scope);
  ClassParts(nullptr, scope, 8, cl);
  int32_t size = 0, lo = 0, hi = 0;
  EXPECT_TRUE(TypeSize(Build(L_ch), size) && size == 2);
  EXPECT_TRUE(TypeSize(cl, size) && size == 8);
  EXPECT_TRUE(GetTypeRange(intType, lo, hi) && lo == -5 && hi == 9);
  EXPECT_TRUE(GetTypeRange(boolType, lo, hi) && lo == 0 && hi == 1);  // up to its last constant
  EXPECT_TRUE(GetTypeRange(classType, lo, hi) && lo == kMinInt && hi == kMaxInt);
  EXPECT_FALSE(GetTypeRange(Build(L_no), lo, hi));
  EXPECT_TRUE(IsScalar(intType) && IsScalar(boolType) && IsScalar(Build(L_ch)) && !IsScalar(classType));
  EXPECT_TRUE(IsObject(cl, size, result) && size == 8 && result == classType);
  EXPECT_TRUE(IsObject(classType, size, result) && size == 8 && result == classType);
  // GetItsType: a constant's range is its value; a variable of class type
  // reaches the class's member table.
  EXPECT_TRUE(GetItsType(trueDef, members, type, lo, hi));
  EXPECT_EQ(std::make_tuple(members, type, lo, hi), std::make_tuple(Tree{nullptr}, boolType, 1, 1));
  EXPECT_TRUE(GetItsType(Build(L_vr, nullptr, {nullptr, intType}), members, type, lo, hi));
  EXPECT_EQ(std::make_tuple(type, lo, hi), std::make_tuple(intType, -5, 9));
  EXPECT_TRUE(GetItsType(Build(L_vr, nullptr, {nullptr, classType}), members, type, lo, hi) && members == scope);
  EXPECT_FALSE(GetItsType(nullptr, members, type, lo, hi));
}

}  // namespace
}  // namespace vyl::test
