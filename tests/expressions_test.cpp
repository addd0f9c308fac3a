// Operator expressions read from source: their trees, types and ranges,
// constant folding, and every message of the operator levels.
#include "expr_fixture.h"

namespace vyl {
namespace {

using test::IsConstant;
using test::kMaxInt;
using test::kMinInt;
using test::Parsed;

class ExpressionsTest : public test::ExprTest {
 protected:
  Tree x = nullptr, y = nullptr, b = nullptr, o = nullptr;
  // Locals: int x at 6, int y at 8, boolean b at 10, an object o at 12.
  void With(const std::string& source) {
    Source(source);
    x = Local("x", Int(), 6);
    y = Local("y", Int(), 8);
    b = Local("b", Bool(), 10);
    o = Local("o", Class("P", {"f"}), 12);
  }
  Parsed Parse(const std::string& source) {
    With(source);
    return Expr();
  }
  std::string Message(const std::string& source) {
    With(source);
    return ExprMessage();
  }
  static std::string Says(const std::string& message) { return "\r\n" + message + "\r\nNested error"; }
  // Whether `source` parses to the tree that reads variable `name`.
  bool Reads(const std::string& source, const char* name) {
    Tree tree = Parse(source).tree;
    return ReadsWord(tree, Named(name));
  }
  // The tree that reads a variable's word.
  static bool ReadsWord(Tree t, Tree variable) {
    return Is(t, L_dr) && Kid(t, 0) == nullptr && KidCount(t) == 1 && Kid(t, 1) == Kid(variable, 4);
  }
};

// ---------------------------------------------------------------------------
// Folding

TEST_F(ExpressionsTest, ConstantsFoldToOneRecord) {
  Parsed p = Parse("2 + 3 * 4");
  EXPECT_TRUE(IsConstant(p.tree, 14));
  EXPECT_EQ(p.type, Int());
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(14, 14));
  EXPECT_TRUE(IsConstant(Parse("(7 - 10) * -2 / 4 % 5").tree, 1));
  EXPECT_TRUE(IsConstant(Parse("~0").tree, -1));
  EXPECT_TRUE(IsConstant(Parse("1 << 3 | 0x10").tree, 24));
  EXPECT_TRUE(IsConstant(Parse("-5 >> 1").tree, -3));
  EXPECT_TRUE(IsConstant(Parse("5 ^ 5").tree, 0));  // not 5: the bit bounds alone would say [5, 5]
}

TEST_F(ExpressionsTest, BooleansFoldAndDropTheOperandThatNoLongerMatters) {
  Parsed p = Parse("!true");
  EXPECT_TRUE(IsConstant(p.tree, 0));
  EXPECT_EQ(p.type, Bool());
  // The literal true is the boolean type's own constant.
  p = Parse("true || b");
  EXPECT_EQ(p.tree, Kid(Key(kKeyTrue), 3));
  p = Parse("b || true");  // b is not evaluated
  EXPECT_EQ(p.tree, Kid(Key(kKeyTrue), 3));
  EXPECT_TRUE(Reads("false || b", "b"));
  EXPECT_TRUE(Reads("b && true", "b"));
  EXPECT_TRUE(IsConstant(Parse("b && false").tree, 0));
  p = Parse("b || b");
  ASSERT_TRUE(Is(p.tree, L_or));
  EXPECT_EQ(Kid(p.tree, 0), Bool());
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(0, 1));
  EXPECT_TRUE(Is(Parse("b && b || b").tree, L_or));
  EXPECT_TRUE(Is(Kid(Parse("b && b || b").tree, 1), L_an));
}

