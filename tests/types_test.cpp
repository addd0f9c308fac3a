// The built-in types and the type rules as a program sees them from the
// outermost symbol table.
#include <limits>

#include "codegen/codegen.h"
#include "outermost.h"

namespace vyl {
namespace {

using test::OutermostTest;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

int32_t SizeOf(Tree type) {
  int32_t size = -1;
  return TypeSize(type, size) ? size : -1;
}

std::pair<int32_t, int32_t> RangeOf(Tree type) {
  int32_t lo = 0, hi = 0;
  EXPECT_TRUE(GetTypeRange(type, lo, hi));
  return {lo, hi};
}

using TypesTest = OutermostTest;

// ---------------------------------------------------------------------------
// The built-ins

TEST_F(TypesTest, BuiltinNamesAreInternedFirstInTheirOrder) {
  // Without the scanner no keyword is interned before them: ids start at 30.
  const char* order[] = {"null", "Object", "String", "Tjrowatle", "int", "boolean",
                         "char", "byte",   "void",   "ORD",       "CHR", "LENGTH"};
  int32_t id = kFirstId;
  for (const char* name : order) {
    EXPECT_EQ(std::string(StringText(id)), name);
    id += 3;
  }
  // The environment follows, starting with the entry function's name.
  EXPECT_EQ(mainName, id);
  EXPECT_EQ(StringText(mainName), "main");
}

TEST_F(TypesTest, ReservedKeysAndNamesBindTheBuiltins) {
  Tree intType = Key(kKeyInt);
  ASSERT_TRUE(Is(intType, L_ty));
  EXPECT_EQ(Named("int"), intType);
  EXPECT_EQ(Named("byte"), Key(kKeyByte));
  EXPECT_EQ(Named("boolean"), Key(kKeyBoolean));
  EXPECT_EQ(Named("char"), Key(kKeyChar));
  EXPECT_EQ(Named("String"), Key(kKeyString));
  EXPECT_EQ(Key(kKeyStringType), Key(kKeyString));
  EXPECT_EQ(Named("void"), Key(kKeyVoid));
  EXPECT_EQ(Named("null"), Key(kKeyNull));
  for (int32_t key : {5, 6, 12, 14}) EXPECT_EQ(Key(key), nullptr) << key;
  // Object is known by key only; Tjrowatle is built but bound nowhere.
  EXPECT_EQ(Named("Object"), nullptr);
  EXPECT_EQ(Named("Tjrowatle"), nullptr);
  // Each type carries its own name.
  for (const char* name : {"int", "byte", "boolean", "char", "String", "void"}) {
    EXPECT_EQ(ValueOf(Kid(Named(name), 0)), InternText(name)) << name;
  }

  // false and true are unnamed boolean constants 0 and 1, true linked to false.
  Tree f = Key(kKeyFalse), t = Key(kKeyTrue);
  ASSERT_TRUE(Is(f, L_df) && Is(t, L_df));
  EXPECT_EQ(Kid(t, 1), f);
  EXPECT_EQ(Kid(f, 2), Key(kKeyBoolean));
  EXPECT_EQ(ValueOf(Kid(f, 3)), 0);
  EXPECT_EQ(ValueOf(Kid(t, 3)), 1);
  EXPECT_EQ(Kid(f, 0), nullptr);
  // boolean enumerates up to true.
  Tree en = Kid(Key(kKeyBoolean), 3);
  ASSERT_TRUE(Is(en, L_en));
  EXPECT_EQ(Kid(en, 1), Key(kKeyBoolean));
  EXPECT_EQ(Kid(en, 2), t);

  // null: a constant 0 of the null type, a reference to nothing.
  Tree nullDef = Key(kKeyNull);
  Tree nullType = Kid(nullDef, 2);
  EXPECT_EQ(ValueOf(Kid(nullDef, 3)), 0);
  EXPECT_EQ(Kid(nullDef, 1), Key(kKeyVoid));
  ASSERT_TRUE(Is(Kid(nullType, 3), L_pt));
  EXPECT_TRUE(Is(Kid(Kid(nullType, 3), 1), L_nl));

  // The built-in intrinsics.
  EXPECT_EQ(ValueOf(Kid(Named("ORD"), 2)), 1);
  EXPECT_EQ(ValueOf(Kid(Named("LENGTH"), 2)), 2);
  EXPECT_EQ(ValueOf(Kid(Named("CHR"), 2)), 3);
  EXPECT_TRUE(Is(Key(kKeyPackage), L_pk));
  EXPECT_EQ(KidCount(Key(kKeyPackage)), 4);
  EXPECT_NE(Kid(Key(kKeyPackage), 1), nullptr);
}

TEST_F(TypesTest, BuiltinRecordsHaveTheirChildCounts) {
  Tree nullType = Kid(Key(kKeyNull), 2);
  Tree index = Kid(Key(kKeyInt), 1);
  for (Tree t : {index, Key(kKeyInt), Key(kKeyByte), Key(kKeyBoolean), Key(kKeyChar), Key(kKeyVoid), nullType,
                 Key(kKeyObject)}) {
    EXPECT_EQ(KidCount(t), 3) << StringText(ValueOf(Kid(t, 0)));
    EXPECT_TRUE(Is(Kid(t, 2), L_sz));
  }
  EXPECT_EQ(KidCount(Key(kKeyString)), 4);
  for (int32_t key : {kKeyInt, kKeyByte}) EXPECT_EQ(KidCount(Kid(Key(key), 3)), 3);  // rn
  EXPECT_EQ(KidCount(Kid(Key(kKeyBoolean), 3)), 2);                                  // en
  EXPECT_EQ(KidCount(Kid(Key(kKeyString), 3)), 3);                                   // ar with its back link
  EXPECT_EQ(KidCount(Kid(nullType, 3)), 1);                                          // pt
  EXPECT_EQ(KidCount(Kid(Key(kKeyObject), 3)), 6);                                   // cl
  for (Tree d : {Key(kKeyFalse), Key(kKeyTrue), Key(kKeyNull)}) EXPECT_EQ(KidCount(d), 3);
  for (const char* f : {"ORD", "LENGTH", "CHR"}) {
    EXPECT_EQ(KidCount(Named(f)), 2) << f;
    EXPECT_EQ(KidCount(Kid(Named(f), 2)), 0) << f;
  }
  for (Tree leafless : {Kid(Key(kKeyChar), 3), Kid(Key(kKeyVoid), 3), Kid(Key(kKeyString), 4)}) {
    EXPECT_EQ(KidCount(leafless), 0);
  }
}

TEST_F(TypesTest, BuiltinDeclarationChainRunsNewestFirst) {
  // void -> String -> char -> boolean -> byte -> int -> unbounded index.
  Tree t = Key(kKeyVoid);
  for (int32_t key : {kKeyString, kKeyChar, kKeyBoolean, kKeyByte, kKeyInt}) {
    t = Kid(t, 1);
    EXPECT_EQ(t, Key(key)) << key;
  }
  Tree index = Kid(t, 1);
  ASSERT_TRUE(Is(index, L_ty));
  EXPECT_EQ(Kid(index, 0), nullptr);
  EXPECT_EQ(Kid(index, 1), nullptr);
  // Object follows null, which follows void.
  EXPECT_EQ(Kid(Key(kKeyObject), 1), Key(kKeyNull));
}

TEST_F(TypesTest, SizesAndRanges) {
  EXPECT_EQ(SizeOf(Key(kKeyInt)), 2);
  EXPECT_EQ(SizeOf(Key(kKeyByte)), 1);
  EXPECT_EQ(SizeOf(Key(kKeyBoolean)), 2);
  EXPECT_EQ(SizeOf(Key(kKeyChar)), 2);
  EXPECT_EQ(SizeOf(Key(kKeyString)), 2);
  EXPECT_EQ(SizeOf(Key(kKeyVoid)), 0);
  EXPECT_EQ(Kid(Kid(Key(kKeyVoid), 2), 0), nullptr);  // void's size node is empty
  EXPECT_EQ(SizeOf(Key(kKeyObject)), 2);

  // int's range is the full 32-bit range found by doubling; its base is itself.
  EXPECT_EQ(RangeOf(Key(kKeyInt)), std::make_pair(kMin, kMax));
  EXPECT_EQ(Kid(Kid(Key(kKeyInt), 3), 3), Key(kKeyInt));
  EXPECT_EQ(RangeOf(Key(kKeyByte)), std::make_pair(0, 255));
  EXPECT_EQ(Kid(Kid(Key(kKeyByte), 3), 3), Key(kKeyInt));
  EXPECT_EQ(RangeOf(Key(kKeyBoolean)), std::make_pair(0, 1));
  EXPECT_EQ(RangeOf(Key(kKeyChar)), std::make_pair(0, 255));
  // The unbounded index type: 0 .. -1 over itself.
  Tree index = Kid(Key(kKeyInt), 1);
  EXPECT_EQ(RangeOf(index), std::make_pair(0, -1));
  EXPECT_EQ(Kid(Kid(index, 3), 3), index);
  EXPECT_EQ(SizeOf(index), 2);
}

TEST_F(TypesTest, StringIsAnOpenArrayOfChar) {
  Tree s = Key(kKeyString);
  ASSERT_EQ(KidCount(s), 4);
  EXPECT_TRUE(Is(Kid(s, 4), L_st));
  Tree ar = Kid(s, 3);
  ASSERT_TRUE(Is(ar, L_ar));
  EXPECT_EQ(Kid(ar, 1), Kid(Key(kKeyInt), 1));
  EXPECT_EQ(Kid(ar, 2), Key(kKeyChar));
  EXPECT_EQ(Kid(ar, 3), s);  // back link
  int32_t high = 0, element = 0;
  ASSERT_TRUE(ArrayBounds(s, high, element));
  EXPECT_EQ(high, -1);
  EXPECT_EQ(element, 2);
}

TEST_F(TypesTest, ObjectIsTheTemplateOfClassScopes) {
  Tree object = Key(kKeyObject);
  EXPECT_EQ(ValueOf(Kid(object, 0)), InternText("Object"));
  Tree cl = Kid(object, 3);
  ASSERT_TRUE(Is(cl, L_cl));
  ASSERT_EQ(KidCount(cl), 6);
  EXPECT_EQ(Kid(cl, 2), object);
  EXPECT_TRUE(Is(Kid(cl, 6), L_sz));
  // The member table a class body starts from sees the built-in types.
  Tree members = Kid(cl, 5);
  for (const char* name : {"int", "byte", "boolean", "char", "String", "null"}) {
    EXPECT_EQ(Bound(InternText(name), members), Named(name)) << name;
  }
  EXPECT_EQ(Bound(kKeyObject, members), object);
  EXPECT_EQ(Bound(kKeyVoid, members), Key(kKeyVoid));
  // A class record completed with no fields is an object of size 0.
  int32_t size = -1;
  Tree result = nullptr;
  ASSERT_TRUE(IsObject(cl, size, result));
  EXPECT_EQ(size, 0);
  EXPECT_EQ(result, object);
}

// ---------------------------------------------------------------------------
// Predicates

TEST_F(TypesTest, KindPredicates) {
  int32_t sign = 0;
  ASSERT_TRUE(IsNumeric(syms, Key(kKeyInt), sign));
  EXPECT_EQ(sign, 1);
  EXPECT_FALSE(IsNumeric(syms, Key(kKeyByte), sign));  // 1 byte as a variable, not numeric
  EXPECT_FALSE(IsNumeric(syms, Key(kKeyChar), sign));
  EXPECT_FALSE(IsNumeric(syms, Key(kKeyBoolean), sign));
  EXPECT_TRUE(IsBool(syms, Key(kKeyBoolean)));
  EXPECT_FALSE(IsBool(syms, Key(kKeyInt)));
  // A structurally equal copy is the same type.
  Tree copy = Build(L_ty, Kid(Key(kKeyBoolean), 0),
                    {Kid(Key(kKeyBoolean), 1), Kid(Key(kKeyBoolean), 2), Kid(Key(kKeyBoolean), 3)});
  EXPECT_TRUE(IsBool(syms, copy));

  int32_t size = -1, ref = -1;
  ASSERT_TRUE(IsPointer(Key(kKeyString), size, ref));
  EXPECT_EQ(std::make_pair(size, ref), std::make_pair(2, 1));
  ASSERT_TRUE(IsPointer(Kid(Key(kKeyNull), 2), size, ref));
  EXPECT_EQ(std::make_pair(size, ref), std::make_pair(2, 1));
  ASSERT_TRUE(IsPointer(Key(kKeyByte), size, ref));
  EXPECT_EQ(std::make_pair(size, ref), std::make_pair(1, 0));
  ASSERT_TRUE(IsPointer(Key(kKeyVoid), size, ref));
  EXPECT_EQ(std::make_pair(size, ref), std::make_pair(0, 0));
  EXPECT_FALSE(IsPointer(Named("ORD"), size, ref));
}

// ---------------------------------------------------------------------------
// Comparable, Assignable, Coerce

// A class as a class declaration makes it: the class record and its type, a
// 2-byte reference to the record.
Tree ClassType(const char* name) {
  int32_t id = InternText(name);
  Tree cl = Build(L_cl, Leaf(id));
  Tree type = Build(L_ty, Leaf(id), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {cl})});
  InsertStuff(type, cl);
  return type;
}

