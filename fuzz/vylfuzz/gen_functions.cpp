// The generator's functions: their signatures, locals and bodies, the
// recursive ones and main.
#include <algorithm>

#include "gen_model.h"

namespace vylfuzz::gen {

// What makes a variable ready: a made object, an array of made objects,
// the reference fields of a final object.
void Gen::Setup(const Var& v, std::vector<StmtPtr>& out) {
  const GType& t = *v.type;
  if (v.finalObject) {
    // A local's own reference must not leave its frame: its fields of its
    // own class get made objects instead.
    MakeFields(v.name, classes_[static_cast<size_t>(t.cls)], out, *MakeNumber(Range(0, 99)), v.global);
  } else if (t.kind == GType::Class) {
    out.push_back(Set(MakeName(v.name), MakeCall("make" + classes_[static_cast<size_t>(t.cls)].name, {Literal().e})));
  } else if (t.kind == GType::Array && t.elem->kind == GType::Class) {
    for (StmtPtr& s : FillLoop(v.name, t)) out.push_back(std::move(s));
  }
}

// Setup of the locals that need it (setup may add counters to the locals).
void Gen::MakeReady(std::vector<StmtPtr>& out) {
  for (size_t i = 0; i < locals_.size(); ++i) {
    if (locals_[i].ready) continue;
    Var v = locals_[i];
    Setup(v, out);
    locals_[i].ready = true;
  }
}

void Gen::Locals(std::vector<VarGroup>& out, int count) {
  for (int i = 0; i < count; ++i) {
    auto [v, init] = RandomVariable(false);
    if (v.nullable) continue;
    Declare(out, std::move(v), std::move(init), locals_);
  }
}

void Gen::Begin(GFunc& f, Function& d) {
  ++scope_;
  fn_ = &f;
  decl_ = &d;
  locals_ = f.params;
  loops_.clear();
  switches_ = 0;
  depth_ = 0;
  mult_ = 1;
  cost_ = 0;
  selfCalls_ = 0;
  bodyNodes_ = 0;
  guarded_ = !f.recursive;
}

// The body of a function: locals, what makes them ready, the depth test of
// a recursive function, random statements and the result.
void Gen::Body(GFunc& f, Function& d, int statements) {
  Begin(f, d);
  Locals(d.locals, Range(0, 5));
  MakeReady(d.body);
  if (f.recursive) {
    // Every recursive call passes the depth less one, below this test.
    StmtPtr leave = MakeStmt(StmtKind::Return);
    if (f.result->kind != GType::Void) leave->expr = ScalarOf(*f.result, 1).e;
    bool le = Chance(50);
    ExprPtr test = MakeBinary(le ? Op::Le : Op::Lt, MakeName(f.params[0].name), MakeNumber(le ? 0 : 1));
    d.body.push_back(Guarded(std::move(test), std::move(leave)));
    guarded_ = true;
    Count(Construct::Recursion);
  }
  Statements(d.body, statements);
  bool returns = !d.body.empty() && d.body.back()->kind == StmtKind::Return;
  if (f.result->kind != GType::Void && !returns) {
    if (f.result->Scalar() && Chance(12)) {
      Count(Construct::ImplicitResult);  // ends without return: the result is 0
    } else {
      StmtPtr r = MakeStmt(StmtKind::Return);
      r->expr = f.result->Scalar() ? ScalarOf(*f.result, 3).e : Reference(*f.result, true, 1);
      d.body.push_back(std::move(r));
    }
  }
  if (f.result->kind != GType::Void) Count(Construct::Result);
}

GFunc Gen::Signature(bool recursive) {
  GFunc f;
  f.name = NewName("f");
  f.recursive = recursive;
  f.result = recursive ? Scalar(Chance(70) ? GType::Int : GType::Void)
                       : Chance(30) ? Scalar(GType::Void) : RandomValueType();
  if (recursive) {
    Var d;
    d.name = "depth";
    d.type = Scalar(GType::Int);
    d.assignable = false;
    f.params.push_back(d);
    f.maxDepth = Range(1, 5);
  }
  for (int i = Range(0, 3); i > 0; --i) {
    Var p;
    p.name = NewName("p");
    p.type = RandomValueType();
    if (p.type->kind == GType::Array) {
      p.minLength = 4;
      p.writable = !p.type->string && Chance(50);
    }
    f.params.push_back(std::move(p));
    Count(Construct::Parameter);
  }
  return f;
}

Function Gen::Header(const GFunc& f) {
  Function d;
  d.result = Written(*f.result);
  d.name = f.name;
  for (const Var& p : f.params) d.params.push_back({Written(*p.type), p.name});
  return d;
}

void Gen::Functions(int count) {
  globalsReady_ = true;
  for (int i = 0; i < count; ++i) {
    bool recursive = Chance(30);
    funcs_.push_back(Signature(recursive));
    size_t self = funcs_.size() - 1;
    size_t partner = self;
    if (recursive && Chance(40)) {
      // Mutual recursion: the partner's prototype comes first.
      funcs_.push_back(Signature(true));
      partner = funcs_.size() - 1;
      funcs_[partner].maxDepth = funcs_[self].maxDepth;
      funcs_[partner].callable = true;
      Decl proto;
      proto.kind = Decl::Func;
      proto.func = Header(funcs_[partner]);
      proto.func.prototype = true;
      out_.program.decls.push_back(std::move(proto));
      Count(Construct::MutualRecursion);
    }
    for (size_t f : {self, partner}) {
      funcs_[f].partners = {static_cast<int>(self), static_cast<int>(partner)};
      Decl d;
      d.kind = Decl::Func;
      d.func = Header(funcs_[f]);
      Body(funcs_[f], d.func, Range(3, 12));
      long calls = funcs_[f].recursive ? (2L << funcs_[f].maxDepth) : 1;
      funcs_[f].cost = std::max(1L, cost_) * calls;
      funcs_[f].callable = true;
      out_.program.decls.push_back(std::move(d));
      fn_ = nullptr;
      locals_.clear();
      ++scope_;
      if (partner == self) break;
    }
  }
  globalsReady_ = false;
}

void Gen::Main() {
  GFunc m;
  m.name = "main";
  m.result = Scalar(GType::Void);
  Decl d;
  d.kind = Decl::Func;
  d.func = Header(m);
  Begin(m, d.func);
  inMain_ = true;
  noCalls_ = true;
  Locals(d.func.locals, Range(0, 6));
  noCalls_ = false;
  for (size_t g : pending_) {
    Var v = globals_[g];
    Setup(v, d.func.body);
    globals_[g].ready = true;
  }
  globalsReady_ = true;
  MakeReady(d.func.body);
  Statements(d.func.body, Range(8, 24));
  // The globals at the end: a wrong store shows.
  for (const Var& g : globals_) {
    if (g.constant || g.table || g.type->kind != GType::Int || !Chance(60)) continue;
    d.func.body.push_back(Show(MakeName(g.name)));
  }
  out_.program.decls.push_back(std::move(d));
  inMain_ = false;
}

}  // namespace vylfuzz::gen
