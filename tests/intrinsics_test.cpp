// Intrinsic calls: each intrinsic's argument checks, tree, result type and
// value range, as a statement and inside an expression, and its messages.
#include <limits>

#include "statement_fixture.h"

namespace vyl {
namespace {

using test::Child;


constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

class IntrinsicCallTest : public test::StatementFixture {
 protected:
  Tree tree = nullptr;
  Tree type = nullptr;
  int32_t low = 0;
  int32_t high = 0;

  // Parses the call that the source holds (a name-led operand) with `link`.
  void Call(Tree link = nullptr) {
    Tree record = nullptr;
    int32_t isCall = 0;
    ASSERT_TRUE(LeftOrCall(nullptr, nullptr, scope, link, tree, record, type, isCall, low, high));
    EXPECT_EQ(isCall, 1);
  }
  // The message of a call that the source holds.
  std::string CallError() {
    return ErrorOf([this] {
      Tree record = nullptr;
      int32_t isCall = 0;
      LeftOrCall(nullptr, nullptr, scope, nullptr, tree, record, type, isCall, low, high);
    });
  }
  // A function scope with every package imported and the usual variables:
  // int x, char c, byte b, String s, int[5] a, char[] buf, Semaphore sem,
  // FileId f.
  void With(const std::string& source) {
    Begin(source, {"Hardware", "Dangerous", "Semaphores", "Files"});
    Local("x", Int(), 6);
    Local("c", Key(kKeyChar), 8);
    Local("b", Key(kKeyByte), 10);
    Local("s", Key(kKeyString), 12);
    Local("a", ArrayOf(Int(), 5), 14);
    Local("buf", ArrayOf(Key(kKeyChar), -1), 24);
    Local("sem", Key(kKeySemaphore), 26);
    Local("f", Key(kKeyFileId), 28);
    Local("ints", ArrayOf(Int(), -1), 30);
  }
  Tree Var(const char* name) { return Bound(InternText(name), scope); }
  Tree Access(const char* name) { return Kid(Var(name), 4); }
  // The value of a word variable as an expression reads it.
  bool IsRead(Tree t, const char* name) { return Is(t, L_dr) && Kid(t, 1) == Access(name); }
};

// ---------------------------------------------------------------------------
// Trees, types and ranges

TEST_F(IntrinsicCallTest, Debug) {
  With("DEBUG()");
  Tree link = Build(L_nn, Leaf(1), {nullptr});
  Call(link);
  ASSERT_TRUE(Is(tree, L_io));
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 0);
  EXPECT_EQ(Kid(tree, 1), link);
  EXPECT_EQ(Child(tree, 2), nullptr);
  EXPECT_EQ(type, Key(kKeyVoid));
}

TEST_F(IntrinsicCallTest, OrdKeepsTheTreeAndRangeAndGivesInt) {
  With("ORD(c)");
  Call();
  EXPECT_TRUE(IsRead(tree, "c"));
  EXPECT_EQ(type, Int());
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 255);
}

TEST_F(IntrinsicCallTest, LengthOfAKnownLengthArrayIsItsElementCount) {
  With("LENGTH(a)");
  Call();
  ASSERT_TRUE(Is(tree, L_cn));
  EXPECT_EQ(ValueOf(tree), 5);
  EXPECT_EQ(low, 5);
  EXPECT_EQ(high, 5);
  EXPECT_EQ(type, Int());
}

TEST_F(IntrinsicCallTest, LengthOfAStringReadsTheLengthWordAtRunTime) {
  With("LENGTH(s)");
  Call();
  // dv(dr(of(-2, un(dr(s)))), cn 2): the byte length over the element size.
  ASSERT_TRUE(Is(tree, L_dv));
  Tree word = Kid(tree, 1);
  ASSERT_TRUE(Is(word, L_dr));
  Tree at = Kid(word, 1);
  ASSERT_TRUE(Is(at, L_of));
  EXPECT_EQ(ValueOf(Kid(at, 0)), -2);
  Tree checked = Kid(at, 1);
  ASSERT_TRUE(Is(checked, L_un));
  EXPECT_TRUE(IsRead(Kid(checked, 1), "s"));
  ASSERT_TRUE(Is(Kid(tree, 2), L_cn));
  EXPECT_EQ(ValueOf(Kid(tree, 2)), 2);
  EXPECT_EQ(type, Int());
  EXPECT_EQ(low, kMin);
  EXPECT_EQ(high, kMax);
}

TEST_F(IntrinsicCallTest, LengthOfAByteArrayDividesByOne) {
  With("LENGTH(bytes)");
  Local("bytes", ArrayOf(Key(kKeyByte), -1), 32);
  Call();
  ASSERT_TRUE(Is(tree, L_dv));
  EXPECT_EQ(ValueOf(Kid(tree, 2)), 1);
}

