// Reading and printing programs: the lexical rules of docs/lexical.md, the
// grammar and precedence of docs/expressions.md and docs/statements.md, and
// the printer that writes trees back as source.
#include <gtest/gtest.h>

#include "lexer.h"
#include "parser.h"
#include "syntax.h"

namespace vylfuzz {
namespace {

Program Read(const std::string& source) { return Parse(source); }

// The one expression `int x = EXPR;` declares.
std::string Reprinted(const std::string& expr) {
  Program p = Read("int x = " + expr + ";\nvoid main() { }\n");
  return Print(*p.decls[0].vars.vars[0].init);
}

int LineOfError(const std::string& source) {
  try {
    Parse(source);
  } catch (const SyntaxError& e) {
    return e.line;
  }
  return 0;
}

TEST(LexerTest, NumbersAreTakenIn32Bits) {
  std::vector<Token> t = Lex("0 42 007 0x1F 0XffFF 4294967297 12ab");
  ASSERT_EQ(t.size(), 9u);
  EXPECT_EQ(t[2].value, 7);
  EXPECT_EQ(t[3].value, 31);
  EXPECT_EQ(t[4].value, 65535);
  EXPECT_EQ(t[5].value, 1);  // 2^32 + 1 keeps its low 32 bits
  EXPECT_EQ(t[6].kind, Tok::Number);  // 12ab: a number and a name
  EXPECT_EQ(t[7].kind, Tok::Name);
  EXPECT_EQ(t[7].text, "ab");
  EXPECT_EQ(t[8].kind, Tok::End);
}

TEST(LexerTest, CharactersAndStringsTakeTheEscapes) {
  std::vector<Token> t = Lex(R"('a' '\n' '\'' '\\' "x\ty\"z" "")");
  EXPECT_EQ(t[0].value, 'a');
  EXPECT_EQ(t[1].value, '\n');
  EXPECT_EQ(t[2].value, '\'');
  EXPECT_EQ(t[3].value, '\\');
  EXPECT_EQ(t[4].text, "x\ty\"z");
  EXPECT_EQ(t[5].kind, Tok::String);
  EXPECT_EQ(t[5].text, "");
  for (const char* bad : {"''", "'ab'", "'\\q'", "\"open", "\"two\nlines\"", "my_var", "a @ b", "/* open"}) {
    EXPECT_THROW(Lex(bad), SyntaxError) << bad;
  }
}

TEST(LexerTest, OperatorsAreReadLongestFirst) {
  std::vector<Token> t = Lex("a >>> b >> c && d & e ++ f -- g <= h");
  std::vector<std::string> ops;
  for (const Token& k : t) {
    if (k.kind == Tok::Punct) ops.push_back(k.text);
  }
  EXPECT_EQ(ops, (std::vector<std::string>{">>>", ">>", "&&", "&", "+", "+", "-", "-", "<="}));
}

TEST(LexerTest, CommentsAndLineEnds) {
  std::vector<Token> t = Lex("a // to the end\r\nb /* across\rlines */ c\nd");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].line, 1);
  EXPECT_EQ(t[1].line, 2);
  EXPECT_EQ(t[2].line, 3);
  EXPECT_EQ(t[3].line, 4);
}

TEST(ParserTest, PrecedenceFollowsTheLevels) {
  // Each operator binds more tightly than the next level down.
  EXPECT_EQ(Reprinted("1 + 2 * 3"), "1 + 2 * 3");
  EXPECT_EQ(Reprinted("(1 + 2) * 3"), "(1 + 2) * 3");
  EXPECT_EQ(Reprinted("a - b - c"), "a - b - c");
  EXPECT_EQ(Reprinted("a - (b - c)"), "a - (b - c)");
  Program p = Read("boolean x = a & 1 == 0 || b < c && d;\nvoid main() { }\n");
  const Expr& e = *p.decls[0].vars.vars[0].init;
  ASSERT_EQ(e.op, Op::Or);                 // || lowest
  EXPECT_EQ(e.kids[1]->op, Op::And);       // then &&
  EXPECT_EQ(e.kids[0]->op, Op::Eq);        // == below the bit operators
  EXPECT_EQ(e.kids[0]->kids[0]->op, Op::BitAnd);
  Program q = Read("int x = -a << 2 + b ^ c | d & ~e;\nvoid main() { }\n");
  const Expr& f = *q.decls[0].vars.vars[0].init;
  ASSERT_EQ(f.op, Op::BitOr);
  EXPECT_EQ(f.kids[0]->op, Op::BitXor);
  EXPECT_EQ(f.kids[0]->kids[0]->op, Op::Shl);
  EXPECT_EQ(f.kids[0]->kids[0]->kids[0]->op, Op::Neg);
  EXPECT_EQ(f.kids[0]->kids[0]->kids[1]->op, Op::Add);
}

TEST(ParserTest, ComparisonsDoNotChain) {
  EXPECT_GT(LineOfError("void main() {\n  boolean b = 1 < 2 < 3;\n}\n"), 0);
  EXPECT_EQ(LineOfError("void main() {\n  boolean b = (1 < 2) == true;\n}\n"), 0);
}

