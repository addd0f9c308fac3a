// The outermost symbol table a program starts from: the built-in types and
// their rules, types and names read from source, and the predefined
// packages with their devices, constants and intrinsics.
#include "fixture.h"

namespace vyl::test {
namespace {

class SymbolsTest : public SessionTest {
 protected:
  Tree Members(const char* package) { return Kid(Named(package), 5); }
  Tree Member(const char* package, const char* name) { return Bound(InternText(name), Members(package)); }
  Tree Vector() { return Kid(Member("Hardware", "iVector"), 2); }  // int[8]
  Tree Null() { return Kid(Key(kKeyNull), 2); }
  std::pair<int32_t, int32_t> Range(Tree type) {
    int32_t lo = 0, hi = 0;
    EXPECT_TRUE(GetTypeRange(type, lo, hi));
    return {lo, hi};
  }
  // A class as a declaration makes it: a 2-byte reference to its record.
  static Tree ClassType(const char* name) {
    Tree cl = Build(L_cl, Leaf(InternText(name)));
    Tree type = Build(L_ty, Leaf(InternText(name)), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {cl})});
    InsertStuff(type, cl);
    return type;
  }
  static Tree RefTo(Tree target, int32_t name = 0) {
    return Build(L_ty, name ? Leaf(name) : nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {target})});
  }
  Tree ParseType(const std::string& source) {
    Open(source, true);
    Tree type = nullptr;
    EXPECT_TRUE(aType(syms, type)) << source;
    return type;
  }
  static std::string NameOf(Tree t) { return std::string(StringText(ValueOf(Kid(t, 0)))); }
};

TEST_F(SymbolsTest, BuiltinTypes) {
  for (auto [name, key, bytes] : {std::tuple{"int", kKeyInt, 2}, {"byte", kKeyByte, 1}, {"boolean", kKeyBoolean, 2},
                                  {"char", kKeyChar, 2}, {"String", kKeyString, 2}, {"void", kKeyVoid, 0}}) {
    int32_t size = -1;
    EXPECT_EQ(Named(name), Key(key)) << name;
    EXPECT_TRUE(TypeSize(Key(key), size) && size == bytes) << name;
  }
  EXPECT_EQ(Named("Object"), nullptr);  // known by its key only
  EXPECT_EQ(Range(Int()), std::make_pair(kMinInt, kMaxInt));
  EXPECT_EQ(Range(Key(kKeyByte)), std::make_pair(0, 255));
  EXPECT_EQ(Range(Key(kKeyBoolean)), std::make_pair(0, 1));
  EXPECT_EQ(Range(Kid(Int(), 1)), std::make_pair(0, -1));  // the unbounded index type
  // String: an array of char of any length, linked back to String.
  EXPECT_TRUE(Equal(Kid(Key(kKeyString), 3), Build(L_ar, nullptr, {Kid(Int(), 1), Key(kKeyChar), Key(kKeyString)})));
  // false, true: the boolean constants 0 and 1; null: 0 of a reference to nothing.
  EXPECT_TRUE(Equal(Key(kKeyFalse), Build(L_df, nullptr, {nullptr, Key(kKeyBoolean), Cn(0)})));
  EXPECT_TRUE(Equal(Key(kKeyTrue), Build(L_df, nullptr, {Key(kKeyFalse), Key(kKeyBoolean), Cn(1)})));
  EXPECT_TRUE(Equal(Kid(Null(), 3), Build(L_pt, nullptr, {Build(L_nl)})));
  // Object's member table is the base of class scopes and sees the built-in types.
  for (const char* name : {"int", "byte", "boolean", "char", "String", "null"}) {
    EXPECT_EQ(Bound(InternText(name), Kid(Kid(Key(kKeyObject), 3), 5)), Named(name)) << name;
  }
}

