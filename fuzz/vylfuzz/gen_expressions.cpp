// The generator's expressions, with the values each may take (its witness
// values, gen_model.h).
#include <algorithm>
#include <optional>

#include "gen_model.h"

namespace vylfuzz::gen {

namespace {

constexpr int64_t kConstantLimit = int64_t{1} << 27;  // folded constants stay well inside 32 bits

// What the compiler folds two constants to (exactly; it keeps 32 bits).
std::optional<int64_t> Folded(Op op, int64_t a, int64_t b) {
  auto shift = [](int64_t x, int64_t n) -> std::optional<int64_t> {
    if (n > 0) return x == 0 ? 0 : n >= 27 ? std::nullopt : std::optional<int64_t>(x * (int64_t{1} << n));
    return n <= -62 ? (x < 0 ? -1 : 0) : x >> -n;
  };
  if (LeftOpen(op, a, b)) return std::nullopt;
  std::optional<int64_t> v;
  switch (op) {
    case Op::Mul: v = a * b; break;
    case Op::Div: if (b != 0) v = a / b; break;
    case Op::Rem: if (b != 0) v = a % b; break;
    case Op::Add: v = a + b; break;
    case Op::Sub: v = a - b; break;
    case Op::Shl: v = shift(a, b); break;
    case Op::Shr:
    case Op::Ushr: v = shift(a, -b); break;
    case Op::BitAnd: v = a & b; break;
    case Op::BitXor: v = a ^ b; break;
    case Op::BitOr: v = a | b; break;
    case Op::Eq: v = a == b; break;
    case Op::Ne: v = a != b; break;
    case Op::Lt: v = a < b; break;
    case Op::Le: v = a <= b; break;
    case Op::Gt: v = a > b; break;
    case Op::Ge: v = a >= b; break;
    default: break;
  }
  if (v && (*v >= kConstantLimit || *v <= -kConstantLimit)) return std::nullopt;
  return v;
}

}  // namespace

Witnesses Witnesses::Of(const int32_t* values, size_t n) {
  std::array<int32_t, 64> sorted{};
  n = std::min(n, sorted.size());
  std::copy(values, values + n, sorted.begin());
  std::sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n));
  n = static_cast<size_t>(std::unique(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n)) - sorted.begin());
  Witnesses w;
  w.n_ = std::min<size_t>(n, 8);
  for (size_t i = 0; i < w.n_; ++i) w.v_[i] = sorted[n <= 8 ? i : i * (n - 1) / 7];
  return w;
}

Sx Gen::Combine(Op op, Sx a, Sx b) {
  Sx r;
  if (a.constant && b.constant && !IsComparison(op) && op != Op::And && op != Op::Or) {
    std::optional<int64_t> v = Folded(op, a.value, b.value);
    if (!v) return {};
    r = Const(MakeBinary(op, std::move(a.e), std::move(b.e)), *v);
    Count(Construct::FoldedConstant);
  } else if (a.constant && b.constant && IsComparison(op)) {
    r = Const(MakeBinary(op, std::move(a.e), std::move(b.e)), *Folded(op, a.value, b.value));
  } else {
    WitnessBuilder values;
    for (int32_t x : a.w) {
      for (int32_t y : b.w) {
        if (auto v = MachineBinary(op, x, y)) values.Add(*v);
      }
    }
    Witnesses w = values.Take();
    // The value of a comparison or a logical operator is told only from
    // constant operands.
    if (IsComparison(op) || op == Op::And || op == Op::Or) w = kBoolValues;
    // A constant operand of && or || decides the result or drops out.
    if ((op == Op::And || op == Op::Or) && (a.constant || b.constant)) {
      int64_t decides = op == Op::Or ? 1 : 0;
      const Sx* kept = nullptr;
      if ((a.constant && a.value == decides) || (b.constant && b.value == 1 - decides)) kept = &a;
      else kept = &b;
      if (kept->constant) return Const(MakeBinary(op, std::move(a.e), std::move(b.e)), kept->value);
      w = kept->w;
    }
    r = Leaf(MakeBinary(op, std::move(a.e), std::move(b.e)), w);
  }
  Count(OpConstructOf(op));
  return r;
}

