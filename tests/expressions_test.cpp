// Expressions read from source in a scope of test variables: the tree each
// builds (written as a shape), its value range and its type.  Folding,
// operators, selectors with and without index checks, creation, literals
// and the value intrinsics.
#include "fixture.h"

namespace vyl::test {
namespace {

// A tree as text: "label value(kids)", a leaf as its number, nothing as "-";
// records (types, classes, variables, constants, tables) by their label alone.
std::string Shape(Tree t) {
  if (!t) return "-";
  if (!IsNode(t)) return std::to_string(ValueOf(t));
  std::string s(LabelName(LabelOf(t)));
  for (int32_t label : {L_ty, L_cl, L_vr, L_df, L_tk, L_fn}) {
    if (Is(t, label)) return s;
  }
  if (Kid(t, 0) && !IsNode(Kid(t, 0))) s.append(" ").append(std::to_string(ValueOf(t)));
  std::string kids;
  bool any = false;
  for (int32_t i = 1; i <= KidCount(t); ++i) {
    kids.append(i > 1 ? "," : "").append(Shape(Kid(t, i)));
    any = any || Kid(t, i);
  }
  return any ? s + "(" + kids + ")" : s;
}

struct Parsed {
  Tree tree = nullptr, type = nullptr;
  int32_t low = 0, high = 0;
};

class ExpressionTest : public SessionTest {
 protected:
  Tree P = nullptr;
  // Reads `source` in a scope holding: int x @6, int y @8, boolean b @10,
  // P p @12 (class P { int x; int y; }), int[10] a @14, int i @34, int[] s
  // @-2, byte[4] bytes @36, int[3][4] m @40, P[3] ps @64, char c @70, and
  // the constant int K = 21; the address operator is enabled.
  void Source(const std::string& source) {
    Open(source, true);
    ASSERT_TRUE(into(kKeyTablePool, syms, Build(L_tk), syms));
    ASSERT_TRUE(into(kKeyAddressOf, syms, Build(L_no), syms));
    P = ClassOf("P", {"x", "y"});
    const std::tuple<const char*, Tree, int32_t> locals[] = {
        {"x", Int(), 6}, {"y", Int(), 8}, {"b", Key(kKeyBoolean), 10}, {"p", P, 12}, {"a", ArrayOf(Int(), 10), 14},
        {"i", Int(), 34}, {"bytes", ArrayOf(Key(kKeyByte), 4), 36}, {"m", ArrayOf(ArrayOf(Int(), 3), 4), 40},
        {"ps", ArrayOf(P, 3), 64}, {"c", Key(kKeyChar), 70}};
    for (auto [name, type, offset] : locals) Local(name, type, offset);
    Tree open = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_ar, nullptr, {Kid(Int(), 1), Int()})});
    EXPECT_TRUE(InsertStuff(open, Kid(open, 3)));
    Local("s", open, -2);
    Bind("K", Build(L_df, Leaf(InternText("K")), {nullptr, Int(), Cn(21)}));
  }
  void Bind(const char* name, Tree record) { EXPECT_TRUE(into(InternText(name), syms, record, syms)) << name; }
  void Local(const char* name, Tree type, int32_t offset) {
    Bind(name, Build(L_vr, Leaf(InternText(name)), {nullptr, type, nullptr, Of(offset)}));
  }
  Tree ArrayOf(Tree element, int32_t n) {
    int32_t size = 0;
    EXPECT_TRUE(TypeSize(element, size));
    Tree index = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_rn, nullptr, {Cn(0), Cn(n - 1), Int()})});
    Tree array = Build(L_ar, nullptr, {index, element});
    Tree type = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(n * size)), array});
    EXPECT_TRUE(InsertStuff(type, array));
    return type;
  }
  // A class with int fields at 0, 2, ...: its type, a reference to its record.
  Tree ClassOf(const char* name, std::initializer_list<const char*> fields) {
    Tree cl = Build(L_cl, Leaf(InternText(name)));
    Tree type = Build(L_ty, Leaf(InternText(name)), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {cl})});
    EXPECT_TRUE(InsertStuff(type, cl));
    Tree scope = nullptr, last = nullptr;
    EXPECT_TRUE(openPlus(nullptr, scope));
    int32_t offset = 0;
    for (const char* field : fields) {
      last = Build(L_vr, Leaf(InternText(field)), {last, Int(), Build(L_up, cl), Of(offset)});
      EXPECT_TRUE(into(InternText(field), scope, last, scope));
      offset += 2;
    }
    EXPECT_TRUE(ClassParts(last, scope, offset, cl));
    Bind(name, type);
    return type;
  }
  Parsed Parse(const std::string& source) {
    Source(source);
    Parsed p;
    EXPECT_TRUE(Expression(syms, p.tree, p.type, p.low, p.high)) << source;
    EXPECT_EQ(TokenCode(), T_End) << source << ": the expression ended early";
    return p;
  }
};

