// The checker of semantics.h: names, types, constant folding, layout.
#include <functional>
#include <set>

#include <algorithm>

#include "arithmetic.h"
#include "semantics.h"

namespace vylfuzz {

int SizeInPlace(const Type& t) {
  if (t.kind == Type::Array && t.length >= 0) {
    int e = t.elem->kind == Type::Byte ? 1 : SizeInPlace(*t.elem);
    return 4 + ((t.length * e + 1) & ~1);
  }
  return 2;
}

namespace {

// The devices of Hardware: base address and registers.
struct DeviceSpec {
  const char* name;
  int address;
  std::vector<std::pair<const char*, int>> registers;
};

const DeviceSpec kDevices[] = {
    {"Enables", 0xFFF8, {{"datum", 0}}},
    {"Date", 0xFFDC, {{"hours", 0}, {"seconds", 2}}},
    {"Mouse", 0xFFEC, {{"V", 0}, {"H", 2}, {"datum", 10}}},
    {"Video", 0xFFE0, {{"top", 0}, {"left", 2}, {"bottom", 4}, {"right", 6}, {"datum", 8}, {"address", 10}}},
    {"MMU", 0xFFD0, {{"CB", 0}, {"FP", 2}, {"PC", 4}, {"fault", 44}, {"address", 46}}},
    {"SignalWait", 0xFFFA, {{"address", 0}}},
    {"Print", 0xFFF6, {{"datum", 0}}},
    {"KeyIn", 0xFFF6, {{"datum", 0}}},
    {"Disk", 0xFFF0, {{"sector", 0}, {"address", 2}, {"count", 4}}},
};

const std::pair<const char*, int64_t> kHardwareConstants[] = {
    {"FillRect", 16384}, {"Blit", 0},     {"DoText", 32768},  {"ClipRect", -3}, {"HideRect", -1},
    {"minRed", 1},       {"minGreen", 6}, {"minBlue", 36},    {"maxColor", 5},  {"black", 0},
    {"white", 215},      {"IntOnBit", 1}, {"PrintOnBit", 2},  {"FlopInBit", 4}, {"DiskPendBit", 8}};

int64_t Fits(int64_t v) {
  if (v >= kFoldLimit || v <= -kFoldLimit) throw Rejected("a constant leaves 32 bits");
  return v;
}

// x shifted by n places, left for n > 0, right (rounding down) for n < 0.
int64_t ShiftConstant(int64_t x, int64_t n) {
  if (n > 0) {
    if (x == 0) return 0;
    if (n >= 32) Fits(kFoldLimit);
    return Fits(x * (int64_t{1} << n));
  }
  if (n <= -63) return x < 0 ? -1 : 0;
  return x >> -n;  // arithmetic: rounds toward minus infinity
}

class Checker {
 public:
  explicit Checker(Model& m) : m_(m) {
    m_.intType = Basic(Type::Int, "int");
    m_.byteType = Basic(Type::Byte, "byte");
    m_.charType = Basic(Type::Char, "char");
    m_.boolType = Basic(Type::Bool, "boolean");
    m_.voidType = Basic(Type::Void, "void");
    m_.nullType = Basic(Type::Null, "null");
    // String is an array of char of any length, a type of its own: it takes
    // and gives char[] values, but compares only with a String.
    Type& str = m_.types.emplace_back();
    str.kind = Type::Array;
    str.elem = m_.charType;
    str.name = "String";
    m_.stringType = &str;
    typeNames_["int"] = m_.intType;
    typeNames_["byte"] = m_.byteType;
    typeNames_["char"] = m_.charType;
    typeNames_["boolean"] = m_.boolType;
    typeNames_["void"] = m_.voidType;
    typeNames_["String"] = m_.stringType;
  }

  void Whole(Program& p) {
    for (const std::string& i : p.imports) {
      if (i == "Hardware") Hardware();
      else throw Rejected("package " + i + " is not modelled");
    }
    for (Decl& d : p.decls) {
      switch (d.kind) {
        case Decl::Class: Class(d.cls); break;
        case Decl::Vars: Vars(d.vars, true); break;
        case Decl::Func: Func(d.func); break;
      }
    }
    for (const FunctionInfo& f : m_.functions) {
      if (!f.decl) throw Rejected("function " + f.name + " has a prototype but no body");
    }
    const Symbol* main = Find("main");
    if (!main || main->kind != Symbol::Function || !main->fn->params.empty() || main->fn->result != m_.voidType)
      throw Rejected("no void main()");
    m_.main = main->fn;
  }

