// Declaration lowering: frame offsets, the zz that pushes the variables'
// words, inline objects with header and length, functions last.
#include "codegen_fixture.h"

namespace vyl::cgtest {
namespace {

class CopyOverTest : public CodegenTest {
 public:
  Tree syms = nullptr;
  Tree intType = nullptr;
  Tree location = nullptr;
  Tree chain = nullptr;
  Tree statements = nullptr;
  void SetUp() override {
    CodegenTest::SetUp();
    intType = Build(L_ty, Leaf(InternText("int")), {nullptr, Build(L_sz, Leaf(2))});
    ASSERT_TRUE(into(kKeyInt, nullptr, intType, syms));
    ASSERT_TRUE(openPlus(syms, syms));
    ASSERT_TRUE(into(kKeyContext, syms, nullptr, syms));
    location = Build(L_lc, Leaf(6), {Build(L_dl, Leaf(1)), nullptr});
    ASSERT_TRUE(into(kKeyLocation, syms, location, syms));
  }
  static Tree Var(const char* name, Tree before, Tree type, Tree third = nullptr, Tree where = nullptr) {
    return Build(L_vr, Leaf(InternText(name)), {before, type, third, where ? where : Build(L_of, nullptr, {nullptr})});
  }
  Tree Sized(int32_t bytes) { return Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(bytes))}); }
  bool Lower(Tree decls, Tree link = nullptr) { return CopyOver(syms, 9, link, chain, statements, decls); }
};

TEST_F(CopyOverTest, TwoUninitialisedIntsArePlacedAndPushed) {
  Tree a = Var("a", nullptr, intType);
  Tree b = Var("b", a, intType);
  Tree whereA = Kid(a, 4);
  Tree whereB = Kid(b, 4);
  ASSERT_TRUE(Lower(b));
  EXPECT_EQ(ValueOf(whereA), 6);
  EXPECT_EQ(ValueOf(whereB), 8);
  EXPECT_EQ(ValueOf(location), 10);
  // nn(vr b(vr a(zz 2)))
  ASSERT_TRUE(Is(statements, L_nn));
  EXPECT_EQ(chain, statements);
  Tree placedB = Kid(statements, 1);
  Tree placedA = Kid(placedB, 1);
  Tree zz = Kid(placedA, 1);
  ASSERT_TRUE(Is(placedB, L_vr) && Is(placedA, L_vr) && Is(zz, L_zz));
  EXPECT_EQ(ValueOf(zz), 2);
  EXPECT_TRUE(Is(Kid(placedA, 3), L_up));
  EXPECT_EQ(Kid(placedA, 4), whereA);
  ASSERT_TRUE(Decorate(12, statements));
  EXPECT_EQ(Generate(chain), Hex("20 20 00 00 0C"));
}

TEST_F(CopyOverTest, InitialisedDeclarationPushesItsValue) {
  // int a = 5;  VarDecln has placed it already.
  Tree a = Var("a", nullptr, intType, Build(L_up), Of(6));
  Tree init = Build(L_as, intType, {Build(L_nn, Leaf(3), {a}), nullptr, Cn(5)});
  UpdateLoc(2, next, location);
  ASSERT_TRUE(Lower(init));
  ASSERT_TRUE(Is(statements, L_nn));
  Tree zz = Kid(statements, 1);
  ASSERT_TRUE(Is(zz, L_zz));
  EXPECT_EQ(ValueOf(zz), 0);
  Tree kept = Kid(zz, 1);
  ASSERT_TRUE(Is(kept, L_as));
  EXPECT_TRUE(Is(Kid(kept, 1), L_nn));
  ASSERT_TRUE(Decorate(4, statements));
  // The line of the "=" gets its marker before the value (nothing has been
  // marked yet), the block's line after it.
  EXPECT_EQ(Generate(chain), Hex("00 00 03 25 00 00 04"));
}

TEST_F(CopyOverTest, FunctionsComeAfterEveryVariable) {
  Tree x = Var("x", nullptr, intType);
  Tree signature = Build(L_xf, Leaf(1), {Build(L_ty), nullptr, Build(L_nn), Build(L_no)});
  Tree f = Build(L_fn, Leaf(InternText("f")), {x, signature, Build(L_up), Build(L_fn, Leaf(2)), nullptr});
  Tree y = Var("y", f, intType);
  ASSERT_TRUE(Lower(y));
  ASSERT_TRUE(Is(chain, L_fn));
  EXPECT_EQ(Kid(chain, 2), signature);
  EXPECT_EQ(Kid(chain, 1), statements);
  Tree placedY = Kid(statements, 1);
  EXPECT_EQ(ValueOf(Kid(placedY, 4)), 8);
  EXPECT_EQ(ValueOf(Kid(Kid(placedY, 1), 4)), 6);
  EXPECT_TRUE(Is(Kid(Kid(placedY, 1), 1), L_zz));
}

