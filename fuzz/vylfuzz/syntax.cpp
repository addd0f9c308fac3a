#include "syntax.h"

#include <sstream>

namespace vylfuzz {

TypeName::TypeName(const TypeName& other) : name(other.name) {
  for (const ExprPtr& s : other.sizes) sizes.push_back(s ? Clone(*s) : nullptr);
}

TypeName& TypeName::operator=(const TypeName& other) {
  if (this != &other) {
    TypeName copy(other);
    *this = std::move(copy);
  }
  return *this;
}

const char* Spelling(Op op) {
  switch (op) {
    case Op::Neg: return "-";
    case Op::Plus: return "+";
    case Op::Compl: return "~";
    case Op::Not: return "!";
    case Op::Mul: return "*";
    case Op::Div: return "/";
    case Op::Rem: return "%";
    case Op::Add: return "+";
    case Op::Sub: return "-";
    case Op::Shl: return "<<";
    case Op::Shr: return ">>";
    case Op::Ushr: return ">>>";
    case Op::BitAnd: return "&";
    case Op::BitXor: return "^";
    case Op::BitOr: return "|";
    case Op::Eq: return "==";
    case Op::Ne: return "!=";
    case Op::Lt: return "<";
    case Op::Le: return "<=";
    case Op::Gt: return ">";
    case Op::Ge: return ">=";
    case Op::And: return "&&";
    case Op::Or: return "||";
  }
  return "?";
}

int Level(Op op) {
  switch (op) {
    case Op::Neg: case Op::Plus: case Op::Compl: case Op::Not: return 2;
    case Op::Mul: case Op::Div: case Op::Rem: return 3;
    case Op::Add: case Op::Sub: return 4;
    case Op::Shl: case Op::Shr: case Op::Ushr: return 5;
    case Op::BitAnd: return 6;
    case Op::BitXor: return 7;
    case Op::BitOr: return 8;
    case Op::Eq: case Op::Ne: case Op::Lt: case Op::Le: case Op::Gt: case Op::Ge: return 9;
    case Op::And: return 10;
    case Op::Or: return 11;
  }
  return 1;
}

bool IsComparison(Op op) { return Level(op) == 9; }

ExprPtr MakeNumber(int64_t v) {
  auto e = std::make_unique<Expr>(ExprKind::Number);
  e->value = v;
  return e;
}
ExprPtr MakeChar(int code) {
  auto e = std::make_unique<Expr>(ExprKind::Char);
  e->value = code;
  return e;
}
ExprPtr MakeString(std::string text) {
  auto e = std::make_unique<Expr>(ExprKind::String);
  e->text = std::move(text);
  return e;
}
ExprPtr MakeBool(bool v) {
  auto e = std::make_unique<Expr>(ExprKind::Bool);
  e->value = v ? 1 : 0;
  return e;
}
ExprPtr MakeNull() { return std::make_unique<Expr>(ExprKind::Null); }
ExprPtr MakeName(std::string name) {
  auto e = std::make_unique<Expr>(ExprKind::Name);
  e->text = std::move(name);
  return e;
}
ExprPtr MakeField(ExprPtr object, std::string name) {
  auto e = std::make_unique<Expr>(ExprKind::Field);
  e->text = std::move(name);
  e->kids.push_back(std::move(object));
  return e;
}
ExprPtr MakeIndex(ExprPtr array, ExprPtr index) {
  auto e = std::make_unique<Expr>(ExprKind::Index);
  e->kids.push_back(std::move(array));
  e->kids.push_back(std::move(index));
  return e;
}
ExprPtr MakeCall(std::string name, std::vector<ExprPtr> args) {
  auto e = std::make_unique<Expr>(ExprKind::Call);
  e->text = std::move(name);
  e->kids = std::move(args);
  return e;
}
ExprPtr MakeCall(std::string name, ExprPtr arg) {
  std::vector<ExprPtr> args;
  args.push_back(std::move(arg));
  return MakeCall(std::move(name), std::move(args));
}
ExprPtr MakeUnary(Op op, ExprPtr operand) {
  auto e = std::make_unique<Expr>(ExprKind::Unary);
  e->op = op;
  e->kids.push_back(std::move(operand));
  return e;
}
ExprPtr MakeBinary(Op op, ExprPtr left, ExprPtr right) {
  auto e = std::make_unique<Expr>(ExprKind::Binary);
  e->op = op;
  e->kids.push_back(std::move(left));
  e->kids.push_back(std::move(right));
  return e;
}
ExprPtr MakeParen(ExprPtr inner) {
  auto e = std::make_unique<Expr>(ExprKind::Paren);
  e->kids.push_back(std::move(inner));
  return e;
}

ExprPtr Clone(const Expr& e) {
  auto c = std::make_unique<Expr>(e.kind);
  c->op = e.op;
  c->text = e.text;
  c->value = e.value;
  c->type = e.type;
  for (const ExprPtr& k : e.kids) c->kids.push_back(Clone(*k));
  return c;
}

StmtPtr MakeStmt(StmtKind kind) { return std::make_unique<Stmt>(kind); }

StmtPtr Clone(const Stmt& s) {
  auto c = std::make_unique<Stmt>(s.kind);
  if (s.target) c->target = Clone(*s.target);
  if (s.expr) c->expr = Clone(*s.expr);
  for (const StmtPtr& b : s.body) c->body.push_back(Clone(*b));
  for (const SwitchGroup& g : s.groups) {
    SwitchGroup cg;
    if (g.label) cg.label = Clone(*g.label);
    for (const StmtPtr& b : g.body) cg.body.push_back(Clone(*b));
    c->groups.push_back(std::move(cg));
  }
  c->line = s.line;
  return c;
}

namespace {

std::string Escaped(int code, char quote) {
  switch (code) {
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    case '\b': return "\\b";
    case '\\': return "\\\\";
    case '\'': return quote == '\'' ? "\\'" : "'";
    case '"': return quote == '"' ? "\\\"" : "\"";
    default: return std::string(1, static_cast<char>(code));
  }
}

// The level an expression prints at: 1 for primaries.
int PrintLevel(const Expr& e) {
  if (e.kind == ExprKind::Binary || e.kind == ExprKind::Unary) return Level(e.op);
  if (e.kind == ExprKind::Number && e.value < 0) return 2;
  return 1;
}

class Printer {
 public:
  std::string Take() { return out_.str(); }