TEST_F(ExpressionsTest, ComparisonsOfConstantsFold) {
  for (auto [source, value] : std::initializer_list<std::pair<const char*, int>>{
           {"3 < 5", 1}, {"3 >= 5", 0}, {"5 > 3", 1}, {"5 <= 5", 1}, {"5 == 5", 1}, {"5 != 5", 0}, {"'a' != 'b'", 1}}) {
    Parsed p = Parse(source);
    EXPECT_TRUE(IsConstant(p.tree, value)) << source;
    EXPECT_EQ(p.type, Bool()) << source;
  }
  Parsed p = Parse("x < 5");
  ASSERT_TRUE(Is(p.tree, L_ls));
  EXPECT_EQ(Kid(p.tree, 0), Int());
  EXPECT_TRUE(ReadsWord(Kid(p.tree, 1), x));
  EXPECT_TRUE(IsConstant(Kid(p.tree, 2), 5));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(0, 1));
  int32_t labels[] = {L_eq, L_ne, L_ls, L_ge, L_gr, L_le};
  const char* ops[] = {"==", "!=", "<", ">=", ">", "<="};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(LabelOf(Parse(std::string("x ") + ops[i] + " y").tree), labels[i]) << ops[i];
  // Objects compare for equality; null compares with a reference.
  p = Parse("o == null");
  ASSERT_TRUE(Is(p.tree, L_eq));
  EXPECT_EQ(Kid(p.tree, 0), Kid(o, 2));
  EXPECT_EQ(Kid(p.tree, 2), Key(kKeyNull));  // folded only as a whole expression
  p = Parse("null");
  EXPECT_TRUE(IsConstant(p.tree, 0));
  EXPECT_EQ(p.type, Kid(Key(kKeyNull), 2));
}

// ---------------------------------------------------------------------------
// Arithmetic

TEST_F(ExpressionsTest, MultiplyAndDivideByOneOrMinusOneNeedNoOperator) {
  EXPECT_TRUE(Reads("x * 1", "x"));
  EXPECT_TRUE(Reads("1 * x", "x"));
  EXPECT_TRUE(Reads("x / 1", "x"));
  Parsed p = Parse("x * -1");
  ASSERT_TRUE(Is(p.tree, L_ng));
  EXPECT_EQ(Kid(p.tree, 0), Int());
  EXPECT_TRUE(ReadsWord(Kid(p.tree, 1), x));
  EXPECT_TRUE(Is(Parse("x / -1").tree, L_ng));
  EXPECT_TRUE(IsConstant(Parse("x * 0").tree, 0));
  EXPECT_TRUE(IsConstant(Parse("x % 1").tree, 0));
}

TEST_F(ExpressionsTest, OperatorNodesAndTheirRanges) {
  Parsed p = Parse("x + 1");
  ASSERT_TRUE(Is(p.tree, L_ad));
  EXPECT_EQ(KidCount(p.tree), 2);
  EXPECT_EQ(Kid(p.tree, 0), Int());
  EXPECT_TRUE(ReadsWord(Kid(p.tree, 1), x));
  EXPECT_TRUE(IsConstant(Kid(p.tree, 2), 1));
  // MAX + 1 wraps: the whole range, not [MIN + 1, MAX].
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(kMinInt, kMaxInt));
  // y's low bound is -2147483648: x - y has the whole range.
  p = Parse("x - y");
  EXPECT_TRUE(Is(p.tree, L_su));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(kMinInt, kMaxInt));
  // x & 255 is a byte value; shifted and scaled ranges follow it.
  p = Parse("x & 255");
  ASSERT_TRUE(Is(p.tree, L_an));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(0, 255));
  p = Parse("(x & 255) * 4 - 1000");
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(-1000, 20));
  p = Parse("(x & 15) / (y & 3 | 1)");
  EXPECT_TRUE(Is(p.tree, L_dv));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(0, 15));
  p = Parse("x / y");  // the divisor may be 0
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(kMinInt, kMaxInt));
  p = Parse("x % 10");
  ASSERT_TRUE(Is(p.tree, L_md));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(-9, 9));
  // A product that does not fit is not folded.
  p = Parse("70000 * 70000");
  ASSERT_TRUE(Is(p.tree, L_mp));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(kMinInt, kMaxInt));
  p = Parse("-x");
  ASSERT_TRUE(Is(p.tree, L_ng));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(kMinInt, kMaxInt));
  EXPECT_TRUE(Reads("+x", "x"));
  p = Parse("~(x & 7)");
  ASSERT_TRUE(Is(p.tree, L_xo));
  EXPECT_TRUE(IsConstant(Kid(p.tree, 2), -1));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(-8, -1));
}

