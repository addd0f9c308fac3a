// Names in expressions: array indexing and its checks, fields of objects and
// devices, final objects, named constants and tables, object and array
// creation, arguments, and the messages of these rules.
#include "expr_fixture.h"

namespace vyl {
namespace {

using test::IsConstant;
using test::kMaxInt;
using test::kMinInt;
using test::Parsed;

class SelectorsTest : public test::ExprTest {
 protected:
  // Locals: int[10] a at 6, int i at 26, int[] s (a parameter) at -2,
  // byte[4] bytes at 28, int[3][4] m at 32, P p at 56 (class P { x, y }),
  // boolean flag at 58, P[3] ps at 60.
  Tree a, i, s, bytes, m, p, flag, ps, P;
  void With(const std::string& source) {
    Source(source);
    P = Class("P", {"x", "y"});
    a = Local("a", ArrayOf(Int(), 10), 6);
    i = Local("i", Int(), 26);
    s = Local("s", OpenArrayOf(Int()), -2);
    bytes = Local("bytes", ArrayOf(Key(kKeyByte), 4), 28);
    m = Local("m", ArrayOf(ArrayOf(Int(), 3), 4), 32);
    p = Local("p", P, 56);
    flag = Local("flag", Key(kKeyBoolean), 58);
    ps = Local("ps", ArrayOf(P, 3), 60);
  }
  Parsed Parse(const std::string& source) {
    With(source);
    return Expr();
  }
  std::string Message(const std::string& source) {
    With(source);
    return ExprMessage();
  }
  static std::string Says(const std::string& message) { return "\r\n" + message + "\r\nNested error"; }
  static Tree Location(Tree variable) { return Kid(variable, 4); }
  // dr(access) of a word read, and its access tree.
  static Tree WordRead(Tree t) {
    EXPECT_TRUE(Is(t, L_dr) && Kid(t, 0) == nullptr && KidCount(t) == 1);
    return Kid(t, 1);
  }
};

// ---------------------------------------------------------------------------
// Indexing

TEST_F(SelectorsTest, AConstantIndexInsideTheArrayIsAFixedOffset) {
  Parsed r = Parse("a[2]");
  Tree element = WordRead(r.tree);
  ASSERT_TRUE(Is(element, L_of));
  EXPECT_EQ(ValueOf(Kid(element, 0)), 4);
  EXPECT_EQ(Kid(element, 1), Location(a));  // the variable's own location node
  EXPECT_EQ(r.type, Int());
  EXPECT_EQ(std::make_pair(r.low, r.high), std::make_pair(kMinInt, kMaxInt));
}

TEST_F(SelectorsTest, AnIndexRangeInsideTheArrayNeedsNoCheck) {
  Parsed r = Parse("a[i & 7]");
  Tree element = WordRead(r.tree);
  ASSERT_TRUE(Is(element, L_ad));
  EXPECT_EQ(Kid(element, 1), Location(a));
  Tree index = Kid(element, 2);
  ASSERT_TRUE(Is(index, L_mp));  // scaled by the element size
  EXPECT_TRUE(Is(Kid(index, 1), L_an));
  EXPECT_TRUE(IsConstant(Kid(index, 2), 2));
  // A byte array needs no scaling; its element is read as a byte.
  r = Parse("bytes[i & 3]");
  ASSERT_TRUE(Is(r.tree, L_dr));
  EXPECT_EQ(ValueOf(Kid(r.tree, 0)), 1);
  ASSERT_TRUE(Is(Kid(r.tree, 1), L_ad));
  EXPECT_TRUE(Is(Kid(Kid(r.tree, 1), 2), L_an));
  EXPECT_EQ(r.type, Key(kKeyByte));
  EXPECT_EQ(std::make_pair(r.low, r.high), std::make_pair(0, 255));
}

TEST_F(SelectorsTest, AnIndexThatMayLieOutsideIsChecked) {
  for (const char* source : {"a[i]", "a[10]", "a[-1]", "a[i & 15]"}) {
    Parsed r = Parse(source);
    Tree element = WordRead(r.tree);
    ASSERT_TRUE(Is(element, L_rx)) << source;
    EXPECT_EQ(ValueOf(Kid(element, 0)), 20) << source;  // 10 elements of 2 bytes
    EXPECT_EQ(Kid(element, 1), Location(a));
    Tree index = Kid(element, 2);
    if (source[2] == 'i') {
      ASSERT_TRUE(Is(index, L_mp)) << source;
    } else {
      EXPECT_TRUE(IsConstant(index, source[2] == '-' ? -2 : 20)) << source;  // scaled at once
    }
  }
  // A variable index is scaled at run time, its location node untouched.
  Parsed v = Parse("a[i]");
  Tree index = Kid(WordRead(v.tree), 2);
  EXPECT_EQ(WordRead(Kid(index, 1)), Location(i));
  EXPECT_TRUE(IsConstant(Kid(index, 2), 2));
  Parsed r = Parse("bytes[4]");
  ASSERT_TRUE(Is(Kid(r.tree, 1), L_rx));
  EXPECT_EQ(ValueOf(Kid(Kid(r.tree, 1), 0)), 4);
  EXPECT_TRUE(IsConstant(Kid(Kid(r.tree, 1), 2), 4));
}

TEST_F(SelectorsTest, AnArrayOfAnyLengthIsReachedThroughItsReference) {
  // Always checked, against a negative limit; the base is the reference
  // the variable holds, checked against null.
  for (const char* source : {"s[0]", "s[i]"}) {
    Parsed r = Parse(source);
    Tree element = WordRead(r.tree);
    ASSERT_TRUE(Is(element, L_rx)) << source;
    EXPECT_EQ(ValueOf(Kid(element, 0)), -2);
    Tree base = Kid(element, 1);
    ASSERT_TRUE(Is(base, L_un));
    EXPECT_EQ(WordRead(Kid(base, 1)), Location(s));
  }
}

TEST_F(SelectorsTest, ArraysOfArraysIndexInTurn) {
  Parsed r = Parse("m[1][2]");
  Tree element = WordRead(r.tree);
  ASSERT_TRUE(Is(element, L_of));
  EXPECT_EQ(ValueOf(Kid(element, 0)), 4);
  Tree row = Kid(element, 1);
  ASSERT_TRUE(Is(row, L_of));
  EXPECT_EQ(ValueOf(Kid(row, 0)), 6);  // a row of int[3] is 6 bytes
  EXPECT_EQ(Kid(row, 1), Location(m));
  r = Parse("m[i][0]");
  Tree checked = Kid(WordRead(r.tree), 1);
  ASSERT_TRUE(Is(checked, L_rx));
  EXPECT_EQ(ValueOf(Kid(checked, 0)), 24);
  EXPECT_TRUE(IsConstant(Kid(Kid(checked, 2), 2), 6));
}

TEST_F(SelectorsTest, SelectorBuildsAnElementRecord) {
  With("[3]");
  Tree access = nullptr, record = nullptr, type = nullptr, extra = nullptr;
  int32_t low = 0, high = 0;
  ASSERT_TRUE(Selector(syms, nullptr, a, Kid(a, 2), Location(a), access, record, type, extra, low, high));
  ASSERT_TRUE(Is(record, L_ax));
  EXPECT_EQ(Kid(record, 0), Kid(a, 2));
  EXPECT_EQ(Kid(record, 1), a);
  EXPECT_EQ(Kid(record, 2), access);
  EXPECT_EQ(type, Int());
  EXPECT_EQ(extra, nullptr);
  // The element of an array of objects carries the class's members.
  With("[1]");
  ASSERT_TRUE(Selector(syms, nullptr, ps, Kid(ps, 2), Location(ps), access, record, type, extra, low, high));
  EXPECT_EQ(type, P);
  EXPECT_EQ(extra, Kid(Kid(Kid(P, 3), 1), 5));
}

TEST_F(SelectorsTest, MessagesOfIndexing) {
  EXPECT_EQ(Message("i[1]"), Says("Incompatible array type"));
  EXPECT_EQ(Message("p[0]"), Says("Incompatible array type"));
  EXPECT_EQ(Message("a[]"), Says("Compatible index expression expected here"));
  EXPECT_EQ(Message("a[1"), Says("Badly formed index expression (or missing ']')"));
  EXPECT_EQ(Message("a[1)"), Says("Badly formed index expression (or missing ']')"));
}

// ---------------------------------------------------------------------------
// Fields

TEST_F(SelectorsTest, AFieldIsReachedThroughTheObjectReference) {
  Parsed r = Parse("p.y");
  // Read through the member access: ki(dr(of(2, dr(p)))).
  ASSERT_TRUE(Is(r.tree, L_ki));
  Tree read = Kid(r.tree, 1);
  Tree field = WordRead(read);
  ASSERT_TRUE(Is(field, L_of));
  EXPECT_EQ(ValueOf(Kid(field, 0)), 2);
  EXPECT_EQ(WordRead(Kid(field, 1)), Location(p));
  EXPECT_EQ(r.type, Int());
  // A field of an array element.
  r = Parse("ps[2].x");
  ASSERT_TRUE(Is(r.tree, L_ki));
  Tree base = Kid(WordRead(Kid(r.tree, 1)), 1);
  Tree element = WordRead(base);
  ASSERT_TRUE(Is(element, L_of));
  EXPECT_EQ(ValueOf(Kid(element, 0)), 4);
}

TEST_F(SelectorsTest, MessagesOfFieldSelection) {
  EXPECT_EQ(Message("p.z"), Says("Member name expected after '.'"));
  EXPECT_EQ(Message("p.1"), Says("Member name expected after '.'"));
  EXPECT_EQ(Message("i.x"), Says("Member name expected after '.'"));
}

TEST_F(SelectorsTest, DeviceRegistersHaveFixedAddresses) {
  With("Video.left");
  Tree hardware = Named("Hardware");
  Tree video = Bound(InternText("Video"), Kid(hardware, 5));
  ASSERT_TRUE(Is(video, L_vr));
  BindName("Video", video);
  Parsed r = Expr();
  Tree field = Bound(InternText("left"), Kid(Kid(Kid(video, 2), 3), 5));
  ASSERT_TRUE(Is(field, L_vr));
  EXPECT_EQ(WordRead(r.tree), Kid(field, 4));
}

TEST_F(SelectorsTest, MemberGetOfConstants) {
  With("");
  Tree access = Build(L_no), extra = nullptr, type = nullptr;
  int32_t low = 0, high = 0;
  ASSERT_TRUE(MemberGet(p, nullptr, access, extra, type, low, high, Build(L_cn, Leaf(7))));
  EXPECT_EQ(access, nullptr);
  EXPECT_EQ(type, nullptr);
  EXPECT_EQ(std::make_pair(low, high), std::make_pair(7, 7));
  Tree k = Build(L_df, Leaf(InternText("K")), {nullptr, Int(), Build(L_cn, Leaf(-4))});
  ASSERT_TRUE(MemberGet(p, nullptr, access, extra, type, low, high, k));
  EXPECT_EQ(type, Int());
  EXPECT_EQ(std::make_pair(low, high), std::make_pair(-4, -4));
  EXPECT_FALSE(MemberGet(p, nullptr, access, extra, type, low, high, Int()));
}

// ---------------------------------------------------------------------------
// What a name gives as a value

TEST_F(SelectorsTest, NamedConstantsAndTablesGiveTheirValues) {
  With("K * 2 + T[1]");
  NamedConstant("K", Int(), 21);
  Tree table = Build(L_tk, nullptr, {nullptr, Build(L_in, Leaf(9), {Build(L_in, Leaf(8), {Build(L_sz)})})});
  BindName("T", Build(L_df, Leaf(InternText("T")), {nullptr, ArrayOf(Int(), 2), table}));
  Parsed r = Expr();
  ASSERT_TRUE(Is(r.tree, L_ad));
  EXPECT_TRUE(Is(Kid(r.tree, 1), L_mp));  // folded only as a whole expression
  Tree element = WordRead(Kid(r.tree, 2));
  ASSERT_TRUE(Is(element, L_of));
  EXPECT_EQ(ValueOf(Kid(element, 0)), 2);
  EXPECT_EQ(Kid(element, 1), table);  // a table is reached directly
  With("T");
  table = Build(L_tk, nullptr, {nullptr, Build(L_in, Leaf(9), {Build(L_sz)})});
  BindName("T", Build(L_df, Leaf(InternText("T")), {nullptr, ArrayOf(Int(), 1), table}));
  EXPECT_EQ(Expr().tree, table);
}

TEST_F(SelectorsTest, AValueLargerThanAWordHasNoTreeExceptAFinalObject) {
  EXPECT_EQ(Message("a"), Says("Invalid expression value"));
  EXPECT_EQ(Message("m[1]"), Says("Invalid expression value"));
  // A final object (its class record as its type, laid out in the frame):
  // its address is a reference of the class type.
  With("obj");
  Tree classRecord = Kid(Kid(P, 3), 1);
  Tree location = Build(L_of, nullptr, {Build(L_in)});
  BindName("obj", Build(L_vr, Leaf(InternText("obj")), {nullptr, classRecord, Build(L_cn, Leaf(4)), location}));
  Parsed r = Expr();
  EXPECT_EQ(r.tree, location);
  EXPECT_EQ(r.type, P);
  // Its fields are reached through its address.
  With("obj.y");
  classRecord = Kid(Kid(P, 3), 1);
  location = Build(L_of, nullptr, {Build(L_in)});
  BindName("obj", Build(L_vr, Leaf(InternText("obj")), {nullptr, classRecord, Build(L_cn, Leaf(4)), location}));
  r = Expr();
  ASSERT_TRUE(Is(r.tree, L_ki));
  EXPECT_EQ(WordRead(Kid(WordRead(Kid(r.tree, 1)), 1)), location);
}

TEST_F(SelectorsTest, AddressOfAnElementAndOfATable) {
  With("&a[i & 1]");
  AllowAddressOf();
  Parsed r = Expr();
  ASSERT_TRUE(Is(r.tree, L_ad));
  EXPECT_EQ(r.type, Int());
}

// ---------------------------------------------------------------------------
// Creation

TEST_F(SelectorsTest, NewObjectAllocatesTheFieldsOfItsClass) {
  Parsed r = Parse("new P()");
  ASSERT_TRUE(Is(r.tree, L_al));
  EXPECT_EQ(ValueOf(Kid(r.tree, 0)), 4);  // two int fields
  EXPECT_EQ(Kid(r.tree, 1), Kid(Kid(P, 3), 1));
  EXPECT_EQ(r.type, P);
  EXPECT_EQ(std::make_pair(r.low, r.high), std::make_pair(kMinInt, kMaxInt));
  // A type alias of a class names the same class.
  With("new Q()");
  BindName("Q", P);
  r = Expr();
  EXPECT_EQ(ValueOf(Kid(r.tree, 0)), 4);
  EXPECT_EQ(r.type, P);
}

TEST_F(SelectorsTest, NewArrayOfAConstantLength) {
  Parsed r = Parse("new int[5]");
  ASSERT_TRUE(Is(r.tree, L_ar));
  EXPECT_EQ(ValueOf(Kid(r.tree, 0)), 10);
  EXPECT_EQ(Kid(r.tree, 1), nullptr);
  EXPECT_EQ(Kid(r.tree, 2), r.type);
  EXPECT_EQ(Kid(r.tree, 3), nullptr);
  // A reference (2 bytes) to an array of any length whose index type
  // ranges over the five elements.
  int32_t size = 0, isReference = 0, high = 0, element = 0;
  ASSERT_TRUE(IsPointer(r.type, size, isReference));
  EXPECT_EQ(std::make_pair(size, isReference), std::make_pair(2, 1));
  ASSERT_TRUE(ArrayBounds(r.type, high, element));
  EXPECT_EQ(std::make_pair(high, element), std::make_pair(-1, 2));
  Tree array = Kid(r.type, 3);
  Tree inner = Kid(Kid(Kid(array, 1), 3), 3);
  int32_t lo = 0, hi = 0;
  ASSERT_TRUE(GetTypeRange(inner, lo, hi));
  EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(0, 4));
  EXPECT_TRUE(Is(Kid(array, 3), L_ty));  // the back link
  EXPECT_TRUE(Assignable(syms, Kid(s, 2), r.type));
  // Arrays of a class hold references to it.
  r = Parse("new P[3]");
  EXPECT_EQ(ValueOf(Kid(r.tree, 0)), 6);
  EXPECT_EQ(Kid(Kid(r.type, 3), 2), P);
}

TEST_F(SelectorsTest, NewArrayOfAComputedLength) {
  Parsed r = Parse("new byte[i]");
  ASSERT_TRUE(Is(r.tree, L_ar));
  EXPECT_EQ(ValueOf(Kid(r.tree, 0)), 1);  // the element size: the count is multiplied at run time
  Tree count = Kid(r.tree, 3);
  ASSERT_TRUE(Is(count, L_no));
  EXPECT_EQ(WordRead(Kid(count, 1)), Location(i));
  EXPECT_EQ(Kid(Kid(Kid(Kid(r.type, 3), 1), 3), 3), Int());
}

TEST_F(SelectorsTest, MessagesOfCreation) {
  EXPECT_EQ(Message("new int[0]"), Says("Integer array size >0 expected here"));
  EXPECT_EQ(Message("new int[-1]"), Says("Integer array size >0 expected here"));
  EXPECT_EQ(Message("new int[flag]"), Says("Integer array size >0 expected here"));
  EXPECT_EQ(Message("new int[]"), Says("Integer array size >0 expected here"));
  EXPECT_EQ(Message("new int[3"), Says("There is a problem with array size (missing ']')"));
  EXPECT_EQ(Message("new 5"), Says("Class name (constructor) or array expected here"));
  EXPECT_EQ(Message("new i()"), Says("Type name expected here"));
  EXPECT_EQ(Message("new P"), "\r\n syntax error");
  EXPECT_EQ(Message("new int()"), "\r\n syntax error");
  EXPECT_EQ(Message("new P(1)"), "\r\n syntax error");
}

// ---------------------------------------------------------------------------
// Arguments

class ArgmentsTest : public SelectorsTest {
 protected:
  // Formal parameters, first to last, as a method header links them.
  Tree Formals(std::initializer_list<Tree> types) {
    std::vector<Tree> list(types);
    Tree next = nullptr;
    int32_t offset = -2;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      next = Build(L_vr, Leaf(InternText("f")), {next, *it, nullptr, FrameSlot(offset)});
      offset -= 2;
    }
    return next;
  }
  Tree Arguments(Tree formals) {
    Tree caller = Build(L_fn), callerOut = nullptr, list = nullptr;
    EXPECT_TRUE(Argments(syms, formals, nullptr, caller, callerOut, list));
    EXPECT_EQ(callerOut, caller);
    return list;
  }
};