struct Row {
  const char* source;
  const char* shape;  // "" leaves the tree unchecked; a final "..." checks only the start
  int32_t low, high;  // low > high leaves the range unchecked
};

TEST_F(ExpressionTest, TreesAndRanges) {
  constexpr int32_t lo = kMinInt, hi = kMaxInt;
  const Row rows[] = {
      // Constants fold in 32 bits.
      {"2 + 3 * 4", "cn 14", 14, 14},
      {"(7 - 10) * -2 / 4 % 5", "cn 1", 1, 1},
      {"~0", "cn -1", -1, -1},
      {"1 << 3 | 0x10", "cn 24", 24, 24},
      {"-5 >> 1", "cn -3", -3, -3},
      {"70000 * 7", "cn 490000", 490000, 490000},
      {"!true", "cn 0", 0, 0},
      {"3 < 5", "cn 1", 1, 1},
      {"3 >= 5", "cn 0", 0, 0},
      {"5 <= 5", "cn 1", 1, 1},
      {"5 != 5", "cn 0", 0, 0},
      {"'a' != 'b'", "cn 1", 1, 1},
      {"null", "cn 0", 0, 0},
      {"K * 2", "cn 42", 42, 42},
      // && and || drop a constant operand and keep the other; both are
      // evaluated otherwise.
      {"true || b", "cn 1", 1, 1},
      {"b || true", "cn 1", 1, 1},
      {"false || b", "dr(of 10)", 0, 1},
      {"b && true", "dr(of 10)", 0, 1},
      {"b && false", "cn 0", 0, 0},
      {"b || b", "or(dr(of 10),dr(of 10))", 0, 1},
      {"b && b || b", "or(an(dr(of 10),dr(of 10)),dr(of 10))", 0, 1},
      // Operators (their codes and the rules of their ranges are checked
      // on their own: code.cases, ranges_test).
      {"x < 5", "ls(dr(of 6),cn 5)", 0, 1},
      {"p == null", "eq(dr(of 12),df)", 0, 1},
      {"x * 1", "dr(of 6)", lo, hi},
      {"1 * x", "dr(of 6)", lo, hi},
      {"x / 1", "dr(of 6)", lo, hi},
      {"+x", "dr(of 6)", lo, hi},
      {"x * -1", "ng(dr(of 6))", lo, hi},
      {"x / -1", "ng(dr(of 6))", lo, hi},
      {"x * 0", "cn 0", 0, 0},
      {"x % 1", "cn 0", 0, 0},
      {"x + 1", "ad(dr(of 6),cn 1)", lo, hi},  // MAX + 1 wraps: not [MIN + 1, MAX]
      {"x - y", "su(dr(of 6),dr(of 8))", lo, hi},
      {"x & 255", "an(dr(of 6),cn 255)", 0, 255},
      {"(x & 255) * 4 - 1000", "", -1000, 20},
      {"(x & 15) / (y & 3 | 1)", "dv(...", 0, 15},
      {"x / y", "dv(dr(of 6),dr(of 8))", lo, hi},  // the divisor may be 0
      {"x % 10", "md(dr(of 6),cn 10)", -9, 9},
      {"70000 * 70000", "mp(cn 70000,cn 70000)", lo, hi},  // a product that does not fit
      {"-x", "ng(dr(of 6))", lo, hi},
      {"~(x & 7)", "xo(an(dr(of 6),cn 7),cn -1)", -8, -1},
      {"x << 2", "sh(dr(of 6),cn 2)", lo, hi},
      {"x >> 2", "sh(dr(of 6),ng(cn 2))", -(1 << 29), (1 << 29) - 1},  // right shifts negate their count ...
      {"x >>> 2", "sh(dr(of 6),ng(cn 2))", 1, 0},  // ... and >>> is the same shift
      {"(x & 255) >> 4", "", 0, 15},
      {"(x & 3) + 65538 / 65537", "ad(an(dr(of 6),cn 3),cn 1)", 1, 4},  // folded where it stands
      {"{1, x & 3}", "an(dr(of 6),cn 3)", lo, hi},  // braces: the last value, its type's range
      {"{true}", "cn 1", 0, 1},
      {"&b", "of 10", lo, hi},  // the location itself, any address
      // Selectors: a constant index inside the array is an offset; an index
      // range inside needs no check; any other is checked against the size
      // in bytes (negative for an array of any length, through its reference).
      {"a[2]", "dr(of 4(of 14))", lo, hi},
      {"a[i & 7]", "dr(ad(of 14,mp(an(dr(of 34),cn 7),cn 2)))", lo, hi},
      {"bytes[i & 3]", "dr 1(ad(of 36,an(dr(of 34),cn 3)))", 0, 255},
      {"a[i]", "dr(rx 20(of 14,mp(dr(of 34),cn 2)))", lo, hi},
      {"a[10]", "dr(rx 20(of 14,cn 20))", lo, hi},  // scaled at once
      {"a[-1]", "dr(rx 20(of 14,cn -2))", lo, hi},
      {"a[i & 15]", "dr(rx 20(of 14,mp(...", lo, hi},
      {"bytes[4]", "dr 1(rx 4(of 36,cn 4))", 0, 255},
      {"s[i]", "dr(rx -2(un(dr(of -2)),mp(dr(of 34),cn 2)))", lo, hi},
      {"s[0]", "dr(rx -2(un(dr(of -2)),...", lo, hi},
      {"m[1][2]", "dr(of 4(of 6(of 40)))", lo, hi},  // a row of int[3] is 6 bytes
      {"m[i][0]", "dr(of 0(rx 24(of 40,mp(dr(of 34),cn 6))))", lo, hi},
      {"p.y", "ki(dr(of 2(un(dr(of 12)))))", lo, hi},  // the reference checked against null
      {"ps[2].x", "ki(dr(of 0(un(dr(of 4(of 64))))))", lo, hi},
      {"&a[i & 1]", "ad(of 14,...", lo, hi},
      // Creation.
      {"new P()", "al 4(cl)", lo, hi},
      {"new int[5]", "ar 10(-,ty,-)", lo, hi},
      {"new P[3]", "ar 6(-,ty,-)", lo, hi},
      {"new byte[i]", "ar 1(-,ty,no(dr(of 34)))", lo, hi},  // the count multiplied at run time
      // Literals and value intrinsics.
      {"0x1F", "cn 31", 31, 31},
      {"'A'", "cn 65", 65, 65},
      {"false", "cn 0", 0, 0},
      {"\"abc\"", "df", lo, hi},
      {"ORD(c)", "dr(of 70)", 0, 255},
      {"CHR(65)", "cn 65", 65, 65},
      {"CHR(ORD(c))", "dr(of 70)", 0, 255},
      {"CHR(x)", "an(dr(of 6),cn 255)", 0, 255},  // masked into 0..255
      {"CHR(300)", "an(cn 300,cn 255)", 0, 255},
      {"CHR(-1)", "an(cn -1,cn 255)", 0, 255},
      {"CHR(ORD(c) - 1)", "an(...", 0, 255},
      {"LENGTH(a)", "cn 10", 10, 10},  // the element count of either kind of array
      {"LENGTH(s)", "dv(dr(of -2(un(dr(of -2)))),cn 2)", lo, hi},
      {"LENGTH(a) + ORD(c)", "ad(cn 10,dr(of 70))", 10, 265},
  };
  for (const Row& row : rows) {
    Parsed p = Parse(row.source);
    std::string shape = Shape(p.tree), expected = row.shape;
    if (expected.ends_with("...")) {
      EXPECT_TRUE(shape.starts_with(expected.substr(0, expected.size() - 3))) << row.source << ": " << shape;
    } else if (!expected.empty()) {
      EXPECT_EQ(shape, expected) << row.source;
    }
    if (row.low <= row.high) {
      EXPECT_EQ(std::make_pair(p.low, p.high), std::make_pair(row.low, row.high)) << row.source;
    }
  }
}