  void Expression(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Number:
        if (!e.text.empty()) out_ << e.text;
        else if (e.value < 0) out_ << "-" << -e.value;
        else out_ << e.value;
        break;
      case ExprKind::Char: out_ << '\'' << Escaped(static_cast<int>(e.value), '\'') << '\''; break;
      case ExprKind::String:
        out_ << '"';
        for (char c : e.text) out_ << Escaped(static_cast<unsigned char>(c), '"');
        out_ << '"';
        break;
      case ExprKind::Bool: out_ << (e.value ? "true" : "false"); break;
      case ExprKind::Null: out_ << "null"; break;
      case ExprKind::Name: out_ << e.text; break;
      case ExprKind::Field:
        Operand(*e.kids[0], 1);
        out_ << '.' << e.text;
        break;
      case ExprKind::Index:
        Operand(*e.kids[0], 1);
        out_ << '[';
        Expression(*e.kids[1]);
        out_ << ']';
        break;
      case ExprKind::Call: List(e.text + "(", e.kids, ")"); break;
      case ExprKind::Unary:
        out_ << Spelling(e.op);
        Operand(*e.kids[0], 2);
        break;
      case ExprKind::Binary: {
        int level = Level(e.op);
        // Left operands group from the left; comparisons do not chain.
        Operand(*e.kids[0], IsComparison(e.op) ? level - 1 : level);
        out_ << ' ' << Spelling(e.op) << ' ';
        Operand(*e.kids[1], level - 1);
        break;
      }
      case ExprKind::Paren:
        out_ << '(';
        Expression(*e.kids[0]);
        out_ << ')';
        break;
      case ExprKind::Braces: List("{", e.kids, "}"); break;
      case ExprKind::NewObject: out_ << "new " << e.type.name << "()"; break;
      case ExprKind::NewArray:
        out_ << "new " << e.type.name << '[';
        Expression(*e.kids[0]);
        out_ << ']';
        break;
    }
  }

  void Type(const TypeName& t) {
    out_ << t.name;
    for (const ExprPtr& s : t.sizes) {
      out_ << '[';
      if (s) Expression(*s);
      out_ << ']';
    }
  }

  void Statement(const Stmt& s, int depth) {
    Indent(depth);
    Inline(s, depth);
  }

  void Program(const vylfuzz::Program& p) {
    for (const std::string& i : p.imports) out_ << "import " << i << ";\n";
    for (const Decl& d : p.decls) {
      out_ << '\n';
      switch (d.kind) {
        case Decl::Class: Class(d.cls); break;
        case Decl::Vars: Vars(d.vars, 0); break;
        case Decl::Func: Func(d.func); break;
      }
    }
  }

 private:
  void Indent(int depth) { out_ << std::string(static_cast<size_t>(2 * depth), ' '); }

  void Operand(const Expr& e, int maxLevel) {
    if (PrintLevel(e) > maxLevel) {
      out_ << '(';
      Expression(e);
      out_ << ')';
    } else {
      Expression(e);
    }
  }

  void List(const std::string& open, const std::vector<ExprPtr>& items, const char* close) {
    out_ << open;
    for (size_t i = 0; i < items.size(); ++i) {
      if (i > 0) out_ << ", ";
      Expression(*items[i]);
    }
    out_ << close;
  }

