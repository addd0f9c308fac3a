// Completing records in place (InsertStuff, Decorate, ClassParts, the
// counters) and the type queries of the code generator.
#include <gtest/gtest.h>

#include <limits>

#include "app/app.h"
#include "codegen/codegen.h"

namespace vyl {
namespace {

class TreeEditTest : public ::testing::Test {
 protected:
  MemoryHost host;
  std::unique_ptr<OpenSession> session;
  void SetUp() override {
    host.files["prog.vyl"] = "";
    session = std::make_unique<OpenSession>(host);
  }
  void TearDown() override { session.reset(); }
};

Tree Cn(int32_t v) { return Build(L_cn, Leaf(v)); }
Tree Sz(int32_t v) { return Build(L_sz, Leaf(v)); }
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

TEST_F(TreeEditTest, InsertStuffFillsTheFreeSlotInPlace) {
  Tree i = Leaf(42), a = Leaf(1), b = Leaf(2), c = Leaf(3), d = Leaf(4);
  struct Case {
    Tree owner, expected;
  } cases[] = {
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
  for (const Case& k : cases) {
    Tree owner = k.owner;
    ASSERT_TRUE(InsertStuff(i, owner)) << LabelName(LabelOf(owner));
    EXPECT_EQ(owner, k.owner);
    EXPECT_TRUE(Equal(owner, k.expected)) << LabelName(LabelOf(owner));
  }
  // Owners whose slot is taken, other labels, nothing.
  EXPECT_FALSE(InsertStuff(i, Build(L_fn, nullptr, {nullptr, nullptr, nullptr, nullptr, a})));
  EXPECT_FALSE(InsertStuff(i, Build(L_wh, nullptr, {nullptr, a})));
  EXPECT_FALSE(InsertStuff(i, Build(L_cl, nullptr, {nullptr, a})));
  EXPECT_FALSE(InsertStuff(i, Build(L_if)));
  EXPECT_FALSE(InsertStuff(i, nullptr));
  // Slots above the child count, left over from a Replace, count as empty.
  Tree fn = Build(L_fn, nullptr, {nullptr, nullptr, nullptr, nullptr, a});
  Replace(fn, Build(L_fn, Leaf(3)));
  EXPECT_TRUE(InsertStuff(i, fn));
  EXPECT_EQ(Kid(fn, 5), i);
}

TEST_F(TreeEditTest, DecorateClassPartsAndCounters) {
  Tree wh = Build(L_wh, nullptr, {Leaf(0), Leaf(1)});
  ASSERT_TRUE(Decorate(120, wh));
  EXPECT_TRUE(Equal(wh, Build(L_wh, Leaf(120), {Leaf(0), Leaf(1)})));

  Tree cl = Build(L_cl, Leaf(33));
  ASSERT_TRUE(InsertStuff(Build(L_ty), cl));
  Tree sz = Kid(cl, 6), members = Build(L_vr), scope = Leaf(0);
  ASSERT_TRUE(ClassParts(members, scope, 6, cl));
  EXPECT_EQ(std::make_tuple(Kid(cl, 4), Kid(cl, 5), Kid(cl, 6)), std::make_tuple(members, scope, sz));
  EXPECT_EQ(ValueOf(sz), 6);  // the same size node, decorated
  EXPECT_FALSE(ClassParts(nullptr, nullptr, 0, Build(L_ty)));

  Tree lc = Build(L_lc, Leaf(10), {Build(L_dl, Leaf(1)), nullptr});
  int32_t old = 0;
  ASSERT_TRUE(UpdateLoc(0, old, lc));
  ASSERT_TRUE(UpdateLoc(4, old, lc));
  EXPECT_EQ(std::make_pair(old, ValueOf(lc)), std::make_pair(10, 14));
  EXPECT_TRUE(Is(Kid(lc, 1), L_dl));
  Tree full = Build(L_lc, Leaf(kMax - 1), {nullptr, nullptr});
  EXPECT_FALSE(UpdateLoc(2, old, full));  // refused, not wrapped
  EXPECT_EQ(ValueOf(full), kMax - 1);

  Tree counter = Build(L_fn, Leaf(1));
  int32_t n = 0;
  ASSERT_TRUE(NewProcNo(n, counter));
  EXPECT_EQ(std::make_pair(n, ValueOf(counter)), std::make_pair(2, 2));
}

TEST_F(TreeEditTest, DecoratingAnyOtherNodeIsAFault) {
  EXPECT_THROW(Decorate(1, Build(L_if)), FatalReturn);
  EXPECT_EQ(host.files["prog.ftx"], "\r\nOops (Decorate)\r\nNested error");
}

TEST_F(TreeEditTest, TypeQueries) {
  Tree intType = Build(L_ty, Leaf(99), {nullptr, Sz(2)});
  InsertStuff(Build(L_rn, nullptr, {Cn(-5), Cn(9), intType}), intType);
  Tree boolType = Build(L_ty, Leaf(105), {nullptr, Sz(2)});
  Tree trueDef = Build(L_df, nullptr, {nullptr, boolType, Cn(1)});
  InsertStuff(Build(L_en, nullptr, {boolType, trueDef}), boolType);
  Tree cl = Build(L_cl, Leaf(108));
  Tree classType = Build(L_ty, Leaf(108), {nullptr, Sz(2), Build(L_pt, nullptr, {cl})});
  InsertStuff(classType, cl);
  Tree scope = nullptr;
  openPlus(nullptr, scope);
  ClassParts(nullptr, scope, 8, cl);

  int32_t size = 0, name = 0, lo = 0, hi = 0;
  EXPECT_TRUE(TypeSize(Build(L_ch), size) && size == 2);
  EXPECT_TRUE(TypeSize(cl, size) && size == 8);
  EXPECT_TRUE(TypeSize(Build(L_ty, nullptr, {nullptr, Build(L_sz)}), size) && size == 0);  // void
  EXPECT_FALSE(TypeSize(Build(L_vr, nullptr, {nullptr, Sz(2)}), size));
  EXPECT_TRUE(NameOfType(cl, name) && name == 108);
  EXPECT_TRUE(GetTypeRange(intType, lo, hi) && lo == -5 && hi == 9);
  EXPECT_TRUE(GetTypeRange(boolType, lo, hi) && lo == 0 && hi == 1);
  EXPECT_TRUE(GetTypeRange(classType, lo, hi) && hi == kMax && lo == -1 - kMax);
  EXPECT_FALSE(GetTypeRange(Build(L_no), lo, hi));
  EXPECT_TRUE(IsScalar(intType) && IsScalar(boolType) && IsScalar(Build(L_ch)));
  EXPECT_FALSE(IsScalar(classType));

  Tree result = nullptr;
  EXPECT_TRUE(IsObject(cl, size, result) && size == 8 && result == classType);
  EXPECT_TRUE(IsObject(classType, size, result) && size == 8 && result == classType);
  EXPECT_FALSE(IsObject(intType, size, result));

  // GetItsType: a constant's range is its value; a variable of class type
  // reaches the class's member table; a package's table is its child 5.
  Tree members = Leaf(0), type = nullptr;
  EXPECT_TRUE(GetItsType(trueDef, members, type, lo, hi));
  EXPECT_EQ(std::make_tuple(members, type, lo, hi), std::make_tuple(nullptr, boolType, 1, 1));
  EXPECT_TRUE(GetItsType(Build(L_vr, nullptr, {nullptr, intType}), members, type, lo, hi));
  EXPECT_EQ(std::make_tuple(type, lo, hi), std::make_tuple(intType, -5, 9));
  EXPECT_TRUE(GetItsType(Build(L_vr, nullptr, {nullptr, classType}), members, type, lo, hi));
  EXPECT_EQ(std::make_pair(members, type), std::make_pair(scope, classType));
  Tree pk = Build(L_pk, Leaf(1), {nullptr, nullptr, nullptr, Build(L_fn), scope});
  EXPECT_TRUE(GetItsType(pk, members, type, lo, hi) && members == scope && type == pk);
  Tree xf = Build(L_xf, nullptr, {boolType});
  EXPECT_TRUE(GetItsType(Build(L_fn, nullptr, {nullptr, xf}), members, type, lo, hi) && type == xf && hi == 1);
  EXPECT_FALSE(
      GetItsType(Build(L_cl, nullptr, {nullptr, classType, nullptr, nullptr, Leaf(1)}), members, type, lo, hi));
  EXPECT_FALSE(GetItsType(nullptr, members, type, lo, hi));
}

}  // namespace
}  // namespace vyl
