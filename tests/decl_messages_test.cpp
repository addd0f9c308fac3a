// Every message of the start rule and the declaration rules, and the
// syntax errors where a construct fails after reading part of it.
#include <gtest/gtest.h>

#include <string>

#include "decl_fixture.h"
#include "harness.h"

namespace vyl {
namespace {

using test::CompileSource;
using test::RuleOutput;

struct Case {
  const char* source;
  const char* message;
  int line;
};

// Compiles each source and checks the message, the line it names and the
// shape of the output's end: the message, then "Nested error".
void ExpectMessages(std::initializer_list<Case> cases) {
  for (const Case& k : cases) {
    test::Compiled c = CompileSource(k.source);
    EXPECT_EQ(c.status, 1) << k.source;
    EXPECT_EQ(c.result.message, k.message) << k.source;
    EXPECT_EQ(c.result.messageLine, k.line) << k.source;
    std::string tail = std::string("\r\n") + k.message + "\r\nNested error";
    EXPECT_TRUE(c.output.size() >= tail.size() && c.output.ends_with(tail)) << k.source << "\n" << c.output;
    EXPECT_TRUE(c.image.empty()) << k.source;
  }
}

TEST(DeclMessageTest, Imports) {
  ExpectMessages({
      {"import Nowhere;\r\n", "Undefined package Nowhere", 1},
      {"import int;\r\n", "Package name expected for int", 1},
      {"import Hardware;\r\nimport Hardware.*;\r\n", "Package name expected for Hardware", 2},
      {"import Files\r\nvoid main() {}\r\n", "Semicolon expected", 2},
  });
  // "." must be followed by "*".
  test::Compiled c = CompileSource("import Files.;\r\n");
  EXPECT_EQ(c.result.message, "syntax error");
  EXPECT_TRUE(c.output.ends_with("\r\n syntax error"));
}

TEST(DeclMessageTest, ClassesAndAliases) {
  ExpectMessages({
      {"class T = int;\r\nclass T = char;\r\n", "Type name T is already defined here", 2},
      {"class C { int x; 5 }\r\n", "Malformed class member or missing close brace '}'", 1},
      {"class C { int x;\r\n", "Malformed class member or missing close brace '}'", 3},  // at the end
      // A class body holds fields only.
      {"class C {\r\n  int f() { return 1; }\r\n}\r\n", "Malformed class member or missing close brace '}'", 2},
      {"\r\nint\r\n", "Member declaration (starting with type) expected", 4},
      {"class C { int }\r\n", "Member declaration (starting with type) expected", 1},
      {"int x y;\r\n", "Invalid declaration or missing semicolon ';'", 1},
      {"class C { int x }\r\n", "Invalid declaration or missing semicolon ';'", 1},
  });
  // A second class with a body under a name bound at the same level, and a
  // class without its body, are syntax errors.
  for (const char* source : {"class C {}\r\nclass C {}\r\n", "class T = int;\r\nclass T {}\r\n", "class C ;\r\n",
                             "class C = ;\r\n", "class C = int\r\n", "final class\r\n"}) {
    EXPECT_EQ(CompileSource(source).result.message, "syntax error") << source;
  }
}

TEST(DeclMessageTest, VariablesAndTables) {
  ExpectMessages({
      {"int x[3];\r\n", "Put array brackets with type (before var name)", 1},
      {"void main() {\r\n  int a[2];\r\n}\r\n", "Put array brackets with type (before var name)", 2},
      {"void main() {\r\n  int [true] a;\r\n}\r\n", "Array size must be integer", 2},
      {"void main() {\r\n  int [3 a;\r\n}\r\n", "Closing bracket ']' expected", 2},
      {"void main() {\r\n  int [;\r\n}\r\n", "Closing bracket ']' expected", 2},
      {"void main() {\r\n  int [0] a;\r\n}\r\n", "Array size must be >0", 2},
      {"void main() {\r\n  int [-2] a;\r\n}\r\n", "Array size must be >0", 2},
      {"void main() {\r\n  int ;\r\n}\r\n", "Name of variable expected here", 2},
      {"class C { int v; }\r\nfinal C c;\r\n", "Final object needs a (new) value", 2},
      {"class C { int v; }\r\nfinal C c = C;\r\n", "Final object needs a (new) value", 2},
      {"class C { int v; }\r\nclass D { int w; }\r\nfinal C c = new D();\r\n", "Compatible class name expected here",
       3},
      {"class C { int v; }\r\nfinal C c = new 5;\r\n", "Compatible class name expected here", 2},
      {"final int[] t;\r\n", "Final array needs values", 1},
      {"final int[] t = 5;\r\n", "Final array needs values", 1},
      {"final int[] t = \"ab\";\r\n", "Final array needs values", 1},
      {"final int[2][] t = {1};\r\n", "Only chars and numbers can be in table", 1},
      {"final int[] t = {1, ;};\r\n", "Table item must be constant", 1},
      {"int v;\r\nfinal int[] t = {v};\r\n", "Table item must be constant", 2},
      {"final int[] t = {\"a\"};\r\n", "Table item must be constant", 1},
      {"final int[] t = {true};\r\n", "Table item type mismatch", 1},
      {"final byte[] t = {256};\r\n", "Table item type mismatch", 1},
      {"final char[] t = {65};\r\n", "Table item type mismatch", 1},
      {"final int[] t = {1 2};\r\n", "Missing '}' at end of table or bad value", 1},
      {"final int[] t = {1, 2;\r\n", "Missing '}' at end of table or bad value", 1},
      {"final int[] t = {};\r\n", "Table must not be empty", 1},
      {"final int[2] t = {1, 2, 3};\r\n", "Array size does not match data", 1},
      {"final int[4] t = {1, 2, 3};\r\n", "Array size does not match data", 1},
      {"final char[2] t = \"abc\";\r\n", "Array size does not match data", 1},
      {"final int k;\r\n", "Final (constant) needs a value", 1},
      {"int v;\r\nfinal int k = v;\r\n", "Final (constant) needs a value", 2},
      {"final int k = 1, j;\r\n", "Final (constant) needs a value", 1},
      {"final int k = true;\r\n", "Type mismatch", 1},
      {"final boolean k = 1;\r\n", "Type mismatch", 1},
      {"int a = true;\r\n", "Type mismatch", 1},
      {"void main() {\r\n  char c = 5;\r\n}\r\n", "Type mismatch", 2},
      {"class C { int v = 1; }\r\n", "Cannot initialize instance variables", 1},
      {"int[1] b;\r\nint[1] a = b;\r\n", "Cannot initialize larger structures", 2},
      {"void v;\r\n", "Variables cannot be type 'void'", 3},  // laid out at the end
      {"void v = 1;\r\n", "Variables cannot be type 'void'", 1},
  });
  // A name declared twice in one scope is refused.
  EXPECT_EQ(CompileSource("int a;\r\nchar a;\r\n").result.message, "syntax error");
  EXPECT_EQ(CompileSource("final int a = 1, a = 2;\r\n").result.message, "syntax error");
}

TEST(DeclMessageTest, Functions) {
  ExpectMessages({
      {"void f() 5\r\n", "Method body (or ';') expected here", 1},
      // A body whose result type differs from its prototype's.
      {"int f();\r\nvoid f() {}\r\n", "Method body (or ';') expected here", 4},
      {"int[2] f();\r\n", "Function return type limited to 2 bytes", 1},
      {"void f(int a,);\r\n", "Another parameter expected after comma", 1},
      {"void f(5);\r\n", "Parameter type expected here", 1},
      {"void f(Unknown u);\r\n", "Undefined name Unknown", 1},
      {"void f(void a);\r\n", "Parameter type must be 1 or 2 bytes", 1},
      {"void f(int[2] a);\r\n", "Parameter type must be 1 or 2 bytes", 1},
      {"void f(int);\r\n", "Parameter name expected here", 1},
      {"void f(int a, char a);\r\n", "Parameter name expected here", 1},
      {"void f(int a;\r\n", "Malformed parameter or missing close paren", 1},
      {"void f(int a int b);\r\n", "Malformed parameter or missing close paren", 1},
      // A definition after a prototype must repeat its parameter types.
      {"int f(int a);\r\nint f(char a) { return 1; }\r\n", "There is something wrong with this function's param list",
       2},
      {"int f(int a);\r\nint f(int a, int b) { return 1; }\r\n",
       "There is something wrong with this function's param list", 2},
      {"int f(int a, int b);\r\nint f(int a) { return 1; }\r\n",
       "There is something wrong with this function's param list", 2},
      {"void f();\r\nvoid f(int a);\r\n", "There is something wrong with this function's param list", 2},
  });
}

// Cases of the list above that compile: a class-typed result is 2 bytes.
TEST(DeclMessageTest, ClassResultsFit) {
  EXPECT_EQ(CompileSource("class C { int a; }\r\nC f();\r\nC f() { return null; }\r\nvoid main() {}\r\n").status, 0);
}

TEST(DeclMessageTest, ANameBoundToSomethingElseCannotBeAFunction) {
  EXPECT_EQ(CompileSource("int f;\r\nvoid f() {}\r\n").result.message, "syntax error");
  EXPECT_EQ(CompileSource("void ORD() {}\r\n").result.message, "syntax error");
}

// ---------------------------------------------------------------------------
// Messages that no source reaches, raised by the rules directly.

using DeclRuleMessageTest = test::DeclTest;

// No predefined package has two members of one name, so only a made-up one
// shows the message.
TEST_F(DeclRuleMessageTest, CantImportAMemberBoundTwice) {
  Start("import Twice;");
  int32_t twice = InternText("Twice"), dup = InternText("dup");
  Tree members = nullptr;
  ASSERT_TRUE(into(dup, members, Build(L_vr), members));
  ASSERT_TRUE(openPlus(members, members));
  ASSERT_TRUE(into(dup, members, Build(L_vr), members));
  Tree package = Build(L_pk, Leaf(twice), {nullptr, nullptr, nullptr, nullptr, members});
  ASSERT_TRUE(into(twice, syms, package, syms));
  ASSERT_TRUE(openPlus(syms, syms));
  EXPECT_EQ(MessageOf([&] { ImportDeclaration(syms, chain, chain, syms); }),
            RuleOutput("Can't import dup from package Twice"));
}

// A function name is looked up in the whole table first, so a binding at
// the current level is always found as the prior declaration; the rule
// reports it when called without one.
TEST_F(DeclRuleMessageTest, FunctionAlreadyDefined) {
  Start(")");
  int32_t f = InternText("f");
  ASSERT_TRUE(into(f, syms, Build(L_vr), syms));
  Tree function = nullptr, scope = nullptr, table = nullptr;
  int32_t level = 0;
  EXPECT_EQ(MessageOf([&] {
              MethodHeader(nullptr, nullptr, 0, 0, f, Key(kKeyVoid), syms, chain, function, scope, table, level);
            }),
            RuleOutput("Function f is already defined"));
}

// Every type written in source has a size; a type record without one is
// not a variable's type.
TEST_F(DeclRuleMessageTest, VariableDeclarationExpected) {
  Start(";");
  Tree sizeless = Build(L_ty, Leaf(InternText("odd")), {nullptr, nullptr});
  EXPECT_EQ(MessageOf([&] { VarDecln(nullptr, InternText("v"), 0, sizeless, syms, chain, chain, syms); }),
            RuleOutput("Variable declaration expected here"));
}

}  // namespace
}  // namespace vyl
