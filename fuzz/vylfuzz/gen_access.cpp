// The generator's designators (variables, elements, fields), calls and
// reference values.
#include <algorithm>
#include <optional>

#include "gen_model.h"

namespace vylfuzz::gen {

// ----- variables, elements, fields

const Var* Gen::Find(const std::function<bool(const Var&)>& want) {
  std::vector<const Var*> found;
  for (const Var& v : locals_) {
    if (want(v)) found.push_back(&v);
  }
  for (const Var& v : globals_) {
    if (want(v)) found.push_back(&v);
  }
  if (found.empty()) return nullptr;
  return found[static_cast<size_t>(Below(static_cast<int>(found.size())))];
}

// Every designator of up to three steps from the variables in scope (kept
// while the variables in scope stay the same).
const std::vector<Path>& Gen::Paths(bool forTarget) {
  size_t ready = 0;
  for (const Var& v : locals_) ready += v.ready;
  for (const Var& v : globals_) ready += v.ready;
  PathsKey key{scope_, locals_.size(), globals_.size(), ready, globalsReady_, forTarget};
  PathCache& cache = paths_[forTarget ? 1 : 0];
  if (cache.valid && cache.key == key) return cache.paths;
  cache.valid = true;
  cache.key = key;
  cache.paths = AllPaths(forTarget);
  return cache.paths;
}

std::vector<Path> Gen::AllPaths(bool forTarget) {
  std::vector<Path> paths;
  std::function<void(Path)> extend = [&](Path p) {
    paths.push_back(p);
    if (p.steps.size() >= 3) return;
    const GType& t = *p.type;
    if (t.kind == GType::Array) {
      PathStep s;
      s.index = true;
      s.byReference = t.length < 0;
      s.length = t.length >= 0 ? t.length : 4;
      s.type = t.elem;
      Path q = p;
      q.steps.push_back(s);
      q.type = t.elem;
      // Elements of an array the path may write (not a table, not a string).
      q.assignable = p.writable;
      extend(q);
    } else if (t.kind == GType::Class) {
      for (const GField& f : classes_[static_cast<size_t>(t.cls)].fields) {
        PathStep s;
        s.field = f.name;
        s.nullable = f.nullable;
        s.type = f.type;
        Path q = p;
        q.steps.push_back(s);
        q.type = f.type;
        q.assignable = true;
        q.writable = f.writable;
        q.nullable = p.nullable || f.nullable;
        extend(q);
      }
    }
  };
  auto roots = [&](const std::vector<Var>& vars) {
    for (const Var& v : vars) {
      if (v.constant) continue;
      if (!v.ready && !(v.global && globalsReady_)) continue;
      Path p;
      p.root = &v;
      p.type = v.type;
      p.assignable = v.assignable && !v.table && !v.finalObject && !v.counter && !v.nullable;
      p.writable = v.writable && !v.table;
      p.nullable = v.nullable;
      extend(p);
    }
  };
  roots(locals_);
  roots(globals_);
  if (forTarget) std::erase_if(paths, [](const Path& p) { return !p.assignable || p.type->InPlace(); });
  return paths;
}

std::optional<Path> Gen::PickPath(bool forTarget, const std::function<bool(const Path&)>& want) {
  std::vector<const Path*> fit;
  for (const Path& p : Paths(forTarget)) {
    if (want(p)) fit.push_back(&p);
  }
  if (fit.empty()) return std::nullopt;
  return *fit[static_cast<size_t>(Below(static_cast<int>(fit.size())))];
}

std::optional<Path> Gen::ChoosePath(const GType& t, bool forTarget, bool writable) {
  const std::vector<Path>& paths = Paths(forTarget);
  std::vector<const Path*> fit;
  bool mayTrap = trapBudget_ > 0 && Chance(3);
  for (const Path& p : paths) {
    if (!Same(*p.type, t) || (writable && !p.writable)) continue;
    if (p.nullable && !mayTrap) continue;
    fit.push_back(&p);
  }
  if (fit.empty()) return std::nullopt;
  const Path* p = fit[static_cast<size_t>(Below(static_cast<int>(fit.size())))];
  if (p->nullable) {
    --trapBudget_;
    Count(Construct::MayTrapNull);
  }
  return *p;
}

namespace {

// The bytes an element of this type takes in an array: a row stored in
// place has a header and a length word before its elements.
int ElementBytes(const GType& t) {
  if (t.kind == GType::Byte) return 1;
  if (!t.InPlace()) return 2;
  return 4 + ((t.length * ElementBytes(*t.elem) + 1) & ~1);
}

}  // namespace

ExprPtr Gen::Index(const PathStep& step, const Expr& prefix, int depth) {
  int n = step.length;
  int r = depth <= 0 ? 10 : Below(100);  // deep inside an expression: a constant index
  if (trapBudget_ > 0 && r < 3) {
    --trapBudget_;
    Count(Construct::MayTrapIndex);
    // Any value, but one whose offset in bytes fits in 16 bits, which the
    // language leaves open otherwise: (e) % (32768 / element size).
    Sx any = Int(std::min(depth, 2));
    const int limit = 32768 / ElementBytes(*step.type);
    return MakeBinary(Op::Rem, MakeParen(std::move(any.e)), MakeNumber(limit));
  }
  if (r < 35 || n == 1) {
    int c = Below(n);
    if (Chance(75)) return MakeNumber(c);
    Count(Construct::FoldedConstant);
    return c > 0 ? MakeBinary(Op::Add, MakeNumber(c - 1), MakeNumber(1)) : MakeBinary(Op::Sub, MakeNumber(3), MakeNumber(3));
  }
  if (r < 55 && !loops_.empty()) {
    const LoopInfo& l = loops_[static_cast<size_t>(Below(static_cast<int>(loops_.size())))];
    // In the body a counter runs from 1 to its bound.
    if (l.bound <= n) return MakeBinary(Op::Sub, MakeName(l.counter), MakeNumber(1));
    return MakeBinary(Op::Rem, MakeName(l.counter), MakeNumber(n));
  }
  if (r < 80) {
    int mask = 1;
    while (mask * 2 <= n) mask *= 2;
    for (int tries = 0; tries < 3; ++tries) {
      Sx s = Combine(Op::BitAnd, Int(depth - 1), Const(MakeNumber(mask - 1), mask - 1));
      if (Valid(s)) return std::move(s.e);
    }
    return MakeNumber(0);
  }
  // (e & 32767) % n, or % LENGTH of the array: never negative.
  Sx positive = Combine(Op::BitAnd, Int(depth - 1), Const(MakeNumber(32767), 32767));
  if (!Valid(positive) || positive.constant) return MakeNumber(Below(n));
  positive.e = MakeParen(std::move(positive.e));
  Sx index;
  if (step.byReference && r < 90) {
    Count(Construct::Length);
    index = Combine(Op::Rem, std::move(positive), Leaf(MakeCall("LENGTH", Clone(prefix)), kLengthValues));
  } else {
    index = Combine(Op::Rem, std::move(positive), Const(MakeNumber(n), n));
  }
  if (Valid(index)) return std::move(index.e);
  return MakeNumber(Below(n));
}

ExprPtr Gen::Instantiate(const Path& p, int depth) {
  ExprPtr e = MakeName(p.root->name);
  for (const PathStep& s : p.steps) {
    if (s.index) {
      ExprPtr i = Index(s, *e, depth - 1);
      e = MakeIndex(std::move(e), std::move(i));
    } else {
      e = MakeField(std::move(e), s.field);
    }
  }
  if (p.steps.empty()) Count(Construct::VariableOperand);
  else if (p.steps.back().index) Count(Construct::ElementOperand);
  else Count(Construct::FieldOperand);
  if (p.steps.size() >= 2 && p.root->type->InPlace() && p.root->type->elem->InPlace()) Count(Construct::TwoDimensional);
  return e;
}

Sx Gen::Read(const GType& t, int depth) {
  const std::vector<int32_t>& w = t.kind == GType::Int ? kIntValues : t.kind == GType::Byte ? kByteValues
                                 : t.kind == GType::Char ? kCharValues : kBoolValues;
  if (std::optional<Path> p = ChoosePath(t, false)) return Leaf(Instantiate(*p, depth), w);
  switch (t.kind) {
    case GType::Bool: {
      bool b = Chance(50);
      return Const(MakeBool(b), b);
    }
    case GType::Char: return Const(MakeChar('a'), 'a');
    case GType::Byte: return Leaf(MakeIndex(MakeName(byteTable_), MakeNumber(0)), kByteValues);
    default: {
      const Var* v = Find([](const Var& x) { return x.global && x.type->kind == GType::Int && !x.constant; });
      return Leaf(MakeName(v->name), kIntValues);
    }
  }
}

// ----- calls

namespace {
constexpr long kCallBudget = 20000;  // estimated statements one call statement may cost
}

// A function with the result type that may be called here; its recursive
// partners only below the depth test, outside loops, twice at most.
const GFunc* Gen::Callee(const GType& result, bool& recursive) {
  std::vector<const GFunc*> fit;
  std::vector<const GFunc*> partners;
  for (size_t i = 0; i < funcs_.size(); ++i) {
    const GFunc& f = funcs_[i];
    if (!f.callable || f.helper || !Same(*f.result, result)) continue;
    bool partner = fn_ && fn_->recursive && std::count(fn_->partners.begin(), fn_->partners.end(), static_cast<int>(i));
    if (partner) {
      if (guarded_ && loops_.empty() && selfCalls_ < 2) partners.push_back(&f);
      continue;
    }
    if (&f == fn_ || f.cost * mult_ + cost_ > kCallBudget) continue;
    fit.push_back(&f);
  }
  recursive = !partners.empty() && (fit.empty() || Chance(50));
  if (recursive) {
    ++selfCalls_;
    return Pick(partners);
  }
  if (fit.empty()) return nullptr;
  const GFunc* f = Pick(fit);
  cost_ += f->cost * mult_;
  return f;
}

ExprPtr Gen::DepthArgument(const GFunc& f, bool recursive) {
  if (recursive) return MakeBinary(Op::Sub, MakeName(fn_->params[0].name), MakeNumber(1));
  if (f.maxDepth >= 3 && Chance(30)) {
    for (int tries = 0; tries < 3; ++tries) {
      Sx s = Combine(Op::BitAnd, Int(1), Const(MakeNumber(3), 3));
      if (Valid(s)) return std::move(s.e);
    }
  }
  return MakeNumber(Range(0, f.maxDepth));
}

std::vector<ExprPtr> Gen::Arguments(const GFunc& f, int depth, bool recursive) {
  std::vector<ExprPtr> args;
  for (size_t i = 0; i < f.params.size(); ++i) {
    const Var& p = f.params[i];
    if (i == 0 && f.recursive) args.push_back(DepthArgument(f, recursive));
    else if (p.type->Scalar()) args.push_back(ScalarOf(*p.type, depth - 1).e);
    else args.push_back(Reference(*p.type, p.writable, depth - 1, true));
  }
  return args;
}

Sx Gen::CallOf(const GType& t, int depth) {
  if (noCalls_ || depth < 0) return {};  // calls nest a few deep at most
  bool recursive = false;
  const GFunc* f = Callee(t, recursive);
  if (!f) return {};
  if (recursive) Count(Construct::Recursion);
  Count(Construct::CallOperand);
  const std::vector<int32_t>& w = t.kind == GType::Int ? kIntValues : t.kind == GType::Byte ? kByteValues
                                 : t.kind == GType::Char ? kCharValues : kBoolValues;
  return Leaf(MakeCall(f->name, Arguments(*f, depth, recursive)), w);
}

// ----- references

// An array of four elements at least.
ExprPtr Gen::NewArrayOf(const GType& arrayType, int depth) {
  auto e = std::make_unique<Expr>(ExprKind::NewArray);
  e->type = Written(*arrayType.elem);
  ExprPtr size;
  if (Chance(40)) {
    for (int tries = 0; tries < 3 && !size; ++tries) {
      Sx s = Combine(Op::Add, Combine(Op::BitAnd, Int(depth), Const(MakeNumber(3), 3)), Const(MakeNumber(4), 4));
      if (Valid(s)) size = std::move(s.e);
    }
  }
  if (!size) size = MakeNumber(Range(4, 8));
  e->kids.push_back(std::move(size));
  Count(Construct::NewArray);
  if (arrayType.elem->kind == GType::Byte) Count(Construct::ByteArray);
  return e;
}

// A reference of type t that is not null: a variable, field or element
// holding one, a made object, a new array, a string, a call.  An array the
// receiver may write is never a table or a string.
ExprPtr Gen::Reference(const GType& t, bool writable, int depth, bool argument) {
  int r = Below(100);
  if (t.kind == GType::Class) {
    if (r < 45 || noCalls_) {
      if (std::optional<Path> p = ChoosePath(t, false)) {
        // An object laid out in place passes as a reference if it is a global.
        bool inPlace = p->steps.empty() && p->root->finalObject;
        if (!inPlace || (p->root->global && argument)) return Instantiate(*p, depth);
      }
    }
    if (r < 60 && !noCalls_) {
      Sx c = CallOf(t, depth);
      if (c.e) return std::move(c.e);
    }
    const GClass& c = classes_[static_cast<size_t>(t.cls)];
    if (noCalls_) {
      auto e = std::make_unique<Expr>(ExprKind::NewObject);
      e->type = TypeName(c.name);
      Count(Construct::NewObject);
      return e;
    }
    cost_ += 30 * mult_;
    return MakeCall("make" + c.name, [&] {
      std::vector<ExprPtr> args;
      args.push_back(Int(depth - 1).e);
      return args;
    }());
  }
  // An open array.
  const GType& elem = *t.elem;
  if (r < 40 || elem.kind == GType::Class) {
    // A new array of references holds nulls: only arrays already filled.
    if (std::optional<Path> p = ChoosePath(t, false, writable)) return Instantiate(*p, depth);
  }
  if (r < 55 && !writable && t.string) {
    Count(Construct::StringLiteral);
    return MakeString(Word());
  }
  if (r < 65 && !writable && argument) {
    // A constant table passes as a reference.
    const Var* table = Find([&](const Var& v) { return v.table && Same(*v.type->elem, elem); });
    if (table) return MakeName(table->name);
  }
  if (r < 75 && !noCalls_) {
    Sx c = CallOf(t, depth);
    if (c.e) return std::move(c.e);
  }
  return NewArrayOf(t, depth - 1);
}

}  // namespace vylfuzz::gen
