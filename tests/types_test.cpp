// The built-in types and the type rules as a program sees them from the
// outermost symbol table.
#include <limits>

#include "codegen/codegen.h"
#include "outermost.h"

namespace vyl {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

std::pair<int32_t, int32_t> RangeOf(Tree type) {
  int32_t lo = 0, hi = 0;
  EXPECT_TRUE(GetTypeRange(type, lo, hi));
  return {lo, hi};
}

// A class as a class declaration makes it: a 2-byte reference to its record.
Tree ClassType(const char* name) {
  int32_t id = InternText(name);
  Tree cl = Build(L_cl, Leaf(id));
  Tree type = Build(L_ty, Leaf(id), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {cl})});
  InsertStuff(type, cl);
  return type;
}

Tree RefTo(Tree target) {
  return Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {target})});
}

class TypesTest : public test::OutermostTest {
 protected:
  Tree intType, byteType, stringType, nullType, vector;
  void SetUp() override {
    OutermostTest::SetUp();
    intType = Key(kKeyInt);
    byteType = Key(kKeyByte);
    stringType = Key(kKeyString);
    nullType = Kid(Key(kKeyNull), 2);
    vector = Kid(Bound(InternText("iVector"), Kid(Named("Hardware"), 5)), 2);  // int[8]
  }
};

TEST_F(TypesTest, BuiltinNamesAreInternedFirstInTheirOrder) {
  // Without the scanner no keyword comes first: ids start at 30.
  int32_t id = kFirstId;
  for (const char* name :
       {"null", "Object", "String", "Tjrowatle", "int", "boolean", "char", "byte", "void", "ORD", "CHR", "LENGTH"}) {
    EXPECT_EQ(StringText(id), name);
    id += 3;
  }
  EXPECT_EQ(mainName, id);
}

TEST_F(TypesTest, KeysAndNamesBindTheBuiltins) {
  for (const auto& [name, key] : {std::pair{"int", kKeyInt},
                                  {"byte", kKeyByte},
                                  {"boolean", kKeyBoolean},
                                  {"char", kKeyChar},
                                  {"String", kKeyString},
                                  {"void", kKeyVoid},
                                  {"null", kKeyNull}}) {
    ASSERT_NE(Key(key), nullptr) << name;
    EXPECT_EQ(Named(name), Key(key)) << name;
    EXPECT_EQ(ValueOf(Kid(Key(key), 0)), InternText(name)) << name;
  }
  EXPECT_EQ(Key(kKeyStringType), stringType);
  for (int32_t key : {5, 6, 12, 14}) EXPECT_EQ(Key(key), nullptr) << key;
  EXPECT_EQ(Named("Object"), nullptr);  // known by key 15 only
  EXPECT_EQ(Named("Tjrowatle"), nullptr);
  // false and true: unnamed boolean constants 0 and 1; boolean enumerates up to true.
  Tree f = Key(kKeyFalse), t = Key(kKeyTrue);
  EXPECT_TRUE(Equal(f, Build(L_df, nullptr, {nullptr, Key(kKeyBoolean), Build(L_cn, Leaf(0))})));
  EXPECT_TRUE(Equal(t, Build(L_df, nullptr, {f, Key(kKeyBoolean), Build(L_cn, Leaf(1))})));
  EXPECT_TRUE(Equal(Kid(Key(kKeyBoolean), 3), Build(L_en, nullptr, {Key(kKeyBoolean), t})));
  // null: the constant 0 of a reference to nothing, chained after void.
  EXPECT_TRUE(Equal(Kid(nullType, 3), Build(L_pt, nullptr, {Build(L_nl)})));
  EXPECT_EQ(Kid(Key(kKeyNull), 1), Key(kKeyVoid));
  for (const auto& [name, number] : {std::pair{"ORD", 1}, {"LENGTH", 2}, {"CHR", 3}}) {
    EXPECT_TRUE(Equal(Named(name), Build(L_fn, Leaf(InternText(name)), {nullptr, Build(L_fn, Leaf(number))})));
  }
  EXPECT_TRUE(Is(Key(kKeyPackage), L_pk) && KidCount(Key(kKeyPackage)) == 4 && Kid(Key(kKeyPackage), 1));
  // The built-in declaration chain: void, String, char, boolean, byte, int, unbounded index.
  Tree link = Key(kKeyVoid);
  for (int32_t key : {kKeyString, kKeyChar, kKeyBoolean, kKeyByte, kKeyInt}) EXPECT_EQ(link = Kid(link, 1), Key(key));
  EXPECT_EQ(Kid(Key(kKeyObject), 1), Key(kKeyNull));
}