TEST(ParserTest, DeclarationsOfEveryKind) {
  Program p = Read(
      "import Hardware.*;\n"
      "class Row = int[3];\n"
      "class N { int v; N next; byte b, c; }\n"
      "final int A = 1, B = A + 4;\n"
      "final byte[] T = {1, 2};\n"
      "final char[5] S = \"hello\";\n"
      "final N O = new N();\n"
      "int g, h = 2;\n"
      "int f(int a, String s);\n"
      "void main() { int[3][4] m; Row[] r = new Row[2]; m[3][2] = 1; }\n"
      "int f(int x, String t) { return x; }\n");
  ASSERT_EQ(p.imports, std::vector<std::string>{"Hardware.*"});
  ASSERT_EQ(p.decls.size(), 10u);
  EXPECT_TRUE(p.decls[0].cls.alias);
  EXPECT_EQ(p.decls[1].cls.fields.size(), 3u);
  EXPECT_EQ(p.decls[1].cls.fields[2].vars.size(), 2u);
  EXPECT_EQ(p.decls[2].vars.vars.size(), 2u);
  EXPECT_TRUE(p.decls[3].vars.vars[0].table);
  EXPECT_EQ(p.decls[4].vars.vars[0].init->kind, ExprKind::String);
  EXPECT_EQ(p.decls[5].vars.vars[0].init->kind, ExprKind::NewObject);
  EXPECT_TRUE(p.decls[7].func.prototype);
  EXPECT_EQ(p.decls[8].func.locals.size(), 2u);
  EXPECT_EQ(Print(p.decls[8].func.locals[0].type), "int[3][4]");
  EXPECT_FALSE(p.decls[9].func.prototype);
}

TEST(ParserTest, StatementsAndTheirLines) {
  Program p = Read(
      "void main() {\n"
      "  int i;\n"
      "  if (i == 0) if (i == 1) i = 2; else i = 3;\n"
      "  do { i = i + 1; continue; } while (i < 3);\n"
      "  switch (i) { case -1: break; default: return; }\n"
      "  ;\n"
      "}\n");
  const std::vector<StmtPtr>& body = p.decls[0].func.body;
  ASSERT_EQ(body.size(), 4u);
  // The else belongs to the nearer if.
  EXPECT_EQ(body[0]->body.size(), 1u);
  EXPECT_EQ(body[0]->body[0]->body.size(), 2u);
  EXPECT_EQ(body[1]->kind, StmtKind::Do);
  EXPECT_EQ(body[2]->groups.size(), 2u);
  EXPECT_EQ(body[2]->groups[1].label, nullptr);
  EXPECT_EQ(body[3]->kind, StmtKind::Empty);
  EXPECT_EQ(body[0]->line, 3);
  EXPECT_EQ(body[3]->line, 6);
}

TEST(ParserTest, ErrorsNameTheirLine) {
  EXPECT_EQ(LineOfError("void main() {\n  int x = ;\n}\n"), 2);
  EXPECT_EQ(LineOfError("void main() {\n  x = 1\n}\n"), 3);
  EXPECT_EQ(LineOfError("void main() {\n  while (true {\n}\n"), 2);
  EXPECT_EQ(LineOfError("class C { int x; }\nvoid main() { C c = new C; }\n"), 2);
}

// A printed program reads back as the same tree: the printer adds the
// braces a dangling else needs, and the parentheses precedence needs.
TEST(PrinterTest, PrintedProgramsReadBack) {
  const char* source =
      "import Hardware;\n"
      "class P { int x; P next; }\n"
      "final int[] T = {1, -2};\n"
      "int g = 0x10;\n"
      "void main() {\n"
      "  P p = new P();\n"
      "  int i;\n"
      "  if (p.next == null) { if (i < 2) i = 1; } else i = {i, 3};\n"
      "  while (i < 4) if (i == 2) break; else i = i + 1;\n"
      "  switch (CHR(i + 97)) { case 'a': Print.datum = ORD('\\n'); break; default: break; }\n"
      "  p.x = -(-T[1]) * (g - (1 - 2)) >> (3 >>> 1);\n"
      "}\n";
  std::string once = Print(Read(source));
  EXPECT_EQ(Print(Read(once)), once);
  EXPECT_NE(once.find("if (i < 2)"), std::string::npos);
  EXPECT_NE(once.find("(g - (1 - 2))"), std::string::npos);
  // An if without else controlled by an if with one keeps its braces.
  StmtPtr inner = MakeStmt(StmtKind::If);
  inner->expr = MakeBool(true);
  inner->body.push_back(MakeStmt(StmtKind::Break));
  StmtPtr outer = MakeStmt(StmtKind::If);
  outer->expr = MakeBool(false);
  outer->body.push_back(std::move(inner));
  outer->body.push_back(MakeStmt(StmtKind::Continue));
  Program wrapped;
  Decl d;
  d.kind = Decl::Func;
  d.func.result = TypeName("void");
  d.func.name = "main";
  StmtPtr loop = MakeStmt(StmtKind::While);
  loop->expr = MakeBool(true);
  loop->body.push_back(std::move(outer));
  d.func.body.push_back(std::move(loop));
  wrapped.decls.push_back(std::move(d));
  Program back = Read(Print(wrapped));
  const Stmt& readOuter = *back.decls[0].func.body[0]->body[0];
  ASSERT_EQ(readOuter.kind, StmtKind::If);
  EXPECT_EQ(readOuter.body.size(), 2u);  // the else stayed with the outer if
}

}  // namespace
}  // namespace vylfuzz