// A reference to `target`, as Comparable makes them.
Tree RefTo(Tree target) {
  return Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {target})});
}

class TypeRulesTest : public OutermostTest {
 protected:
  Tree intType, byteType, charType, stringType, nullType, vector, a, b;
  void SetUp() override {
    OutermostTest::SetUp();
    intType = Key(kKeyInt);
    byteType = Key(kKeyByte);
    charType = Key(kKeyChar);
    stringType = Key(kKeyString);
    nullType = Kid(Key(kKeyNull), 2);
    vector = Kid(Bound(InternText("iVector"), Kid(Named("Hardware"), 5)), 2);  // int[8]
    a = ClassType("A");
    b = ClassType("B");
  }
};

TEST_F(TypeRulesTest, ComparableWithNullReferencesAndArrays) {
  Tree common = nullptr;
  ASSERT_TRUE(Comparable(syms, intType, intType, common));
  EXPECT_EQ(common, intType);
  ASSERT_TRUE(Comparable(syms, nullType, a, common));
  EXPECT_EQ(common, a);
  ASSERT_TRUE(Comparable(syms, a, nullType, common));
  EXPECT_EQ(common, a);
  ASSERT_TRUE(Comparable(syms, stringType, nullType, common));  // an array of any length
  EXPECT_EQ(common, stringType);
  EXPECT_FALSE(Comparable(syms, nullType, intType, common));
  EXPECT_FALSE(Comparable(syms, nullType, vector, common));   // an array stored in place
  EXPECT_FALSE(Comparable(syms, a, b, common));               // different classes
  EXPECT_FALSE(Comparable(syms, intType, byteType, common));  // only int is numeric
  EXPECT_FALSE(Comparable(syms, intType, charType, common));
  // References to equal records: the first operand's type.
  ASSERT_TRUE(Comparable(syms, a, RefTo(Kid(Kid(a, 3), 1)), common));
  EXPECT_EQ(common, a);
}