Sx Gen::Unary(Op op, Sx a) {
  auto apply = [op](int64_t v) -> int64_t {
    switch (op) {
      case Op::Neg: return -v;
      case Op::Compl: return ~v;
      case Op::Not: return 1 - v;
      default: return v;
    }
  };
  Count(op == Op::Neg ? Construct::OpNeg : op == Op::Plus ? Construct::OpPlus : op == Op::Compl ? Construct::OpCompl
                                                                                                : Construct::OpNot);
  if (a.constant) return Const(MakeUnary(op, std::move(a.e)), apply(a.value));
  WitnessBuilder values;
  for (int32_t x : a.w) values.Add(MachineUnary(op, x));
  return Leaf(MakeUnary(op, std::move(a.e)), op == Op::Not ? Witnesses(kBoolValues) : values.Take());
}

// ----- constants

Sx Gen::Literal() {
  int r = Below(100);
  int64_t v;
  if (r < 40) v = Range(0, 9);
  else if (r < 60) v = Range(10, 300);
  else if (r < 70) v = Range(301, 32767);
  else if (r < 75) v = Range(32768, 70000);
  else if (r < 88) {
    static const int64_t kEdges[] = {32767, 32768, 16384, 255, 256, 65535, 65536, 128, 1024, 30000};
    v = kEdges[Below(10)];
  } else {
    v = Range(0, 0xFFFF);
    Sx s = Const(MakeNumber(v), v);
    char hex[16];
    std::snprintf(hex, sizeof hex, Chance(50) ? "0x%llX" : "0x%llx", static_cast<unsigned long long>(v));
    s.e->text = hex;
    Count(Construct::ConstantOperand);
    return s;
  }
  Count(Construct::ConstantOperand);
  return Const(MakeNumber(v), v);
}

// A constant expression: literals, named constants, LENGTH of an array of
// known length, ORD and CHR of constants, operators on them.
Sx Gen::Constant(int depth) {
  int r = Below(100);
  if (depth <= 0 || r < 45) {
    Sx lit = Literal();
    if (Chance(25)) return Unary(Op::Neg, std::move(lit));
    return lit;
  }
  if (r < 60) {
    const Var* k = Find([](const Var& v) { return v.constant && v.type->kind == GType::Int; });
    if (k) return Const(MakeName(k->name), k->value);
    return Literal();
  }
  if (r < 68) {
    const Var* a = Find([](const Var& v) { return v.type->InPlace() && v.ready && !v.nullable; });
    if (a) {
      Count(Construct::Length);
      return Const(MakeCall("LENGTH", MakeName(a->name)), a->type->length);
    }
  }
  if (r < 74) {
    int c = Range(32, 126);
    Count(Construct::Ord);
    return Const(MakeCall("ORD", MakeChar(c)), c);
  }
  if (r < 78) {
    Count(Construct::Ord);
    Count(Construct::Chr);
    int64_t v = Range(0, 255);
    return Const(MakeCall("ORD", MakeCall("CHR", MakeNumber(v))), v);
  }
  Op ops[] = {Op::Mul, Op::Div, Op::Rem, Op::Add, Op::Sub, Op::Shl, Op::Shr, Op::BitAnd, Op::BitXor, Op::BitOr};
  for (int tries = 0; tries < 4; ++tries) {
    Sx s = Combine(ops[Below(10)], Constant(depth - 1), Constant(depth - 1));
    if (s.e) return s;
  }
  return Literal();
}

// ----- scalar expressions

Sx Gen::ScalarOf(const GType& t, int depth) {
  switch (t.kind) {
    case GType::Bool: return Bool(depth);
    case GType::Char: return Char(depth);
    case GType::Byte: return Byte(depth);
    default: return Int(depth);
  }
}

Sx Gen::Int(int depth) {
  if (depth <= 0 || Chance(30)) return IntLeaf(depth);
  int r = Below(100);
  Sx s;
  if (r < 60) {
    s = IntBinary(depth);
  } else if (r < 72) {
    static const Op kOps[] = {Op::Neg, Op::Neg, Op::Compl, Op::Plus};
    s = Unary(kOps[Below(4)], Int(depth - 1));
  } else if (r < 80) {
    Sx inner = Int(depth - 1);
    Count(Construct::Parentheses);
    s = {MakeParen(std::move(inner.e)), inner.w, inner.constant, inner.value};
  } else if (r < 83) {
    // The value of the last expression; the others are checked, not run.
    Sx first = Chance(50) ? Int(depth - 1) : Bool(depth - 1);
    Sx last = Int(depth - 1);
    if (!last.constant) {
      Count(Construct::Braces);
      auto e = std::make_unique<Expr>(ExprKind::Braces);
      e->kids.push_back(std::move(first.e));
      e->kids.push_back(std::move(last.e));
      s = Leaf(std::move(e), last.w);
    }
  } else {
    s = IntLeaf(depth);
  }
  return Valid(s) ? std::move(s) : IntLeaf(0);
}