 private:
  // ----- types
  const Type* Basic(Type::Kind k, const char* name) {
    Type& t = m_.types.emplace_back();
    t.kind = k;
    t.name = name;
    return &t;
  }

  const Type* ArrayOf(const Type* elem, int length) {
    auto key = std::make_pair(elem, length);
    auto it = arrays_.find(key);
    if (it != arrays_.end()) return it->second;
    Type& t = m_.types.emplace_back();
    t.kind = Type::Array;
    t.elem = elem;
    t.length = length;
    t.name = elem->name + (length < 0 ? "[]" : "[" + std::to_string(length) + "]");
    arrays_[key] = &t;
    return &t;
  }

  const Type* Resolve(const TypeName& tn) {
    auto it = typeNames_.find(tn.name);
    if (it == typeNames_.end()) throw Rejected("unknown type " + tn.name);
    const Type* t = it->second;
    for (const ExprPtr& size : tn.sizes) {
      if (!size) {
        t = ArrayOf(t, -1);
        continue;
      }
      Expression(*size);
      if (!size->constant || size->ty != m_.intType) throw Rejected("array size must be an int constant");
      if (size->folded <= 0 || size->folded > 4096) throw Rejected("array size out of range");
      t = ArrayOf(t, static_cast<int>(size->folded));
    }
    return t;
  }

  // Whether a value of type `from` may be stored where `to` is expected.
  bool Assignable(const Type* to, const Type* from) const {
    if (to == from) return true;
    if (to->kind == Type::Array && to->length < 0) return from->kind == Type::Array || from == m_.nullType;
    if (to->IsReference() && from == m_.nullType) return true;
    return false;
  }

  // ----- names
  Symbol& NewSymbol(Symbol::Kind kind, const std::string& name) {
    Symbol& s = m_.symbols.emplace_back();
    s.kind = kind;
    s.name = name;
    return s;
  }

  void Bind(const std::string& name, const Symbol* s) {
    auto& scope = locals_ ? *locals_ : globals_;
    if (scope.count(name) && !(s->kind == Symbol::Function && scope[name]->kind == Symbol::Function))
      throw Rejected("name declared twice: " + name);
    scope[name] = s;
  }

  const Symbol* Find(const std::string& name) const {
    if (locals_) {
      auto it = locals_->find(name);
      if (it != locals_->end()) return it->second;
    }
    auto it = globals_.find(name);
    return it == globals_.end() ? nullptr : it->second;
  }

  void Hardware() {
    for (const DeviceSpec& d : kDevices) {
      Symbol& s = NewSymbol(Symbol::Device, d.name);
      s.address = d.address;
      for (const auto& [reg, offset] : d.registers) s.registers[reg] = offset;
      globals_[d.name] = &s;
    }
    for (const auto& [name, value] : kHardwareConstants) {
      Symbol& s = NewSymbol(Symbol::Constant, name);
      s.type = m_.intType;
      s.value = value;
      globals_[name] = &s;
    }
  }

  // ----- declarations
  void Class(const ClassDecl& c) {
    if (typeNames_.count(c.name)) throw Rejected("type declared twice: " + c.name);
    if (c.alias) {
      typeNames_[c.name] = Resolve(c.aliasOf);
      return;
    }
    ClassInfo& info = m_.classes.emplace_back();
    info.name = c.name;
    Type& t = m_.types.emplace_back();
    t.kind = Type::Class;
    t.cls = &info;
    t.name = c.name;
    info.type = &t;
    typeNames_[c.name] = &t;  // a class may hold references to itself
    for (const VarGroup& g : c.fields) {
      const Type* ft = Resolve(g.type);
      if (ft->kind == Type::Void) throw Rejected("void field");
      for (const Declarator& d : g.vars) {
        if (d.init || d.table) throw Rejected("fields take no initial value");
        for (const FieldInfo& f : info.fields) {
          if (f.name == d.name) throw Rejected("field declared twice");
        }
        info.fields.push_back({d.name, ft, static_cast<int>(info.fields.size())});
      }
    }
  }