TEST_F(SymbolsTest, TypeRules) {
  int32_t sign = 0, size = -1, ref = -1, high = 0, element = 0;
  EXPECT_TRUE(IsNumeric(syms, Int(), sign) && sign == 1);
  for (int32_t key : {kKeyByte, kKeyChar, kKeyBoolean}) EXPECT_FALSE(IsNumeric(syms, Key(key), sign)) << key;
  EXPECT_TRUE(IsBool(syms, Key(kKeyBoolean)) && !IsBool(syms, Int()));
  EXPECT_TRUE(IsPointer(Key(kKeyString), size, ref) && size == 2 && ref == 1);
  EXPECT_TRUE(IsPointer(Null(), size, ref) && size == 2 && ref == 1);
  EXPECT_TRUE(IsPointer(Key(kKeyByte), size, ref) && size == 1 && ref == 0);
  EXPECT_TRUE(IsPointer(Vector(), size, ref) && size == 16 && ref == 0);
  EXPECT_TRUE(ArrayBounds(Vector(), high, element) && high == 7 && element == 2);
  EXPECT_TRUE(ArrayBounds(Key(kKeyString), high, element) && high == -1 && element == 2);
  EXPECT_FALSE(ArrayBounds(Int(), high, element));
  // Comparable: null with references, a class with a reference to its record.
  Tree a = ClassType("A"), b = ClassType("B"), common = nullptr;
  EXPECT_TRUE(Comparable(syms, Null(), a, common) && common == a);
  EXPECT_TRUE(Comparable(syms, a, Null(), common) && common == a);
  EXPECT_TRUE(Comparable(syms, Key(kKeyString), Null(), common) && common == Key(kKeyString));
  EXPECT_TRUE(Comparable(syms, a, RefTo(Kid(Kid(a, 3), 1)), common) && common == a);
  EXPECT_FALSE(Comparable(syms, Null(), Int(), common) || Comparable(syms, Null(), Vector(), common));
  EXPECT_FALSE(Comparable(syms, a, b, common) || Comparable(syms, Int(), Key(kKeyByte), common));
  // With key 6 bound, references to two numeric types meet in a new
  // reference to the common type, named with "^".
  Tree num = Build(L_ty, Leaf(InternText("num")), {nullptr, Build(L_sz, Leaf(2))});
  Tree zero = Build(L_ty, Leaf(InternText("zero")), {nullptr, Build(L_sz, Leaf(2))}), t = syms;
  ASSERT_TRUE(into(kKeyNumeric0, t, zero, t));
  EXPECT_FALSE(Comparable(t, Int(), zero, common));
  EXPECT_TRUE(Assignable(t, zero, Int()) && !Assignable(t, Int(), zero));  // towards a lower sign only
  ASSERT_TRUE(into(kKeyNumericCommon, t, num, t));
  EXPECT_TRUE(Comparable(t, Int(), zero, common) && common == num);
  ASSERT_TRUE(Comparable(t, RefTo(Int()), RefTo(zero), common));
  EXPECT_TRUE(Equal(common, RefTo(num, InternText("num^"))));
  // Assignable: anything into an array of any length, arrays of the same bound.
  Tree chars = Build(L_ar, nullptr, {Kid(Kid(Vector(), 3), 1), Key(kKeyChar)});
  Tree chars8 = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(16)), chars});
  EXPECT_TRUE(Assignable(syms, a, a) && Assignable(syms, a, Null()) && Assignable(syms, a, RefTo(Kid(Kid(a, 3), 1))));
  EXPECT_TRUE(Assignable(syms, Key(kKeyString), Int()) && Assignable(syms, Vector(), chars8));
  EXPECT_FALSE(Assignable(syms, Int(), Key(kKeyByte)) || Assignable(syms, Vector(), Key(kKeyString)));
  EXPECT_FALSE(Assignable(syms, Int(), Null()) || Assignable(syms, a, b));
  // Coerce wraps only what differs.
  Tree e = Cn(5), result = nullptr;
  EXPECT_TRUE(Coerce(Int(), Int(), e, result) && result == e);
  ASSERT_TRUE(Coerce(Int(), Key(kKeyByte), e, result));
  EXPECT_TRUE(Equal(result, Build(L_mt, Int(), {e, Build(L_ty, Key(kKeyByte))})));
  EXPECT_THROW(Coerce(Vector(), Key(kKeyString), e, result), FatalReturn);
  EXPECT_EQ(host.files["prog.ftx"], "\r\nHuh (Coerce)?\r\nNested error");
}