TEST_F(IntrinsicCallTest, ChrWithinACharNeedsNoMask) {
  With("CHR(65) CHR(ORD(c))");
  Call();
  EXPECT_EQ(type, Key(kKeyChar));
  ASSERT_TRUE(Is(tree, L_cn));
  EXPECT_EQ(ValueOf(tree), 65);
  EXPECT_EQ(low, 65);
  Call();
  EXPECT_TRUE(IsRead(tree, "c"));
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 255);
}

TEST_F(IntrinsicCallTest, ChrOfAnyIntegerIsMaskedToAChar) {
  With("CHR(x) CHR(300) CHR(-1)");
  for (int i = 0; i < 3; ++i) {
    Call();
    ASSERT_TRUE(Is(tree, L_an)) << i;
    EXPECT_EQ(Kid(tree, 0), Int());
    ASSERT_TRUE(Is(Kid(tree, 2), L_cn));
    EXPECT_EQ(ValueOf(Kid(tree, 2)), 255);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 255);
    EXPECT_EQ(type, Key(kKeyChar));
  }
}

TEST_F(IntrinsicCallTest, PeekAndMemoryMappedPeek) {
  With("PEEK(x) mmPEEK(x)");
  Call();
  ASSERT_TRUE(Is(tree, L_dr));
  EXPECT_EQ(KidCount(tree), 1);
  EXPECT_TRUE(IsRead(Kid(tree, 1), "x"));
  EXPECT_EQ(type, Int());
  Call();
  ASSERT_TRUE(Is(tree, L_dr));
  EXPECT_TRUE(Is(Kid(tree, 2), L_mt));
}

TEST_F(IntrinsicCallTest, PokeAndMemoryMappedPoke) {
  With("POKE(x, c) mmPOKE(100, x)");
  Tree link = Build(L_nn, Leaf(1), {nullptr});
  Call(link);
  ASSERT_TRUE(Is(tree, L_as));
  EXPECT_EQ(Kid(tree, 0), nullptr);
  EXPECT_EQ(Kid(tree, 1), link);
  EXPECT_TRUE(IsRead(Kid(tree, 2), "x"));
  EXPECT_TRUE(IsRead(Kid(tree, 3), "c"));
  EXPECT_EQ(Child(tree, 4), nullptr);
  EXPECT_EQ(type, Key(kKeyVoid));
  Call(link);
  EXPECT_EQ(ValueOf(Kid(tree, 2)), 100);
  EXPECT_TRUE(Is(Kid(tree, 4), L_mt));
}

TEST_F(IntrinsicCallTest, ForkAndCocall) {
  With("FORK(x) COCALL(x)");
  Call();
  ASSERT_TRUE(Is(tree, L_ac));
  EXPECT_TRUE(IsRead(Kid(tree, 2), "x"));
  EXPECT_TRUE(Is(Kid(tree, 3), L_no));
  EXPECT_EQ(type, Int());
  Call();
  ASSERT_TRUE(Is(tree, L_ac));
  EXPECT_EQ(KidCount(tree), 2);
  EXPECT_EQ(type, Key(kKeyVoid));
}

TEST_F(IntrinsicCallTest, SignalAndWaitTakeTheSemaphoresAddress) {
  With("Signal(sem) Wait(sem)");
  Call();
  ASSERT_TRUE(Is(tree, L_io));
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 10);
  EXPECT_EQ(Kid(tree, 2), Access("sem"));
  EXPECT_EQ(type, Key(kKeyVoid));
  Call();
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 11);
  EXPECT_EQ(Kid(tree, 2), Access("sem"));
}

TEST_F(IntrinsicCallTest, FileOperations) {
  With("Open(\"DATA\") Close(f) FileInfo(f) Seek(f, 3)");
  Call();
  ASSERT_TRUE(Is(tree, L_io));
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 14);
  EXPECT_TRUE(Is(Kid(tree, 2), L_df));  // the string constant
  EXPECT_EQ(type, Key(kKeyFileId));
  Call();
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 15);
  EXPECT_TRUE(IsRead(Kid(tree, 2), "f"));
  EXPECT_EQ(type, Key(kKeyVoid));
  Call();
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 19);
  EXPECT_EQ(type, Int());
  Call();
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 18);
  EXPECT_TRUE(IsRead(Kid(tree, 2), "f"));
  EXPECT_EQ(ValueOf(Kid(tree, 3)), 3);
  EXPECT_EQ(type, Key(kKeyVoid));
}

TEST_F(IntrinsicCallTest, ReadAndWriteData) {
  // An array of unbounded length is reached through the reference its
  // variable holds; an array of known length lies in place; Write also
  // takes any array expression.
  With("Read(f, buf) Write(f, a) Write(f, \"hi\")");
  Call();
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 16);
  EXPECT_TRUE(IsRead(Kid(tree, 2), "f"));
  EXPECT_TRUE(IsRead(Kid(tree, 3), "buf"));
  EXPECT_EQ(type, Int());
  Call();
  EXPECT_EQ(ValueOf(Kid(tree, 0)), 17);
  EXPECT_EQ(Kid(tree, 3), Access("a"));
  Call();
  EXPECT_TRUE(Is(Kid(tree, 3), L_df));
}