  void Vars(VarGroup& g, bool global) {
    const Type* t = Resolve(g.type);
    if (t->kind == Type::Void) throw Rejected("variables cannot be void");
    std::vector<SlotInfo>& slots = global ? m_.globals : fn_->slots;
    for (Declarator& d : g.vars) {
      if (g.isFinal && t->kind == Type::Array) {
        FinalTable(d, t);
      } else if (g.isFinal && t->kind == Type::Class) {
        if (!d.init || d.init->kind != ExprKind::NewObject || d.init->type.name != t->name)
          throw Rejected("a final object needs new of its class");
        Symbol& s = NewSymbol(Symbol::Variable, d.name);
        s.type = t;
        s.global = global;
        s.finalObject = true;
        s.slot = static_cast<int>(slots.size());
        slots.push_back({d.name, t, nullptr, true});
        Bind(d.name, &s);
      } else if (g.isFinal) {
        if (!d.init) throw Rejected("a constant needs a value");
        Expression(*d.init);
        if (!d.init->constant || !Assignable(t, d.init->ty)) throw Rejected("a constant needs a constant value of its type");
        Symbol& s = NewSymbol(Symbol::Constant, d.name);
        s.type = t;
        s.value = d.init->folded;
        Bind(d.name, &s);
      } else {
        Symbol& s = NewSymbol(Symbol::Variable, d.name);
        s.type = t;
        s.global = global;
        s.slot = static_cast<int>(slots.size());
        if (d.init) {
          if (t->InPlace()) throw Rejected("cannot initialise larger structures");
          Expression(*d.init);
          if (!Assignable(t, d.init->ty) || d.init->ty->InPlace()) throw Rejected("initial value of the wrong type");
        }
        slots.push_back({d.name, t, d.init.get(), false});
        Bind(d.name, &s);  // after the initial value: it cannot name itself
      }
    }
  }

  void FinalTable(Declarator& d, const Type* t) {
    TableInfo table;
    const Type* elem = t->elem;
    if (d.table) {
      if (elem->kind != Type::Int && elem->kind != Type::Byte && elem->kind != Type::Char && elem->kind != Type::Bool)
        throw Rejected("only chars and numbers can be in a table");
      for (ExprPtr& item : d.items) {
        Expression(*item);
        bool ok = item->constant && (item->ty == elem || (elem->kind == Type::Byte && item->ty == m_.intType));
        if (!ok) throw Rejected("table item must be a constant of the element type");
        if (elem->kind == Type::Byte && (item->folded < 0 || item->folded > 255)) throw Rejected("byte table item out of range");
        table.values.push_back(Wrap(item->folded));
      }
    } else if (d.init && d.init->kind == ExprKind::String && elem == m_.charType) {
      for (char c : d.init->text) table.values.push_back(static_cast<unsigned char>(c) & 0x7F);
    } else {
      throw Rejected("a final array needs a table or a string");
    }
    if (t->length >= 0 && t->length != static_cast<int>(table.values.size())) throw Rejected("array size does not match data");
    table.type = ArrayOf(elem, static_cast<int>(table.values.size()));
    Symbol& s = NewSymbol(Symbol::Table, d.name);
    s.type = table.type;
    s.slot = static_cast<int>(m_.tables.size());
    m_.tables.push_back(std::move(table));
    Bind(d.name, &s);
  }

