#include "parser.h"

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "lexer.h"

namespace vylfuzz {

namespace {

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : toks_(std::move(tokens)) {
    for (const char* n : {"int", "byte", "boolean", "char", "String", "void", "Semaphore", "FileId"}) types_.insert(n);
  }

  Program Whole() {
    Program p;
    while (IsKeyword("import")) {
      ++pos_;
      p.imports.push_back(TakeName());
      if (IsPunct(".")) {
        ++pos_;
        Expect("*");
        p.imports.back() += ".*";
      }
      Expect(";");
    }
    while (Cur().kind != Tok::End) {
      if (IsPunct(";")) {
        ++pos_;
        continue;
      }
      bool isFinal = Modifiers();
      if (IsKeyword("class")) {
        ++pos_;
        Decl d;
        d.kind = Decl::Class;
        d.cls = Class();
        p.decls.push_back(std::move(d));
        continue;
      }
      int line = Cur().line;
      TypeName type = Type();
      // A function: a name and "(" follow the type.
      if (Cur().kind == Tok::Name && At(1).kind == Tok::Punct && At(1).text == "(") {
        Decl d;
        d.kind = Decl::Func;
        d.func = Func(std::move(type), line);
        p.decls.push_back(std::move(d));
        continue;
      }
      Decl d;
      d.kind = Decl::Vars;
      d.vars = Vars(isFinal, std::move(type), line);
      p.decls.push_back(std::move(d));
    }
    return p;
  }

 private:
  const Token& Cur() const { return toks_[pos_]; }
  const Token& At(size_t ahead) const { return toks_[std::min(pos_ + ahead, toks_.size() - 1)]; }
  bool IsPunct(std::string_view p) const { return Cur().kind == Tok::Punct && Cur().text == p; }
  bool IsKeyword(std::string_view k) const { return Cur().kind == Tok::Keyword && Cur().text == k; }
  [[noreturn]] void Fail(const std::string& message) const { throw SyntaxError(Cur().line, message); }

  void Expect(std::string_view p) {
    if (!IsPunct(p)) Fail("'" + std::string(p) + "' expected");
    ++pos_;
  }
  void ExpectKeyword(std::string_view k) {
    if (!IsKeyword(k)) Fail("'" + std::string(k) + "' expected");
    ++pos_;
  }
  std::string TakeName() {
    if (Cur().kind != Tok::Name) Fail("name expected");
    return toks_[pos_++].text;
  }

  bool Modifiers() {
    bool isFinal = false;
    while (IsKeyword("final") || IsKeyword("static") || IsKeyword("synchronized")) {
      if (Cur().text == "final") isFinal = true;
      ++pos_;
    }
    return isFinal;
  }

  bool StartsType() const {
    return (Cur().kind == Tok::Name && types_.count(Cur().text)) || IsKeyword("void");
  }

  TypeName Type() {
    if (!StartsType()) Fail("type expected");
    TypeName t(toks_[pos_++].text);
    while (IsPunct("[")) {
      ++pos_;
      if (IsPunct("]")) {
        t.sizes.push_back(nullptr);
      } else {
        t.sizes.push_back(Expression());
      }
      Expect("]");
    }
    return t;
  }

  ClassDecl Class() {
    ClassDecl c;
    c.name = TakeName();
    types_.insert(c.name);
    if (IsPunct("=")) {
      ++pos_;
      c.alias = true;
      c.aliasOf = Type();
      Expect(";");
      return c;
    }
    Expect("{");
    while (!IsPunct("}")) {
      if (IsPunct(";")) {
        ++pos_;
        continue;
      }
      bool isFinal = Modifiers();
      int line = Cur().line;
      TypeName type = Type();
      c.fields.push_back(Vars(isFinal, std::move(type), line));
    }
    ++pos_;
    return c;
  }

  VarGroup Vars(bool isFinal, TypeName type, int line) {
    VarGroup g;
    g.isFinal = isFinal;
    g.type = std::move(type);
    g.line = line;
    do {
      if (!g.vars.empty()) ++pos_;  // the ","
      Declarator d;
      d.name = TakeName();
      if (IsPunct("=")) {
        ++pos_;
        if (IsPunct("{") && isFinal && !g.type.sizes.empty()) {
          ++pos_;
          d.table = true;
          for (;;) {
            d.items.push_back(Expression());
            if (!IsPunct(",")) break;
            ++pos_;
          }
          Expect("}");
        } else {
          d.init = Expression();
        }
      }
      g.vars.push_back(std::move(d));
    } while (IsPunct(","));
    Expect(";");
    return g;
  }

