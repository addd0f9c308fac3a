// The value ranges of the operators: each rule on hand-picked operands,
// including the places where a rule's own result would not hold every value
// and the sound range is used; and the soundness property: for random small
// operand ranges of every operator, every pair of operand values is
// evaluated by brute force in 32-bit arithmetic (wrapping on overflow;
// shifts as the SHIFT instruction counts them), and each result must lie
// inside the computed range, whose low bound never exceeds its high bound;
// and the same for random composed expressions computed as the machine
// computes them, in 16 bits.
#include <optional>
#include <random>

#include "expr/value_ranges.h"
#include "fixture.h"

namespace vyl::test {
namespace {

constexpr ValueRange kFull{kMinInt, kMaxInt};
ValueRange R(int32_t lo, int32_t hi) { return {lo, hi}; }
ValueRange C(int32_t v) { return {v, v}; }

// Ranges of the shifts use the compile-time shift, a traced procedure: they
// run inside a session.
using RangeRuleTest = SessionTest;

TEST_F(RangeRuleTest, AddSubtractAndUnary) {
  const std::tuple<ValueRange, ValueRange, ValueRange, ValueRange> cases[] = {
      // a, b, a + b, a - b
      {R(0, 9), R(-3, 4), R(-3, 13), R(-4, 12)},
      {R(0, 0), R(kMinInt, 5), R(kMinInt, 5), kFull},  // -(-2147483648) does not fit
      {R(kMaxInt - 1, kMaxInt), C(5), kFull, R(kMaxInt - 6, kMaxInt - 5)},  // both bounds overflow alike
      // Only the high bound overflows: falling back for it alone would give
      // the constant MAX, while MAX + 1 wraps to MIN.
      {R(kMaxInt - 1, kMaxInt), C(1), kFull, R(kMaxInt - 2, kMaxInt - 1)},
      {R(kMinInt, kMinInt + 1), C(1), R(kMinInt + 1, kMinInt + 2), kFull},
  };
  for (auto [a, b, sum, difference] : cases) {
    EXPECT_EQ(AddRange(true, a, b, kFull), sum) << a.low << " " << b.low;
    EXPECT_EQ(SubRange(true, a, b, kFull), difference) << a.low << " " << b.low;
  }
  EXPECT_EQ(AddRange(false, C(1), C(2), R(-5, 5)), R(-5, 5));  // not both int: the common type's range
  EXPECT_EQ(NegateRange(R(-3, 7), kFull), R(-7, 3));
  EXPECT_EQ(NegateRange(C(kMinInt), kFull), kFull);
  EXPECT_EQ(NotRange(C(1)), C(0));
  EXPECT_EQ(NotRange(R(0, 1)), R(0, 1));
  EXPECT_EQ(ComplementRange(C(0)), C(-1));
  EXPECT_EQ(ComplementRange(R(kMinInt, 5)), R(-6, kMaxInt));
  int32_t sum = 0;
  ASSERT_TRUE(AddnOflo(1, 2, 3, -99, sum) && sum == 5);
  for (auto [exact, x, y, expected] : {std::tuple{1, kMaxInt, 1, -99}, {1, kMinInt, -1, -99}, {1, kMinInt, kMaxInt, -1},
                                       {0, 2, 3, -99}}) {  // overflow, or not exact: the fallback
    AddnOflo(exact, x, y, -99, sum);
    EXPECT_EQ(sum, expected) << x << " + " << y;
  }
}

TEST_F(RangeRuleTest, MultiplyDivideRemainder) {
  using enum TermForm;
  const std::tuple<char, ValueRange, ValueRange, TermForm, ValueRange> cases[] = {
      {'*', C(0), R(5, 9), kLeft, C(0)},
      {'*', R(5, 9), C(0), kRight, C(0)},
      {'*', C(1), R(5, 9), kRight, R(5, 9)},
      {'*', R(5, 9), C(1), kLeft, R(5, 9)},
      {'*', C(-1), R(5, 9), kNegateRight, R(-9, -5)},
      {'*', R(5, 9), C(-1), kNegateLeft, R(-9, -5)},
      {'*', R(kMinInt, 0), C(-1), kNegateLeft, kFull},  // -(-2147483648) does not fit
      {'*', R(-3, 4), R(-5, 2), kNode, R(-20, 15)},
      {'*', C(65536), C(65536), kNode, kFull},  // high bits multiplying to 2^32 or more
      {'*', R(0, 70000), R(0, 70000), kNode, kFull},
      // -4 * -2^29 is 2^31, which wraps; the corners alone would give [-2^31, 0].
      {'*', R(-4, 0), C(-(1 << 29)), kNode, kFull},
      {'/', R(1, 5), C(0), kDivideByZero, kFull},
      {'/', R(1, 5), C(1), kLeft, R(1, 5)},
      {'/', R(1, 5), C(-1), kNegateLeft, R(-5, -1)},
      {'/', R(1, 5), R(-1, 3), kNode, kFull},  // the divisor may be 0
      {'/', R(7, 20), R(2, 3), kNode, R(2, 10)},
      {'/', R(-7, 7), C(2), kNode, R(-3, 3)},  // truncating
      {'/', R(-7, 20), R(-3, -2), kNode, R(-10, 3)},
      {'/', C(kMinInt), C(-1), kNegateLeft, kFull},  // no 32-bit value: never a fault
      {'/', R(kMinInt, 0), R(-2, -1), kNode, kFull},
      {'/', C(kMinInt), C(-2), kNode, C(1 << 30)},  // the machine's 0 / -2 has the same low bits
      {'/', C(65536 + 6), C(3), kConstant, C(21847)},  // the machine's 6 / 3 has not: folded
      // An operand whose range leaves 16 bits may hold any 16-bit value on the
      // machine: ((x & 255) * 256) / 256 is -1 for x = 255; 98304 is -32768.
      {'/', R(0, 65280), C(256), kNode, R(-128, 255)},
      {'/', C(98304), R(20, 21), kNode, R(-1638, 4915)},
      {'%', R(0, 65280), C(3), kNode, R(-2, 2)},
      {'%', R(1, 5), C(0), kDivideByZero, kFull},
      {'%', R(1, 5), C(1), kNode, C(0)},
      {'%', C(17), C(5), kNode, C(2)},
      {'%', C(-17), C(5), kNode, C(-2)},
      {'%', C(kMinInt), C(-1), kNode, C(0)},  // no 32-bit quotient: the machine's 0 % -1
      {'%', R(-10, 10), R(3, 5), kNode, R(-4, 4)},
      {'%', R(0, 10), R(-3, 5), kNode, R(0, 4)},
      {'%', R(-10, -1), R(-7, 2), kNode, R(-6, 0)},
      {'%', R(0, 10), C(kMinInt), kNode, R(0, kMaxInt)},
  };
  for (auto [op, a, b, form, range] : cases) {
    TermRange r = op == '*'   ? MulRange(true, a, b, kFull)
                  : op == '/' ? DivRange(true, a, b, kFull)
                              : RemRange(true, a, b, kFull);
    EXPECT_EQ(r.form, form) << a.low << op << b.low;
    if (form != kDivideByZero) {
      EXPECT_EQ(r.range, range) << a.low << op << b.low;
    }
  }
  EXPECT_EQ(MulRange(false, C(2), C(3), R(-1, 1)).range, R(-1, 1));
}

TEST_F(RangeRuleTest, BitwiseAndShifts) {
  using enum BitOp;
  const std::tuple<BitOp, ValueRange, ValueRange, ValueRange> cases[] = {
      {kOr, R(5, 6), C(8), R(12, 15)},  // non-negative operands: the bit bounds, even where not exact
      {kAnd, R(0, 255), R(16, 31), R(0, 31)},
      {kAnd, kFull, C(255), R(0, 255)},
      {kXor, C(4), C(1), R(0, 5)},  // sound though not exact: not folded
      {kAnd, R(-8, -5), C(-2), R(-8, -6)},  // two negative operands
      {kXor, C(5), C(5), C(0)},  // the bit bounds give [5, 5], which would fold to 5
      {kXor, R(-300, -45), C(1), R(-300, -45)},  // the bit bounds give [0, -1]
      {kAnd, R(-1, 0), C(5), R(0, 5)},  // the bit bounds give [5, 0]
      {kOr, R(-4, 0), R(-1, 0), R(-4, 0)},  // across the sign change: [-1, 0]
      {kOr, R(-1, 0), C(-2), R(-2, -1)},
  };
  for (auto [op, a, b, range] : cases) EXPECT_EQ(BitRange(op, a, b), range) << a.low << " " << b.low;
  const std::tuple<int32_t, ValueRange, ValueRange, ValueRange> shifts[] = {
      {kShiftLeft, C(1), C(3), C(8)},  // constants fold
      {kShiftArithmetic, C(-5), C(1), C(-3)},
      {kShiftArithmetic, C(12), C(2), C(3)},
      {kShiftLogical, C(12), C(2), C(3)},
      {kShiftLeft, R(0, 255), R(0, 4), R(0, 32640)},  // the count bounded by its bits, 0..7
      {kShiftArithmetic, R(-64, 255), R(2, 3), R(-16, 63)},
      {kShiftLogical, R(-8, -8), C(28), C(15)},  // a negative value becomes a large positive one
      {kShiftLeft, R(-3, 9), C(0), R(-3, 9)},
      {kShiftLeft, R(1, 1 << 30), C(1), kFull},  // the high value wraps to -2^31
      // On the machine: a value that may have wrapped, >>> as >>, and a
      // count of -32768 that stays -32768 when negated and shifts right.
      {kShiftArithmetic, R(0, 65280), C(8), R(-128, 255)},
      {kShiftLogical, kFull, C(30), R(-2, 3)},
      {kShiftArithmetic, C(-1), R(-32768, -32767), R(kMinInt, 0)},
  };
  for (auto [op, v, count, range] : shifts) EXPECT_EQ(ShiftRange(op, v, count).range, range) << op << " " << v.low;
  ValueRange both = ShiftRange(kShiftLeft, C(8), R(-1, 1)).range;  // a count across 0 shifts both ways
  EXPECT_TRUE(both.low <= 4 && both.high >= 16);
  const std::tuple<int32_t, int32_t, int32_t, int32_t> values[] = {
      {kShiftLeft, 1, 3, 8},          {kShiftLeft, 8, -2, 2},  // a negative count shifts right
      {kShiftLeft, 1, 32, 0},         {kShiftArithmetic, -5, 1, -3},      {kShiftArithmetic, -1, 40, -1},
      {kShiftArithmetic, 3, -2, 12},  {kShiftLogical, -8, 28, 15},        {kShiftLogical, -8, 0, -8},
      {kShiftLogical, kMinInt, kMinInt, 0}};
  for (auto [op, x, c, v] : values) EXPECT_EQ(ShiftValue(op, x, c), v) << op << " " << x << " " << c;
  // RangeBits and HighBitOf: the bit patterns bounding a range.
  for (auto [lo, hi, a, b] : {std::tuple{5, 6, 4, 7}, {-3, 2, -4, 3}, {-5, -3, -8, -1},
                              {kMinInt, kMaxInt, kMinInt, kMaxInt}, {0, kMaxInt, 0, kMaxInt}}) {
    int32_t x = 0, y = 0;
    RangeBits(lo, hi, x, y);
    EXPECT_EQ(R(x, y), R(a, b)) << lo << " " << hi;
  }
  for (auto [n, p] : {std::pair{0, 1}, {255, 256}, {256, 512}, {-1, 1}, {1 << 30, kMinInt}, {kMinInt, kMinInt}}) {
    int32_t q = 0;
    HighBitOf(n, q);
    EXPECT_EQ(q, p) << n;
  }
}

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

class RangeSource {
 public:
  explicit RangeSource(uint32_t seed) : gen_(seed) {}