TEST_F(SymbolsTest, TypesReadFromSource) {
  int32_t size = 0, high = 0, element = 0;
  Tree t = ParseType("int[3][4] x");  // four elements of int[3]
  EXPECT_EQ(NameOf(t), "int[3][4]");
  EXPECT_TRUE(TypeSize(t, size) && size == 24);
  EXPECT_TRUE(ArrayBounds(t, high, element) && high == 3 && element == 6);
  EXPECT_EQ(NameOf(Kid(Kid(t, 3), 2)), "int[3]");
  EXPECT_EQ(Kid(Kid(t, 3), 3), t);
  EXPECT_EQ(TokenCode(), T_Ident);  // the declared name is left
  t = ParseType("char[]");  // a 2-byte reference over the unbounded index type
  EXPECT_EQ(NameOf(t), "char[]");
  EXPECT_TRUE(TypeSize(t, size) && size == 2 && Kid(Kid(t, 3), 1) == Kid(Int(), 1));
  t = ParseType("byte[][0x5]");
  EXPECT_EQ(NameOf(t), "byte[][5]");
  EXPECT_TRUE(TypeSize(t, size) && size == 10);
  for (auto [text, key] : {std::pair{"String", kKeyString}, {"void", kKeyVoid}, {"byte", kKeyByte}}) {
    Tree type = ParseType(text);  // before Key, which reads the new session's table
    EXPECT_EQ(type, Key(key)) << text;
  }
  // Equal declarations make equal types with one name; the vector table's type is int[8].
  Open("int[8] int[8] (", true);
  Tree a = nullptr, b = nullptr;
  ASSERT_TRUE(aType(syms, a) && aType(syms, b));
  EXPECT_TRUE(a != b && Equal(a, b) && ValueOf(Kid(a, 0)) == ValueOf(Kid(b, 0)));
  EXPECT_TRUE(Equal(a, Vector()));
  EXPECT_FALSE(aType(syms, a));  // "(": no type here, nothing consumed
  EXPECT_EQ(TokenCode(), T_LParen);
  // The names of types the compiler makes.
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
  EXPECT_EQ(made(intName, kMinInt), "int[2147483648]");
}