TEST_F(TypeRulesTest, ComparableMakesAReferenceToACommonNumericType) {
  // With numeric types bound to keys 5 and 6, two references to different
  // numeric types compare through a new, unbound reference type named "^".
  Tree common6 = Build(L_ty, Leaf(InternText("num")), {nullptr, Build(L_sz, Leaf(2))});
  Tree other = Build(L_ty, Leaf(InternText("other")), {nullptr, Build(L_sz, Leaf(2))});
  Tree t = syms;
  ASSERT_TRUE(into(kKeyNumericCommon, t, common6, t));
  ASSERT_TRUE(into(kKeyNumeric0, t, other, t));
  Tree common = nullptr;
  ASSERT_TRUE(Comparable(t, intType, other, common));
  EXPECT_EQ(common, common6);
  ASSERT_TRUE(Comparable(t, RefTo(intType), RefTo(other), common));
  ASSERT_TRUE(Is(Kid(common, 3), L_pt));
  EXPECT_EQ(Kid(Kid(common, 3), 1), common6);
  EXPECT_EQ(StringText(ValueOf(Kid(common, 0))), "num^");
  EXPECT_EQ(SizeOf(common), 2);
  // The reference to the common type itself is handed back when one side has it.
  Tree mine = RefTo(common6);
  ASSERT_TRUE(Comparable(t, RefTo(intType), mine, common));
  EXPECT_EQ(common, mine);
  // Without key 6 two numeric types have no common type.
  Tree u = syms;
  ASSERT_TRUE(into(kKeyNumeric0, u, other, u));
  EXPECT_FALSE(Comparable(u, intType, other, common));
}

