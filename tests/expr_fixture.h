// Expressions parsed from source text in the outermost symbol table, with
// test variables, arrays and classes bound beside the built-ins.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "codegen/codegen.h"
#include "expr/expr.h"
#include "outermost.h"
#include "scanner/scanner.h"

namespace vyl::test {

constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();

struct Parsed {
  Tree tree = nullptr;
  Tree type = nullptr;
  int32_t low = 0;
  int32_t high = 0;
};

class ExprTest : public OutermostTest {
 protected:
  Tree pool = nullptr;  // the table pool (string constants)

  void SetUp() override {}

  // The outermost table, a table pool, and the scanner reading `source`.
  void Source(const std::string& source) {
    Open(source, true);
    pool = Build(L_tk);
    ASSERT_TRUE(into(kKeyTablePool, syms, pool, syms));
  }
  // Makes the address-of operator available, as importing Dangerous does.
  void AllowAddressOf() { ASSERT_TRUE(into(kKeyAddressOf, syms, Build(L_no), syms)); }

  Tree Int() const { return Key(kKeyInt); }
  Tree Bool() const { return Key(kKeyBoolean); }

  Tree BindName(const char* name, Tree record) {
    EXPECT_TRUE(into(InternText(name), syms, record, syms)) << name;
    return record;
  }
  // A local variable (or parameter) at a frame offset.
  Tree Local(const char* name, Tree type, int32_t offset) {
    return BindName(name, Build(L_vr, Leaf(InternText(name)), {nullptr, type, nullptr, FrameSlot(offset)}));
  }
  // A global variable: its offset lies beside the globals' base.
  Tree Global(const char* name, Tree type, int32_t offset) {
    return BindName(name,
                    Build(L_vr, Leaf(InternText(name)), {nullptr, type, nullptr, Build(L_of, Leaf(offset), {Build(L_gl)})}));
  }
  Tree NamedConstant(const char* name, Tree type, int32_t value) {
    return BindName(name, Build(L_df, Leaf(InternText(name)), {nullptr, type, Build(L_cn, Leaf(value))}));
  }
  static Tree FrameSlot(int32_t offset) { return Build(L_of, Leaf(offset), {nullptr}); }

  // T[n], stored in place, and T[], a reference to an array of any length.
  Tree ArrayOf(Tree element, int32_t n) {
    int32_t size = 0;
    EXPECT_TRUE(TypeSize(element, size));
    Tree index = Build(L_ty, nullptr,
                       {nullptr, Build(L_sz, Leaf(2)),
                        Build(L_rn, nullptr, {Build(L_cn, Leaf(0)), Build(L_cn, Leaf(n - 1)), Int()})});
    Tree array = Build(L_ar, nullptr, {index, element});
    Tree type = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(n * size)), array});
    EXPECT_TRUE(InsertStuff(type, array));
    return type;
  }
  Tree OpenArrayOf(Tree element) {
    Tree array = Build(L_ar, nullptr, {Kid(Int(), 1), element});
    Tree type = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), array});
    EXPECT_TRUE(InsertStuff(type, array));
    return type;
  }

  // A class with int fields at offsets 0, 2, ...: its class type (a 2-byte
  // reference to the class record) is bound to `name`.
  Tree Class(const char* name, std::initializer_list<const char*> fields) {
    int32_t id = InternText(name);
    Tree cl = Build(L_cl, Leaf(id));
    Tree type = Build(L_ty, Leaf(id), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {cl})});
    EXPECT_TRUE(InsertStuff(type, cl));
    Tree scope = nullptr, last = nullptr;
    EXPECT_TRUE(openPlus(nullptr, scope));
    int32_t offset = 0;
    for (const char* field : fields) {
      int32_t f = InternText(field);
      last = Build(L_vr, Leaf(f), {last, Int(), Build(L_up, cl), FrameSlot(offset)});
      EXPECT_TRUE(into(f, scope, last, scope));
      offset += 2;
    }
    EXPECT_TRUE(ClassParts(last, scope, offset, cl));
    BindName(name, type);
    return type;
  }
  // A field of another type added to a class made by Class.
  Tree AddField(Tree classType, const char* name, Tree type, int32_t offset) {
    Tree cl = Kid(Kid(classType, 3), 1);
    Tree scope = Kid(cl, 5);
    int32_t f = InternText(name);
    Tree field = Build(L_vr, Leaf(f), {Kid(cl, 4), type, Build(L_up, cl), FrameSlot(offset)});
    EXPECT_TRUE(into(f, scope, field, scope));
    SetKid(cl, 5, scope);
    return field;
  }

  // Parses one expression that must take the whole source.
  Parsed Expr() {
    Parsed p;
    EXPECT_TRUE(Expression(syms, p.tree, p.type, p.low, p.high));
    EXPECT_EQ(TokenCode(), T_End) << "the expression ended early";
    return p;
  }
  Parsed Expr(const std::string& source) {
    Source(source);
    return Expr();
  }
  // The message output of a parse that ends the run, or "" when it returns.
  std::string ExprMessage() {
    return MessageOf([&] {
      Parsed p;
      Expression(syms, p.tree, p.type, p.low, p.high);
    });
  }
  // The message text alone, as written on its own line ("" for none).
  static std::string MessageLine(const std::string& output) {
    const std::string tail = "\r\nNested error";
    if (output.size() < 2 + tail.size() || output.compare(output.size() - tail.size(), tail.size(), tail) != 0) {
      return output;
    }
    return output.substr(2, output.size() - 2 - tail.size());
  }
};

inline int32_t Value(Tree t) { return ValueOf(t); }
inline bool IsConstant(Tree t, int32_t v) { return Is(t, L_cn) && ValueOf(t) == v && KidCount(t) == 0; }

}  // namespace vyl::test