TEST_F(SymbolsTest, QualIdentResolvesTheInnermostBindingAndClassMembers) {
  Open("x x null ORD Hardware . white Video.top Video.top Video.white", true);
  int32_t x = InternText("x"), name = -1, modifiers = -1;
  Tree record = nullptr, access = nullptr, extra = nullptr;
  auto resolve = [&](Tree table) { return QualIdent(0, table, name, record, access, extra, modifiers); };
  Tree outerLoc = Build(L_of, Leaf(6), {Build(L_gl)}), innerLoc = Of(8);
  Tree outer = Build(L_vr, Leaf(x), {nullptr, Int(), Build(L_up), outerLoc});
  Tree inner = Build(L_vr, Leaf(x), {nullptr, Key(kKeyByte), Build(L_up), innerLoc});
  Tree top = nullptr, block = nullptr;
  ASSERT_TRUE(openPlus(syms, top) && into(x, top, outer, top) && openPlus(top, block) && into(x, block, inner, block));
  EXPECT_TRUE(resolve(block) && record == inner && access == innerLoc && name == 0);
  EXPECT_TRUE(resolve(top) && record == outer && access == outerLoc);
  EXPECT_FALSE(resolve(syms));  // a keyword is not a name
  ASSERT_TRUE(Accept(K_null));
  EXPECT_TRUE(resolve(syms) && record == Named("ORD") && access == nullptr);
  EXPECT_TRUE(resolve(syms) && record == Named("Hardware"));  // "." does not continue into a package
  ASSERT_TRUE(Accept(T_Dot));
  Tree hardware = Members("Hardware");
  EXPECT_TRUE(resolve(hardware) && Equal(access, Cn(215)));  // white: a constant's value
  ASSERT_TRUE(resolve(hardware) && Is(record, L_vr));          // a device variable ends the name
  int32_t field = 0;
  ASSERT_TRUE(Accept(T_Dot) && TokIdent(field));
  // Bound to the device's record type, the name continues among its fields only.
  Tree t = nullptr;
  ASSERT_TRUE(openPlus(hardware, t) && into(InternText("Video"), t, Kid(record, 2), t));
  EXPECT_TRUE(resolve(t) && Equal(access, Cn(-32)));
  EXPECT_EQ(MessageOf([&] { resolve(t); }), "Undefined name white");
  Open("Video.void", true);
  hardware = Members("Hardware");
  ASSERT_TRUE(openPlus(hardware, t) && into(InternText("Video"), t, Kid(Bound(InternText("Video"), hardware), 2), t));
  EXPECT_EQ(MessageOf([&] { resolve(t); }), "'void' is not a class member");
}

TEST_F(SymbolsTest, VariablesTakeWholeWordsAndTheTableBuildsUnderAFullTrace) {
  Tree location = Build(L_lc, Leaf(6), {Build(L_dl, Leaf(1)), nullptr}), context = Leaf(1), scope = nullptr;
  ASSERT_TRUE(openPlus(syms, scope) && into(kKeyContext, scope, context, scope) &&
              into(kKeyLocation, scope, location, scope));
  Tree found = nullptr;
  int32_t level = -1, offset = -1;
  ASSERT_TRUE(NextVarInfo(Key(kKeyByte), scope, found, level, offset));
  EXPECT_EQ(std::make_tuple(found, level, offset), std::make_tuple(context, 1, 6));
  ASSERT_TRUE(NextVarInfo(Key(kKeyByte), scope, found, level, offset) && offset == 8);  // a byte takes a word
  ASSERT_TRUE(NextVarInfo(Vector(), scope, found, level, offset));
  EXPECT_EQ(std::make_pair(offset, ValueOf(location)), std::make_pair(10, 26));
  EXPECT_FALSE(NextVarInfo(Int(), syms, found, level, offset));  // no scope being filled
  Tree full = nullptr;
  ASSERT_TRUE(openPlus(syms, full) && into(kKeyContext, full, context, full) &&
              into(kKeyLocation, full, Build(L_lc, Leaf(kMaxInt - 1), {nullptr, nullptr}), full));
  EXPECT_FALSE(NextVarInfo(Int(), full, found, level, offset));  // refused, not wrapped
  // The records are cyclic (types link back to themselves); tracing must end.
  Open("", false, false);
  SetTraceLevel(2);
  Tree builtins = nullptr;
  int32_t mainName = 0;
  ASSERT_TRUE(BuiltinTypes(nullptr, builtins) && BasicInOutSyms(builtins, syms, mainName));
  session.reset();
  EXPECT_NE(host.files["KIBdbg.txt"].find("-BasicInOutSyms"), std::string::npos);
}

