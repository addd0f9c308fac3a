// Scopes of the symbol table, names of compiler-made types, variable
// storage and access trees.
#include <limits>

#include "codegen/codegen.h"
#include "outermost.h"

namespace vyl {
namespace {

using SymbolsTest = test::OutermostTest;

std::string NameText(int32_t base, int32_t kind) {
  int32_t id = 0;
  EXPECT_TRUE(NewIdent(base, kind, id));
  return std::string(StringText(id));
}

TEST_F(SymbolsTest, ShadowingAndDuplicatesAcrossLevels) {
  int32_t x = InternText("x");
  Tree global = Build(L_vr), local = Build(L_vr), again = nullptr;
  Tree top = nullptr, inner = nullptr, t = nullptr;
  ASSERT_TRUE(openPlus(syms, top));
  ASSERT_TRUE(into(x, top, global, top));
  // A second x at the same level is refused.
  EXPECT_FALSE(into(x, top, Build(L_vr), again));
  EXPECT_EQ(again, nullptr);
  // An inner scope may declare x again; it hides the outer one.
  ASSERT_TRUE(openPlus(top, inner));
  ASSERT_TRUE(into(x, inner, local, t));
  EXPECT_EQ(Bound(x, t), local);
  EXPECT_FALSE(into(x, t, Build(L_vr), again));
  // When the block ends the caller goes on with its older head.
  EXPECT_EQ(Bound(x, top), global);
  // Built-in names may be redeclared in a program's scope, not beside them.
  int32_t intName = InternText("int");
  EXPECT_FALSE(into(intName, syms, Build(L_ty), again));
  ASSERT_TRUE(into(intName, top, Build(L_ty), t));
  EXPECT_NE(Bound(intName, t), Key(kKeyInt));
}

TEST_F(SymbolsTest, NewIdentNamesMadeTypes) {
  int32_t intName = InternText("int");
  EXPECT_EQ(NameText(intName, -10), "int[10]");
  EXPECT_EQ(NameText(intName, 1), "int[]");
  EXPECT_EQ(NameText(intName, 2), "int^");
  EXPECT_EQ(NameText(InternText("p"), InternText("String")), "p'String");
  EXPECT_EQ(NameText(0, -3), "[3]");  // a nameless element
  EXPECT_EQ(NameText(intName, std::numeric_limits<int32_t>::min()), "int[2147483648]");
  // The same text is the same name.
  int32_t first = 0, second = 0;
  ASSERT_TRUE(NewIdent(intName, -10, first));
  ASSERT_TRUE(NewIdent(intName, -10, second));
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, InternText("int[10]"));
}

TEST_F(SymbolsTest, NumIdentAppendsDecimalDigits) {
  for (int32_t n : {0, 7, 10, 305, std::numeric_limits<int32_t>::max(), -42}) {
    ASSERT_TRUE(initbl());
    NumIdent(n);
    int32_t id = 0;
    Intern(1, id);
    EXPECT_EQ(StringText(id), std::to_string(n));
  }
}

// A scope being filled: the context record under key -1 and a location
// record under key -4 whose next free offset is `offset`.
Tree Scope(Tree syms, Tree context, int32_t offset, Tree& location) {
  Tree t = nullptr;
  location = Build(L_lc, Leaf(offset), {Build(L_dl, Leaf(1)), nullptr});
  EXPECT_TRUE(openPlus(syms, t));
  EXPECT_TRUE(into(kKeyContext, t, context, t));
  EXPECT_TRUE(into(kKeyLocation, t, location, t));
  return t;
}

TEST_F(SymbolsTest, NextVarInfoGivesWholeWords) {
  Tree location = nullptr, context = Leaf(1), found = nullptr;
  Tree scope = Scope(syms, context, 6, location);
  int32_t level = -1, offset = -1;
  ASSERT_TRUE(NextVarInfo(Key(kKeyByte), scope, found, level, offset));
  EXPECT_EQ(offset, 6);
  EXPECT_EQ(found, context);
  EXPECT_EQ(level, 1);
  ASSERT_TRUE(NextVarInfo(Key(kKeyByte), scope, found, level, offset));
  EXPECT_EQ(offset, 8);  // a byte occupies a 2-byte slot
  ASSERT_TRUE(NextVarInfo(Key(kKeyString), scope, found, level, offset));
  EXPECT_EQ(offset, 10);
  ASSERT_TRUE(
      NextVarInfo(Kid(Bound(InternText("iVector"), Kid(Named("Hardware"), 5)), 2), scope, found, level, offset));
  EXPECT_EQ(offset, 12);
  EXPECT_EQ(ValueOf(location), 28);
  // A null context (the top level) is still a context.
  Tree top = Scope(syms, nullptr, 0, location);
  ASSERT_TRUE(NextVarInfo(Key(kKeyInt), top, found, level, offset));
  EXPECT_EQ(found, nullptr);
  // Without a scope being filled there is no storage.
  EXPECT_FALSE(NextVarInfo(Key(kKeyInt), syms, found, level, offset));
}

TEST_F(SymbolsTest, NextVarInfoRefusesVoid) {
  Tree location = nullptr, found = nullptr;
  Tree scope = Scope(syms, nullptr, 6, location);
  int32_t level = 0, offset = 0;
  EXPECT_EQ(MessageOf([&] { NextVarInfo(Key(kKeyVoid), scope, found, level, offset); }),
            "\r\nVariables cannot be type 'void'\r\nNested error");
  EXPECT_EQ(ValueOf(location), 6);
}

TEST_F(SymbolsTest, NextVarInfoRefusesAnOffsetBeyondTheRange) {
  Tree location = nullptr, found = nullptr;
  Tree scope = Scope(syms, nullptr, std::numeric_limits<int32_t>::max() - 1, location);
  int32_t level = 0, offset = 0;
  EXPECT_FALSE(NextVarInfo(Key(kKeyInt), scope, found, level, offset));
  Tree huge = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(std::numeric_limits<int32_t>::max()))});
  Tree fresh = Scope(syms, nullptr, 0, location);
  EXPECT_FALSE(NextVarInfo(huge, fresh, found, level, offset));
}

