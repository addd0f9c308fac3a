// Completing records in place (InsertStuff, Decorate, ClassParts, the
// counters) and the type queries of the code generator.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "app/app.h"
#include "codegen/codegen.h"
#include "runtime/runtime.h"

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
  // The last message line of the output after a fatal end, or "" when none.
  std::string MessageOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const FatalReturn&) {
      return host.files["prog.ftx"];
    }
    return "";
  }
};

Tree Cn(int32_t v) { return Build(L_cn, Leaf(v)); }
Tree Sz(int32_t v) { return Build(L_sz, Leaf(v)); }

// ---------------------------------------------------------------------------
// InsertStuff

TEST_F(TreeEditTest, InsertStuffFillsTheFreeSlotOfEachOwnerShape) {
  Tree item = Leaf(42);
  Tree a = Leaf(1), b = Leaf(2), c = Leaf(3), d = Leaf(4);

  Tree fn = Build(L_fn, Leaf(9), {a, b, c, d});
  Tree keep = fn;
  ASSERT_TRUE(InsertStuff(item, fn));
  EXPECT_EQ(fn, keep);  // completed in place
  EXPECT_TRUE(Equal(fn, Build(L_fn, Leaf(9), {a, b, c, d, item})));

  Tree xf = Build(L_xf, Leaf(3), {a, nullptr, c, d});
  ASSERT_TRUE(InsertStuff(item, xf));
  EXPECT_TRUE(Equal(xf, Build(L_xf, Leaf(3), {a, item, c, d})));

  Tree sw = Build(L_sw, Leaf(5), {a, b});
  ASSERT_TRUE(InsertStuff(item, sw));
  EXPECT_TRUE(Equal(sw, Build(L_sw, Leaf(5), {a, b, item})));

  // Loops drop slot 0.
  for (int32_t label : {L_wh, L_lp, L_fr}) {
    Tree loop = Build(label, Leaf(7), {a});
    ASSERT_TRUE(InsertStuff(item, loop));
    EXPECT_TRUE(Equal(loop, Build(label, nullptr, {a, item})));
  }

  Tree tk = Build(L_tk, Leaf(1), {a, b});
  ASSERT_TRUE(InsertStuff(item, tk));
  EXPECT_TRUE(Equal(tk, Build(L_tk, nullptr, {item})));

  Tree ar = Build(L_ar, nullptr, {a, b});
  ASSERT_TRUE(InsertStuff(item, ar));
  EXPECT_TRUE(Equal(ar, Build(L_ar, nullptr, {a, b, item})));

  Tree vr = Build(L_vr, Leaf(8), {a, b, nullptr, d});
  ASSERT_TRUE(InsertStuff(item, vr));
  EXPECT_TRUE(Equal(vr, Build(L_vr, Leaf(8), {a, b, item, d})));

  Tree ty = Build(L_ty, Leaf(6), {a, b, c, d});  // child 4 is dropped
  ASSERT_TRUE(InsertStuff(item, ty));
  EXPECT_TRUE(Equal(ty, Build(L_ty, Leaf(6), {a, b, item})));
}

TEST_F(TreeEditTest, InsertStuffOnClassesAndListsAndRefusals) {
  Tree item = Leaf(42);
  Tree cl = Build(L_cl, Leaf(5), {Leaf(1), nullptr, Leaf(3), Leaf(4)});
  ASSERT_TRUE(InsertStuff(item, cl));
  EXPECT_EQ(KidCount(cl), 6);
  EXPECT_EQ(Kid(cl, 2), item);
  EXPECT_EQ(Kid(cl, 4), nullptr);  // the member list is dropped
  EXPECT_TRUE(Equal(Kid(cl, 6), Build(L_sz)));

  // A list head: each item goes in front of the older ones.
  Tree list = Build(L_no, Leaf(1), {nullptr});
  Tree first = Leaf(10), second = Leaf(11);
  ASSERT_TRUE(InsertStuff(first, list));
  ASSERT_TRUE(InsertStuff(second, list));
  EXPECT_TRUE(
      Equal(list, Build(L_no, nullptr, {Build(L_vr, nullptr, {Build(L_vr, nullptr, {nullptr, first}), second})})));

  // Owners whose slot is already taken, other labels and the empty tree.
  EXPECT_FALSE(InsertStuff(item, Build(L_fn, nullptr, {nullptr, nullptr, nullptr, nullptr, Leaf(1)})));
  EXPECT_FALSE(InsertStuff(item, Build(L_xf, nullptr, {nullptr, Leaf(1)})));
  EXPECT_FALSE(InsertStuff(item, Build(L_wh, nullptr, {nullptr, Leaf(1)})));
  EXPECT_FALSE(InsertStuff(item, Build(L_cl, nullptr, {nullptr, Leaf(1)})));
  EXPECT_FALSE(InsertStuff(item, Build(L_vr, nullptr, {nullptr, nullptr, Leaf(1)})));
  EXPECT_FALSE(InsertStuff(item, Build(L_if)));
  EXPECT_FALSE(InsertStuff(item, nullptr));
}