TEST_F(ExpressionsTest, BitOperatorsOfMixedSignsGetSoundRanges) {
  // [-1, 0] & 5 holds 0 and 5 (the bit bounds say [5, 0]).
  Parsed p = Parse("(x & 1) * -1 & 5");
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(0, 5));
  // (x & 255) - 300 ^ 1 stays within [-300, -45] (the bit bounds say [0, -1]).
  p = Parse("(x & 255) - 300 ^ 1");
  ASSERT_TRUE(Is(p.tree, L_xo));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(-300, -45));
}

TEST_F(ExpressionsTest, ShiftsNegateTheirCountForRightShifts) {
  Parsed p = Parse("x << 2");
  ASSERT_TRUE(Is(p.tree, L_sh));
  EXPECT_EQ(Kid(p.tree, 0), Int());
  EXPECT_TRUE(IsConstant(Kid(p.tree, 2), 2));
  for (const char* source : {"x >> 2", "x >>> 2"}) {
    p = Parse(source);
    ASSERT_TRUE(Is(p.tree, L_sh)) << source;
    Tree count = Kid(p.tree, 2);
    ASSERT_TRUE(Is(count, L_ng)) << source;
    EXPECT_EQ(Kid(count, 0), nullptr);
    EXPECT_TRUE(IsConstant(Kid(count, 1), 2));
  }
  p = Parse("(x & 255) >> 4");
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(0, 15));
}

// ---------------------------------------------------------------------------
// Messages of the operator levels

TEST_F(ExpressionsTest, MessagesOfTheLogicalAndCompareLevels) {
  EXPECT_EQ(Message("x || b"), Says("OR operator requires boolean type"));
  EXPECT_EQ(Message("b || x"), Says("OR operator requires boolean type"));
  EXPECT_EQ(Message("b || )"), Says("Boolean expression expected after ||"));
  EXPECT_EQ(Message("x && b"), Says("AND operator requires boolean type"));
  EXPECT_EQ(Message("b && x"), Says("AND operator requires boolean type"));
  EXPECT_EQ(Message("b && ;"), Says("Boolean expression expected after &&"));
  EXPECT_EQ(Message("o < o"), Says("Left operand of order compare must not be an object"));
  EXPECT_EQ(Message("null >= o"), Says("Left operand of order compare must not be an object"));
  EXPECT_EQ(Message("x == ]"), Says("Expression expected after compare operator"));
  EXPECT_EQ(Message("x == b"), Says("The expressions being compared must be compatible"));
  EXPECT_EQ(Message("null == 0"), Says("The expressions being compared must be compatible"));
}

TEST_F(ExpressionsTest, MessagesOfTheBitAndArithmeticLevels) {
  EXPECT_EQ(Message("b | 1"), Says("Bit operator requires int operands"));
  EXPECT_EQ(Message("b ^ 1"), Says("Bit operator requires int operands"));
  EXPECT_EQ(Message("'a' & 1"), Says("Bit operator requires int operands"));
  EXPECT_EQ(Message("x & b"), Says("Integer expression expected after bit operator"));
  EXPECT_EQ(Message("x | )"), Says("Integer expression expected after bit operator"));
  EXPECT_EQ(Message("b << 1"), Says("Shift operator requires integer operands"));
  EXPECT_EQ(Message("x >> b"), Says("Integer expression expected after shift operator"));
  EXPECT_EQ(Message("x >>> ;"), Says("Integer expression expected after shift operator"));
  EXPECT_EQ(Message("b + 1"), Says("Add/subtract operator requires numeric operands"));
  EXPECT_EQ(Message("x - b"), Says("Numeric expression expected after add/subtract operator"));
  EXPECT_EQ(Message("b * 2"), Says("Add/subtract operator requires numeric operands"));
  EXPECT_EQ(Message("2 / b"), Says("Numeric expression expected after add/subtract operator"));
  EXPECT_EQ(Message("x / 0"), Says("Divide by zero"));
  EXPECT_EQ(Message("x % (3 - 3)"), Says("Divide by zero"));
}

