// In-process fixture for the statement rules: a session whose scanner reads
// a piece of a function body, the outermost symbol table with every package
// imported, and the scope of a function being compiled (its context, break
// context, function record and frame location) holding these names:
//
//   int x @6, int y @8, byte b @10, char c @12, String s @14, String t @16,
//   int[5] a @18, char[] buf @28, Semaphore sem @30, FileId f @32,
//   final int N = 42, int g() #3, void p(int) #4, String h() #5.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "codegen/codegen.h"
#include "outermost.h"
#include "scanner/scanner.h"
#include "stmt/stmt.h"

namespace vyl::test {

class StatementFixture : public OutermostTest {
 protected:
  Tree scope = nullptr;     // what the statements see
  Tree function = nullptr;  // the function record (key -3)
  Tree breaks = nullptr;    // the break context (key -2)
  Tree location = nullptr;  // the frame location (key -4)

  // Opens a session on `source` inside a function with the given result
  // type and parameters (name, type name).
  void Begin(const std::string& source, const char* result = "void",
             std::vector<std::pair<const char*, const char*>> params = {}) {
    Open(source, /*scan=*/true);
    Tree top = nullptr;
    ASSERT_TRUE(openPlus(syms, top));
    ASSERT_TRUE(into(kKeyContext, top, nullptr, top));
    ASSERT_TRUE(into(kKeyBreak, top, Build(L_no), top));
    ASSERT_TRUE(into(kKeyTablePool, top, Build(L_tk, nullptr, {nullptr, nullptr}), top));
    ASSERT_TRUE(into(kKeyLocation, top, Build(L_lc, Leaf(6), {Build(L_dl, Leaf(1)), nullptr}), top));
    for (const char* package : {"Hardware", "Dangerous", "Semaphores", "Files"}) Import(top, package);
    syms = scope = top;
    // The k-th of n parameters lies at -2 (n - k + 1).
    int32_t n = static_cast<int32_t>(params.size());
    Tree first = nullptr;
    for (int32_t k = n; k >= 1; --k) {
      auto [name, type] = params[static_cast<std::size_t>(k - 1)];
      first = Build(L_vr, Leaf(InternText(name)), {first, Type(type), nullptr, Build(L_of, Leaf(-2 * (n - k + 1)))});
    }
    function = Function("f", Type(result), first, 2);
    breaks = Build(L_no);
    location = Build(L_lc, Leaf(6), {Build(L_dl, Leaf(1)), nullptr});
    ASSERT_TRUE(openPlus(scope, scope));
    ASSERT_TRUE(into(kKeyContext, scope, function, scope));
    ASSERT_TRUE(into(kKeyBreak, scope, breaks, scope));
    for (Tree p = first; p; p = Kid(p, 1)) ASSERT_TRUE(into(ValueOf(p), scope, p, scope));
    ASSERT_TRUE(into(kKeyLocation, scope, location, scope));
    ASSERT_TRUE(into(kKeyFunction, scope, function, scope));

    const std::pair<const char*, Tree> locals[] = {
        {"x", Int()}, {"y", Int()}, {"b", Type("byte")}, {"c", Type("char")}, {"s", Type("String")},
        {"t", Type("String")}, {"a", ArrayOf(Int(), 5)}, {"buf", ArrayOf(Type("char"), -1)},
        {"sem", Type("Semaphore")}, {"f", Type("FileId")}};
    int32_t offset = 6;
    for (auto [name, type] : locals) {
      Bind(name, Build(L_vr, Leaf(InternText(name)), {nullptr, type, nullptr, Build(L_of, Leaf(offset), {nullptr})}));
      offset += (ValueOf(Kid(type, 2)) + 1) / 2 * 2;
    }
    Bind("N", Build(L_df, nullptr, {nullptr, Int(), Build(L_cn, Leaf(42))}));
    Bind("g", Function("g", Int(), nullptr, 3));
    Bind("p", Function("p", Type("void"), Build(L_vr, Leaf(InternText("v")), {nullptr, Int(), nullptr,
                                                                                Build(L_of, Leaf(-2))}), 4));
    Bind("h", Function("h", Type("String"), nullptr, 5));
  }