TEST_F(CopyOverTest, ClassesAndConstantsKeepTheirPlaceInPassZero) {
  Tree cls = Build(L_cl, Leaf(0), {nullptr, Build(L_ty), nullptr, nullptr, nullptr, Build(L_sz)});
  Tree constant = Build(L_no, nullptr, {cls, nullptr, Build(L_df)});
  ASSERT_TRUE(Lower(constant));
  // nn(zz(no(cl, -)))
  Tree zz = Kid(statements, 1);
  ASSERT_TRUE(Is(zz, L_zz));
  Tree pair = Kid(zz, 1);
  ASSERT_TRUE(Is(pair, L_no));
  EXPECT_EQ(KidCount(pair), 2);
  EXPECT_TRUE(Is(Kid(pair, 1), L_cl));
  EXPECT_EQ(KidCount(Kid(pair, 1)), 6);
}

TEST_F(CopyOverTest, InlineObjectGetsHeaderAndLengthWords) {
  Tree object = Var("o", nullptr, Sized(4), Cn(4), Of(0, Build(L_in)));
  Tree where = Kid(object, 4);
  ASSERT_TRUE(Lower(object));
  EXPECT_EQ(ValueOf(where), 10);  // after the header (6) and the length (8)
  EXPECT_EQ(ValueOf(location), 14);
  // nn(vr o(zz(as(G, -, cn 4)))): the zz pushes (14 - 8) / 2 words.
  Tree lowered = Kid(statements, 1);
  Tree zz = Kid(lowered, 1);
  ASSERT_TRUE(Is(zz, L_zz));
  EXPECT_EQ(ValueOf(zz), 3);
  Tree length = Kid(Kid(zz, 1), 1);
  EXPECT_EQ(ValueOf(Kid(length, 4)), 8);
  EXPECT_TRUE(Is(Kid(Kid(length, 4), 1), L_in));
  ASSERT_TRUE(Decorate(9, statements));
  // FFF0, the length, then the object's words.
  EXPECT_EQ(Generate(chain), Hex("30 10 24 20 20 20 00 00 09"));
}

TEST_F(CopyOverTest, OlderInlineObjectsAreAssigned) {
  Tree first = Var("o1", nullptr, Sized(4), Cn(4), Of(0, Build(L_in)));
  Tree second = Var("o2", first, Sized(4), Cn(4), Of(0, Build(L_in)));
  ASSERT_TRUE(Lower(second));
  EXPECT_EQ(ValueOf(Kid(second, 4)), 10);
  EXPECT_EQ(ValueOf(Kid(first, 4)), 18);
  EXPECT_EQ(ValueOf(location), 22);
  ASSERT_TRUE(Decorate(9, statements));
  // o2 pushed: FFF0, 4, seven words; o1's header (14) and length (16) stored.
  EXPECT_EQ(Generate(chain), Hex("30 10 24 20 20 20 20 20 20 20 30 10 50 07 24 50 08 00 00 09"));
}

TEST_F(CopyOverTest, TypeAliasAtTheHeadIsPassedOver) {
  Tree alias = Build(L_ty, Leaf(InternText("T")), {nullptr, Build(L_sz, Leaf(2)), Build(L_rn)});
  Tree x = Var("x", alias, intType);
  ASSERT_TRUE(Lower(x));
  Tree placed = Kid(statements, 1);
  EXPECT_EQ(ValueOf(Kid(placed, 4)), 6);
  EXPECT_TRUE(Is(Kid(placed, 1), L_zz));
  EXPECT_EQ(Kid(Kid(placed, 1), 1), nullptr);
  ASSERT_TRUE(Lower(alias));
}

TEST_F(CopyOverTest, NothingAddedLeavesNoStatements) {
  Tree link = Build(L_zz, nullptr, {nullptr});
  ASSERT_TRUE(CopyOver(syms, 2, link, chain, statements, nullptr));
  EXPECT_EQ(chain, link);
  EXPECT_EQ(statements, nullptr);
}

TEST_F(CopyOverTest, UnknownRecordsAndMissingScopeFail) {
  EXPECT_FALSE(Lower(Build(L_sw)));
  Tree bare = nullptr;
  ASSERT_TRUE(into(kKeyInt, nullptr, intType, bare));
  EXPECT_FALSE(CopyOver(bare, 9, nullptr, chain, statements, nullptr));
}

}  // namespace
}  // namespace vyl::cgtest
