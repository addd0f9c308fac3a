// The checker: which expressions are constant and what they fold to, the
// type rules of docs/types.md, and the programs it refuses.
#include <gtest/gtest.h>

#include "parser.h"
#include "semantics.h"

namespace vylfuzz {
namespace {

struct Checked {
  Program program;
  std::unique_ptr<Model> model;
};

// Checks `declarations` followed by an empty main.
Checked CheckText(const std::string& declarations) {
  Checked c;
  c.program = Parse(declarations + "\nvoid main() { }\n");
  c.model = Check(c.program);
  return c;
}

// The initial value of `int x = EXPR;` (or of the type given), after checking.
struct Folded {
  bool constant;
  int64_t value;
};
Folded Fold(const std::string& expr, const std::string& type = "int", const std::string& before = "") {
  Checked c = CheckText(before + "int v; char ch; boolean b; byte[2] bs; int[] r;\n" + type + " x = " + expr + ";");
  const Expr& e = *c.program.decls[c.program.decls.size() - 2].vars.vars[0].init;  // before main
  return {e.constant, e.folded};
}

bool Refused(const std::string& text) {
  try {
    Program p = Parse(text);
    Check(p);
  } catch (const Rejected&) {
    return true;
  } catch (const SyntaxError&) {
    return true;
  }
  return false;
}

TEST(CheckerTest, ConstantExpressionsFoldExactly) {
  const std::pair<const char*, int64_t> cases[] = {
      {"2 + 3 * 4", 14},
      {"40000 + 40000", 80000},           // beyond 16 bits, kept while folding
      {"(30000 + 30000) / 2", 30000},
      {"-7 / 2", -3},
      {"-7 % 2", -1},
      {"1 << 20 >> 18", 4},
      {"5 >> 100", 0},
      {"~0", -1},
      {"-16 >> 2", -4},
      {"300 * 300", 90000},
      {"ORD(CHR(255))", 255},
      {"ORD('a') + ORD(true)", 98},
      {"LENGTH(bs) * 3", 6},
  };
  for (auto [expr, value] : cases) {
    Folded f = Fold(expr);
    EXPECT_TRUE(f.constant) << expr;
    EXPECT_EQ(f.value, value) << expr;
  }
}

TEST(CheckerTest, WhatIsNotConstant) {
  for (const char* expr : {"v + 1", "{1, 2}", "LENGTH(r)", "KeyIn.datum", "v - v"}) {
    EXPECT_FALSE(Fold(expr, "int", "import Hardware;\n").constant) << expr;
  }
}

TEST(CheckerTest, LogicalOperatorsWithAConstant) {
  // A constant operand decides (the result is it) or drops out (the result
  // is the other operand, evaluated).
  EXPECT_TRUE(Fold("true || b", "boolean").constant);
  EXPECT_TRUE(Fold("b || true", "boolean").constant);
  EXPECT_TRUE(Fold("false && b", "boolean").constant);
  EXPECT_TRUE(Fold("b && false", "boolean").constant);
  EXPECT_FALSE(Fold("b && true", "boolean").constant);
  EXPECT_FALSE(Fold("false || b", "boolean").constant);
  EXPECT_TRUE(Fold("70000 < 5000", "boolean").constant);
  EXPECT_EQ(Fold("70000 < 5000", "boolean").value, 0);  // compared in 32 bits
}

TEST(CheckerTest, ConstantsThatLeave32BitsAreRefused) {
  EXPECT_TRUE(Refused("int x = 70000 * 70000;\nvoid main() { }\n"));
  EXPECT_TRUE(Refused("int x = 1 << 31;\nvoid main() { }\n"));
  EXPECT_TRUE(Refused("int x = 65536 * 32768 + 65536 * 32768;\nvoid main() { }\n"));
  EXPECT_FALSE(Refused("int x = 16384 * 16384;\nvoid main() { }\n"));
  EXPECT_TRUE(Refused("int x = 1 / 0;\nvoid main() { }\n"));  // divide by the constant 0
}

// Operations of constants whose value the language leaves open are
// refused; their near misses are constants.
TEST(CheckerTest, OperationsOfConstantsLeftOpenAreRefused) {
  for (const char* expr : {"5 ^ 3", "-16 >>> 2", "1 >>> 1", "-1 << 1", "255 << -1", "4 >> -1", "40000 * 40000",
                           "-32768 * 16384", "ORD(CHR(300))", "ORD(CHR(-1))"}) {
    EXPECT_TRUE(Refused(std::string("int x = ") + expr + ";\nvoid main() { }\n")) << expr;
  }
  for (const char* expr : {"-16 >> 2", "1 << 2", "16384 * 32767", "ORD(CHR(0))", "5 & 3"}) {
    EXPECT_FALSE(Refused(std::string("int x = ") + expr + ";\nvoid main() { }\n")) << expr;
  }
}

// An int expression that is not a constant expression but takes one value
// whatever its variables hold is refused: the compiler may fold it.
TEST(CheckerTest, ExpressionsOfOneValueAreRefused) {
  const char* one[] = {"v * 0", "v & 0", "v % 1", "v | -1", "ORD(ch) >> 8", "(v & 1) * 65536",
                       "ORD(b) >> 1", "0 % v", "ORD(bs[v]) & 256"};
  for (const char* expr : one) {
    EXPECT_TRUE(Refused(std::string("int v; char ch; boolean b; byte[2] bs;\nvoid main() { int x = ") + expr + "; }\n"))
        << expr;
  }
  const char* many[] = {"v * 2", "v & 1", "v % 2", "ORD(ch) >> 7", "ORD(b)", "v - v", "(v & 1) * 256",
                        "ORD(v < 3)", "{1, 0}"};
  for (const char* expr : many) {
    EXPECT_FALSE(Refused(std::string("int v; char ch; boolean b;\nvoid main() { int x = ") + expr + "; }\n"))
        << expr;
  }
}

TEST(CheckerTest, TypeRules) {
  const char* valid[] = {
      "void main() { int[] a; int[] b = new int[2]; if (a == b) { } if (a != null) { } }",
      "void main() { String s = \"x\"; char[] c = new char[1]; s = c; c = s; if (s == \"y\") { } }",
      "class P { int x; }\nvoid main() { P p; P q = new P(); if (p == q) { } }",
      "final int[] T = {1};\nvoid f(int[] a) { }\nvoid main() { f(T); }",
      "final byte[] B = {1};\nvoid main() { byte b = B[0]; byte[2] bs; bs[1] = b; }",
      "void main() { boolean a = true < false; char c = 'a'; if (c <= 'b') { } }",
  };
  for (const char* text : valid) EXPECT_FALSE(Refused(text)) << text;
  const char* invalid[] = {
      "void main() { String s = \"x\"; char[] c = new char[1]; if (s == c) { } }",  // two types
      "class P { int x; }\nvoid main() { P p; P q; if (p < q) { } }",                // objects are not ordered
      "class P { int x; }\nclass Q { int x; }\nvoid main() { P p; Q q; if (p == q) { } }",
      "void main() { byte b; int i = b; }",                                          // byte is not numeric
      "void main() { int[3] a; int[] b = a; }",                                      // larger than 2 bytes
      "void f(int[] a) { }\nvoid main() { int[3] a; f(a); }",
      "void main() { int i; if (i) { } }",                                           // conditions are boolean
      "int f() { return 1; }\nvoid main() { f(); }",                                 // a value must be used
      "void main() { break; }",
      "void main() { switch (1) { case 1: break; case 1: break; } }",                // a value twice
      "void f(String s);\nvoid f(char[] s) { }\nvoid main() { }",                   // body and prototype differ
      "void f();\nvoid main() { }",                                                  // a prototype without body
      "int main() { return 0; }",
  };
  for (const char* text : invalid) EXPECT_TRUE(Refused(text)) << text;
}

TEST(CheckerTest, NamesAreDeclaredBeforeUse) {
  EXPECT_TRUE(Refused("int a = b;\nint b;\nvoid main() { }"));
  EXPECT_TRUE(Refused("void main() { f(); }\nvoid f() { }"));
  EXPECT_FALSE(Refused("void f();\nvoid main() { f(); }\nvoid f() { }"));
  EXPECT_TRUE(Refused("void main() { int a; int a; }"));
  EXPECT_TRUE(Refused("void main() { int x = x; }"));  // not even itself
  EXPECT_FALSE(Refused("int x;\nvoid main() { int y = x; int z = y; }"));
}

TEST(CheckerTest, LayoutOfScopes) {
  Checked c = CheckText("class P { int x; int[3] a; }\nfinal P O = new P();\nfinal char[] S = \"ab\";\nint g; int h = 2;");
  ASSERT_EQ(c.model->globals.size(), 3u);  // O, g, h: tables and constants take no slot
  EXPECT_TRUE(c.model->globals[0].finalObject);
  EXPECT_EQ(c.model->globals[2].init->folded, 2);
  ASSERT_EQ(c.model->tables.size(), 1u);
  EXPECT_EQ(c.model->tables[0].values, (std::vector<int32_t>{'a', 'b'}));
  EXPECT_EQ(SizeInPlace(*c.model->classes[0].fields[1].type), 4 + 6);  // header and length words
  Checked s = CheckText("void f() { String a = \"abc\"; String b = \"abc\"; }");
  EXPECT_EQ(s.model->tables.size(), 1u);  // equal strings share one table
}

}  // namespace
}  // namespace vylfuzz