TEST_F(IntrinsicCallTest, SystemOperationsPutTheFirstArgumentLast) {
  With("SysOp0(1) SysOp1(1, 2) SysOp2(1, 2, 3)");
  for (int32_t n = 20; n <= 22; ++n) {
    Call();
    ASSERT_TRUE(Is(tree, L_io));
    EXPECT_EQ(ValueOf(Kid(tree, 0)), n);
    EXPECT_EQ(KidCount(tree), 4);
    EXPECT_EQ(ValueOf(Kid(tree, 4)), 1);
    // The second and third arguments, where the operation has them.
    EXPECT_EQ(Kid(tree, 2) ? ValueOf(Kid(tree, 2)) : 0, n >= 21 ? 2 : 0);
    EXPECT_EQ(Kid(tree, 3) ? ValueOf(Kid(tree, 3)) : 0, n == 22 ? 3 : 0);
    EXPECT_EQ(type, Int());
  }
}

TEST_F(IntrinsicCallTest, IntrinsicsInsideExpressionsAndAsStatements) {
  With("x = LENGTH(a) + ORD(c); POKE(x, 1); FORK(x);");
  Tree s = Parse();
  ASSERT_TRUE(Is(s, L_as));
  Tree sum = Kid(s, 3);
  ASSERT_TRUE(Is(sum, L_ad));
  EXPECT_EQ(ValueOf(Kid(sum, 1)), 5);
  Tree poke = Parse();
  ASSERT_TRUE(Is(poke, L_as));
  EXPECT_TRUE(Is(Kid(poke, 1), L_nn));  // the statement link
  EXPECT_EQ(StatementError(), "Function value must be used");
}

// ---------------------------------------------------------------------------
// Messages

struct Case {
  const char* source;
  const char* message;
};

class IntrinsicCallMessageTest : public IntrinsicCallTest, public ::testing::WithParamInterface<Case> {};

TEST_P(IntrinsicCallMessageTest, Reports) {
  With(GetParam().source);
  EXPECT_EQ(CallError(), GetParam().message) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    IntrinsicMessages, IntrinsicCallMessageTest,
    ::testing::Values(Case{"DEBUG;", "Function param(s) expected"},
                      Case{"DEBUG(1)", "Bad parameter or missing parenthesis"},
                      Case{"ORD(buf)", "Scalar value expected for ORD"},
                      Case{"ORD()", "Scalar value expected for ORD"},
                      Case{"LENGTH(x)", "Array or String parameter expected for LENGTH"},
                      Case{"LENGTH(\"abc\")", "Array or String parameter expected for LENGTH"},
                      Case{"CHR(c)", "Integer value expected for CHR"},
                      Case{"PEEK(true)", "Integer address value expected for PEEK"},
                      Case{"POKE(c, 1)", "Integer address value expected for POKE"},
                      Case{"POKE(x, b)", "2-byte value to be poked expected"},
                      Case{"POKE(x)", "2-byte value to be poked expected"},
                      Case{"mmPEEK(s)", "Integer address value expected for mmPEEK"},
                      Case{"mmPOKE(true, 1)", "Integer address value expected for mmPOKE"},
                      Case{"mmPOKE(x, b)", "2-byte value to be poked expected"},
                      Case{"FORK(5)", "Integer address value expected for FORK"},
                      Case{"FORK(c)", "Integer address value expected for FORK"},
                      Case{"COCALL(c)", "Integer address value expected for COCALL"},
                      Case{"Signal(x)", "Semaphore reference expected for Signal or Wait"},
                      Case{"Wait(7)", "Semaphore reference expected for Signal or Wait"},
                      Case{"Open(x)", "File name expected for Open"},
                      Case{"Open(ints)", "File name expected for Open"},
                      Case{"Close(x)", "FileId expected for Close"},
                      Case{"Read(x, buf)", "FileId expected for Read or Write"},
                      Case{"Write(f buf)", "Data array expected for Read or Write"},
                      Case{"Read(f, x)", "Data array expected for Read or Write"},
                      Case{"Read(f, \"abc\")", "Data array expected for Read or Write"},
                      Case{"Seek(x, 1)", "FileId expected for Seek"},
                      Case{"Seek(f)", "Sector number expected for Seek"},
                      Case{"Seek(f, c)", "Sector number expected for Seek"},
                      Case{"FileInfo(x)", "FileId expected for FileInfo"},
                      Case{"SysOp0(c)", "Integer parameter value expected for SysOp"},
                      Case{"SysOp1(1)", "Second parameter expected for SysOp"},
                      Case{"SysOp2(1, 2)", "Another parameter expected for SysOp2"},
                      Case{"SysOp2(1, 2, 3, 4)", "Bad parameter or missing parenthesis"}));

}  // namespace
}  // namespace vyl