TEST_F(SymbolsTest, DevicesConstantsAndTheVectorTable) {
  // The address of a register, Device.field, reached as a program reaches it.
  auto address = [&](const char* device, const char* field) {
    Tree members = nullptr, type = nullptr;
    int32_t lo = 0, hi = 0;
    EXPECT_TRUE(GetItsType(Member("Hardware", device), members, type, lo, hi)) << device;
    Tree f = Bound(InternText(field), members);
    EXPECT_TRUE(Is(f, L_vr) && Kid(f, 2) == Int() && Is(Kid(f, 4), L_cn)) << device << "." << field;
    return ValueOf(Kid(f, 4));
  };
  for (auto [device, field, at] : {std::tuple{"Video", "top", -32}, {"Video", "address", -22}, {"Print", "datum", -10},
                                   {"KeyIn", "datum", -10}, {"Date", "seconds", -34}, {"Mouse", "datum", -10},
                                   {"MMU", "address", -2}, {"Disk", "count", -12}}) {
    EXPECT_EQ(address(device, field), at) << device << "." << field;
  }
  Tree video = Member("Hardware", "Video"), cls = Kid(Kid(video, 2), 3);
  int32_t size = 0, high = 0, element = 0;
  EXPECT_TRUE(Equal(Kid(video, 4), Cn(-32)));  // the device variable: its record type, at its address
  EXPECT_TRUE(TypeSize(Kid(video, 2), size) && size == 12);
  EXPECT_EQ(Bound(InternText("fault"), Kid(cls, 5)), nullptr);  // another device's field
  std::vector<std::string> fields;  // newest first
  for (Tree f = Kid(cls, 4); f; f = Kid(f, 1)) fields.emplace_back(StringText(ValueOf(f)));
  EXPECT_EQ(fields, (std::vector<std::string>{"address", "datum", "right", "bottom", "left", "top"}));
  const std::pair<const char*, int32_t> constants[] = {
      {"IntOnBit", 1},  {"PrintOnBit", 2}, {"FlopInBit", 4}, {"DiskPendBit", 8}, {"HideRect", -1},
      {"ClipRect", -3}, {"DoText", 32768}, {"Blit", 0},      {"maxColor", 5},    {"black", 0},
      {"white", 215},   {"minBlue", 36},   {"minGreen", 6},  {"minRed", 1},      {"FillRect", 16384}};
  Tree c = Member("Hardware", "IntOnBit");  // newest first
  for (auto [name, value] : constants) {
    ASSERT_EQ(c, Member("Hardware", name));
    EXPECT_TRUE(Equal(c, Build(L_df, Leaf(InternText(name)), {Kid(c, 1), Int(), Cn(value)}))) << name;
    c = Kid(c, 1);
  }
  EXPECT_EQ(c, nullptr);
  Tree iVector = Member("Hardware", "iVector");
  EXPECT_TRUE(Equal(Kid(iVector, 4), Cn(0)) && Kid(Named("Hardware"), 4) == iVector);
  EXPECT_TRUE(ArrayBounds(Kid(iVector, 2), high, element) && high == 7 && element == 2);
  EXPECT_EQ(Global(9), Members("Hardware"));
}

TEST_F(SymbolsTest, PackagesIntrinsicsAndOpaqueTypes) {
  for (const char* p : {"Hardware", "Dangerous", "Semaphores", "Files"}) EXPECT_TRUE(Is(Named(p), L_pk)) << p;
  for (int32_t key : {kKeyAddressOf, kKeySemaphore, kKeyFileId}) EXPECT_EQ(Key(key), nullptr);  // before an import
  EXPECT_EQ(Kid(Named("Files"), 1), Named("Semaphores"));
  // Each intrinsic's number shows in its code: code.cases, images.cases.
  EXPECT_TRUE(Is(Bound(kKeyAddressOf, Members("Dangerous")), L_no));  // "&" comes with Dangerous
  for (auto [package, name, key] :
       {std::tuple{"Semaphores", "Semaphore", kKeySemaphore}, {"Files", "FileId", kKeyFileId}}) {
    Tree type = Member(package, name);
    EXPECT_EQ(Bound(key, Members(package)), type);
    EXPECT_TRUE(Equal(type, Build(L_ty, Leaf(InternText(name)), {nullptr, Build(L_sz, Leaf(2)), Build(L_no)})));
  }
}

}  // namespace
}  // namespace vyl::test