  void Func(Function& f) {
    const Type* result = Resolve(f.result);
    if (result->InPlace()) throw Rejected("results are at most 2 bytes");
    std::vector<const Type*> params;
    for (const Param& p : f.params) {
      const Type* pt = Resolve(p.type);
      if (pt->InPlace() || pt->kind == Type::Void) throw Rejected("parameters are at most 2 bytes");
      params.push_back(pt);
    }
    FunctionInfo* info = nullptr;
    if (const Symbol* prior = Find(f.name)) {
      if (prior->kind != Symbol::Function || prior->fn->decl || locals_) throw Rejected("name declared twice: " + f.name);
      info = const_cast<FunctionInfo*>(prior->fn);
      if (info->result != result || info->params != params) throw Rejected("body does not match its prototype");
    } else {
      info = &m_.functions.emplace_back();
      info->name = f.name;
      info->result = result;
      info->params = params;
      Symbol& s = NewSymbol(Symbol::Function, f.name);
      s.fn = info;
      s.type = result;
      globals_[f.name] = &s;
    }
    if (f.prototype) return;
    info->decl = &f;
    std::map<std::string, const Symbol*> scope;
    locals_ = &scope;
    fn_ = info;
    for (size_t i = 0; i < f.params.size(); ++i) {
      Symbol& s = NewSymbol(Symbol::Variable, f.params[i].name);
      s.type = params[i];
      s.slot = static_cast<int>(i);
      info->slots.push_back({f.params[i].name, params[i], nullptr, false});
      Bind(f.params[i].name, &s);
    }
    for (VarGroup& g : f.locals) Vars(g, false);
    for (StmtPtr& s : f.body) Statement(*s, 0, 0);
    locals_ = nullptr;
    fn_ = nullptr;
  }

  // ----- statements
  void Condition(Expr& e) {
    Expression(e);
    if (e.ty != m_.boolType) throw Rejected("boolean expression expected");
  }

  void Statement(Stmt& s, int loops, int breakables) {
    switch (s.kind) {
      case StmtKind::Assign: {
        Expression(*s.expr);
        Target(*s.target);
        if (!Assignable(s.target->ty, s.expr->ty) || s.expr->ty->InPlace()) throw Rejected("value of the wrong type");
        break;
      }
      case StmtKind::Call:
        Expression(*s.expr);
        if (s.expr->kind != ExprKind::Call || s.expr->ty != m_.voidType) throw Rejected("function value must be used");
        break;
      case StmtKind::If:
        Condition(*s.expr);
        for (StmtPtr& b : s.body) Statement(*b, loops, breakables);
        break;
      case StmtKind::While:
      case StmtKind::Do:
        Condition(*s.expr);
        Statement(*s.body[0], loops + 1, breakables + 1);
        break;
      case StmtKind::Switch: {
        Expression(*s.expr);
        const Type* t = s.expr->ty;
        if (t != m_.intType && t != m_.charType && t != m_.boolType) throw Rejected("scalar switch value expected");
        std::set<int64_t> seen;
        bool hasDefault = false;
        for (SwitchGroup& g : s.groups) {
          if (g.label) {
            Expression(*g.label);
            if (!g.label->constant || g.label->ty != t) throw Rejected("case label must be a constant of the switch's type");
            if (!seen.insert(g.label->folded).second) throw Rejected("case value twice");
            if (g.label->folded < -32768 || g.label->folded > 32767) throw Rejected("case value beyond 16 bits");
          } else {
            if (hasDefault) throw Rejected("two defaults");
            hasDefault = true;
          }
          for (StmtPtr& b : g.body) Statement(*b, loops, breakables + 1);
        }
        if (seen.empty()) throw Rejected("switch has no cases");
        break;
      }
      case StmtKind::Break:
        if (breakables == 0) throw Rejected("nothing to break out of");
        break;
      case StmtKind::Continue:
        if (loops == 0) throw Rejected("no loop to continue");
        break;
      case StmtKind::Return:
        if (s.expr) {
          Expression(*s.expr);
          if (fn_->result == m_.voidType || !Assignable(fn_->result, s.expr->ty)) throw Rejected("return value of the wrong type");
        } else if (fn_->result != m_.voidType) {
          throw Rejected("return value expected");
        }
        break;
      case StmtKind::Block:
        for (StmtPtr& b : s.body) Statement(*b, loops, breakables);
        break;
      case StmtKind::Empty: break;
    }
  }

  void Target(Expr& e) {
    Expression(e);
    bool ok = (e.kind == ExprKind::Name && e.symbol->kind == Symbol::Variable && !e.symbol->finalObject) ||
              e.kind == ExprKind::Index || e.kind == ExprKind::Field;
    if (!ok || e.ty->InPlace()) throw Rejected("cannot assign to that");
  }

  // ----- expressions
  static int32_t Wrap(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF)); }

  void Constant(Expr& e, const Type* t, int64_t v) {
    e.ty = t;
    e.constant = true;
    e.folded = Fits(v);
  }