  // A range of 1 to 9 values lying anywhere, but mostly where ranges meet
  // their edge cases: around 0, around powers of two and their negations,
  // and at both ends of the int range.
  ValueRange Next(int32_t maxWidth = 8) {
    int64_t start = 0;
    switch (Pick(0, 5)) {
      case 0: start = Pick(-20, 20); break;
      case 1: start = (int64_t{1} << Pick(0, 30)) + Pick(-4, 4); break;
      case 2: start = -(int64_t{1} << Pick(0, 31)) + Pick(-4, 4); break;
      case 3: start = kMaxInt - Pick(0, 10); break;
      case 4: start = int64_t{kMinInt} + Pick(0, 10); break;
      default: start = static_cast<int32_t>(gen_()); break;
    }
    int64_t width = Pick(0, maxWidth);
    start = std::clamp<int64_t>(start, kMinInt, kMaxInt - width);
    return {static_cast<int32_t>(start), static_cast<int32_t>(start + width)};
  }
  // A shift count range: mostly small counts, sometimes negative or 32 and
  // more, sometimes anywhere.
  ValueRange NextCount() {
    if (Pick(0, 4) == 0) return Next(3);
    int32_t start = Pick(-40, 40);
    return {start, start + Pick(0, 4)};
  }
  ValueRange NextBoolean() {
    int32_t lo = Pick(0, 1);
    return {lo, Pick(lo, 1)};
  }
  int32_t Pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(gen_); }

