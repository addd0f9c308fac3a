// In-process fixture for the statement rules: a session whose scanner reads
// a piece of function body, the outermost symbol table with the packages a
// test imports, and the scope of a function being compiled (its context,
// break context, function record and frame location), into which a test
// binds the variables the statements use.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "codegen/codegen.h"
#include "outermost.h"
#include "scanner/scanner.h"
#include "stmt/stmt.h"

namespace vyl::test {

class StatementFixture : public OutermostTest {
 protected:
  Tree scope = nullptr;     // the function's scope: what the statements see
  Tree function = nullptr;  // the function record (key -3)
  Tree breaks = nullptr;    // the break context (key -2)
  Tree location = nullptr;  // the frame location (key -4)

  // Opens a session on `source` and makes the scope of a function with the
  // given result type (a type name) and parameters (name, type name), after
  // importing `imports`.
  void Begin(const std::string& source, std::initializer_list<const char*> imports = {},
             const char* result = "void", std::vector<std::pair<const char*, const char*>> params = {}) {
    Open(source, /*scan=*/true);
    Tree top = nullptr;
    ASSERT_TRUE(openPlus(syms, top));
    ASSERT_TRUE(into(kKeyContext, top, nullptr, top));
    ASSERT_TRUE(into(kKeyBreak, top, Build(L_no), top));
    ASSERT_TRUE(into(kKeyTablePool, top, Build(L_tk, nullptr, {nullptr, nullptr}), top));
    ASSERT_TRUE(into(kKeyLocation, top, Build(L_lc, Leaf(6), {Build(L_dl, Leaf(1)), nullptr}), top));
    for (const char* package : imports) top = Import(top, package);
    syms = top;

    // The parameters, first to last: the k-th of n at -2 (n - k + 1).
    Tree first = nullptr;
    int32_t n = static_cast<int32_t>(params.size());
    Tree resultType = result == std::string("void") ? Key(kKeyVoid) : Named(result);
    Tree signature = Build(L_xf, Leaf(n + 1), {resultType, nullptr, Build(L_nn), Build(L_no)});
    function = Build(L_fn, Leaf(InternText("f")),
                     {nullptr, signature, Build(L_up), Build(L_fn, Leaf(2)), nullptr});
    ASSERT_TRUE(openPlus(syms, scope));
    ASSERT_TRUE(into(kKeyContext, scope, function, scope));
    breaks = Build(L_no);
    ASSERT_TRUE(into(kKeyBreak, scope, breaks, scope));
    for (int32_t k = n; k >= 1; --k) {
      auto [name, type] = params[static_cast<std::size_t>(k - 1)];
      first = Build(L_vr, Leaf(InternText(name)), {first, Named(type), nullptr, Build(L_of, Leaf(-2 * (n - k + 1)))});
      ASSERT_TRUE(into(InternText(name), scope, first, scope));
    }
    SetKid(signature, 2, first);
    location = Build(L_lc, Leaf(6), {Build(L_dl, Leaf(1)), nullptr});
    ASSERT_TRUE(into(kKeyLocation, scope, location, scope));
    ASSERT_TRUE(into(kKeyFunction, scope, function, scope));
  }

  // Binds the members of a package as an import does.
  Tree Import(Tree table, const char* package) {
    Tree pk = Named(package);
    EXPECT_TRUE(Is(pk, L_pk)) << package;
    std::vector<std::pair<int32_t, Tree>> members;
    Tree value = nullptr;
    int32_t level = 0, name = 0;
    for (int32_t i = 0; ixFrom(i, Kid(pk, 5), value, level, name); ++i) members.emplace_back(name, value);
    for (auto it = members.rbegin(); it != members.rend(); ++it) EXPECT_TRUE(into(it->first, table, it->second, table));
    return table;
  }

  // A type by name, or a built-in by key.
  Tree Type(const char* name) const { return Bound(InternText(name), scope ? scope : syms); }
  Tree Int() const { return Key(kKeyInt); }

