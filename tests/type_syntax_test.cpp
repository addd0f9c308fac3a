// Names and types read from source text: QualIdent, TypeName and aType.
#include "codegen/codegen.h"
#include "outermost.h"
#include "scanner/scanner.h"

namespace vyl {
namespace {

struct Resolved {
  int32_t name = -1, modifiers = -1;
  Tree record = nullptr, access = nullptr, extra = nullptr;
};

class TypeSyntaxTest : public test::OutermostTest {
 protected:
  void SetUp() override {}
  std::string NameOf(Tree t) { return std::string(StringText(ValueOf(Kid(t, 0)))); }
  Tree ParseType(const std::string& source) {
    Open(source, true);
    Tree type = nullptr;
    EXPECT_TRUE(aType(syms, type)) << source;
    return type;
  }
  std::string TypeMessage(const std::string& source) {
    Open(source, true);
    Tree type = nullptr;
    return MessageOf([&] { aType(syms, type); });
  }
  bool Resolve(Tree table, Resolved& r) {
    return QualIdent(0, table, r.name, r.record, r.access, r.extra, r.modifiers);
  }
};

TEST_F(TypeSyntaxTest, BuiltinNamesFollowTheKeywords) {
  Open("", true);
  // The keywords take ids 30 to 87; null and void are keywords themselves.
  EXPECT_EQ(ValueOf(Kid(Key(kKeyNull), 0)), 87);
  EXPECT_EQ(ValueOf(Kid(Key(kKeyVoid), 0)), 78);
  EXPECT_EQ(StringText(90), "Object");
  EXPECT_EQ(StringText(99), "int");
  EXPECT_EQ(StringText(117), "LENGTH");
  EXPECT_EQ(mainName, 120);
}

TEST_F(TypeSyntaxTest, ArrayTypes) {
  int32_t size = 0, high = 0, element = 0;
  Tree t = ParseType("int[3][4] x");
  EXPECT_EQ(NameOf(t), "int[3][4]");
  EXPECT_TRUE(TypeSize(t, size) && size == 24);
  EXPECT_TRUE(ArrayBounds(t, high, element) && high == 3 && element == 6);
  Tree inner = Kid(Kid(t, 3), 2);
  EXPECT_EQ(NameOf(inner), "int[3]");
  EXPECT_TRUE(ArrayBounds(inner, high, element) && high == 2 && element == 2);
  EXPECT_EQ(Kid(Kid(t, 3), 3), t);
  EXPECT_EQ(Kid(Kid(Kid(t, 3), 1), 0), nullptr);  // a nameless index type
  EXPECT_EQ(TokenCode(), T_Ident);                // the declared name is left
  // Empty brackets: a 2-byte reference over the unbounded index type.
  t = ParseType("char[]");
  EXPECT_EQ(NameOf(t), "char[]");
  EXPECT_TRUE(TypeSize(t, size) && size == 2);
  EXPECT_EQ(Kid(Kid(t, 3), 1), Kid(Key(kKeyInt), 1));
  Tree e = Build(L_cn, Leaf(0)), result = nullptr;
  EXPECT_TRUE(Coerce(Key(kKeyString), t, e, result) && result == e);
  t = ParseType("byte[][0x5]");
  EXPECT_EQ(NameOf(t), "byte[][5]");
  EXPECT_TRUE(TypeSize(t, size) && size == 10);
  // Equal declarations make equal types with one name; the vector table's type is int[8].
  Open("int[8] int[8]", true);
  Tree a = nullptr, b = nullptr;
  ASSERT_TRUE(aType(syms, a) && aType(syms, b));
  EXPECT_TRUE(a != b && Equal(a, b) && ValueOf(Kid(a, 0)) == ValueOf(Kid(b, 0)));
  EXPECT_TRUE(Equal(a, Kid(Bound(InternText("iVector"), Kid(Named("Hardware"), 5)), 2)));
}

TEST_F(TypeSyntaxTest, NamedTypesAndNames) {
  for (const auto& [text, key] : {std::pair{"String", kKeyString}, {"void", kKeyVoid}, {"byte", kKeyByte}}) {
    Tree type = ParseType(text);
    EXPECT_EQ(type, Key(key)) << text;
  }
  // A name bound to a record type with a class descriptor: TypeName gives
  // the class record, aType the type bound to the name.
  Open("Thing Thing (", true);
  Tree t = nullptr, record = nullptr, type = nullptr;
  int32_t name = 0;
  ASSERT_TRUE(openPlus(syms, t) && into(InternText("Thing"), t, Key(kKeyObject), t));
  EXPECT_TRUE(TypeName(t, record, name) && record == Kid(Key(kKeyObject), 3) && StringText(name) == "Thing");
  EXPECT_TRUE(aType(t, type) && type == Key(kKeyObject));
  EXPECT_FALSE(aType(t, type));  // "(": no type here, nothing consumed
  EXPECT_EQ(TokenCode(), T_LParen);
}

TEST_F(TypeSyntaxTest, Messages) {
  const std::string nested = "\r\nNested error";
  EXPECT_EQ(TypeMessage("ORD x"), "\r\nType name expected here" + nested);
  EXPECT_EQ(TypeMessage("Hardware x"), "\r\nType name expected here" + nested);
  EXPECT_EQ(TypeMessage("Object x"), "\r\nUndefined name Object" + nested);  // known by key only
  EXPECT_EQ(TypeMessage("int[0]"), "\r\nArray size must be >0" + nested);
  EXPECT_EQ(TypeMessage("int[3"), "\r\nMissing ']' (or bad array size value)" + nested);
  // A size that is an expression but not a constant is reported by the
  // expression rules.
  EXPECT_EQ(TypeMessage("int[n]"), "\r\nUndefined name n" + nested);
  // A size no memory holds is refused rather than wrapped.
  EXPECT_EQ(TypeMessage("int[1000000][1000000]"), "\r\nMissing ']' (or bad array size value)" + nested);
}

TEST_F(TypeSyntaxTest, QualIdentResolvesTheInnermostBinding) {
  Open("x x null ORD Hardware . white", true);
  int32_t x = InternText("x");
  Tree outerLoc = Build(L_of, Leaf(6), {Build(L_gl)}), innerLoc = Build(L_of, Leaf(8), {nullptr});
  Tree outer = Build(L_vr, Leaf(x), {nullptr, Key(kKeyInt), Build(L_up), outerLoc});
  Tree inner = Build(L_vr, Leaf(x), {nullptr, Key(kKeyByte), Build(L_up), innerLoc});
  Tree top = nullptr, block = nullptr;
  ASSERT_TRUE(openPlus(syms, top) && into(x, top, outer, top) && openPlus(top, block) && into(x, block, inner, block));
  Resolved r;
  EXPECT_TRUE(Resolve(block, r) && r.record == inner && r.access == innerLoc && r.name == 0);
  EXPECT_TRUE(Resolve(top, r) && r.record == outer && r.access == outerLoc);
  EXPECT_FALSE(Resolve(syms, r));  // a keyword is not a name
  ASSERT_TRUE(Accept(K_null));
  EXPECT_TRUE(Resolve(syms, r) && r.record == Named("ORD") && r.access == nullptr);
  // A package is a record of its own: "." does not continue into it.
  EXPECT_TRUE(Resolve(syms, r) && r.record == Named("Hardware"));
  EXPECT_EQ(TokenCode(), T_Dot);
}

TEST_F(TypeSyntaxTest, QualIdentContinuesInAClassMemberTable) {
  Open("white Video.top Video.top Video.white", true);
  Tree hardware = Kid(Named("Hardware"), 5);
  Resolved r;
  EXPECT_TRUE(Resolve(hardware, r) && Equal(r.access, Build(L_cn, Leaf(215))));  // a constant's value
  // The device name denotes its variable, which ends the resolution.
  ASSERT_TRUE(Resolve(hardware, r) && Is(r.record, L_vr));
  int32_t top = 0;
  ASSERT_TRUE(Accept(T_Dot) && TokIdent(top));
  // Bound to the device's record type, the name continues among its fields only.
  Tree t = nullptr;
  ASSERT_TRUE(openPlus(hardware, t) && into(InternText("Video"), t, Kid(r.record, 2), t));
  EXPECT_TRUE(Resolve(t, r) && Equal(r.access, Build(L_cn, Leaf(-32))));
  EXPECT_EQ(MessageOf([&] { Resolve(t, r); }), "\r\nUndefined name white\r\nNested error");
  Open("Video.void", true);
  hardware = Kid(Named("Hardware"), 5);
  ASSERT_TRUE(openPlus(hardware, t) && into(InternText("Video"), t, Kid(Bound(InternText("Video"), hardware), 2), t));
  EXPECT_EQ(MessageOf([&] { Resolve(t, r); }), "\r\n'void' is not a class member\r\nNested error");
}

}  // namespace
}  // namespace vyl
