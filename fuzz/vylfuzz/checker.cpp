// The checker of semantics.h: declarations, statements, types and names.
#include <set>
#include <vector>

#include "checker.h"

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

}  // namespace

namespace checking {

Checker::Checker(Model& m) : m_(m) {
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

void Checker::Whole(Program& p) {
  for (const std::string& i : p.imports) {
    if (i == "Hardware" || i == "Hardware.*") Hardware();
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

const Type* Checker::Basic(Type::Kind k, const char* name) {
  Type& t = m_.types.emplace_back();
  t.kind = k;
  t.name = name;
  return &t;
}

const Type* Checker::ArrayOf(const Type* elem, int length) {
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

const Type* Checker::Resolve(const TypeName& tn) {
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

bool Checker::Assignable(const Type* to, const Type* from) const {
  if (to == from) return true;
  if (to->kind == Type::Array && to->length < 0) return from->kind == Type::Array || from == m_.nullType;
  if (to->IsReference() && from == m_.nullType) return true;
  return false;
}

Symbol& Checker::NewSymbol(Symbol::Kind kind, const std::string& name) {
  Symbol& s = m_.symbols.emplace_back();
  s.kind = kind;
  s.name = name;
  return s;
}

void Checker::Bind(const std::string& name, const Symbol* s) {
  auto& scope = locals_ ? *locals_ : globals_;
  if (scope.count(name) && !(s->kind == Symbol::Function && scope[name]->kind == Symbol::Function))
    throw Rejected("name declared twice: " + name);
  scope[name] = s;
}

const Symbol* Checker::Find(const std::string& name) const {
  if (locals_) {
    auto it = locals_->find(name);
    if (it != locals_->end()) return it->second;
  }
  auto it = globals_.find(name);
  return it == globals_.end() ? nullptr : it->second;
}

void Checker::Hardware() {
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

void Checker::Class(const ClassDecl& c) {
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

void Checker::Vars(VarGroup& g, bool global) {
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

void Checker::FinalTable(Declarator& d, const Type* t) {
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
    // A string table is the string's one table, shared with every equal
    // literal and string table of the program.
    Expression(*d.init);
    const int shared = m_.strings.at(d.init->text);
    if (t->length >= 0 && t->length != static_cast<int>(m_.tables[shared].values.size()))
      throw Rejected("array size does not match data");
    Symbol& s = NewSymbol(Symbol::Table, d.name);
    s.type = m_.tables[shared].type;
    s.slot = shared;
    Bind(d.name, &s);
    return;
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

void Checker::Func(Function& f) {
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

void Checker::Condition(Expr& e) {
  Expression(e);
  if (e.ty != m_.boolType) throw Rejected("boolean expression expected");
}

void Checker::Statement(Stmt& s, int loops, int breakables) {
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

void Checker::Target(Expr& e) {
  Expression(e);
  bool ok = (e.kind == ExprKind::Name && e.symbol->kind == Symbol::Variable && !e.symbol->finalObject) ||
            e.kind == ExprKind::Index || e.kind == ExprKind::Field;
  if (!ok || e.ty->InPlace()) throw Rejected("cannot assign to that");
}

}  // namespace checking

std::unique_ptr<Model> Check(Program& program) {
  auto model = std::make_unique<Model>();
  checking::Checker checker(*model);
  checker.Whole(program);
  return model;
}

}  // namespace vylfuzz