TEST_F(TreeEditTest, SlotsAboveTheChildCountCountAsEmpty) {
  // A record that was replaced by a shorter one still carries old slots.
  Tree fn = Build(L_fn, nullptr, {nullptr, nullptr, nullptr, nullptr, Leaf(1)});
  Replace(fn, Build(L_fn, Leaf(3)));
  ASSERT_NE(Kid(fn, 5), nullptr);
  EXPECT_TRUE(InsertStuff(Leaf(7), fn));
  EXPECT_EQ(ValueOf(Kid(fn, 5)), 7);
}

// ---------------------------------------------------------------------------
// Decorate, ClassParts and the counters

TEST_F(TreeEditTest, DecorateRecordsAValueInSlotZeroKeepingTheChildren) {
  Tree body = Leaf(1);
  Tree wh = Build(L_wh, nullptr, {Leaf(0), body});
  Tree keep = wh;
  ASSERT_TRUE(Decorate(120, wh));
  EXPECT_EQ(wh, keep);
  EXPECT_EQ(ValueOf(wh), 120);
  EXPECT_EQ(KidCount(wh), 2);
  EXPECT_EQ(Kid(wh, 2), body);
  for (int32_t label : {L_xf, L_lp, L_sw, L_cs, L_of, L_sz, L_nn, L_zz}) {
    Tree t = Build(label);
    EXPECT_TRUE(Decorate(-4, t));
    EXPECT_EQ(ValueOf(t), -4);
  }
}

TEST_F(TreeEditTest, DecoratingAnyOtherNodeIsAFault) {
  EXPECT_EQ(MessageOf([] { Decorate(1, Build(L_if)); }), "\r\nOops (Decorate)\r\nNested error");
}

TEST_F(TreeEditTest, DecoratingNothingIsAFault) {
  EXPECT_EQ(MessageOf([] { Decorate(1, nullptr); }), "\r\nOops (Decorate)\r\nNested error");
}

TEST_F(TreeEditTest, ClassPartsLaysTheClassOut) {
  Tree type = Build(L_ty);
  Tree cl = Build(L_cl, Leaf(33));
  ASSERT_TRUE(InsertStuff(type, cl));
  Tree sz = Kid(cl, 6);
  Tree members = Build(L_vr), scope = Leaf(0);
  ASSERT_TRUE(ClassParts(members, scope, 6, cl));
  EXPECT_EQ(KidCount(cl), 6);
  EXPECT_EQ(ValueOf(Kid(cl, 0)), 33);
  EXPECT_EQ(Kid(cl, 2), type);
  EXPECT_EQ(Kid(cl, 4), members);
  EXPECT_EQ(Kid(cl, 5), scope);
  EXPECT_EQ(Kid(cl, 6), sz);  // the same size node, now holding the size
  EXPECT_EQ(ValueOf(sz), 6);
  int32_t size = -1;
  ASSERT_TRUE(TypeSize(cl, size));
  EXPECT_EQ(size, 6);
  // Size 0 leaves the size node empty.
  Tree empty = Build(L_cl);
  ASSERT_TRUE(InsertStuff(type, empty));
  ASSERT_TRUE(ClassParts(nullptr, nullptr, 0, empty));
  EXPECT_EQ(Kid(Kid(empty, 6), 0), nullptr);
  EXPECT_FALSE(ClassParts(nullptr, nullptr, 0, Build(L_ty)));
}