// Untraced, the alternatives of a primary that its first token rules out
// are skipped rather than tried; traced, each is tried.  Both ways leave
// the same tree, the same KibStack and the same count of accepted tokens.
TEST_F(ExpressionTest, SkippedAlternativesLeaveWhatTryingThemLeaves) {
  for (const char* source : {"&x", "-x", "!b", "~x", "+x", "{x, y}", "(x)", "new P()", "42", "0x1F", "'c'",
                             "\"s\"", "true", "false", "null", "x", "a[i]", "p.y", "K", ";", ")"}) {
    struct Outcome {
      bool ok = false;
      std::string shape;
      int32_t depth = 0, highWater = 0, accepted = 0;
      bool operator==(const Outcome&) const = default;
    } outcome[2];
    for (int traced = 0; traced < 2; ++traced) {
      Source(source);
      SetTraceLevel(traced ? 2 : 0);
      Parsed p;
      Outcome& o = outcome[traced];
      o.ok = Expression(syms, p.tree, p.type, p.low, p.high);
      SetTraceLevel(0);
      o.shape = Shape(p.tree);
      o.depth = KibDepth();
      o.highWater = KibHighWater();
      o.accepted = AcceptedTokens();
    }
    EXPECT_TRUE(outcome[0] == outcome[1]) << source << ": " << outcome[0].shape << " / " << outcome[1].shape
                                          << ", high water " << outcome[0].highWater << " / " << outcome[1].highWater;
    EXPECT_EQ(outcome[0].ok, source[0] != ';' && source[0] != ')') << source;
  }
}