TEST_F(SymbolsTest, VarAccessInSlotAndReferenceModes) {
  Tree location = Build(L_of, Leaf(8), {nullptr});
  Tree variable = Build(L_vr, Leaf(1), {nullptr, Key(kKeyInt), Build(L_up), location});
  Tree access = nullptr;
  ASSERT_TRUE(VarAccess(kSlotMode, -4, variable, access));
  ASSERT_TRUE(Is(access, L_of));
  EXPECT_EQ(ValueOf(access), -4);
  EXPECT_EQ(KidCount(access), 1);
  EXPECT_EQ(Kid(access, 1), nullptr);
  ASSERT_TRUE(VarAccess(kReferenceMode, 0, variable, access));
  EXPECT_EQ(access, location);
  // A constant's access is its value.
  ASSERT_TRUE(VarAccess(kReferenceMode, 0, Key(kKeyNull), access));
  EXPECT_EQ(access, Kid(Key(kKeyNull), 3));
  EXPECT_FALSE(VarAccess(kSlotMode, 0, Key(kKeyNull), access));
  EXPECT_FALSE(VarAccess(kReferenceMode, 0, Build(L_vr, nullptr, {nullptr, Key(kKeyInt)}), access));
  EXPECT_FALSE(VarAccess(kReferenceMode, 0, Key(kKeyInt), access));
}

TEST_F(SymbolsTest, TheOutermostTableBuildsUnderAFullTrace) {
  session.reset();
  host.files["prog.vyl"] = "";
  session = std::make_unique<OpenSession>(host);
  SetTraceLevel(2);
  Tree builtins = nullptr;
  ASSERT_TRUE(BuiltinTypes(nullptr, builtins));
  ASSERT_TRUE(BasicInOutSyms(builtins, syms, mainName));
  SetTraceLevel(0);
  session.reset();
  const std::string& trace = host.files["KIBdbg.txt"];
  EXPECT_NE(trace.find("+BuiltinTypes"), std::string::npos);
  EXPECT_NE(trace.find("-BasicInOutSyms"), std::string::npos);
}

}  // namespace
}  // namespace vyl