  // An array type of `count` elements, or of any length when count < 0.
  Tree ArrayOf(Tree element, int32_t count) {
    int32_t elementSize = 0;
    EXPECT_TRUE(TypeSize(element, elementSize));
    Tree index = count < 0 ? Kid(Int(), 1)
                           : Build(L_ty, nullptr,
                                   {nullptr, Build(L_sz, Leaf(2)),
                                    Build(L_rn, nullptr, {Build(L_cn, Leaf(0)), Build(L_cn, Leaf(count - 1)), Int()})});
    Tree array = Build(L_ar, nullptr, {index, element});
    Tree type = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(count < 0 ? 2 : count * elementSize)), array});
    EXPECT_TRUE(InsertStuff(type, array));
    return type;
  }

  // A variable of the function's frame at `offset`, bound in the scope.
  Tree Local(const char* name, Tree type, int32_t offset) {
    Tree v = Build(L_vr, Leaf(InternText(name)), {nullptr, type, nullptr, Build(L_of, Leaf(offset), {nullptr})});
    EXPECT_TRUE(into(InternText(name), scope, v, scope));
    return v;
  }
  // A global variable at `offset` of the global area.
  Tree GlobalVar(const char* name, Tree type, int32_t offset) {
    Tree v = Build(L_vr, Leaf(InternText(name)), {nullptr, type, nullptr, Build(L_of, Leaf(offset), {Build(L_gl)})});
    EXPECT_TRUE(into(InternText(name), scope, v, scope));
    return v;
  }
  // A named constant.
  Tree Constant(const char* name, int32_t value, Tree type = nullptr) {
    Tree d = Build(L_df, nullptr, {nullptr, type ? type : Int(), Build(L_cn, Leaf(value))});
    EXPECT_TRUE(into(InternText(name), scope, d, scope));
    return d;
  }
  // A declared function with procedure number `number` and parameters of
  // the given types (offsets as a definition gives them).
  Tree Function(const char* name, Tree result, std::vector<Tree> paramTypes, int32_t number) {
    Tree first = nullptr;
    int32_t n = static_cast<int32_t>(paramTypes.size());
    for (int32_t k = n; k >= 1; --k) {
      first = Build(L_vr, Leaf(InternText("p")), {first, paramTypes[static_cast<std::size_t>(k - 1)], nullptr,
                                                  Build(L_of, Leaf(-2 * (n - k + 1)))});
    }
    Tree signature = Build(L_xf, Leaf(n + 1), {result, first, Build(L_nn), Build(L_no)});
    Tree fn = Build(L_fn, Leaf(InternText(name)), {nullptr, signature, Build(L_up), Build(L_fn, Leaf(number)), nullptr});
    EXPECT_TRUE(into(InternText(name), scope, fn, scope));
    return fn;
  }

  // Parses one statement of the source.
  Tree Parse(int32_t reach = 1, int32_t* reachOut = nullptr, Tree prev = nullptr) {
    Tree stmt = nullptr;
    int32_t after = -1;
    EXPECT_TRUE(Statment(nullptr, nullptr, scope, reach, prev, stmt, after));
    if (reachOut) *reachOut = after;
    return stmt;
  }
  // The reachability after one statement.
  int32_t ReachAfter(int32_t reach = 1) {
    int32_t after = -1;
    Parse(reach, &after);
    return after;
  }
  // Parses the function's body block.
  Tree Body(int32_t* reachOut = nullptr) {
    Tree block = nullptr, out = nullptr;
    int32_t after = -1;
    EXPECT_TRUE(Blocks(function, scope, 1, nullptr, block, after, out));
    if (reachOut) *reachOut = after;
    return block;
  }

  // The message that ended the compilation of `f`: the output after the
  // line end that precedes a message ("" when `f` returned normally).
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

// Shape helpers.
inline Tree Child(Tree t, int i) { return KidCount(t) >= i ? Kid(t, i) : nullptr; }
inline int32_t Line(Tree link) { return Is(link, L_nn) ? ValueOf(Kid(link, 0)) : -1; }

}  // namespace vyl::test
