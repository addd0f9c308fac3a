// Names and types read from source text: QualIdent, TypeName and aType.
#include "codegen/codegen.h"
#include "outermost.h"
#include "scanner/scanner.h"

namespace vyl {
namespace {

class TypeSyntaxTest : public test::OutermostTest {
 protected:
  void SetUp() override {}
  // The outermost table with the scanner reading `source`.
  void Source(const std::string& source) { Open(source, true); }
  std::string Text(int32_t id) { return std::string(StringText(id)); }
  Tree ParseType(const std::string& source) {
    Source(source);
    Tree type = nullptr;
    EXPECT_TRUE(aType(syms, type)) << source;
    return type;
  }
  std::string TypeMessage(const std::string& source) {
    Source(source);
    return MessageOf([&] {
      Tree type = nullptr;
      aType(syms, type);
    });
  }
  static int32_t SizeOf(Tree type) {
    int32_t size = -1;
    return TypeSize(type, size) ? size : -1;
  }
};

// ---------------------------------------------------------------------------
// The names the scanner interned first

TEST_F(TypeSyntaxTest, BuiltinNamesFollowTheKeywords) {
  Source("");
  // The twenty keywords take ids 30 to 87; null and void are keywords and
  // keep their ids, the other names follow in their order.
  EXPECT_EQ(ValueOf(Kid(Key(kKeyNull), 0)), 87);
  EXPECT_EQ(ValueOf(Kid(Key(kKeyVoid), 0)), 78);
  int32_t id = 90;
  for (const char* name : {"Object", "String", "Tjrowatle", "int", "boolean", "char", "byte", "ORD", "CHR", "LENGTH"}) {
    EXPECT_EQ(Text(id), name);
    id += 3;
  }
  EXPECT_EQ(mainName, id);
}

// ---------------------------------------------------------------------------
// aType

TEST_F(TypeSyntaxTest, ArraysOfArraysNestFromTheLeft) {
  Tree t = ParseType("int[3][4] x");
  EXPECT_EQ(SizeOf(t), 24);
  EXPECT_EQ(Text(ValueOf(Kid(t, 0))), "int[3][4]");
  int32_t high = 0, element = 0;
  ASSERT_TRUE(ArrayBounds(t, high, element));
  EXPECT_EQ(high, 3);  // 4 elements
  EXPECT_EQ(element, 6);
  Tree inner = Kid(Kid(t, 3), 2);
  EXPECT_EQ(Text(ValueOf(Kid(inner, 0))), "int[3]");
  EXPECT_EQ(SizeOf(inner), 6);
  ASSERT_TRUE(ArrayBounds(inner, high, element));
  EXPECT_EQ(std::make_pair(high, element), std::make_pair(2, 2));
  EXPECT_EQ(Kid(Kid(inner, 3), 2), Key(kKeyInt));
  EXPECT_EQ(Kid(Kid(t, 3), 3), t);  // back link
  EXPECT_EQ(Kid(t, 1), nullptr);
  // The index type is nameless, 2 bytes, ranging over the elements.
  Tree index = Kid(Kid(t, 3), 1);
  EXPECT_EQ(Kid(index, 0), nullptr);
  EXPECT_EQ(SizeOf(index), 2);
  EXPECT_EQ(Kid(Kid(index, 3), 3), Key(kKeyInt));
  // The name after the type is left for the caller.
  int32_t name = 0;
  EXPECT_TRUE(TokIdent(name));
  EXPECT_EQ(Text(name), "x");
}

TEST_F(TypeSyntaxTest, EmptyBracketsGiveAReference) {
  Tree t = ParseType("char[]");
  EXPECT_EQ(SizeOf(t), 2);
  EXPECT_EQ(Text(ValueOf(Kid(t, 0))), "char[]");
  EXPECT_EQ(Kid(Kid(t, 3), 1), Kid(Key(kKeyInt), 1));  // the unbounded index type
  int32_t size = 0, ref = 0;
  ASSERT_TRUE(IsPointer(t, size, ref));
  EXPECT_EQ(ref, 1);
  // char[] and String need no conversion between them.
  Tree e = Build(L_cn, Leaf(0)), result = nullptr;
  ASSERT_TRUE(Coerce(Key(kKeyString), t, e, result));
  EXPECT_EQ(result, e);
  // An array of references: 5 references of 2 bytes.
  Tree u = ParseType("int[][5]");
  EXPECT_EQ(SizeOf(u), 10);
  EXPECT_EQ(Text(ValueOf(Kid(u, 0))), "int[][5]");
  Tree h = ParseType("byte[0x10]");
  EXPECT_EQ(SizeOf(h), 16);
  EXPECT_EQ(Text(ValueOf(Kid(h, 0))), "byte[16]");
}

TEST_F(TypeSyntaxTest, EqualDeclarationsShareNameAndEqualTypes) {
  Source("int[10] int[10] int[8]");
  Tree a = nullptr, b = nullptr, c = nullptr;
  ASSERT_TRUE(aType(syms, a));
  ASSERT_TRUE(aType(syms, b));
  ASSERT_TRUE(aType(syms, c));
  EXPECT_NE(a, b);
  EXPECT_EQ(ValueOf(Kid(a, 0)), ValueOf(Kid(b, 0)));
  EXPECT_TRUE(Equal(a, b));
  EXPECT_TRUE(Assignable(syms, a, b));
  EXPECT_FALSE(Equal(a, c));
  // The vector table's type is written int[8].
  Tree vector = Kid(Bound(InternText("iVector"), Kid(Named("Hardware"), 5)), 2);
  EXPECT_TRUE(Equal(c, vector));
}

TEST_F(TypeSyntaxTest, NamedTypes) {
  for (const auto& [text, key] : {std::pair{"String", kKeyString}, {"void", kKeyVoid}, {"byte", kKeyByte}}) {
    Tree type = ParseType(text);
    EXPECT_EQ(type, Key(key)) << text;
  }
  // A class name gives its class record; aType takes the type bound to it.
  Source("Thing");
  Tree t = nullptr, record = nullptr;
  int32_t name = 0;
  ASSERT_TRUE(openPlus(syms, t) && into(InternText("Thing"), t, Key(kKeyObject), t));
  ASSERT_TRUE(TypeName(t, record, name));
  EXPECT_TRUE(Is(record, L_cl));
  EXPECT_EQ(Text(name), "Thing");
  Source("Thing");
  ASSERT_TRUE(openPlus(syms, t) && into(InternText("Thing"), t, Key(kKeyObject), t));
  Tree type = nullptr;
  ASSERT_TRUE(aType(t, type));
  EXPECT_EQ(type, Key(kKeyObject));
  // Object itself is known by key only.
  EXPECT_EQ(TypeMessage("Object"), "\r\nUndefined name Object\r\nNested error");
}

TEST_F(TypeSyntaxTest, NotATypeName) {
  Source("(int");
  Tree type = nullptr;
  EXPECT_FALSE(aType(syms, type));  // nothing consumed: the alternative is not taken
  EXPECT_EQ(TokenCode(), T_LParen);
  EXPECT_EQ(TypeMessage("ORD x"), "\r\nType name expected here\r\nNested error");
  EXPECT_EQ(TypeMessage("null x"), "");  // a keyword is not a name
  EXPECT_EQ(TypeMessage("Hardware x"), "\r\nType name expected here\r\nNested error");
  EXPECT_EQ(TypeMessage("Thing x"), "\r\nUndefined name Thing\r\nNested error");
}

TEST_F(TypeSyntaxTest, BadArraySizes) {
  EXPECT_EQ(TypeMessage("int[0]"), "\r\nArray size must be >0\r\nNested error");
  EXPECT_EQ(TypeMessage("int[3"), "\r\nMissing ']' (or bad array size value)\r\nNested error");
  // A size that is an expression but not a constant is reported by the
  // expression rules.
  EXPECT_EQ(TypeMessage("int[n]"), "\r\nUndefined name n\r\nNested error");
  // A size no memory holds is refused rather than wrapped.
  EXPECT_EQ(TypeMessage("int[2000000000]"), "\r\nMissing ']' (or bad array size value)\r\nNested error");
  EXPECT_EQ(TypeMessage("int[1000000][1000000]"), "\r\nMissing ']' (or bad array size value)\r\nNested error");
}

// ---------------------------------------------------------------------------
// QualIdent

struct Resolved {
  int32_t name = -1;
  Tree record = nullptr, access = nullptr, extra = nullptr;
  int32_t modifiers = -1;
};

TEST_F(TypeSyntaxTest, QualIdentResolvesTheInnermostBinding) {
  Source("x x");
  int32_t x = InternText("x");
  Tree outerLoc = Build(L_of, Leaf(6), {Build(L_gl)}), innerLoc = Build(L_of, Leaf(8), {nullptr});
  Tree outer = Build(L_vr, Leaf(x), {nullptr, Key(kKeyInt), Build(L_up), outerLoc});
  Tree inner = Build(L_vr, Leaf(x), {nullptr, Key(kKeyByte), Build(L_up), innerLoc});
  Tree top = nullptr, block = nullptr;
  ASSERT_TRUE(openPlus(syms, top) && into(x, top, outer, top));
  ASSERT_TRUE(openPlus(top, block) && into(x, block, inner, block));
  Resolved r;
  ASSERT_TRUE(QualIdent(0, block, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_EQ(r.record, inner);
  EXPECT_EQ(r.access, innerLoc);
  EXPECT_EQ(r.name, 0);
  ASSERT_TRUE(QualIdent(0, top, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_EQ(r.record, outer);
  EXPECT_EQ(r.access, outerLoc);
}

TEST_F(TypeSyntaxTest, QualIdentRecordsOtherThanVariables) {
  Source("int null ORD Hardware . white");
  Resolved r;
  ASSERT_TRUE(QualIdent(0, syms, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_EQ(r.modifiers, 0);
  EXPECT_EQ(r.record, Key(kKeyInt));
  EXPECT_EQ(Text(r.name), "int");
  EXPECT_EQ(r.access, nullptr);
  // A keyword is not a name.
  EXPECT_FALSE(QualIdent(0, syms, r.name, r.record, r.access, r.extra, r.modifiers));
  ASSERT_TRUE(Accept(K_null));
  ASSERT_TRUE(QualIdent(0, syms, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_EQ(r.record, Named("ORD"));
  EXPECT_EQ(r.modifiers, 0);
  // A package is a record of its own; "." does not continue into it.
  ASSERT_TRUE(QualIdent(0, syms, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_EQ(r.record, Named("Hardware"));
  EXPECT_EQ(TokenCode(), T_Dot);
}

TEST_F(TypeSyntaxTest, QualIdentContinuesInAClassMemberTable) {
  Source("Box.size Box.void Box . size");
  // A record type whose descriptor is its class record (as Object and the
  // devices are), the class's member table binding a field "size".
  int32_t box = InternText("Box"), size = InternText("size");
  Tree type = Build(L_ty, Leaf(box), {nullptr, Build(L_sz, Leaf(2))});
  Tree cl = Build(L_cl, Leaf(box));
  ASSERT_TRUE(InsertStuff(type, cl) && InsertStuff(cl, type));
  Tree fieldLoc = Build(L_of, Leaf(0), {nullptr});
  Tree field = Build(L_vr, Leaf(size), {nullptr, Key(kKeyInt), Build(L_up, cl), fieldLoc});
  Tree members = nullptr, t = nullptr;
  ASSERT_TRUE(openPlus(nullptr, members) && into(size, members, field, members));
  ASSERT_TRUE(ClassParts(field, members, 2, cl));
  ASSERT_TRUE(openPlus(syms, t) && into(box, t, type, t));
  Resolved r;
  ASSERT_TRUE(QualIdent(0, t, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_EQ(r.record, field);
  EXPECT_EQ(r.access, fieldLoc);
  // The member table binds no void type.
  EXPECT_EQ(MessageOf([&] { QualIdent(0, t, r.name, r.record, r.access, r.extra, r.modifiers); }),
            "\r\n'void' is not a class member\r\nNested error");
}

TEST_F(TypeSyntaxTest, QualIdentLooksOnlyAmongTheMembers) {
  Source("Video.top Video.top Video.white");
  // Devices: the name denotes the variable, which ends the resolution.
  Tree hardware = Kid(Named("Hardware"), 5);
  Resolved r;
  ASSERT_TRUE(QualIdent(0, hardware, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_TRUE(Is(r.record, L_vr));
  EXPECT_EQ(TokenCode(), T_Dot);
  // Through the device's record type, only the fields are members.
  Tree device = Kid(r.record, 2);
  Tree t = nullptr;
  ASSERT_TRUE(openPlus(hardware, t) && into(InternText("Video"), t, device, t));
  ASSERT_TRUE(Accept(T_Dot));
  int32_t top = 0;
  ASSERT_TRUE(TokIdent(top));
  ASSERT_TRUE(QualIdent(0, t, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_TRUE(Equal(r.access, Build(L_cn, Leaf(-32))));
  EXPECT_EQ(MessageOf([&] { QualIdent(0, t, r.name, r.record, r.access, r.extra, r.modifiers); }),
            "\r\nUndefined name white\r\nNested error");
}

TEST_F(TypeSyntaxTest, QualIdentNamesAClassWithoutADot) {
  Source("Thing x");
  // A name bound to a record type with a class descriptor gives the class.
  Tree t = nullptr;
  ASSERT_TRUE(openPlus(syms, t) && into(InternText("Thing"), t, Key(kKeyObject), t));
  Resolved r;
  ASSERT_TRUE(QualIdent(0, t, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_EQ(r.record, Kid(Key(kKeyObject), 3));
  EXPECT_EQ(Text(r.name), "Thing");
  EXPECT_EQ(r.access, nullptr);
}

TEST_F(TypeSyntaxTest, QualIdentGivesConstantsTheirValue) {
  Source("white Video");
  Tree hardware = Kid(Named("Hardware"), 5);
  Resolved r;
  ASSERT_TRUE(QualIdent(0, hardware, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_TRUE(Is(r.record, L_df));
  EXPECT_TRUE(Equal(r.access, Build(L_cn, Leaf(215))));
  ASSERT_TRUE(QualIdent(0, hardware, r.name, r.record, r.access, r.extra, r.modifiers));
  EXPECT_TRUE(Equal(r.access, Build(L_cn, Leaf(-32))));  // a device at its address
}

}  // namespace
}  // namespace vyl