  Function Func(TypeName result, int line) {
    Function f;
    f.result = std::move(result);
    f.line = line;
    f.name = TakeName();
    Expect("(");
    while (!IsPunct(")")) {
      if (!f.params.empty()) Expect(",");
      Param p;
      p.type = Type();
      p.name = TakeName();
      f.params.push_back(std::move(p));
    }
    ++pos_;
    if (IsPunct(";")) {
      ++pos_;
      f.prototype = true;
      return f;
    }
    Expect("{");
    // Declarations first: a type name (possibly final) followed by a name or "[".
    for (;;) {
      size_t save = pos_;
      bool isFinal = Modifiers();
      if (StartsType() && (At(1).kind == Tok::Name || (At(1).kind == Tok::Punct && At(1).text == "["))) {
        int l = Cur().line;
        TypeName type = Type();
        f.locals.push_back(Vars(isFinal, std::move(type), l));
      } else {
        pos_ = save;
        break;
      }
    }
    while (!IsPunct("}")) f.body.push_back(Statement());
    ++pos_;
    return f;
  }

  StmtPtr Statement() {
    int line = Cur().line;
    StmtPtr s = StatementAt();
    s->line = line;
    return s;
  }

  StmtPtr StatementAt() {
    if (IsPunct(";")) {
      ++pos_;
      return MakeStmt(StmtKind::Empty);
    }
    if (IsPunct("{")) {
      ++pos_;
      StmtPtr b = MakeStmt(StmtKind::Block);
      while (!IsPunct("}")) b->body.push_back(Statement());
      ++pos_;
      return b;
    }
    if (Cur().kind == Tok::Keyword) {
      std::string k = Cur().text;
      if (k == "if") {
        ++pos_;
        StmtPtr s = MakeStmt(StmtKind::If);
        s->expr = Condition();
        s->body.push_back(Statement());
        if (IsKeyword("else")) {
          ++pos_;
          s->body.push_back(Statement());
        }
        return s;
      }
      if (k == "while") {
        ++pos_;
        StmtPtr s = MakeStmt(StmtKind::While);
        s->expr = Condition();
        s->body.push_back(Statement());
        return s;
      }
      if (k == "do") {
        ++pos_;
        StmtPtr s = MakeStmt(StmtKind::Do);
        s->body.push_back(Statement());
        ExpectKeyword("while");
        s->expr = Condition();
        Expect(";");
        return s;
      }
      if (k == "switch") return Switch();
      if (k == "break" || k == "continue") {
        ++pos_;
        Expect(";");
        return MakeStmt(k == "break" ? StmtKind::Break : StmtKind::Continue);
      }
      if (k == "return") {
        ++pos_;
        StmtPtr s = MakeStmt(StmtKind::Return);
        if (!IsPunct(";")) s->expr = Expression();
        Expect(";");
        return s;
      }
      Fail("statement expected");
    }
    ExprPtr left = Postfix();
    if (left->kind == ExprKind::Call) {
      StmtPtr s = MakeStmt(StmtKind::Call);
      s->expr = std::move(left);
      Expect(";");
      return s;
    }
    StmtPtr s = MakeStmt(StmtKind::Assign);
    s->target = std::move(left);
    Expect("=");
    s->expr = Expression();
    Expect(";");
    return s;
  }

  StmtPtr Switch() {
    ++pos_;
    StmtPtr s = MakeStmt(StmtKind::Switch);
    s->expr = Condition();
    Expect("{");
    while (!IsPunct("}")) {
      SwitchGroup g;
      if (IsKeyword("case")) {
        ++pos_;
        g.label = Expression();
      } else {
        ExpectKeyword("default");
      }
      Expect(":");
      while (!IsKeyword("case") && !IsKeyword("default") && !IsPunct("}")) g.body.push_back(Statement());
      s->groups.push_back(std::move(g));
    }
    ++pos_;
    return s;
  }

  ExprPtr Condition() {
    Expect("(");
    ExprPtr e = Expression();
    Expect(")");
    return e;
  }

