// The checker's expressions: types, constant folding (exact, as the
// compiler folds in 32 bits) and the values an expression takes.
#include <algorithm>

#include "arithmetic.h"
#include "checker.h"

namespace vylfuzz::checking {

int64_t Fits(int64_t v) {
  if (v >= kFoldLimit || v <= -kFoldLimit) throw Rejected("a constant leaves 32 bits");
  return v;
}

namespace {

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

}  // namespace

void Checker::Constant(Expr& e, const Type* t, int64_t v) {
  e.ty = t;
  e.constant = true;
  e.folded = Fits(v);
}


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
      if (a.constant && (a.folded < 0 || a.folded > 255)) throw Rejected("CHR of a constant outside 0 .. 255");
      if (a.constant) Constant(e, m_.charType, a.folded);
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
  if (LeftOpen(e.op, a, b)) throw Rejected("an operation of constants the language leaves open");
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

}  // namespace vylfuzz::checking