TEST_F(TreeEditTest, CountersAdvanceInPlace) {
  Tree dl = Build(L_dl, Leaf(1));
  Tree lc = Build(L_lc, Leaf(10), {dl, nullptr});
  int32_t old = 0;
  ASSERT_TRUE(UpdateLoc(0, old, lc));
  EXPECT_EQ(old, 10);
  EXPECT_EQ(ValueOf(lc), 10);
  ASSERT_TRUE(UpdateLoc(4, old, lc));
  EXPECT_EQ(old, 10);
  EXPECT_EQ(ValueOf(lc), 14);
  EXPECT_EQ(Kid(lc, 1), dl);
  EXPECT_EQ(KidCount(lc), 2);
  // An offset beyond 32 bits is refused, not wrapped.
  Tree high = Build(L_lc, Leaf(std::numeric_limits<int32_t>::max() - 1), {nullptr, nullptr});
  EXPECT_FALSE(UpdateLoc(2, old, high));
  EXPECT_EQ(ValueOf(high), std::numeric_limits<int32_t>::max() - 1);
  EXPECT_FALSE(UpdateLoc(2, old, Build(L_fn)));

  Tree counter = Build(L_fn, Leaf(1));
  int32_t n = 0;
  ASSERT_TRUE(NewProcNo(n, counter));
  EXPECT_EQ(n, 2);
  ASSERT_TRUE(NewProcNo(n, counter));
  EXPECT_EQ(n, 3);
  EXPECT_EQ(ValueOf(counter), 3);
  EXPECT_FALSE(NewProcNo(n, Build(L_lc)));
}

// ---------------------------------------------------------------------------
// Type queries

struct Types {
  Tree intType, range, chType, boolType, trueDef, classRec, classType, arrayType;
};

// A small set of types shaped as the front end builds them.
Types MakeTypes() {
  Types t{};
  t.intType = Build(L_ty, Leaf(99), {nullptr, Sz(2)});
  t.range = Build(L_rn, nullptr, {Cn(-5), Cn(9), t.intType});
  InsertStuff(t.range, t.intType);
  t.chType = Build(L_ty, Leaf(102), {nullptr, Sz(2), Build(L_ch)});
  t.boolType = Build(L_ty, Leaf(105), {nullptr, Sz(2)});
  t.trueDef = Build(L_df, nullptr, {nullptr, t.boolType, Cn(1)});
  InsertStuff(Build(L_en, nullptr, {t.boolType, t.trueDef}), t.boolType);
  t.classRec = Build(L_cl, Leaf(108));
  t.classType = Build(L_ty, Leaf(108), {nullptr, Sz(2), Build(L_pt, nullptr, {t.classRec})});
  InsertStuff(t.classType, t.classRec);
  Tree ar = Build(L_ar, nullptr, {t.intType, t.chType});
  t.arrayType = Build(L_ty, nullptr, {nullptr, Sz(30), ar});
  InsertStuff(t.arrayType, ar);
  return t;
}