  // The binary operator of the current token at an operator level: each
  // token's operator is looked up once.
  std::optional<Op> BinaryOp(int level) {
    if (binary_.empty()) {
      static const std::pair<const char*, Op> kOps[] = {
          {"*", Op::Mul},   {"/", Op::Div},    {"%", Op::Rem},   {"+", Op::Add},   {"-", Op::Sub},
          {"<<", Op::Shl},  {">>", Op::Shr},   {">>>", Op::Ushr}, {"&", Op::BitAnd}, {"^", Op::BitXor},
          {"|", Op::BitOr}, {"==", Op::Eq},    {"!=", Op::Ne},   {"<", Op::Lt},    {"<=", Op::Le},
          {">", Op::Gt},    {">=", Op::Ge},    {"&&", Op::And},  {"||", Op::Or}};
      binary_.assign(toks_.size(), std::nullopt);
      for (size_t i = 0; i < toks_.size(); ++i) {
        if (toks_[i].kind != Tok::Punct) continue;
        for (const auto& [spelling, op] : kOps) {
          if (toks_[i].text == spelling) binary_[i] = op;
        }
      }
    }
    std::optional<Op> op = binary_[pos_];
    return op && Level(*op) == level ? op : std::nullopt;
  }

 public:
  ExprPtr Expression() { return Binary(11); }

 private:
  ExprPtr Binary(int level) {
    if (level == 2) return Unary();
    ExprPtr left = Binary(level - 1);
    while (auto op = BinaryOp(level)) {
      ++pos_;
      ExprPtr right = Binary(level - 1);
      left = MakeBinary(*op, std::move(left), std::move(right));
      if (level == 9) break;  // comparisons do not chain
    }
    return left;
  }

  ExprPtr Unary() {
    if (Cur().kind == Tok::Punct) {
      static const std::pair<const char*, Op> kUnary[] = {{"-", Op::Neg}, {"+", Op::Plus}, {"~", Op::Compl}, {"!", Op::Not}};
      for (const auto& [spelling, op] : kUnary) {
        if (Cur().text == spelling) {
          ++pos_;
          return MakeUnary(op, Unary());
        }
      }
    }
    return Postfix();
  }

  ExprPtr Postfix() {
    const Token& t = Cur();
    switch (t.kind) {
      case Tok::Number: {
        ExprPtr e = MakeNumber(t.value);
        e->text = t.text;
        ++pos_;
        return e;
      }
      case Tok::Char: ++pos_; return MakeChar(static_cast<int>(t.value));
      case Tok::String: ++pos_; return MakeString(t.text);
      case Tok::Keyword:
        if (t.text == "true" || t.text == "false") {
          ++pos_;
          return MakeBool(t.text == "true");
        }
        if (t.text == "null") {
          ++pos_;
          return MakeNull();
        }
        if (t.text == "new") return New();
        Fail("expression expected");
      case Tok::Punct:
        if (t.text == "(") {
          ++pos_;
          ExprPtr e = MakeParen(Expression());
          Expect(")");
          return e;
        }
        if (t.text == "{") {
          ++pos_;
          auto e = std::make_unique<Expr>(ExprKind::Braces);
          for (;;) {
            e->kids.push_back(Expression());
            if (!IsPunct(",")) break;
            ++pos_;
          }
          Expect("}");
          return e;
        }
        Fail("expression expected");
      case Tok::Name: break;
      case Tok::End: Fail("expression expected");
    }
    std::string name = TakeName();
    if (IsPunct("(")) {
      ++pos_;
      std::vector<ExprPtr> args;
      while (!IsPunct(")")) {
        if (!args.empty()) Expect(",");
        args.push_back(Expression());
      }
      ++pos_;
      return MakeCall(std::move(name), std::move(args));
    }
    ExprPtr e = MakeName(std::move(name));
    for (;;) {
      if (IsPunct(".")) {
        ++pos_;
        e = MakeField(std::move(e), TakeName());
      } else if (IsPunct("[")) {
        ++pos_;
        ExprPtr index = Expression();
        Expect("]");
        e = MakeIndex(std::move(e), std::move(index));
      } else {
        return e;
      }
    }
  }

  ExprPtr New() {
    ++pos_;
    if (!StartsType()) Fail("type expected after new");
    std::string name = toks_[pos_++].text;
    if (IsPunct("(")) {
      ++pos_;
      Expect(")");
      auto e = std::make_unique<Expr>(ExprKind::NewObject);
      e->type = TypeName(name);
      return e;
    }
    Expect("[");
    auto e = std::make_unique<Expr>(ExprKind::NewArray);
    e->type = TypeName(name);
    e->kids.push_back(Expression());
    Expect("]");
    return e;
  }

  std::vector<Token> toks_;
  std::vector<std::optional<Op>> binary_;  // the binary operator of each token
  size_t pos_ = 0;
  std::set<std::string, std::less<>> types_;
};

}  // namespace

Program Parse(std::string_view source) {
  Parser parser(Lex(source));
  return parser.Whole();
}

}  // namespace vylfuzz