// Untraced, an operand passes the operator levels it does not use with all
// their brackets opened at once; traced, each level's rule runs as written.
// Both ways give the same tree, range, KibStack and count of accepted
// tokens, or the same message; with the KibStack nearly full, the same
// overflow.
TEST_F(ExpressionTest, OperandsPassingTheLevelsLeaveWhatTheRulesOneByOneLeave) {
  struct Outcome {
    bool ok = false;
    std::string shape, message;
    int32_t low = 0, high = 0, depth = 0, highWater = 0, accepted = 0;
    bool operator==(const Outcome&) const = default;
  };
  std::string trace;
  auto run = [&](const std::string& source, bool traced, int32_t room) {
    Source(source);
    host.files["KIBdbg.txt"].clear();
    while (KibDepth() < kKibStackSize - room) KPush(0);
    Rules().highWater = KibDepth();
    SetTraceLevel(traced ? 2 : 0);
    Outcome o;
    Parsed p;
    o.message = MessageOf([&] { o.ok = Expression(syms, p.tree, p.type, p.low, p.high); });
    SetTraceLevel(0);
    o.shape = Shape(p.tree);
    o.low = p.low;
    o.high = p.high;
    o.depth = KibDepth();
    o.highWater = KibHighWater();
    // After a fatal error the count of accepted tokens is never read again.
    o.accepted = o.message.empty() ? AcceptedTokens() : -1;
    trace = host.files["KIBdbg.txt"];
    return o;
  };
  const char* sources[] = {
      "x", "(x)", "((((x))))", "x || b", "b && b || b", "x == y", "x < y && y >= 3", "x | y", "x ^ y | 1",
      "x & y ^ x | y", "x << 2", "x >> y >>> 1", "x + y - 3", "x * y / 2 % 5", "-x * (y + 1) << 2 & 255",
      "((x * 3) | 38) & ((y - x) ^ (x | y))", "x + y == 4 || b && x != y", "a[i + 1] * p.y", "K * 2", "7",
      // Failing quietly, and reporting.
      ")", ";", "x +", "x * ;", "b || x", "x | b", "p < p", "x / 0", "(x", "x + (y"};
  for (const char* source : sources) {
    for (int32_t room : {kKibStackSize, 60, 40, 26, 24, 22, 12, 6}) {
      Outcome untraced = run(source, false, room), traced = run(source, true, room);
      EXPECT_TRUE(untraced == traced) << source << " with room " << room << ": " << untraced.shape << " / "
                                      << traced.shape << ", high water " << untraced.highWater << " / "
                                      << traced.highWater << ", message '" << untraced.message << "' / '"
                                      << traced.message << "'";
    }
  }
  // A control character in the source switches the trace on in the middle
  // of an operand: from there on, the trace is what tracing all along gives.
  for (std::string source : {"x * 2 + 3 & 5", "(x | y) ^ x == 3 || b", "x + y < 3 && b"}) {
    Outcome traced = run(source, true, kKibStackSize);
    const std::string full = trace;
    for (std::size_t at = source.find(' '); at != std::string::npos; at = source.find(' ', at + 2)) {
      std::string toggled = source;
      toggled.insert(at + 1, "\x04");
      Outcome switched = run(toggled, false, kKibStackSize);
      EXPECT_TRUE(switched == traced) << toggled;
      EXPECT_FALSE(trace.empty()) << toggled;
      EXPECT_TRUE(full.ends_with(trace)) << toggled << "\n" << trace;
    }
  }
}