  void Expression(Expr& e);
  void Typed(Expr& e);
  void Values(Expr& e);
  void Selector(Expr& e);
  void CallExpr(Expr& e);
  void UnaryExpr(Expr& e);
  void BinaryExpr(Expr& e);

  Model& m_;
  std::map<std::string, const Type*> typeNames_;
  std::map<std::pair<const Type*, int>, const Type*> arrays_;
  std::map<std::string, const Symbol*> globals_;
  std::map<std::string, const Symbol*>* locals_ = nullptr;
  FunctionInfo* fn_ = nullptr;
};

void Checker::Expression(Expr& e) {
  Typed(e);
  Values(e);
}

void Checker::Typed(Expr& e) {
  switch (e.kind) {
    case ExprKind::Number: Constant(e, m_.intType, e.value); return;
    case ExprKind::Char: Constant(e, m_.charType, e.value); return;
    case ExprKind::Bool: Constant(e, m_.boolType, e.value); return;
    case ExprKind::Null: e.ty = m_.nullType; return;
    case ExprKind::String: {
      e.ty = m_.stringType;
      if (!m_.strings.count(e.text)) {
        TableInfo table;
        for (char c : e.text) table.values.push_back(static_cast<unsigned char>(c) & 0x7F);
        table.type = ArrayOf(m_.charType, static_cast<int>(table.values.size()));
        m_.strings[e.text] = static_cast<int>(m_.tables.size());
        m_.tables.push_back(std::move(table));
      }
      return;
    }
    case ExprKind::Name: {
      const Symbol* s = Find(e.text);
      if (!s) throw Rejected("unknown name " + e.text);
      e.symbol = s;
      switch (s->kind) {
        case Symbol::Variable:
        case Symbol::Table: e.ty = s->type; return;
        case Symbol::Constant: Constant(e, s->type, s->value); return;
        default: throw Rejected("not a value: " + e.text);
      }
    }
    case ExprKind::Field:
    case ExprKind::Index: Selector(e); return;
    case ExprKind::Call: CallExpr(e); return;
    case ExprKind::Unary: UnaryExpr(e); return;
    case ExprKind::Binary: BinaryExpr(e); return;
    case ExprKind::Paren:
      Expression(*e.kids[0]);
      e.ty = e.kids[0]->ty;
      e.constant = e.kids[0]->constant;
      e.folded = e.kids[0]->folded;
      return;
    case ExprKind::Braces:
      // The value of the last expression, computed when the program runs.
      for (ExprPtr& k : e.kids) Expression(*k);
      e.ty = e.kids.back()->ty;
      if (e.ty->InPlace()) throw Rejected("braces of a larger structure");
      return;
    case ExprKind::NewObject: {
      auto it = typeNames_.find(e.type.name);
      if (it == typeNames_.end() || it->second->kind != Type::Class) throw Rejected("class name expected after new");
      e.ty = it->second;
      return;
    }
    case ExprKind::NewArray: {
      auto it = typeNames_.find(e.type.name);
      if (it == typeNames_.end() || it->second->kind == Type::Void) throw Rejected("type expected after new");
      Expression(*e.kids[0]);
      if (e.kids[0]->ty != m_.intType) throw Rejected("int array size expected");
      if (e.kids[0]->constant && e.kids[0]->folded <= 0) throw Rejected("array size must be > 0");
      e.ty = ArrayOf(it->second, -1);
      return;
    }
  }
}

void Checker::Selector(Expr& e) {
  Expr& base = *e.kids[0];
  if (e.kind == ExprKind::Field && base.kind == ExprKind::Name) {
    const Symbol* s = Find(base.text);
    if (s && s->kind == Symbol::Device) {
      auto it = s->registers.find(e.text);
      if (it == s->registers.end()) throw Rejected("no register " + e.text);
      base.symbol = s;
      e.device = (s->address + it->second) & 0xFFFF;
      e.ty = m_.intType;
      return;
    }
  }
  Expression(base);
  if (e.kind == ExprKind::Field) {
    if (base.ty->kind != Type::Class) throw Rejected("field of a value that is not an object");
    for (const FieldInfo& f : base.ty->cls->fields) {
      if (f.name == e.text) {
        e.field = &f;
        e.ty = f.type;
        return;
      }
    }
    throw Rejected("no field " + e.text);
  }
  if (base.ty->kind != Type::Array) throw Rejected("index of a value that is not an array");
  Expr& index = *e.kids[1];
  Expression(index);
  if (index.ty != m_.intType) throw Rejected("int index expected");
  e.ty = base.ty->elem;
}