TEST_F(ArgmentsTest, TheListNestsWithTheLastArgumentOutermost) {
  With("1, i)");
  Tree list = Arguments(Formals({Int(), Int()}));
  ASSERT_TRUE(Is(list, L_at));
  EXPECT_EQ(KidCount(list), 3);
  EXPECT_EQ(Kid(list, 0), Int());
  EXPECT_EQ(WordRead(Kid(list, 2)), Location(i));
  EXPECT_EQ(Kid(list, 3), nullptr);
  Tree first = Kid(list, 1);
  ASSERT_TRUE(Is(first, L_at));
  EXPECT_EQ(Kid(first, 1), nullptr);
  EXPECT_TRUE(IsConstant(Kid(first, 2), 1));
  EXPECT_EQ(TokenCode(), T_RParen);  // the caller reads the parenthesis
  // No formals: nothing is read.
  With(")");
  EXPECT_EQ(Arguments(nullptr), nullptr);
  // Extra arguments are left for the caller.
  With("1, 2)");
  Arguments(Formals({Int()}));
  EXPECT_EQ(TokenCode(), T_Comma);
}

TEST_F(ArgmentsTest, ReferenceArgumentsAreMarkedUnlessNull) {
  With("p, null, s)");
  Tree list = Arguments(Formals({P, P, OpenArrayOf(Int())}));
  EXPECT_TRUE(Is(Kid(list, 3), L_pt));                 // s
  EXPECT_EQ(Kid(Kid(list, 1), 3), nullptr);            // null
  EXPECT_TRUE(Is(Kid(Kid(Kid(list, 1), 1), 3), L_pt));  // p
  // An array stored in place has no header: it is no reference to pass.
  With("a)");
  EXPECT_EQ(MessageOf([&] { Arguments(Formals({OpenArrayOf(Int())})); }), Says("Invalid expression value"));
}