  // Binds the members of a package at the current level, as an import does.
  void Import(Tree& table, const char* package) {
    Tree pk = Named(package), value = nullptr;
    std::vector<std::pair<int32_t, Tree>> members;
    int32_t level = 0, name = 0;
    for (int32_t i = 0; ixFrom(i, Kid(pk, 5), value, level, name); ++i) members.emplace_back(name, value);
    for (auto it = members.rbegin(); it != members.rend(); ++it) EXPECT_TRUE(into(it->first, table, it->second, table));
  }

  Tree Type(const char* name) const { return Bound(InternText(name), syms); }
  Tree Int() const { return Key(kKeyInt); }
  Tree Var(const char* name) const { return Bound(InternText(name), scope); }
  Tree Access(const char* name) const { return Kid(Var(name), 4); }
  void Bind(const char* name, Tree record) { ASSERT_TRUE(into(InternText(name), scope, record, scope)); }

  // A function record with its first parameter and procedure number.
  static Tree Function(const char* name, Tree result, Tree first, int32_t number) {
    int32_t words = 1;
    for (Tree p = first; p; p = Kid(p, 1)) ++words;
    Tree signature = Build(L_xf, Leaf(words), {result, first, Build(L_nn), Build(L_no)});
    return Build(L_fn, Leaf(InternText(name)), {nullptr, signature, Build(L_up), Build(L_fn, Leaf(number)), nullptr});
  }

  // An array type of `count` elements, or of any length when count < 0.
  Tree ArrayOf(Tree element, int32_t count) const {
    Tree index = count < 0 ? Kid(Int(), 1)
                           : Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)),
                                                   Build(L_rn, nullptr, {Build(L_cn, Leaf(0)),
                                                                         Build(L_cn, Leaf(count - 1)), Int()})});
    Tree array = Build(L_ar, nullptr, {index, element});
    int32_t size = count < 0 ? 2 : count * ValueOf(Kid(element, 2));
    Tree type = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(size)), array});
    EXPECT_TRUE(InsertStuff(type, array));
    return type;
  }

  // Parses one statement.
  Tree Parse(int32_t reach = 1, int32_t* reachOut = nullptr, Tree prev = nullptr) {
    Tree stmt = nullptr;
    int32_t after = -1;
    EXPECT_TRUE(Statment(nullptr, nullptr, scope, reach, prev, stmt, after));
    if (reachOut) *reachOut = after;
    return stmt;
  }
  // Parses the function's body block.
  Tree Body(int32_t* reachOut = nullptr) {
    Tree block = nullptr, out = nullptr;
    int32_t after = -1;
    EXPECT_TRUE(Blocks(function, scope, 1, nullptr, block, after, out));
    if (reachOut) *reachOut = after;
    return block;
  }
  // Parses a name-led operand: a variable, a constant or a call.
  struct Operand {
    Tree tree = nullptr, record = nullptr, type = nullptr;
    int32_t isCall = -1, low = 0, high = 0;
  };
  Operand NameLed(Tree link = nullptr) {
    Operand o;
    EXPECT_TRUE(LeftOrCall(nullptr, nullptr, scope, link, o.tree, o.record, o.type, o.isCall, o.low, o.high));
    return o;
  }

  // The message that ended the run of `f` ("<no error>" when it returned).
  std::string ErrorOf(const std::function<void()>& f) {
    std::string out = MessageOf(f);
    if (out.empty()) return "<no error>";
    const std::string nested = "\r\nNested error";
    if (out.size() > nested.size() && out.compare(out.size() - nested.size(), nested.size(), nested) == 0) {
      out.erase(out.size() - nested.size());
    }
    std::size_t cut = out.rfind("\r\n");
    return cut == std::string::npos ? out : out.substr(cut + 2);
  }
  std::string StatementError() {
    return ErrorOf([this] {
      Tree stmt = nullptr;
      int32_t after = 0;
      Statment(nullptr, nullptr, scope, 1, nullptr, stmt, after);
    });
  }
  std::string BodyError() {
    return ErrorOf([this] {
      Tree block = nullptr, out = nullptr;
      int32_t after = 0;
      Blocks(function, scope, 1, nullptr, block, after, out);
    });
  }
};

// Child i when the node has it.
inline Tree Child(Tree t, int i) { return KidCount(t) >= i ? Kid(t, i) : nullptr; }
// The line of a statement link.
inline int32_t Line(Tree link) { return Is(link, L_nn) ? ValueOf(Kid(link, 0)) : -1; }
// The statement before `stmt` in its sequence (through its link).
inline Tree Previous(Tree stmt) { return Child(Child(stmt, 1), 1); }

}  // namespace vyl::test