Sx Gen::IntBinary(int depth) {
  static const Op kOps[] = {Op::Mul, Op::Div, Op::Rem, Op::Add, Op::Sub, Op::Shl, Op::Shr, Op::Ushr,
                            Op::BitAnd, Op::BitXor, Op::BitOr, Op::Add, Op::Sub, Op::BitAnd};
  for (int tries = 0; tries < 4; ++tries) {
    Op op = kOps[Below(14)];
    Sx left = Int(depth - 1);
    Sx right;
    if (op == Op::Div || op == Op::Rem) {
      int r = Below(100);
      if (r >= 85 && (trapBudget_ == 0 || r >= 90)) r = 0;
      if (r < 55) {
        int64_t d = Chance(20) ? -Range(1, 9) : Chance(10) ? Range(256, 3000) : Range(1, 17);
        right = d < 0 ? Unary(Op::Neg, Const(MakeNumber(-d), -d)) : Const(MakeNumber(d), d);
      } else if (r < 85) {
        right = Combine(Op::BitOr, Int(depth - 1), Const(MakeNumber(1), 1));  // never zero
        if (Valid(right)) right.e = MakeParen(std::move(right.e));
      } else {
        right = Int(depth - 1);
        if (!right.constant) {
          Count(Construct::MayTrapDivide);
          --trapBudget_;
        }
      }
    } else if (op == Op::Shl || op == Op::Shr || op == Op::Ushr) {
      if (Chance(70)) {
        static const int kCounts[] = {0, 1, 2, 3, 4, 5, 7, 8, 12, 14, 15, 16, 17, 20, 31, 1};
        int c = kCounts[Below(16)];
        right = Const(MakeNumber(c), c);
        if (Chance(8)) right = Unary(Op::Neg, std::move(right));
      } else {
        right = Int(depth - 1);
      }
    } else {
      right = Int(depth - 1);
    }
    if (!Valid(left) || !Valid(right)) continue;
    if ((op == Op::Div || op == Op::Rem) && right.constant && Wrap(right.value) == 0) continue;
    Sx s = Combine(op, std::move(left), std::move(right));
    if (Valid(s)) return s;
  }
  return IntLeaf(0);
}

Sx Gen::IntLeaf(int depth) {
  int r = Below(100);
  if (r < 22) return Chance(70) ? Literal() : Constant(1);
  if (r < 55) return Read(*Scalar(GType::Int), depth);
  if (r < 65) {
    Count(Construct::Ord);
    int k = Below(3);
    Sx a = k == 0 ? Char(depth - 1) : k == 1 ? Bool(depth - 1) : Byte(depth - 1);
    return {MakeCall("ORD", [&] {
              std::vector<ExprPtr> args;
              args.push_back(std::move(a.e));
              return args;
            }()),
            a.w, a.constant, a.value};
  }
  if (r < 71) {
    // LENGTH of an array reached by reference, computed when the program runs.
    std::optional<Path> p = PickPath(false, [](const Path& q) {
      return q.type->Reference() && q.type->kind == GType::Array && !q.nullable;
    });
    if (p) {
      Count(Construct::Length);
      return Leaf(MakeCall("LENGTH", Instantiate(*p, depth)), kLengthValues);
    }
    return Constant(1);
  }
  if (r < 80 && !noCalls_) {
    Sx c = CallOf(*Scalar(GType::Int), depth);
    if (c.e) return c;
  }
  if (r < 82) {
    Count(Construct::KeyIn);
    return Leaf(MakeField(MakeName("KeyIn"), "datum"), kIntValues);
  }
  if (r < 84) {
    static const char* const kRegisters[][2] = {{"Video", "left"}, {"Video", "top"}, {"Disk", "count"}, {"Date", "hours"}};
    const auto& reg = kRegisters[Below(4)];
    Count(Construct::DeviceRegister);
    return Leaf(MakeField(MakeName(reg[0]), reg[1]), kIntValues);
  }
  return Read(*Scalar(GType::Int), depth);
}