TEST_F(TypeRulesTest, AssignableRulesInOrder) {
  // 1. Equal types.
  EXPECT_TRUE(Assignable(syms, intType, intType));
  EXPECT_TRUE(Assignable(syms, a, a));
  // 2. Numeric types only towards a lower sign.
  Tree num0 = Build(L_ty, Leaf(InternText("n0")), {nullptr, Build(L_sz, Leaf(2))});
  Tree t = syms;
  ASSERT_TRUE(into(kKeyNumeric0, t, num0, t));
  EXPECT_TRUE(Assignable(t, num0, intType));
  EXPECT_FALSE(Assignable(t, intType, num0));
  EXPECT_FALSE(Assignable(syms, intType, byteType));
  // 3. Anything into an array of any length; an array of N only from an array of N.
  EXPECT_TRUE(Assignable(syms, stringType, intType));
  EXPECT_TRUE(Assignable(syms, stringType, vector));
  EXPECT_FALSE(Assignable(syms, vector, stringType));
  EXPECT_FALSE(Assignable(syms, vector, intType));
  Tree copy =
      Build(L_ty, nullptr,
            {nullptr, Build(L_sz, Leaf(16)), Build(L_ar, nullptr, {Kid(Kid(vector, 3), 1), charType})});  // char[8]
  EXPECT_TRUE(Assignable(syms, vector, copy));
  // 4. null into references and arrays of any length, not into values.
  EXPECT_TRUE(Assignable(syms, a, nullType));
  EXPECT_FALSE(Assignable(syms, nullType, a));
  EXPECT_FALSE(Assignable(syms, intType, nullType));
  // 5. References to equal records.
  EXPECT_TRUE(Assignable(syms, a, RefTo(Kid(Kid(a, 3), 1))));
  EXPECT_FALSE(Assignable(syms, a, b));
}

