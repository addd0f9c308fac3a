// Scopes of the symbol table, names of compiler-made types, variable
// storage and access trees.
#include <limits>

#include "codegen/codegen.h"
#include "outermost.h"

namespace vyl {
namespace {

using SymbolsTest = test::OutermostTest;

TEST_F(SymbolsTest, ShadowingAndDuplicatesAcrossLevels) {
  int32_t x = InternText("x"), intName = InternText("int");
  Tree global = Build(L_vr), local = Build(L_vr), refused = Leaf(0), top = nullptr, inner = nullptr;
  ASSERT_TRUE(openPlus(syms, top) && into(x, top, global, top));
  EXPECT_FALSE(into(x, top, Build(L_vr), refused));
  EXPECT_EQ(refused, nullptr);
  ASSERT_TRUE(openPlus(top, inner) && into(x, inner, local, inner));
  EXPECT_EQ(Bound(x, inner), local);
  EXPECT_EQ(Bound(x, top), global);  // visible again after the block
  // A built-in name may be declared again in the program's scope only.
  EXPECT_FALSE(into(intName, syms, Build(L_ty), refused));
  EXPECT_TRUE(into(intName, top, Build(L_ty), refused));
}

TEST_F(SymbolsTest, NewIdentNamesMadeTypes) {
  auto made = [](int32_t base, int32_t kind) {
    int32_t id = 0;
    EXPECT_TRUE(NewIdent(base, kind, id));
    return std::string(StringText(id));
  };
  int32_t intName = InternText("int");
  EXPECT_EQ(made(intName, -10), "int[10]");
  EXPECT_EQ(made(intName, 1), "int[]");
  EXPECT_EQ(made(intName, 2), "int^");
  EXPECT_EQ(made(InternText("p"), InternText("String")), "p'String");
  EXPECT_EQ(made(intName, std::numeric_limits<int32_t>::min()), "int[2147483648]");
  int32_t a = 0, b = 0;
  ASSERT_TRUE(NewIdent(intName, -10, a) && NewIdent(intName, -10, b));
  EXPECT_EQ(a, b);
  ASSERT_TRUE(initbl());
  NumIdent(305);
  NumIdent(-42);
  Intern(1, a);
  EXPECT_EQ(StringText(a), "305-42");
}

// A scope being filled: a context record under key -1 and a location record
// under key -4 whose next free offset is `offset`.
Tree Scope(Tree syms, Tree context, int32_t offset, Tree& location) {
  Tree t = nullptr;
  location = Build(L_lc, Leaf(offset), {Build(L_dl, Leaf(1)), nullptr});
  EXPECT_TRUE(openPlus(syms, t) && into(kKeyContext, t, context, t) && into(kKeyLocation, t, location, t));
  return t;
}

TEST_F(SymbolsTest, NextVarInfoGivesWholeWords) {
  Tree location = nullptr, context = Leaf(1), found = nullptr;
  Tree scope = Scope(syms, context, 6, location);
  int32_t level = -1, offset = -1;
  ASSERT_TRUE(NextVarInfo(Key(kKeyByte), scope, found, level, offset));
  EXPECT_EQ(std::make_tuple(found, level, offset), std::make_tuple(context, 1, 6));
  ASSERT_TRUE(NextVarInfo(Key(kKeyByte), scope, found, level, offset));
  EXPECT_EQ(offset, 8);  // a byte occupies a 2-byte slot
  ASSERT_TRUE(
      NextVarInfo(Kid(Bound(InternText("iVector"), Kid(Named("Hardware"), 5)), 2), scope, found, level, offset));
  EXPECT_EQ(std::make_pair(offset, ValueOf(location)), std::make_pair(10, 26));
  EXPECT_FALSE(NextVarInfo(Key(kKeyInt), syms, found, level, offset));  // no scope being filled
  Tree full = Scope(syms, nullptr, std::numeric_limits<int32_t>::max() - 1, location);
  EXPECT_FALSE(NextVarInfo(Key(kKeyInt), full, found, level, offset));
  EXPECT_THROW(NextVarInfo(Key(kKeyVoid), scope, found, level, offset), FatalReturn);
  EXPECT_EQ(host.files["prog.ftx"], "\r\nVariables cannot be type 'void'\r\nNested error");
}

TEST_F(SymbolsTest, VarAccessInSlotAndReferenceModes) {
  Tree location = Build(L_of, Leaf(8), {nullptr});
  Tree variable = Build(L_vr, Leaf(1), {nullptr, Key(kKeyInt), Build(L_up), location});
  Tree access = nullptr;
  ASSERT_TRUE(VarAccess(kSlotMode, -4, variable, access));
  EXPECT_TRUE(Equal(access, Build(L_of, Leaf(-4), {nullptr})));
  EXPECT_TRUE(VarAccess(kReferenceMode, 0, variable, access) && access == location);
  EXPECT_TRUE(VarAccess(kReferenceMode, 0, Key(kKeyNull), access) && access == Kid(Key(kKeyNull), 3));
  EXPECT_FALSE(VarAccess(kSlotMode, 0, Key(kKeyNull), access));
  EXPECT_FALSE(VarAccess(kReferenceMode, 0, Build(L_vr, nullptr, {nullptr, Key(kKeyInt)}), access));
  EXPECT_FALSE(VarAccess(kReferenceMode, 0, Key(kKeyInt), access));
}

TEST_F(SymbolsTest, TheOutermostTableBuildsUnderAFullTrace) {
  // The records are cyclic (types link back to themselves); tracing must end.
  session.reset();
  session = std::make_unique<OpenSession>(host);
  SetTraceLevel(2);
  Tree builtins = nullptr;
  ASSERT_TRUE(BuiltinTypes(nullptr, builtins) && BasicInOutSyms(builtins, syms, mainName));
  session.reset();
  EXPECT_NE(host.files["KIBdbg.txt"].find("-BasicInOutSyms"), std::string::npos);
}

}  // namespace
}  // namespace vyl