Sx Gen::Bool(int depth) {
  int r = Below(100);
  if (depth <= 0 || r < 25) {
    int k = Below(100);
    if (k < 20) {
      const Var* named = Chance(20) ? Find([](const Var& v) { return v.constant && v.type->kind == GType::Bool; })
                                    : nullptr;
      if (named) return Const(MakeName(named->name), named->value);
      bool b = Chance(50);
      Count(Construct::ConstantOperand);
      return Const(MakeBool(b), b);
    }
    if (k < 30 && !noCalls_) {
      Sx c = CallOf(*Scalar(GType::Bool), depth);
      if (c.e) return c;
    }
    if (k < 75) return Read(*Scalar(GType::Bool), depth);
    r = 0;  // a comparison
  }
  if (r < 45) {
    static const Op kOps[] = {Op::Eq, Op::Ne, Op::Lt, Op::Le, Op::Gt, Op::Ge};
    Op op = kOps[Below(6)];
    int k = Below(100);
    if (k < 60) return Combine(op, Int(depth - 1), Int(depth - 1));
    if (k < 75) return Combine(op, Char(depth - 1), Char(depth - 1));
    if (k < 82) return Combine(op, Bool(depth - 1), Bool(depth - 1));
    if (k < 88) return Combine(op, Byte(depth - 1), Byte(depth - 1));
    // References: of one type, or with null.
    std::optional<Path> chosen = PickPath(false, [](const Path& q) { return q.type->Reference(); });
    if (!chosen) return Combine(op, Int(depth - 1), Int(depth - 1));
    Path p = std::move(*chosen);
    Op eq = Chance(50) ? Op::Eq : Op::Ne;
    ExprPtr left = Instantiate(p, depth);
    ExprPtr right;
    if (p.nullable || Chance(40)) {
      right = MakeNull();
      Count(Construct::NullReference);
    } else if (std::optional<Path> q = ChoosePath(*p.type, false)) {
      // Not a new array: its type is its own, and compares with null only.
      right = Instantiate(*q, depth - 1);
    } else {
      right = MakeNull();
    }
    Count(Construct::ReferenceCompare);
    Count(OpConstructOf(eq));
    if (Chance(50)) std::swap(left, right);
    return Leaf(MakeBinary(eq, std::move(left), std::move(right)), kBoolValues);
  }
  if (r < 55) return Unary(Op::Not, Bool(depth - 1));
  if (r < 70) return Combine(Op::And, Bool(depth - 1), Bool(depth - 1));
  if (r < 85) return Combine(Op::Or, Bool(depth - 1), Bool(depth - 1));
  if (r < 92) {
    Sx inner = Bool(depth - 1);
    Count(Construct::Parentheses);
    return {MakeParen(std::move(inner.e)), inner.w, inner.constant, inner.value};
  }
  return Read(*Scalar(GType::Bool), depth);
}

Sx Gen::Char(int depth) {
  int r = Below(100);
  if (r < 25 || depth <= 0) {
    const Var* k = Chance(15) ? Find([](const Var& v) { return v.constant && v.type->kind == GType::Char; }) : nullptr;
    if (k) return Const(MakeName(k->name), k->value);
    int c = Chance(85) ? Range(32, 126) : Pick(std::vector<int>{'\n', '\t', '\\', '\'', '"', '\r', '\b'});
    Count(Construct::ConstantOperand);
    return Const(MakeChar(c), c);
  }
  if (r < 55) return Read(*Scalar(GType::Char), depth);
  if (r < 78) {
    Sx n = Int(depth - 1);
    // CHR of a constant outside 0 .. 255 is left open.
    if (n.constant && (n.value < 0 || n.value > 255)) n = Const(MakeNumber(n.value & 0xFF), n.value & 0xFF);
    Count(Construct::Chr);
    WitnessBuilder values;
    for (int32_t v : n.w) values.Add(v & 0xFF);
    std::vector<ExprPtr> args;
    args.push_back(std::move(n.e));
    Sx c = {MakeCall("CHR", std::move(args)), values.Take(), n.constant, n.value & 0xFF};
    // The value of CHR of a constant is known; of anything else it is not.
    if (!c.constant && c.w.size() < 2) return Const(MakeChar('z'), 'z');
    return c;
  }
  if (r < 86 && !noCalls_) {
    Sx c = CallOf(*Scalar(GType::Char), depth);
    if (c.e) return c;
  }
  if (r < 92) {
    Sx inner = Char(depth - 1);
    Count(Construct::Parentheses);
    return {MakeParen(std::move(inner.e)), inner.w, inner.constant, inner.value};
  }
  return Read(*Scalar(GType::Char), depth);
}

Sx Gen::Byte(int depth) {
  if (!noCalls_ && Chance(10)) {
    Sx c = CallOf(*Scalar(GType::Byte), depth);
    if (c.e) return c;
  }
  return Read(*Scalar(GType::Byte), depth);
}

}  // namespace vylfuzz::gen