 private:
  std::mt19937 gen_;
};

std::string Show(ValueRange r) {
  return std::string("[").append(std::to_string(r.low)).append(", ").append(std::to_string(r.high)).append("]");
}

// Checks every pair of values; `value` gives kNone when the pair has none
// (a division by zero).
constexpr int64_t kNone = INT64_MAX;
void CheckAll(const char* op, ValueRange a, ValueRange b, ValueRange result,
              const std::function<int64_t(int32_t, int32_t)>& value) {
  ASSERT_LE(result.low, result.high) << op << " " << Show(a) << " " << Show(b);
  for (int64_t x = a.low; x <= a.high; ++x) {
    for (int64_t y = b.low; y <= b.high; ++y) {
      int64_t v = value(static_cast<int32_t>(x), static_cast<int32_t>(y));
      ASSERT_TRUE(v == kNone || (v >= result.low && v <= result.high))
          << Show(a) << " " << op << " " << Show(b) << " gives " << Show(result) << " but " << x << " " << op
          << " " << y << " = " << v;
    }
  }
}

constexpr int kCases = 4000;

using RangesPropertyTest = SessionTest;
using I = int32_t;

TEST_F(RangesPropertyTest, Arithmetic) {
  RangeSource src(1);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next(), b = src.Pick(0, 3) == 0 ? ValueRange{src.Pick(-2, 2), src.Pick(-2, 2)} : src.Next();
    if (b.low > b.high) std::swap(b.low, b.high);
    CheckAll("+", a, b, AddRange(true, a, b, kFull), [](I x, I y) -> int64_t { return Wrap(int64_t{x} + y); });
    CheckAll("-", a, b, SubRange(true, a, b, kFull), [](I x, I y) -> int64_t { return Wrap(int64_t{x} - y); });
    CheckAll("*", a, b, MulRange(true, a, b, kFull).range, [](I x, I y) -> int64_t { return Wrap(int64_t{x} * y); });
    TermRange div = DivRange(true, a, b, kFull), rem = RemRange(true, a, b, kFull);
    if (div.form != TermForm::kDivideByZero) {
      CheckAll("/", a, b, div.range, [](I x, I y) { return y ? Wrap(int64_t{x} / y) : kNone; });
    }
    if (rem.form != TermForm::kDivideByZero) {
      CheckAll("%", a, b, rem.range, [](I x, I y) { return y ? int64_t{x} % y : kNone; });
    }
    CheckAll("neg", a, {0, 0}, NegateRange(a, kFull), [](I x, I) -> int64_t { return Wrap(-int64_t{x}); });
    CheckAll("~", a, {0, 0}, ComplementRange(a), [](I x, I) -> int64_t { return ~x; });
  }
}