TEST_F(ExpressionTest, Types) {
  const std::pair<const char*, std::function<Tree()>> rows[] = {
      {"2 + 3", [&] { return Int(); }},          {"1 < 2", [&] { return Key(kKeyBoolean); }},
      {"'A'", [&] { return Key(kKeyChar); }},    {"\"s\"", [&] { return Key(kKeyString); }},
      {"bytes[1]", [&] { return Key(kKeyByte); }}, {"p.y", [&] { return Int(); }},
      {"new P()", [&] { return P; }},            {"ps[1]", [&] { return P; }},
      {"null", [&] { return Kid(Key(kKeyNull), 2); }}, {"&b", [&] { return Int(); }},
      {"CHR(x)", [&] { return Key(kKeyChar); }}, {"ORD(c)", [&] { return Int(); }}};
  for (const auto& [source, type] : rows) {
    Tree parsed = Parse(source).type;  // before type(), which reads the new session's table
    EXPECT_EQ(parsed, type()) << source;
  }
  // A reference to an array of any length whose index type ranges over the five elements.
  Parsed p = Parse("new int[5]");
  int32_t high = 0, element = 0, lo = 0, hi = 0;
  ASSERT_TRUE(ArrayBounds(p.type, high, element));
  EXPECT_EQ(std::make_pair(high, element), std::make_pair(-1, 2));
  ASSERT_TRUE(GetTypeRange(Kid(Kid(Kid(Kid(p.type, 3), 1), 3), 3), lo, hi));
  EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(0, 4));
  Tree s = Bound(InternText("s"), syms);
  EXPECT_TRUE(Assignable(syms, Kid(s, 2), p.type));
}

TEST_F(ExpressionTest, StringsShareOneTableInThePoolAndBytesFillTheHighByte) {
  Source(R"("abc" "abc" "")");
  Parsed first, second, empty;
  ASSERT_TRUE(Literal(syms, first.tree, first.type, first.low, first.high));
  ASSERT_TRUE(Literal(syms, second.tree, second.type, second.low, second.high));
  ASSERT_TRUE(Literal(syms, empty.tree, empty.type, empty.low, empty.high));
  Tree table = Kid(first.tree, 3), pool = Bound(kKeyTablePool, syms);
  EXPECT_NE(first.tree, second.tree);  // two records, one table
  EXPECT_EQ(Kid(second.tree, 3), table);
  EXPECT_EQ(Shape(Kid(table, 2)), "ch 99(ch 98(ch 97(sz)))");  // the characters, last first
  EXPECT_EQ(Kid(pool, 1), Kid(empty.tree, 3));                // the newest table heads the chain
  EXPECT_EQ(Kid(Kid(pool, 1), 1), table);
  // An expression that does not start fails quietly.
  Source(")");
  Parsed p;
  EXPECT_FALSE(Expression(syms, p.tree, p.type, p.low, p.high) || Literal(syms, p.tree, p.type, p.low, p.high));
  EXPECT_EQ(TokenCode(), T_RParen);
  EXPECT_TRUE(Messages().empty());
  // A constant byte argument is placed in the high byte at once.
  for (auto [value, word] : {std::pair{0x41, 0x4100}, {200, -14336}, {0x1FF, -256}}) {
    EXPECT_EQ(Shape(ByteSlotWord(syms, Cn(value))), "cn " + std::to_string(word)) << value;
  }
}

}  // namespace
}  // namespace vyl::test