TEST_F(ExpressionsTest, MessagesOfPrimaries) {
  EXPECT_EQ(Message("&x"), Says("Import 'Dangerous' to use this"));
  EXPECT_EQ(Message("!x"), Says("NOT operator requires boolean type"));
  EXPECT_EQ(Message("~b"), Says("Bit operator requires integer operand"));
  EXPECT_EQ(Message("+b"), Says("Positive sign operator requires numeric operand"));
  EXPECT_EQ(Message("-o"), Says("Sign operator requires numeric operand"));
  EXPECT_EQ(Message("(x"), Says("Unmatched left parenthesis, or bad expression"));
  EXPECT_EQ(Message("()"), Says("Unmatched left parenthesis, or bad expression"));
  // A missing operand after a unary operator is a syntax error.
  EXPECT_EQ(Message("!)"), "\r\n syntax error");
  EXPECT_EQ(Message("{1, }"), "\r\n syntax error");
}

TEST_F(ExpressionsTest, AnExpressionThatDoesNotStartFailsQuietly) {
  With(")");
  Parsed p;
  EXPECT_FALSE(Expression(syms, p.tree, p.type, p.low, p.high));
  EXPECT_EQ(TokenCode(), T_RParen);
  EXPECT_EQ(host.files["prog.ftx"], "");
}

// ---------------------------------------------------------------------------
// Address-of, braces, constant expressions

TEST_F(ExpressionsTest, AddressOfGivesTheAccessTreeAsAnInt) {
  With("&b");
  AllowAddressOf();
  Parsed p = Expr();
  EXPECT_EQ(p.tree, Kid(b, 4));  // the location itself, not read
  EXPECT_EQ(p.type, Int());
  // Any address may result, whatever the variable holds.
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(kMinInt, kMaxInt));
  for (const char* source : {"&5", "&(x)", "&K"}) {
    With(source);
    AllowAddressOf();
    NamedConstant("K", Int(), 3);
    EXPECT_EQ(ExprMessage(), Says("Can't get address of that")) << source;
  }
}

TEST_F(ExpressionsTest, BracesGiveTheLastExpressionWithItsTypesRange) {
  Parsed p = Parse("{1, x & 3}");
  EXPECT_TRUE(Is(p.tree, L_an));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(kMinInt, kMaxInt));
  p = Parse("{true}");
  EXPECT_EQ(p.tree, Kid(Key(kKeyTrue), 3));
  EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(0, 1));
}

TEST_F(ExpressionsTest, ConstExpnWantsOneScalarValue) {
  With("3 * 4 - 2 ]");
  Tree tree = nullptr, type = nullptr;
  int32_t value = 0;
  ASSERT_TRUE(ConstExpn(syms, tree, type, value));
  EXPECT_EQ(value, 10);
  EXPECT_EQ(type, Int());
  EXPECT_TRUE(IsConstant(tree, 10));
  EXPECT_EQ(TokenCode(), T_RBracket);
  With("'z'");
  ASSERT_TRUE(ConstExpn(syms, tree, type, value));
  EXPECT_EQ(value, 122);
  // Nothing to read: a quiet failure.
  With("]");
  EXPECT_FALSE(ConstExpn(syms, tree, type, value));
  for (const char* source : {"x", "null", "\"s\""}) {
    With(source);
    EXPECT_EQ(MessageOf([&] { ConstExpn(syms, tree, type, value); }), Says("Constant value expected here")) << source;
  }
}

TEST_F(ExpressionsTest, ParExpnNeedsItsParentheses) {
  With("(x + 1)");
  Parsed p;
  ASSERT_TRUE(ParExpn(syms, p.tree, p.type, p.low, p.high));
  EXPECT_TRUE(Is(p.tree, L_ad));
  With("x");
  EXPECT_FALSE(ParExpn(syms, p.tree, p.type, p.low, p.high));
  EXPECT_EQ(TokenCode(), T_Ident);
}

TEST_F(ExpressionsTest, TheRulesTraceTheirEntryAndExit) {
  With("x + 1");
  SetTraceLevel(1);
  Expr();
  SetTraceLevel(0);
  session.reset();
  const std::string& trace = host.files["KIBdbg.txt"];
  for (const char* rule : {"+Expression", "+BoolExpn", "+BoolTerm", "+BoolPrim", "+CatExpn", "+BitExpn", "+BitTerm",
                           "+BitFact", "+BitPrim", "+MathExpn", "+MathTerm", "+Primary", "+AddOp", "-Expression"}) {
    EXPECT_NE(trace.find(rule), std::string::npos) << rule;
  }
}

}  // namespace
}  // namespace vyl