TEST_F(RangesPropertyTest, BitwiseOperatorsAndShifts) {
  RangeSource src(3);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.Next(), b = src.Next(), c = src.NextCount();
    CheckAll("|", a, b, BitRange(BitOp::kOr, a, b), [](I x, I y) -> int64_t { return x | y; });
    CheckAll("^", a, b, BitRange(BitOp::kXor, a, b), [](I x, I y) -> int64_t { return x ^ y; });
    CheckAll("&", a, b, BitRange(BitOp::kAnd, a, b), [](I x, I y) -> int64_t { return x & y; });
    for (int32_t op : {kShiftLeft, kShiftLogical, kShiftArithmetic}) {
      CheckAll(op == kShiftLeft ? "<<" : op == kShiftLogical ? ">>>" : ">>", a, c, ShiftRange(op, a, c).range,
               [op](I x, I n) -> int64_t { return ShiftValue(op, x, n); });
    }
  }
}

// Composed expressions as the machine computes them: every operation wraps
// to 16 bits, a right shift negates its count in 16 bits and shifts
// arithmetically (>>> too), a constant holds its low 16 bits, and an
// operation the ranges fold is its constant.  For random trees of operators
// over variables with small ranges of 16-bit values and constants of any
// size, every value the machine computes must be congruent modulo 2^16 to
// a value of the computed range, so that a range within 16 bits holds the
// machine's value itself (an unchecked index, a character unmasked).
// The SHIFT instruction: a positive count shifts left, a negative one right.
int32_t MachineShift(int32_t value, int32_t count) {
  if (count >= 16) return 0;
  if (count >= 0) return vyl::Word(int64_t{value} * (int64_t{1} << count));
  return value >> std::min(-count, 15);
}