TEST_F(TypesTest, SizesRangesAndShapes) {
  int32_t size = -1;
  for (const auto& [key, bytes] : {std::pair{kKeyInt, 2},
                                   {kKeyByte, 1},
                                   {kKeyBoolean, 2},
                                   {kKeyChar, 2},
                                   {kKeyString, 2},
                                   {kKeyVoid, 0},
                                   {kKeyObject, 2}}) {
    EXPECT_TRUE(TypeSize(Key(key), size) && size == bytes) << key;
    EXPECT_EQ(KidCount(Key(key)), key == kKeyString ? 4 : 3) << key;
  }
  EXPECT_EQ(RangeOf(intType), std::make_pair(kMin, kMax));  // found by doubling
  EXPECT_EQ(Kid(Kid(intType, 3), 3), intType);
  EXPECT_EQ(RangeOf(byteType), std::make_pair(0, 255));
  EXPECT_EQ(RangeOf(Key(kKeyBoolean)), std::make_pair(0, 1));
  Tree index = Kid(intType, 1);  // the unbounded index type: 0 .. -1 over itself
  EXPECT_EQ(RangeOf(index), std::make_pair(0, -1));
  EXPECT_EQ(Kid(Kid(index, 3), 3), index);
  // String: an array of char over the unbounded index type, linked back to String.
  EXPECT_TRUE(Equal(Kid(stringType, 3), Build(L_ar, nullptr, {index, Key(kKeyChar), stringType})));
  EXPECT_TRUE(Is(Kid(stringType, 4), L_st));
  // Object's class: its member table is the base of class scopes and sees the built-in types.
  Tree cl = Kid(Key(kKeyObject), 3);
  ASSERT_TRUE(Is(cl, L_cl) && KidCount(cl) == 6);
  for (const char* name : {"int", "byte", "boolean", "char", "String", "null"}) {
    EXPECT_EQ(Bound(InternText(name), Kid(cl, 5)), Named(name)) << name;
  }
}

TEST_F(TypesTest, KindPredicates) {
  int32_t sign = 0, size = -1, ref = -1;
  EXPECT_TRUE(IsNumeric(syms, intType, sign) && sign == 1);
  for (int32_t key : {kKeyByte, kKeyChar, kKeyBoolean}) EXPECT_FALSE(IsNumeric(syms, Key(key), sign)) << key;
  EXPECT_TRUE(IsBool(syms, Key(kKeyBoolean)));
  EXPECT_FALSE(IsBool(syms, intType));
  EXPECT_TRUE(IsPointer(stringType, size, ref) && size == 2 && ref == 1);
  EXPECT_TRUE(IsPointer(nullType, size, ref) && size == 2 && ref == 1);
  EXPECT_TRUE(IsPointer(byteType, size, ref) && size == 1 && ref == 0);
  EXPECT_TRUE(IsPointer(vector, size, ref) && size == 16 && ref == 0);
  EXPECT_FALSE(IsPointer(Named("ORD"), size, ref));
  int32_t high = 0, element = 0;
  EXPECT_TRUE(ArrayBounds(vector, high, element) && high == 7 && element == 2);
  EXPECT_TRUE(ArrayBounds(stringType, high, element) && high == -1 && element == 2);
  EXPECT_FALSE(ArrayBounds(intType, high, element));
}

TEST_F(TypesTest, ComparableWithNullReferencesAndArrays) {
  Tree a = ClassType("A"), b = ClassType("B"), common = nullptr;
  EXPECT_TRUE(Comparable(syms, nullType, a, common) && common == a);
  EXPECT_TRUE(Comparable(syms, a, nullType, common) && common == a);
  EXPECT_TRUE(Comparable(syms, stringType, nullType, common) && common == stringType);
  EXPECT_TRUE(Comparable(syms, nullType, stringType, common) && common == stringType);
  EXPECT_TRUE(Comparable(syms, a, RefTo(Kid(Kid(a, 3), 1)), common) && common == a);
  EXPECT_FALSE(Comparable(syms, nullType, intType, common));
  EXPECT_FALSE(Comparable(syms, nullType, vector, common));  // stored in place
  EXPECT_FALSE(Comparable(syms, a, b, common));
  EXPECT_FALSE(Comparable(syms, intType, byteType, common));
  // With key 6 bound, references to two numeric types meet in a new,
  // unbound reference to the common type, named with "^".
  Tree num = Build(L_ty, Leaf(InternText("num")), {nullptr, Build(L_sz, Leaf(2))});
  Tree zero = Build(L_ty, Leaf(InternText("zero")), {nullptr, Build(L_sz, Leaf(2))});
  Tree t = syms;
  ASSERT_TRUE(into(kKeyNumeric0, t, zero, t));
  EXPECT_FALSE(Comparable(t, intType, zero, common));  // key 6 unbound
  ASSERT_TRUE(into(kKeyNumericCommon, t, num, t));
  EXPECT_TRUE(Comparable(t, intType, zero, common) && common == num);
  ASSERT_TRUE(Comparable(t, RefTo(intType), RefTo(zero), common));
  EXPECT_TRUE(Equal(
      common, Build(L_ty, Leaf(InternText("num^")), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {num})})));
}