void Checker::CallExpr(Expr& e) {
  auto arg = [&](size_t n) {
    if (e.kids.size() != n) throw Rejected("wrong number of arguments to " + e.text);
    for (ExprPtr& k : e.kids) Expression(*k);
  };
  if (e.text == "ORD" || e.text == "CHR" || e.text == "LENGTH") {
    const Symbol* shadow = Find(e.text);
    if (shadow) throw Rejected("intrinsic name redeclared");
    arg(1);
    Expr& a = *e.kids[0];
    if (e.text == "ORD") {
      e.builtin = 1;
      if (!a.ty->IsScalar()) throw Rejected("scalar value expected for ORD");
      e.ty = m_.intType;
      if (a.constant) Constant(e, m_.intType, a.folded);
    } else if (e.text == "CHR") {
      e.builtin = 2;
      if (a.ty != m_.intType) throw Rejected("int value expected for CHR");
      e.ty = m_.charType;
      if (a.constant) Constant(e, m_.charType, a.folded & 0xFF);
    } else {
      e.builtin = 3;
      if (a.ty->kind != Type::Array) throw Rejected("array expected for LENGTH");
      e.ty = m_.intType;
      if (a.ty->length >= 0) Constant(e, m_.intType, a.ty->length);
    }
    return;
  }
  const Symbol* s = Find(e.text);
  if (!s || s->kind != Symbol::Function) throw Rejected("unknown function " + e.text);
  const FunctionInfo& f = *s->fn;
  arg(f.params.size());
  for (size_t i = 0; i < f.params.size(); ++i) {
    const Type* at = e.kids[i]->ty;
    bool ok = Assignable(f.params[i], at);
    // A constant table passes as a reference; an array stored in place does not.
    if (at->InPlace() && !(e.kids[i]->kind == ExprKind::Name && e.kids[i]->symbol->kind == Symbol::Table)) ok = false;
    if (!ok) throw Rejected("argument of the wrong type for " + e.text);
  }
  e.callee = &f;
  e.ty = f.result;
}

void Checker::UnaryExpr(Expr& e) {
  Expr& a = *e.kids[0];
  Expression(a);
  if (e.op == Op::Not) {
    if (a.ty != m_.boolType) throw Rejected("! takes a boolean");
    e.ty = m_.boolType;
    if (a.constant) Constant(e, m_.boolType, 1 - a.folded);
    return;
  }
  if (a.ty != m_.intType) throw Rejected("unary operator takes an int");
  e.ty = m_.intType;
  if (!a.constant) return;
  switch (e.op) {
    case Op::Neg: Constant(e, m_.intType, -a.folded); break;
    case Op::Plus: Constant(e, m_.intType, a.folded); break;
    default: Constant(e, m_.intType, ~a.folded); break;
  }
}

