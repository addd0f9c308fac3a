// The generator's statements.  Loops count a counter of their own up to a
// small bound: the counter is set to 0 before the loop and raised first
// thing in its body, and nothing else assigns it, so every loop ends.  A
// `continue` in a `do` loop restarts the body without the condition: it is
// guarded by the counter's own test.
#include <algorithm>
#include <set>

#include "gen_model.h"

namespace vylfuzz::gen {

namespace {

constexpr long kLoopBudget = 64;  // iterations a statement may run per call of its function

bool IsExit(const Stmt& s) {
  return s.kind == StmtKind::Break || s.kind == StmtKind::Continue || s.kind == StmtKind::Return;
}

size_t Nodes(const Expr& e) {
  size_t n = 1;
  for (const ExprPtr& k : e.kids) n += Nodes(*k);
  return n;
}

// The size of a statement in tree nodes, a measure of its code.
size_t Nodes(const Stmt& s) {
  size_t n = 1 + (s.target ? Nodes(*s.target) : 0) + (s.expr ? Nodes(*s.expr) : 0);
  for (const StmtPtr& b : s.body) n += Nodes(*b);
  for (const SwitchGroup& g : s.groups) {
    for (const StmtPtr& b : g.body) n += Nodes(*b);
  }
  return n;
}

// A function's code stays well below the 8 KB a jump reaches (its returns
// jump to its end): statements stop coming past this many tree nodes.
constexpr size_t kBodyNodes = 900;

}  // namespace

StmtPtr Gen::Set(ExprPtr target, ExprPtr value) {
  StmtPtr s = MakeStmt(StmtKind::Assign);
  s->target = std::move(target);
  s->expr = std::move(value);
  return s;
}

StmtPtr Gen::Show(ExprPtr value) {
  StmtPtr s = MakeStmt(StmtKind::Call);
  std::vector<ExprPtr> args;
  args.push_back(std::move(value));
  s->expr = MakeCall("show", std::move(args));
  Count(Construct::Print);
  return s;
}

StmtPtr Gen::Guarded(ExprPtr cond, StmtPtr then) {
  StmtPtr s = MakeStmt(StmtKind::If);
  s->expr = std::move(cond);
  s->body.push_back(std::move(then));
  Count(Construct::If);
  return s;
}

// A fresh loop counter: a local int nothing but its loop assigns.
std::string Gen::Counter() {
  Var v;
  v.name = NewName("k");
  v.type = Scalar(GType::Int);
  v.counter = true;
  v.assignable = false;
  VarGroup g;
  g.type = TypeName("int");
  g.vars.push_back({v.name, nullptr, false, {}});
  decl_->locals.push_back(std::move(g));
  locals_.push_back(v);
  return v.name;
}

// Fills an array of references with made objects.
std::vector<StmtPtr> Gen::FillLoop(const std::string& array, const GType& type) {
  std::string k = Counter();
  std::vector<StmtPtr> out;
  out.push_back(Set(MakeName(k), MakeNumber(0)));
  StmtPtr loop = MakeStmt(StmtKind::While);
  loop->expr = MakeBinary(Op::Lt, MakeName(k), MakeCall("LENGTH", [&] {
                            std::vector<ExprPtr> a;
                            a.push_back(MakeName(array));
                            return a;
                          }()));
  StmtPtr body = MakeStmt(StmtKind::Block);
  std::vector<ExprPtr> args;
  args.push_back(MakeName(k));
  body->body.push_back(Set(MakeIndex(MakeName(array), MakeName(k)),
                           MakeCall("make" + classes_[static_cast<size_t>(type.elem->cls)].name, std::move(args))));
  body->body.push_back(Set(MakeName(k), MakeBinary(Op::Add, MakeName(k), MakeNumber(1))));
  loop->body.push_back(std::move(body));
  out.push_back(std::move(loop));
  Count(Construct::Length);
  return out;
}

void Gen::Statements(std::vector<StmtPtr>& out, int count) {
  for (int i = 0; i < count && bodyNodes_ < kBodyNodes; ++i) {
    StmtPtr s = Statement();
    if (!s) continue;
    if (depth_ == 0) bodyNodes_ += Nodes(*s);
    bool exits = IsExit(*s);
    out.push_back(std::move(s));
    if (exits) break;  // nothing after it would run
  }
}

StmtPtr Gen::Statement() {
  cost_ += mult_;
  int r = depth_ >= 3 ? Below(50) : Below(100);
  if (r < 28) return Assignment();
  if (r < 36) return ReferenceAssignment();
  if (r < 48) return PrintStatement();
  if (r < 55) {
    if (StmtPtr s = CallStatement()) return s;
    return Assignment();
  }
  if (r < 65) return IfStatement();
  if (r < 72) return Loop(false);
  if (r < 77) return Loop(true);
  if (r < 83) return Switch();
  if (r < 86) {
    StmtPtr b = MakeStmt(StmtKind::Block);
    ++depth_;
    Statements(b->body, Range(1, 3));
    --depth_;
    Count(Construct::Block);
    return b;
  }
  if (r < 93 && !loops_.empty()) return Chance(50) ? Exit(StmtKind::Break) : ContinueStatement();
  if (r < 96 && (!inMain_ || Chance(10))) return ReturnStatement();
  if (r < 97) {
    Count(Construct::EmptyStatement);
    return MakeStmt(StmtKind::Empty);
  }
  return Assignment();
}

StmtPtr Gen::Assignment() {
  int r = Below(100);
  TypeP t = Scalar(r < 60 ? GType::Int : r < 75 ? GType::Bool : r < 90 ? GType::Char : GType::Byte);
  std::optional<Path> p = ChoosePath(*t, true);
  if (!p) {
    t = Scalar(GType::Int);
    p = ChoosePath(*t, true);
  }
  Sx value = ScalarOf(*t, Range(1, 4));
  return Set(Instantiate(*p, 2), std::move(value.e));
}

StmtPtr Gen::ReferenceAssignment() {
  std::optional<Path> p = PickPath(true, [](const Path& q) { return q.type->Reference() && !q.nullable; });
  if (!p) return Assignment();
  ExprPtr value = Reference(*p->type, p->writable, 2);
  return Set(Instantiate(*p, 2), std::move(value));
}

StmtPtr Gen::PrintStatement() {
  int r = Below(100);
  if (r < 60) return Show(Int(Range(1, 4)).e);
  if (r < 75) {
    std::vector<ExprPtr> args;
    args.push_back(Char(2).e);
    Count(Construct::Ord);
    Count(Construct::Print);
    return Set(MakeField(MakeName("Print"), "datum"), MakeCall("ORD", std::move(args)));
  }
  if (r < 88) {
    StmtPtr s = MakeStmt(StmtKind::Call);
    std::vector<ExprPtr> args;
    args.push_back(Chance(5) ? MakeString("") : Reference(*StringType(), false, 1, true));
    s->expr = MakeCall("say", std::move(args));
    Count(Construct::Print);
    return s;
  }
  std::vector<ExprPtr> args;
  args.push_back(Bool(2).e);
  Count(Construct::Ord);
  return Show(MakeCall("ORD", std::move(args)));
}

StmtPtr Gen::CallStatement() {
  bool recursive = false;
  const GFunc* f = Callee(*Scalar(GType::Void), recursive);
  if (!f) return nullptr;
  if (recursive) Count(Construct::Recursion);
  StmtPtr s = MakeStmt(StmtKind::Call);
  s->expr = MakeCall(f->name, Arguments(*f, 2, recursive));
  return s;
}

// A statement a loop, if or switch controls: a block or a single statement.
StmtPtr Gen::Controlled(int count) {
  ++depth_;
  StmtPtr s;
  if (Chance(65)) {
    s = MakeStmt(StmtKind::Block);
    Statements(s->body, count);
  } else {
    s = Statement();
  }
  --depth_;
  return s;
}

StmtPtr Gen::IfStatement() {
  StmtPtr s = MakeStmt(StmtKind::If);
  s->expr = Bool(3).e;
  s->body.push_back(Controlled(Range(1, 3)));
  if (Chance(45)) {
    s->body.push_back(Controlled(Range(1, 3)));
    Count(Construct::IfElse);
  } else {
    Count(Construct::If);
  }
  return s;
}

StmtPtr Gen::Loop(bool isDo) {
  if (loops_.size() >= 2 || mult_ * 2 > kLoopBudget) return Assignment();
  int bound = Range(1, 6);
  while (bound > 1 && mult_ * (bound + 1) > kLoopBudget) --bound;
  std::string k = Counter();
  StmtPtr body = MakeStmt(StmtKind::Block);
  body->body.push_back(Set(MakeName(k), MakeBinary(Op::Add, MakeName(k), MakeNumber(1))));
  ExprPtr test = MakeBinary(Op::Lt, MakeName(k), MakeNumber(bound));
  bool endless = !isDo && Chance(15);
  if (endless) {
    // while (true) with the counter's test as a break.
    test = MakeBool(true);
    StmtPtr leave = MakeStmt(StmtKind::Break);
    body->body.push_back(Guarded(MakeBinary(Op::Gt, MakeName(k), MakeNumber(bound)), std::move(leave)));
    Count(Construct::Break);
  } else if (Chance(20)) {
    ExprPtr extra = Bool(2).e;
    test = Chance(50) ? MakeBinary(Op::And, std::move(test), std::move(extra))
                      : MakeBinary(Op::And, std::move(extra), std::move(test));
    Count(Construct::OpAnd);
  }
  // A do loop's condition runs after the body; build the body first.
  loops_.push_back({isDo, k, bound});
  long saved = mult_;
  mult_ *= bound + 1;
  ++depth_;
  Statements(body->body, Range(1, 5));
  --depth_;
  mult_ = saved;
  loops_.pop_back();
  StmtPtr loop = MakeStmt(isDo ? StmtKind::Do : StmtKind::While);
  loop->expr = std::move(test);
  loop->body.push_back(std::move(body));
  Count(isDo ? Construct::Do : Construct::While);
  StmtPtr block = MakeStmt(StmtKind::Block);
  block->body.push_back(Set(MakeName(k), MakeNumber(0)));
  block->body.push_back(std::move(loop));
  return block;
}

StmtPtr Gen::Exit(StmtKind kind) {
  Count(Construct::Break);
  if (Chance(15)) return MakeStmt(kind);  // the block ends here
  return Guarded(Bool(2).e, MakeStmt(kind));
}

StmtPtr Gen::ContinueStatement() {
  const LoopInfo& l = loops_.back();
  Count(Construct::Continue);
  if (!l.isDo) {
    if (Chance(15)) return MakeStmt(StmtKind::Continue);
    return Guarded(Bool(2).e, MakeStmt(StmtKind::Continue));
  }
  // The body restarts without the loop's test: test the counter here.
  Count(Construct::ContinueInDo);
  ExprPtr test = MakeBinary(Op::Lt, MakeName(l.counter), MakeNumber(l.bound));
  if (Chance(40)) test = MakeBinary(Op::And, std::move(test), Bool(2).e);
  return Guarded(std::move(test), MakeStmt(StmtKind::Continue));
}

StmtPtr Gen::ReturnStatement() {
  StmtPtr r = MakeStmt(StmtKind::Return);
  const GType& t = *fn_->result;
  if (t.kind != GType::Void) r->expr = t.Scalar() ? ScalarOf(t, 2).e : Reference(t, true, 1);
  Count(Construct::Return);
  if (Chance(20) && depth_ > 0) return r;
  return Guarded(Bool(2).e, std::move(r));
}

// The end of a switch group: it must not fall through.
StmtPtr Gen::GroupEnd() {
  int r = Below(100);
  if (r < 15 && !loops_.empty()) {
    const LoopInfo& l = loops_.back();
    Count(Construct::Continue);
    if (!l.isDo) return MakeStmt(StmtKind::Continue);
    // In a do loop: continue while the counter allows, else leave the switch.
    StmtPtr both = MakeStmt(StmtKind::Block);
    both->body.push_back(Guarded(MakeBinary(Op::Lt, MakeName(l.counter), MakeNumber(l.bound)), MakeStmt(StmtKind::Continue)));
    both->body.push_back(MakeStmt(StmtKind::Break));
    Count(Construct::ContinueInDo);
    return both;
  }
  if (r < 25 && !inMain_) {
    StmtPtr ret = MakeStmt(StmtKind::Return);
    const GType& t = *fn_->result;
    if (t.kind != GType::Void) ret->expr = t.Scalar() ? ScalarOf(t, 2).e : Reference(t, true, 1);
    Count(Construct::Return);
    return ret;
  }
  Count(Construct::Break);
  return MakeStmt(StmtKind::Break);
}

StmtPtr Gen::Switch() {
  StmtPtr s = MakeStmt(StmtKind::Switch);
  std::vector<ExprPtr> labels;
  int r = Below(100);
  if (r < 70) {
    int count = Range(1, 6);
    int style = Below(4);
    std::set<int> values;
    int base = style == 2 ? -Range(1, 20) : style == 3 ? (Chance(50) ? 32767 - Range(0, 8) - count : -32768 + Range(0, 8))
                                                        : Range(-5, 12);
    int width = style == 1 ? Range(count * 3, 200) : count;
    while (static_cast<int>(values.size()) < count) values.insert(style == 1 ? base + Below(width) : base + static_cast<int>(values.size()));
    int lo = *values.begin(), hi = *values.rbegin();
    Count(hi - lo + 1 == count ? Construct::SwitchDense : Construct::SwitchGapped);
    if (lo < 0) Count(Construct::SwitchNegative);
    const Var* k = Find([](const Var& x) { return x.constant && x.type->kind == GType::Int; });
    for (int v : values) {
      ExprPtr label;
      if (k && Chance(10)) {
        // A named constant and the difference: K + (v - K).
        int64_t d = v - k->value;
        label = MakeBinary(d < 0 ? Op::Sub : Op::Add, MakeName(k->name), MakeNumber(d < 0 ? -d : d));
        Count(Construct::FoldedConstant);
      } else if (v < 0) label = MakeUnary(Op::Neg, MakeNumber(-int64_t{v}));
      else if (Chance(15) && v > 0) label = MakeBinary(Op::Add, MakeNumber(v - 1), MakeNumber(1));
      else label = MakeNumber(v);
      labels.push_back(std::move(label));
    }
    // A value that often hits a label.
    Sx value;
    if (Chance(60)) {
      int mask = 1;
      while (mask < hi - lo + 1 && mask < 256) mask *= 2;
      value = Combine(Op::Add, Combine(Op::BitAnd, Int(2), Const(MakeNumber(mask - 1), mask - 1)), Const(MakeNumber(lo), lo));
    }
    if (!Valid(value)) value = Int(2);
    s->expr = std::move(value.e);
  } else if (r < 90) {
    std::set<int> chars;
    int count = Range(1, 5);
    while (static_cast<int>(chars.size()) < count) chars.insert(Range('a', 'h'));
    for (int c : chars) labels.push_back(MakeChar(c));
    if (Chance(50)) {
      Sx n = Combine(Op::Add, Combine(Op::BitAnd, Int(2), Const(MakeNumber(7), 7)), Const(MakeNumber('a'), 'a'));
      s->expr = Valid(n) ? MakeCall("CHR", [&] {
        std::vector<ExprPtr> a;
        a.push_back(std::move(n.e));
        return a;
      }())
                         : Char(2).e;
    } else {
      s->expr = Char(2).e;
    }
    Count(Construct::SwitchChar);
  } else {
    int which = Below(3);
    if (which != 1) labels.push_back(MakeBool(true));
    if (which != 0) labels.push_back(MakeBool(false));
    s->expr = Bool(2).e;
    Count(Construct::SwitchBoolean);
  }
  std::shuffle(labels.begin(), labels.end(), rng_);
  if (Chance(60)) {
    labels.insert(labels.begin() + Below(static_cast<int>(labels.size()) + 1), nullptr);  // default
    Count(Construct::SwitchDefault);
  }
  ++switches_;
  ++depth_;
  for (ExprPtr& label : labels) {
    SwitchGroup g;
    g.label = std::move(label);
    Statements(g.body, Range(0, 2));
    if (g.body.empty() || !IsExit(*g.body.back())) g.body.push_back(GroupEnd());
    s->groups.push_back(std::move(g));
  }
  --depth_;
  --switches_;
  return s;
}

}  // namespace vylfuzz::gen