class MachineExpression {
 public:
  explicit MachineExpression(RangeSource& src) : src_(src) {
    for (ValueRange& v : vars_) {
      const int32_t starts[] = {src.Pick(-8, 8), src.Pick(250, 260), 32767 - 4, -32768, src.Pick(-32768, 32763)};
      v.low = starts[src.Pick(0, 4)];
      v.high = v.low + src.Pick(0, 4);
    }
  }

  // A tree of up to `depth` levels of operators; the index of its root.
  int Make(int depth) {
    if (depth == 0 || src_.Pick(0, 3) == 0) {
      if (src_.Pick(0, 2) > 0) return Add({'v', src_.Pick(0, 2), -1, -1, {}});
      const int64_t constants[] = {src_.Pick(-20, 20), int64_t{32768} * src_.Pick(-4, 4) + src_.Pick(-3, 3),
                                   (int64_t{1} << src_.Pick(0, 30)) + src_.Pick(-1, 1), src_.Pick(kMinInt, kMaxInt)};
      auto c = static_cast<int32_t>(constants[src_.Pick(0, 3)]);
      return Add({'c', c, -1, -1, {c, c}});
    }
    const char op = "+-*/%&|^<>Ln~"[src_.Pick(0, 12)];
    int a = Make(depth - 1);
    ValueRange x = nodes_[a].range;
    if (op == 'n' || op == '~') return Add({op, 0, a, -1, op == 'n' ? NegateRange(x, kFull) : ComplementRange(x)});
    int b = Make(depth - 1);
    ValueRange y = nodes_[b].range;
    TermRange t;
    switch (op) {
      case '+': t.range = AddRange(true, x, y, kFull); break;
      case '-': t.range = SubRange(true, x, y, kFull); break;
      case '*': t = MulRange(true, x, y, kFull); break;
      case '/': t = DivRange(true, x, y, kFull); break;
      case '%': t = RemRange(true, x, y, kFull); break;
      case '&': t.range = BitRange(BitOp::kAnd, x, y); break;
      case '|': t.range = BitRange(BitOp::kOr, x, y); break;
      case '^': t.range = BitRange(BitOp::kXor, x, y); break;
      default: t = ShiftRange(op == '<' ? kShiftLeft : op == '>' ? kShiftArithmetic : kShiftLogical, x, y);
    }
    if (t.form == TermForm::kDivideByZero) return a;  // a compile-time error
    if (t.form == TermForm::kConstant) return Add({'c', t.range.low, -1, -1, t.range});
    // The other forms leave out an operation whose 16-bit value is the one
    // computed below (x * 1, x / -1, ...).
    return Add({op, 0, a, b, t.range});
  }

