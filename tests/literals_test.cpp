// Literals: numbers, characters, strings and the built-in constants.
#include "expr_fixture.h"

namespace vyl {
namespace {

using test::IsConstant;
using test::kMaxInt;
using test::kMinInt;
using test::Parsed;

class LiteralsTest : public test::ExprTest {
 protected:
  Parsed Lit() {
    Parsed p;
    EXPECT_TRUE(Literal(syms, p.tree, p.type, p.low, p.high));
    return p;
  }
};

TEST_F(LiteralsTest, NumbersAreIntConstants) {
  Source("0x1F 31 0X7fFF 4294967295");
  Parsed hex = Lit(), dec = Lit();
  EXPECT_TRUE(Equal(hex.tree, dec.tree));
  EXPECT_TRUE(IsConstant(dec.tree, 31));
  EXPECT_EQ(hex.type, Int());
  EXPECT_EQ(std::make_pair(dec.low, dec.high), std::make_pair(31, 31));
  EXPECT_TRUE(IsConstant(Lit().tree, 32767));
  EXPECT_TRUE(IsConstant(Lit().tree, -1));  // the value wraps in 32 bits
}

TEST_F(LiteralsTest, CharactersAreCharConstants) {
  Source(R"('A' '\n' '\'')");
  Parsed a = Lit();
  EXPECT_TRUE(IsConstant(a.tree, 65));
  EXPECT_EQ(a.type, Key(kKeyChar));
  EXPECT_EQ(std::make_pair(a.low, a.high), std::make_pair(65, 65));
  EXPECT_TRUE(IsConstant(Lit().tree, 10));
  EXPECT_TRUE(IsConstant(Lit().tree, 39));
}

TEST_F(LiteralsTest, StringsShareOneConstantTablePerText) {
  Source(R"("abc" "abc" "" "ab")");
  Parsed first = Lit(), second = Lit();
  ASSERT_TRUE(Is(first.tree, L_df));
  EXPECT_EQ(KidCount(first.tree), 3);
  EXPECT_EQ(Kid(first.tree, 0), nullptr);
  EXPECT_EQ(Kid(first.tree, 1), nullptr);
  EXPECT_EQ(Kid(first.tree, 2), Key(kKeyString));
  EXPECT_EQ(first.type, Key(kKeyString));
  EXPECT_EQ(std::make_pair(first.low, first.high), std::make_pair(kMinInt, kMaxInt));
  EXPECT_NE(first.tree, second.tree);  // two records ...
  Tree table = Kid(first.tree, 3);
  EXPECT_EQ(Kid(second.tree, 3), table);  // ... one table
  ASSERT_TRUE(Is(table, L_tk));
  // Its characters, last first, down to the terminator.
  Tree item = Kid(table, 2);
  for (int c : {'c', 'b', 'a'}) {
    ASSERT_TRUE(Is(item, L_ch));
    EXPECT_EQ(ValueOf(item), c);
    item = Kid(item, 1);
  }
  EXPECT_TRUE(Is(item, L_sz));
  EXPECT_EQ(Kid(pool, 1), table);  // in the table pool
  Tree empty = Kid(Lit().tree, 3);
  EXPECT_TRUE(Is(Kid(empty, 2), L_sz));
  Tree ab = Kid(Lit().tree, 3);
  EXPECT_NE(ab, table);
  EXPECT_EQ(Kid(pool, 1), ab);  // the newest table heads the chain
  EXPECT_EQ(Kid(ab, 1), empty);
}

TEST_F(LiteralsTest, TrueFalseAndNullAreTheBuiltinConstants) {
  Source("true false null");
  Parsed t = Lit(), f = Lit(), n = Lit();
  EXPECT_EQ(t.tree, Kid(Key(kKeyTrue), 3));
  EXPECT_EQ(t.type, Key(kKeyBoolean));
  EXPECT_EQ(std::make_pair(t.low, t.high), std::make_pair(1, 1));
  EXPECT_EQ(f.tree, Kid(Key(kKeyFalse), 3));
  EXPECT_EQ(std::make_pair(f.low, f.high), std::make_pair(0, 0));
  EXPECT_EQ(n.tree, Key(kKeyNull));
  EXPECT_EQ(n.type, Kid(Key(kKeyNull), 2));
  EXPECT_EQ(std::make_pair(n.low, n.high), std::make_pair(0, 0));
}

TEST_F(LiteralsTest, AnythingElseIsNoLiteral) {
  Source("x");
  Parsed p;
  EXPECT_FALSE(Literal(syms, p.tree, p.type, p.low, p.high));
  EXPECT_EQ(TokenCode(), T_Ident);
  Source("void");
  EXPECT_FALSE(Literal(syms, p.tree, p.type, p.low, p.high));
}

TEST_F(LiteralsTest, TrueFoldsAwayInALogicalAnd) {
  Source("true && b");
  Tree b = Local("b", Bool(), 6);
  Parsed p = Expr();
  ASSERT_TRUE(Is(p.tree, L_dr));
  EXPECT_EQ(Kid(p.tree, 1), Kid(b, 4));
}

}  // namespace
}  // namespace vyl