TEST_F(TypesTest, AssignableRulesInOrder) {
  Tree a = ClassType("A"), b = ClassType("B");
  EXPECT_TRUE(Assignable(syms, a, a));
  EXPECT_FALSE(Assignable(syms, intType, byteType));
  Tree zero = Build(L_ty, Leaf(InternText("zero")), {nullptr, Build(L_sz, Leaf(2))}), t = syms;
  ASSERT_TRUE(into(kKeyNumeric0, t, zero, t));
  EXPECT_TRUE(Assignable(t, zero, intType));  // towards a lower sign only
  EXPECT_FALSE(Assignable(t, intType, zero));
  EXPECT_TRUE(Assignable(syms, stringType, intType));  // anything into an array of any length
  EXPECT_FALSE(Assignable(syms, vector, stringType));
  Tree chars8 = Build(L_ty, nullptr,
                      {nullptr, Build(L_sz, Leaf(16)), Build(L_ar, nullptr, {Kid(Kid(vector, 3), 1), Key(kKeyChar)})});
  EXPECT_TRUE(Assignable(syms, vector, chars8));  // the same high bound
  EXPECT_TRUE(Assignable(syms, a, nullType));
  EXPECT_FALSE(Assignable(syms, intType, nullType));
  EXPECT_TRUE(Assignable(syms, a, RefTo(Kid(Kid(a, 3), 1))));
  EXPECT_FALSE(Assignable(syms, a, b));
}

TEST_F(TypesTest, CoerceWrapsOnlyWhatDiffers) {
  Tree e = Build(L_cn, Leaf(5)), result = nullptr;
  EXPECT_TRUE(Coerce(intType, intType, e, result) && result == e);
  Tree chars =
      Build(L_ty, nullptr,
            {nullptr, Build(L_sz, Leaf(2)), Build(L_ar, nullptr, {Kid(intType, 1), Key(kKeyChar)})});  // char[]
  EXPECT_TRUE(Coerce(stringType, chars, e, result) && result == e);
  ASSERT_TRUE(Coerce(intType, byteType, e, result));
  EXPECT_TRUE(Equal(result, Build(L_mt, intType, {e, Build(L_ty, byteType)})));
  EXPECT_THROW(Coerce(vector, stringType, e, result), FatalReturn);
  EXPECT_EQ(host.files["prog.ftx"], "\r\nHuh (Coerce)?\r\nNested error");
}

TEST(RangesTest, HighBitOfAndRangeBits) {
  auto high = [](int32_t n) {
    int32_t p = 0;
    HighBitOf(n, p);
    return p;
  };
  EXPECT_EQ(high(0), 1);
  EXPECT_EQ(high(255), 256);
  EXPECT_EQ(high(256), 512);
  EXPECT_EQ(high(-1), 1);
  EXPECT_EQ(high(1 << 30), kMin);  // 2^31 reads as the lowest value
  EXPECT_EQ(high(kMin), kMin);
  auto bits = [](int32_t lo, int32_t hi) {
    int32_t a = 0, b = 0;
    RangeBits(lo, hi, a, b);
    return std::make_pair(a, b);
  };
  EXPECT_EQ(bits(5, 6), std::make_pair(4, 7));
  EXPECT_EQ(bits(-3, 2), std::make_pair(-4, 3));
  EXPECT_EQ(bits(-5, -3), std::make_pair(-8, -1));
  EXPECT_EQ(bits(kMin, kMax), std::make_pair(kMin, kMax));
  EXPECT_EQ(bits(0, kMax), std::make_pair(0, kMax));
}

}  // namespace
}  // namespace vyl