TEST_F(TypeRulesTest, CoerceWrapsOnlyWhatDiffers) {
  Tree e = Build(L_cn, Leaf(5));
  Tree result = nullptr;
  ASSERT_TRUE(Coerce(intType, intType, e, result));
  EXPECT_EQ(result, e);
  // char[] and String: both of any length, no conversion.
  Tree chars = Build(L_ty, Leaf(InternText("char[]")),
                     {nullptr, Build(L_sz, Leaf(2)), Build(L_ar, nullptr, {Kid(intType, 1), charType})});
  ASSERT_TRUE(Coerce(stringType, chars, e, result));
  EXPECT_EQ(result, e);
  // Scalars: an mt record holding the target, the expression and the source.
  ASSERT_TRUE(Coerce(intType, byteType, e, result));
  ASSERT_TRUE(Is(result, L_mt));
  EXPECT_EQ(KidCount(result), 2);
  EXPECT_EQ(Kid(result, 0), intType);
  EXPECT_EQ(Kid(result, 1), e);
  ASSERT_TRUE(Is(Kid(result, 2), L_ty));
  EXPECT_EQ(Kid(Kid(result, 2), 0), byteType);
  EXPECT_EQ(KidCount(Kid(result, 2)), 0);
}

TEST_F(TypeRulesTest, CoercingArraysOfDifferentLengthIsAFault) {
  EXPECT_EQ(MessageOf([&] {
              Tree result = nullptr;
              Coerce(vector, stringType, nullptr, result);
            }),
            "\r\nHuh (Coerce)?\r\nNested error");
}

TEST_F(TypeRulesTest, ArrayBoundsOfArraysOnly) {
  int32_t high = 0, element = 0;
  ASSERT_TRUE(ArrayBounds(vector, high, element));
  EXPECT_EQ(std::make_pair(high, element), std::make_pair(7, 2));
  ASSERT_TRUE(ArrayBounds(Kid(vector, 3), high, element));  // the array record itself
  EXPECT_EQ(high, 7);
  EXPECT_FALSE(ArrayBounds(intType, high, element));
  EXPECT_FALSE(ArrayBounds(a, high, element));
  EXPECT_FALSE(ArrayBounds(nullptr, high, element));
}

// ---------------------------------------------------------------------------
// Ranges

TEST(RangesTest, HighBitOfDoublesPastTheValue) {
  auto high = [](int32_t n) {
    int32_t p = 0;
    EXPECT_TRUE(HighBitOf(n, p));
    return p;
  };
  EXPECT_EQ(high(0), 1);
  EXPECT_EQ(high(1), 2);
  EXPECT_EQ(high(255), 256);
  EXPECT_EQ(high(256), 512);
  EXPECT_EQ(high(-1), 1);
  EXPECT_EQ(high(-256), 256);
  EXPECT_EQ(high(1 << 30), kMin);  // 2^31 reads as the lowest value
  EXPECT_EQ(high(kMax), kMin);
  EXPECT_EQ(high(kMin), kMin);
}

TEST(RangesTest, RangeBitsBoundsEveryValueBitwise) {
  auto bits = [](int32_t lo, int32_t hi) {
    int32_t a = 0, b = 0;
    EXPECT_TRUE(RangeBits(lo, hi, a, b));
    return std::make_pair(a, b);
  };
  EXPECT_EQ(bits(5, 6), std::make_pair(4, 7));
  EXPECT_EQ(bits(-3, 2), std::make_pair(-4, 3));
  EXPECT_EQ(bits(7, 7), std::make_pair(7, 7));
  EXPECT_EQ(bits(-5, -3), std::make_pair(-8, -1));
  EXPECT_EQ(bits(0, 255), std::make_pair(0, 255));
  EXPECT_EQ(bits(kMin, kMax), std::make_pair(kMin, kMax));
  EXPECT_EQ(bits(0, kMax), std::make_pair(0, kMax));
  EXPECT_EQ(bits(kMin, -1), std::make_pair(kMin, -1));
}

}  // namespace
}  // namespace vyl
