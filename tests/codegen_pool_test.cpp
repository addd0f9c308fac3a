// The constant pool and string literals, and the symbol listing.
#include "codegen_fixture.h"

namespace vyl::cgtest {
namespace {

class PoolTest : public CodegenTest {
 public:
  Tree pool = nullptr;
  Tree syms = nullptr;
  void SetUp() override {
    CodegenTest::SetUp();
    pool = Build(L_tk, nullptr, {nullptr, nullptr});
    ASSERT_TRUE(into(kKeyTablePool, nullptr, pool, syms));
  }
  Tree Literal(std::string_view text) {
    Tree table = nullptr;
    EXPECT_TRUE(StringConstant(InternText(text, 6), syms, table));
    return table;
  }
  std::vector<int> Layout(int32_t loc = 8) {
    int32_t end = -1;
    EXPECT_TRUE(ConstantPool(-1, loc, end, pool));
    next = end;
    return Bytes(loc, end);
  }
};

TEST_F(PoolTest, StringTableHasHeaderLengthAndCharacterWords) {
  Tree ab = Literal("AB");
  EXPECT_EQ(Layout(), Hex("FF F0 00 04 00 41 00 42"));
  EXPECT_EQ(ValueOf(ab), 12);  // the address of 00 41
  // The generated reference to it.
  EXPECT_EQ(Generate(ab, 0x40), Hex("60 00 01 00 36 1D"));
}

TEST_F(PoolTest, EqualLiteralsShareOneTableAndTablesKeepCreationOrder) {
  Tree first = Literal("AB");
  Tree empty = Literal("");
  EXPECT_EQ(Literal("AB"), first);
  EXPECT_NE(empty, first);
  EXPECT_EQ(Layout(), Hex("FF F0 00 04 00 41 00 42 FF F0 00 00"));
  EXPECT_EQ(ValueOf(first), 12);
  EXPECT_EQ(ValueOf(empty), 20);
}

TEST_F(PoolTest, CharactersKeepSevenBits) {
  Literal("\xC1z");
  EXPECT_EQ(Layout(), Hex("FF F0 00 04 00 41 00 7A"));
}

TEST_F(PoolTest, ByteAndWordTables) {
  Tree bytes = Build(L_tk, nullptr,
                     {nullptr, Build(L_bt, Leaf(3), {Build(L_bt, Leaf(2), {Build(L_bt, Leaf(1), {Build(L_sz)})})})});
  ASSERT_TRUE(InsertStuff(bytes, pool));
  Tree words = Build(L_tk, nullptr, {bytes, Build(L_in, Leaf(-1), {Build(L_in, Leaf(300), {Build(L_sz)})})});
  ASSERT_TRUE(InsertStuff(words, pool));
  EXPECT_EQ(Layout(0x20), Hex("FF F0 00 03 01 02 03 FF F0 00 04 01 2C FF FF"));
  EXPECT_EQ(ValueOf(bytes), 0x24);
  EXPECT_EQ(ValueOf(words), 0x2B);
}

TEST_F(PoolTest, AnEmptyPoolWritesNothing) {
  EXPECT_EQ(Layout(), std::vector<int>{});
  EXPECT_EQ(next, 8);
}

TEST_F(PoolTest, FindStringLooksOnlyAtStringTables) {
  Tree found = nullptr;
  EXPECT_FALSE(aFindString(InternText("xy", 6), found, pool));
  Tree xy = Literal("xy");
  ASSERT_TRUE(InsertStuff(Build(L_tk, nullptr, {Kid(pool, 1), Build(L_in, Leaf(1), {Build(L_sz)})}), pool));
  ASSERT_TRUE(aFindString(InternText("xy", 6), found, pool));
  EXPECT_EQ(found, xy);
}

// --- the symbol listing

class ListingTest : public CodegenTest {
 public:
  Tree scope = nullptr;
  Tree types[5] = {};
  void SetUp() override {
    CodegenTest::SetUp();
    const char* names[] = {"", "int", "boolean", "char", "String"};
    for (int32_t key = 1; key <= 4; ++key) {
      types[key] = Build(L_ty, Leaf(InternText(names[key])), {nullptr, Build(L_sz, Leaf(2))});
      ASSERT_TRUE(into(key, scope, types[key], scope));
    }
    ASSERT_TRUE(openPlus(scope, scope));
  }
  void Bind(const char* name, Tree record) {
    int32_t id = InternText(name);
    if (Is(record, L_vr)) SetKid(record, 0, Leaf(id));
    ASSERT_TRUE(into(id, scope, record, scope));
  }
  static Tree Var(Tree type, Tree location) { return Build(L_vr, nullptr, {nullptr, type, nullptr, location}); }
};

TEST_F(ListingTest, VariablesOfTheLevelNewestFirst) {
  Bind("g", Var(types[1], Of(4, Build(L_gl))));
  Bind("b", Var(types[2], Of(6)));
  Bind("c", Var(types[3], Of(100, Cn(0))));
  Bind("p", Var(Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_pt)}), Of(8)));
  Bind("a", Var(Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(20)), Build(L_ar)}), Of(10, Build(L_in))));
  Bind("k", Build(L_df, nullptr, {nullptr, types[1], Cn(3)}));
  Bind("f", Build(L_fn, nullptr, {nullptr, Build(L_xf)}));
  ASSERT_TRUE(ShoSyms(scope, 0, 1));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"! @", "!  10 A a", "!  8 P p", "! *100 C c", "!  6 B b",
                                                   "! +4 I g"}));
}

TEST_F(ListingTest, NamedScopeAndOtherLevels) {
  Bind("x", Var(types[1], Of(6)));
  ASSERT_TRUE(ShoSyms(scope, InternText("main"), 1));
  ASSERT_TRUE(ShoSyms(scope, 0, 2));
  ASSERT_TRUE(ShoSyms(scope, 7, 1));  // not a string handle
  EXPECT_EQ(Messages(), (std::vector<std::string>{"! main", "!  6 I x", "! @", "! @", "!  6 I x"}));
}

}  // namespace
}  // namespace vyl::cgtest