TEST_F(ArgmentsTest, AByteArgumentIsPlacedInTheHighByteOfItsWord) {
  With("bytes[1], bytes[i & 1])");
  Tree list = Arguments(Formals({Key(kKeyByte), Key(kKeyByte)}));
  Tree shifted = Kid(list, 2);
  ASSERT_TRUE(Is(shifted, L_sh));
  EXPECT_EQ(Kid(shifted, 0), Int());
  EXPECT_TRUE(Is(Kid(shifted, 1), L_dr));
  EXPECT_EQ(ValueOf(Kid(Kid(shifted, 1), 0)), 1);  // read as a byte
  EXPECT_TRUE(IsConstant(Kid(shifted, 2), 8));
  EXPECT_TRUE(Is(Kid(Kid(list, 1), 2), L_sh));
  // A constant is placed at once.
  EXPECT_TRUE(IsConstant(ByteSlotWord(syms, Build(L_cn, Leaf(0x41))), 0x4100));
  EXPECT_TRUE(IsConstant(ByteSlotWord(syms, Build(L_cn, Leaf(200))), -14336));  // C8 00
  EXPECT_TRUE(IsConstant(ByteSlotWord(syms, Build(L_cn, Leaf(0x1FF))), -256));   // FF 00
}

TEST_F(ArgmentsTest, MessagesOfArguments) {
  With("1)");
  EXPECT_EQ(MessageOf([&] { Arguments(Formals({Int(), Int()})); }), Says("More arguments expected"));
  With(")");
  EXPECT_EQ(MessageOf([&] { Arguments(Formals({Int()})); }), Says("Argument expression expected here"));
  With("1, )");
  EXPECT_EQ(MessageOf([&] { Arguments(Formals({Int(), Int()})); }), Says("Argument expression expected here"));
  With("flag)");
  EXPECT_EQ(MessageOf([&] { Arguments(Formals({Int()})); }),
            Says("Argument type must be compatible with formal parameter"));
  With("5)");
  EXPECT_EQ(MessageOf([&] { Arguments(Formals({Key(kKeyByte)})); }),
            Says("Argument type must be compatible with formal parameter"));
}

}  // namespace
}  // namespace vyl