  static bool EndsWithOpenIf(const Stmt& s) {
    if (s.kind == StmtKind::If) return s.body.size() < 2 || EndsWithOpenIf(*s.body[1]);
    if (s.kind == StmtKind::While) return EndsWithOpenIf(*s.body[0]);
    return false;
  }

  // A controlled statement: a block opens on the same line, anything else
  // goes on the next line, one level deeper.
  void Controlled(const Stmt& s, int depth, bool braced) {
    if (s.kind == StmtKind::Block) {
      out_ << ' ';
      Inline(s, depth);
    } else if (braced) {
      out_ << " {\n";
      Statement(s, depth + 1);
      Indent(depth);
      out_ << "}\n";
    } else {
      out_ << '\n';
      Statement(s, depth + 1);
    }
  }

  void Inline(const Stmt& s, int depth) {
    switch (s.kind) {
      case StmtKind::Assign:
        Expression(*s.target);
        out_ << " = ";
        Expression(*s.expr);
        out_ << ";\n";
        break;
      case StmtKind::Call:
        Expression(*s.expr);
        out_ << ";\n";
        break;
      case StmtKind::If:
        out_ << "if (";
        Expression(*s.expr);
        out_ << ')';
        if (s.body.size() > 1) {
          bool braced = EndsWithOpenIf(*s.body[0]);
          Controlled(*s.body[0], depth, braced);
          Indent(depth);
          out_ << "else";
          Controlled(*s.body[1], depth, false);
        } else {
          Controlled(*s.body[0], depth, false);
        }
        break;
      case StmtKind::While:
        out_ << "while (";
        Expression(*s.expr);
        out_ << ')';
        Controlled(*s.body[0], depth, false);
        break;
      case StmtKind::Do:
        out_ << "do";
        Controlled(*s.body[0], depth, false);
        Indent(depth);
        out_ << "while (";
        Expression(*s.expr);
        out_ << ");\n";
        break;
      case StmtKind::Switch:
        out_ << "switch (";
        Expression(*s.expr);
        out_ << ") {\n";
        for (const SwitchGroup& g : s.groups) {
          Indent(depth + 1);
          if (g.label) {
            out_ << "case ";
            Expression(*g.label);
            out_ << ":\n";
          } else {
            out_ << "default:\n";
          }
          for (const StmtPtr& b : g.body) Statement(*b, depth + 2);
        }
        Indent(depth);
        out_ << "}\n";
        break;
      case StmtKind::Break: out_ << "break;\n"; break;
      case StmtKind::Continue: out_ << "continue;\n"; break;
      case StmtKind::Return:
        out_ << "return";
        if (s.expr) {
          out_ << ' ';
          Expression(*s.expr);
        }
        out_ << ";\n";
        break;
      case StmtKind::Block:
        out_ << "{\n";
        for (const StmtPtr& b : s.body) Statement(*b, depth + 1);
        Indent(depth);
        out_ << "}\n";
        break;
      case StmtKind::Empty: out_ << ";\n"; break;
    }
  }

  void Vars(const VarGroup& g, int depth) {
    Indent(depth);
    if (g.isFinal) out_ << "final ";
    Type(g.type);
    for (size_t i = 0; i < g.vars.size(); ++i) {
      const Declarator& d = g.vars[i];
      out_ << (i > 0 ? ", " : " ") << d.name;
      if (d.table) {
        List(" = {", d.items, "}");
      } else if (d.init) {
        out_ << " = ";
        Expression(*d.init);
      }
    }
    out_ << ";\n";
  }

  void Class(const ClassDecl& c) {
    out_ << "class " << c.name;
    if (c.alias) {
      out_ << " = ";
      Type(c.aliasOf);
      out_ << ";\n";
      return;
    }
    out_ << " {\n";
    for (const VarGroup& f : c.fields) Vars(f, 1);
    out_ << "}\n";
  }

  void Func(const Function& f) {
    Type(f.result);
    out_ << ' ' << f.name << '(';
    for (size_t i = 0; i < f.params.size(); ++i) {
      if (i > 0) out_ << ", ";
      Type(f.params[i].type);
      out_ << ' ' << f.params[i].name;
    }
    out_ << ')';
    if (f.prototype) {
      out_ << ";\n";
      return;
    }
    out_ << " {\n";
    for (const VarGroup& g : f.locals) Vars(g, 1);
    for (const StmtPtr& s : f.body) Statement(*s, 1);
    out_ << "}\n";
  }

  std::ostringstream out_;
};

}  // namespace

std::string Print(const Program& p) {
  Printer printer;
  printer.Program(p);
  return printer.Take();
}

std::string Print(const Expr& e) {
  Printer printer;
  printer.Expression(e);
  return printer.Take();
}

std::string Print(const TypeName& t) {
  Printer printer;
  printer.Type(t);
  return printer.Take();
}

}  // namespace vylfuzz