TEST_F(TreeEditTest, SizesNamesAndRanges) {
  Types t = MakeTypes();
  int32_t size = -1, name = -1, lo = 0, hi = 0;
  EXPECT_TRUE(TypeSize(Build(L_ch), size));
  EXPECT_EQ(size, 2);
  EXPECT_TRUE(TypeSize(t.arrayType, size));
  EXPECT_EQ(size, 30);
  EXPECT_TRUE(TypeSize(Build(L_ty, nullptr, {nullptr, Build(L_sz)}), size));  // void-like
  EXPECT_EQ(size, 0);
  EXPECT_FALSE(TypeSize(Build(L_vr, nullptr, {nullptr, Sz(2)}), size));
  EXPECT_FALSE(TypeSize(Build(L_ty), size));

  EXPECT_TRUE(NameOfType(t.classRec, name));
  EXPECT_EQ(name, 108);
  EXPECT_TRUE(NameOfType(t.arrayType, name));
  EXPECT_EQ(name, 0);
  EXPECT_FALSE(NameOfType(t.range, name));

  ASSERT_TRUE(GetTypeRange(t.intType, lo, hi));
  EXPECT_EQ(lo, -5);
  EXPECT_EQ(hi, 9);
  ASSERT_TRUE(GetTypeRange(t.boolType, lo, hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 1);
  ASSERT_TRUE(GetTypeRange(t.chType, lo, hi));
  EXPECT_EQ(hi, 255);
  for (Tree unbounded : {t.classType, t.arrayType, Build(L_st), Build(L_pk), Build(L_ar)}) {
    ASSERT_TRUE(GetTypeRange(unbounded, lo, hi));
    EXPECT_EQ(lo, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(hi, std::numeric_limits<int32_t>::max());
  }
  EXPECT_FALSE(GetTypeRange(Build(L_no), lo, hi));
  EXPECT_FALSE(GetTypeRange(nullptr, lo, hi));
}

TEST_F(TreeEditTest, ScalarsAndObjects) {
  Types t = MakeTypes();
  EXPECT_TRUE(IsScalar(t.intType));
  EXPECT_TRUE(IsScalar(t.boolType));
  EXPECT_TRUE(IsScalar(t.chType));
  EXPECT_FALSE(IsScalar(t.classType));
  EXPECT_FALSE(IsScalar(t.arrayType));
  EXPECT_FALSE(IsScalar(Build(L_ty, nullptr, {nullptr, Sz(2)})));
  EXPECT_FALSE(IsScalar(Build(L_rn, nullptr, {Cn(0), nullptr})));

  int32_t size = -1;
  Tree result = nullptr;
  ASSERT_TRUE(ClassParts(nullptr, nullptr, 8, t.classRec));
  ASSERT_TRUE(IsObject(t.classRec, size, result));
  EXPECT_EQ(size, 8);
  EXPECT_EQ(result, t.classType);
  ASSERT_TRUE(IsObject(t.classType, size, result));
  EXPECT_EQ(size, 8);
  EXPECT_EQ(result, t.classType);
  Tree nullRef = Build(L_pt, nullptr, {Build(L_nl)});
  ASSERT_TRUE(IsObject(nullRef, size, result));
  EXPECT_EQ(size, 0);
  EXPECT_FALSE(IsObject(t.intType, size, result));
  EXPECT_FALSE(IsObject(Build(L_cl), size, result));  // not laid out: no size node
}

TEST_F(TreeEditTest, GetItsTypeFollowsRecordsToTheirTypes) {
  Types t = MakeTypes();
  Tree members = Leaf(0), type = nullptr;
  int32_t lo = 0, hi = 0;
  // A constant's range is its value.
  ASSERT_TRUE(GetItsType(t.trueDef, members, type, lo, hi));
  EXPECT_EQ(type, t.boolType);
  EXPECT_EQ(members, nullptr);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 1);
  // A variable of a range type: the range of the base type.
  ASSERT_TRUE(GetItsType(Build(L_vr, nullptr, {nullptr, t.intType, nullptr, nullptr}), members, type, lo, hi));
  EXPECT_EQ(type, t.intType);
  EXPECT_EQ(lo, -5);
  EXPECT_EQ(hi, 9);
  // A variable of class type reaches the class's member table.
  Tree scope = nullptr;
  ASSERT_TRUE(openPlus(nullptr, scope));
  ASSERT_TRUE(ClassParts(nullptr, scope, 0, t.classRec));
  ASSERT_TRUE(GetItsType(Build(L_vr, nullptr, {nullptr, t.classType}), members, type, lo, hi));
  EXPECT_EQ(type, t.classType);
  EXPECT_EQ(members, scope);
  // A class whose child 5 is not a table does not denote a type.
  EXPECT_FALSE(
      GetItsType(Build(L_cl, nullptr, {nullptr, t.classType, nullptr, nullptr, Leaf(1)}), members, type, lo, hi));
  // A package's member table is child 5.
  Tree pk = Build(L_pk, Leaf(1), {nullptr, nullptr, nullptr, Build(L_fn), scope});
  ASSERT_TRUE(GetItsType(pk, members, type, lo, hi));
  EXPECT_EQ(type, pk);
  EXPECT_EQ(members, scope);
  // A function denotes its signature, whose range is its result type's.
  Tree xf = Build(L_xf, nullptr, {t.chType});
  ASSERT_TRUE(GetItsType(Build(L_fn, nullptr, {nullptr, xf}), members, type, lo, hi));
  EXPECT_EQ(type, xf);
  EXPECT_EQ(hi, 255);
  ASSERT_TRUE(GetItsType(xf, members, type, lo, hi));
  EXPECT_EQ(type, t.chType);
  // An array record denotes the array type that owns it.
  ASSERT_TRUE(GetItsType(Kid(t.arrayType, 3), members, type, lo, hi));
  EXPECT_EQ(type, t.arrayType);
  // An opaque marker is unbounded; unknown records and nothing fail.
  ASSERT_TRUE(GetItsType(Build(L_no), members, type, lo, hi));
  EXPECT_EQ(hi, std::numeric_limits<int32_t>::max());
  EXPECT_FALSE(GetItsType(Build(L_if), members, type, lo, hi));
  EXPECT_FALSE(GetItsType(nullptr, members, type, lo, hi));
}

}  // namespace
}  // namespace vyl