  // The machine's value of node i for the variables' values, none after a
  // division by zero (a trap).
  std::optional<int32_t> Run(int i, const int32_t* values) const {
    const Node& n = nodes_[i];
    if (n.op == 'v') return values[n.value];
    if (n.op == 'c') return vyl::Word(n.value);
    std::optional<int32_t> a = Run(n.left, values);
    if (!a || n.op == 'n' || n.op == '~') return a ? std::optional(n.op == 'n' ? vyl::Word(-int64_t{*a}) : ~*a) : a;
    std::optional<int32_t> b = Run(n.right, values);
    if (!b || ((n.op == '/' || n.op == '%') && *b == 0)) return std::nullopt;
    const int64_t x = *a, y = *b;
    switch (n.op) {
      case '+': return vyl::Word(x + y);
      case '-': return vyl::Word(x - y);
      case '*': return vyl::Word(x * y);
      case '/': return vyl::Word(x / y);
      case '%': return vyl::Word(x % y);
      case '&': return vyl::Word(x & y);
      case '|': return vyl::Word(x | y);
      case '^': return vyl::Word(x ^ y);
      case '<': return MachineShift(*a, *b);
      default: return MachineShift(*a, vyl::Word(-y));  // the count negated in 16 bits
    }
  }

  // Node i written out, with the variables' ranges: for a failure message.
  std::string Text(int i) const {
    const Node& n = nodes_[i];
    if (n.op == 'v') return std::string("v").append(std::to_string(n.value)).append(Show(vars_[n.value]));
    if (n.op == 'c') return std::to_string(n.value);
    if (n.op == 'n' || n.op == '~') return std::string(n.op == 'n' ? "-" : "~") + Text(n.left);
    const std::string op = n.op == '<' ? "<<" : n.op == '>' ? ">>" : n.op == 'L' ? ">>>" : std::string(1, n.op);
    return std::string("(").append(Text(n.left)).append(" ").append(op).append(" ").append(Text(n.right)).append(")");
  }
  const ValueRange& Var(int v) const { return vars_[v]; }
  ValueRange RangeOf(int i) const { return nodes_[i].range; }

 private:
  struct Node {
    char op;  // 'v' a variable, 'c' a constant, 'n' negation, '~', a binary operator ('L' is >>>)
    int32_t value;  // the variable's number or the constant
    int left, right;
    ValueRange range;
  };
  int Add(Node n) {
    if (n.op == 'v') n.range = vars_[n.value];
    nodes_.push_back(n);
    return static_cast<int>(nodes_.size()) - 1;
  }

  RangeSource& src_;
  ValueRange vars_[3];
  std::vector<Node> nodes_;
};

TEST_F(RangesPropertyTest, ComposedExpressionsHoldOnTheMachine) {
  RangeSource src(11);
  for (int i = 0; i < 20000; ++i) {
    MachineExpression e(src);
    const int root = e.Make(3);
    const ValueRange r = e.RangeOf(root);
    ASSERT_LE(r.low, r.high) << i;
    int32_t v[3];
    for (v[0] = e.Var(0).low; v[0] <= e.Var(0).high; ++v[0]) {
      for (v[1] = e.Var(1).low; v[1] <= e.Var(1).high; ++v[1]) {
        for (v[2] = e.Var(2).low; v[2] <= e.Var(2).high; ++v[2]) {
          std::optional<int32_t> m = e.Run(root, v);
          ASSERT_TRUE(!m || int64_t{r.high} - r.low >= 65535 || (int64_t{*m} - r.low + 65536 * 65536LL) % 65536 <=
                                                                     int64_t{r.high} - r.low)
              << e.Text(root) << " gives " << Show(r) << " but the machine " << *m << " for " << v[0] << ", "
              << v[1] << ", " << v[2];
        }
      }
    }
  }
}