void Checker::BinaryExpr(Expr& e) {
  Expr& l = *e.kids[0];
  Expr& r = *e.kids[1];
  Expression(l);
  Expression(r);
  bool both = l.constant && r.constant;
  int64_t a = l.folded, b = r.folded;
  if (e.op == Op::And || e.op == Op::Or) {
    if (l.ty != m_.boolType || r.ty != m_.boolType) throw Rejected("&& and || take booleans");
    e.ty = m_.boolType;
    // A constant operand decides the result or drops out.
    int64_t decides = e.op == Op::Or ? 1 : 0;
    if ((l.constant && a == decides) || (r.constant && r.folded == 1 - decides)) {
      e.keep = 1;
    } else if ((l.constant && a == 1 - decides) || (r.constant && b == decides)) {
      e.keep = 2;
    }
    const Expr* kept = e.keep == 1 ? &l : e.keep == 2 ? &r : nullptr;
    if (kept && kept->constant) Constant(e, m_.boolType, kept->folded);
    return;
  }
  if (IsComparison(e.op)) {
    bool same = l.ty == r.ty || (l.ty->IsReference() && r.ty == m_.nullType) || (r.ty->IsReference() && l.ty == m_.nullType);
    if (!same || l.ty->InPlace() || l.ty->kind == Type::Void) throw Rejected("compared values must be of one type");
    bool ordered = e.op != Op::Eq && e.op != Op::Ne;
    if (ordered && !l.ty->IsScalar()) throw Rejected("only scalars are ordered");
    e.ty = m_.boolType;
    if (both && l.ty->IsScalar()) {
      bool v = false;
      switch (e.op) {
        case Op::Eq: v = a == b; break;
        case Op::Ne: v = a != b; break;
        case Op::Lt: v = a < b; break;
        case Op::Le: v = a <= b; break;
        case Op::Gt: v = a > b; break;
        default: v = a >= b; break;
      }
      Constant(e, m_.boolType, v ? 1 : 0);
    }
    return;
  }
  if (l.ty != m_.intType || r.ty != m_.intType) throw Rejected(std::string(Spelling(e.op)) + " takes ints");
  e.ty = m_.intType;
  if ((e.op == Op::Div || e.op == Op::Rem) && r.constant && b == 0) throw Rejected("divide by zero");
  if (!both) return;
  int64_t v = 0;
  switch (e.op) {
    case Op::Mul: v = a * b; break;
    case Op::Div: v = a / b; break;
    case Op::Rem: v = a % b; break;
    case Op::Add: v = a + b; break;
    case Op::Sub: v = a - b; break;
    case Op::Shl: v = ShiftConstant(a, b); break;
    case Op::Shr:
    case Op::Ushr: v = ShiftConstant(a, -b); break;
    case Op::BitAnd: v = a & b; break;
    case Op::BitXor: v = a ^ b; break;
    default: v = a | b; break;
  }
  Constant(e, m_.intType, v);
}

// Values an expression takes for some values of its variables, each taken
// independently: a variable, element, field or call of a type may hold any
// value of the type.  The compiler follows the range of every int
// expression and replaces one whose range holds a single value by that
// value, without evaluating it: which expressions that befalls, beyond the
// constant expressions, is the compiler's to tell.  A program with an int
// expression that is not a constant expression but takes one value only is
// refused, so that what it means does not hang on that.
void Checker::Values(Expr& e) {
  std::vector<int32_t>& v = e.values;
  if (e.constant) {
    v = {Wrap(e.folded)};
    return;
  }
  switch (e.kind) {
    case ExprKind::Paren: v = e.kids[0]->values; break;
    case ExprKind::Braces: break;  // its value is not told: any of its type
    case ExprKind::Unary:
      if (e.op == Op::Not) break;
      for (int32_t a : e.kids[0]->values) v.push_back(MachineUnary(e.op, a));
      break;
    case ExprKind::Binary:
      if (e.keep != 0) {
        v = e.kids[e.keep - 1]->values;
        break;
      }
      // The compiler tells the value of a comparison or a logical operator
      // only from constant operands.
      if (e.ty == m_.boolType) break;
      for (int32_t a : e.kids[0]->values) {
        for (int32_t b : e.kids[1]->values) {
          if (auto r = MachineBinary(e.op, a, b)) v.push_back(*r);
        }
      }
      break;
    case ExprKind::Call:
      if (e.builtin == 1) v = e.kids[0]->values;
      else if (e.builtin == 2) {
        for (int32_t a : e.kids[0]->values) v.push_back(a & 0xFF);
      } else if (e.builtin == 3) {
        v = kLengthValues;
      }
      break;
    default: break;
  }
  if (v.empty()) {
    const Type* t = e.ty;
    v = t == m_.intType    ? kIntValues
        : t == m_.byteType ? kByteValues
        : t == m_.charType ? kCharValues
        : t == m_.boolType ? kBoolValues
                           : std::vector<int32_t>{};
  }
  v = Distinct(std::move(v));
  if (e.ty == m_.intType && v.size() < 2)
    throw Rejected("the int expression " + Print(e) + " takes one value, though not a constant expression");
}

}  // namespace

std::unique_ptr<Model> Check(Program& program) {
  auto model = std::make_unique<Model>();
  Checker checker(*model);
  checker.Whole(program);
  return model;
}

}  // namespace vylfuzz