TEST_F(RangesPropertyTest, LogicalOperatorsAndComparisons) {
  RangeSource src(6);
  for (int i = 0; i < kCases; ++i) {
    ValueRange a = src.NextBoolean(), b = src.NextBoolean();
    CheckAll("!", a, {0, 0}, NotRange(a), [](I x, I) -> int64_t { return 1 - x; });
    CheckAll("||", a, b, OrRange(a, b).range, [](I x, I y) -> int64_t { return x | y; });
    CheckAll("&&", a, b, AndRange(a, b).range, [](I x, I y) -> int64_t { return x & y; });
    ValueRange c = src.Next(2), d = src.Pick(0, 1) ? c : src.Next(2);
    for (int32_t op = 0; op < 6; ++op) {
      CheckAll("compare", c, d, CompareRange(op, c, d, true), [op](I x, I y) -> int64_t { return Holds(op, x, y); });
    }
  }
}

// RangeBits bounds every value of its range; for a range of one sign it
// does so bit by bit too.
TEST_F(RangesPropertyTest, RangeBitsBoundsItsRange) {
  RangeSource src(7);
  for (int i = 0; i < kCases; ++i) {
    ValueRange r = src.Next();
    int32_t a = 0, b = 0;
    RangeBits(r.low, r.high, a, b);
    ASSERT_LE(a, r.low) << Show(r);
    ASSERT_GE(b, r.high) << Show(r);
    if (r.low >= 0 || r.high < 0) {
      for (int64_t x = r.low; x <= r.high; ++x) {
        uint32_t v = static_cast<uint32_t>(x);
        ASSERT_EQ(v & static_cast<uint32_t>(a), static_cast<uint32_t>(a)) << Show(r) << " " << x;
        ASSERT_EQ(v | static_cast<uint32_t>(b), static_cast<uint32_t>(b)) << Show(r) << " " << x;
      }
    }
  }
}

// The exact bitwise ranges are exact: their ends are reached.
TEST_F(RangesPropertyTest, ExactBitRangesAreReached) {
  for (int32_t al = -9; al <= 9; ++al) {
    for (int32_t ah = al; ah <= al + 6; ++ah) {
      for (int32_t bl = -9; bl <= 9; ++bl) {
        for (int32_t bh = bl; bh <= bl + 4; ++bh) {
          for (BitOp op : {BitOp::kOr, BitOp::kXor, BitOp::kAnd}) {
            int32_t lo = kMaxInt, hi = kMinInt;
            for (int32_t x = al; x <= ah; ++x) {
              for (int32_t y = bl; y <= bh; ++y) {
                int32_t v = op == BitOp::kOr ? (x | y) : op == BitOp::kXor ? (x ^ y) : (x & y);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
              }
            }
            ASSERT_EQ(ExactBitRange(op, {al, ah}, {bl, bh}), (ValueRange{lo, hi}))
                << static_cast<int>(op) << " [" << al << ", " << ah << "] [" << bl << ", " << bh << "]";
          }
        }
      }
    }
  }
}

// An operand of the full range takes a short cut; the walk agrees with it
// for every kind of other operand, on either side.
TEST_F(RangesPropertyTest, FullRangeOperandsNeedNoWalk) {
  const ValueRange full = kFull;
  std::vector<ValueRange> others = {full, {0, 0}, {-1, -1}, {kMinInt, kMinInt}, {kMaxInt, kMaxInt}, {-1, 0},
                                    {kMinInt, -1}, {0, kMaxInt}, {-5, 77}, {22, 22}, {-32768, 32767}};
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    auto x = static_cast<int32_t>(random()), y = static_cast<int32_t>(random() >> (random() % 32));
    others.push_back({std::min(x, y), std::max(x, y)});
  }
  for (ValueRange other : others) {
    for (BitOp op : {BitOp::kOr, BitOp::kXor, BitOp::kAnd}) {
      ASSERT_EQ(ExactBitRange(op, full, other), WalkedBitRange(op, full, other)) << static_cast<int>(op) << " " << Show(other);
      ASSERT_EQ(ExactBitRange(op, other, full), WalkedBitRange(op, other, full)) << static_cast<int>(op) << " " << Show(other);
    }
  }
}

}  // namespace
}  // namespace vyl::test
