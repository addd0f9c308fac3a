// Intrinsic calls: each intrinsic's tree, result type and value range, and
// the messages of its argument checks.
#include <limits>

#include "statement_fixture.h"

namespace vyl {
namespace {

using test::Child;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

class IntrinsicCallTest : public test::StatementFixture {
 protected:
  // The value of a variable as an expression reads it.
  bool IsRead(Tree t, const char* name) const { return Is(t, L_dr) && Kid(t, 1) == Access(name); }
  bool IsIo(Tree t, int32_t number) const { return Is(t, L_io) && KidCount(t) == 4 && ValueOf(Kid(t, 0)) == number; }
};

TEST_F(IntrinsicCallTest, ValueIntrinsics) {
  Begin("ORD(c) CHR(65) CHR(ORD(c)) CHR(x) CHR(300) LENGTH(a) PEEK(x) mmPEEK(x)");
  auto ord = NameLed();  // the argument itself, as an int
  EXPECT_TRUE(IsRead(ord.tree, "c"));
  EXPECT_EQ(ord.type, Int());
  EXPECT_EQ(ord.high, 255);
  // CHR of a value within 0..255 is the value; of any other it is masked.
  for (int32_t expected : {65, 255}) {
    auto chr = NameLed();
    EXPECT_EQ(chr.type, Type("char"));
    EXPECT_FALSE(Is(chr.tree, L_an));
    EXPECT_EQ(chr.high, expected);
  }
  for (int i = 0; i < 2; ++i) {
    auto masked = NameLed();
    ASSERT_TRUE(Is(masked.tree, L_an));
    EXPECT_EQ(Kid(masked.tree, 0), Int());
    EXPECT_EQ(ValueOf(Kid(masked.tree, 2)), 255);
    EXPECT_EQ(masked.low, 0);
    EXPECT_EQ(masked.high, 255);
  }
  // LENGTH of an array of known length: its element count.
  auto length = NameLed();
  ASSERT_TRUE(Is(length.tree, L_cn));
  EXPECT_EQ(ValueOf(length.tree), 5);
  EXPECT_EQ(length.low, 5);
  EXPECT_EQ(length.high, 5);
  auto peek = NameLed();
  ASSERT_TRUE(Is(peek.tree, L_dr));
  EXPECT_EQ(KidCount(peek.tree), 1);
  EXPECT_TRUE(IsRead(Kid(peek.tree, 1), "x"));
  EXPECT_EQ(peek.type, Int());
  EXPECT_TRUE(Is(Kid(NameLed().tree, 2), L_mt));
}

TEST_F(IntrinsicCallTest, LengthOfAnArrayOfAnyLengthReadsItsLengthWord) {
  Begin("LENGTH(s) LENGTH(buf)");
  // dv(dr(of(-2, un(dr(s)))), cn 2): the byte length over the element size.
  auto length = NameLed();
  ASSERT_TRUE(Is(length.tree, L_dv));
  Tree word = Kid(length.tree, 1);
  ASSERT_TRUE(Is(word, L_dr) && Is(Kid(word, 1), L_of));
  EXPECT_EQ(ValueOf(Kid(word, 1)), -2);
  Tree checked = Kid(Kid(word, 1), 1);
  ASSERT_TRUE(Is(checked, L_un));
  EXPECT_TRUE(IsRead(Kid(checked, 1), "s"));
  EXPECT_EQ(ValueOf(Kid(length.tree, 2)), 2);
  EXPECT_EQ(length.low, kMin);
  EXPECT_EQ(length.high, kMax);
  EXPECT_TRUE(Is(NameLed().tree, L_dv));
}

TEST_F(IntrinsicCallTest, StatementIntrinsics) {
  Begin("DEBUG() POKE(x, c) mmPOKE(100, x) COCALL(x) Signal(sem) Wait(sem) Close(f) Seek(f, 3)");
  Tree link = Build(L_nn, Leaf(1), {nullptr});
  auto debug = NameLed(link);
  EXPECT_TRUE(IsIo(debug.tree, 0));
  EXPECT_EQ(Kid(debug.tree, 1), link);
  EXPECT_EQ(debug.type, Type("void"));
  auto poke = NameLed(link);
  ASSERT_TRUE(Is(poke.tree, L_as));
  EXPECT_EQ(Kid(poke.tree, 1), link);
  EXPECT_TRUE(IsRead(Kid(poke.tree, 2), "x"));
  EXPECT_TRUE(IsRead(Kid(poke.tree, 3), "c"));
  EXPECT_EQ(Child(poke.tree, 4), nullptr);
  auto mapped = NameLed(link);
  EXPECT_EQ(ValueOf(Kid(mapped.tree, 2)), 100);
  EXPECT_TRUE(Is(Kid(mapped.tree, 4), L_mt));
  auto cocall = NameLed(link);
  ASSERT_TRUE(Is(cocall.tree, L_ac));
  EXPECT_EQ(KidCount(cocall.tree), 2);
  // Signal and Wait take the semaphore's address, not its value.
  for (int32_t number : {10, 11}) {
    auto op = NameLed(link);
    EXPECT_TRUE(IsIo(op.tree, number));
    EXPECT_EQ(Kid(op.tree, 2), Access("sem"));
  }
  auto close = NameLed(link);
  EXPECT_TRUE(IsIo(close.tree, 15));
  EXPECT_TRUE(IsRead(Kid(close.tree, 2), "f"));
  auto seek = NameLed(link);
  EXPECT_TRUE(IsIo(seek.tree, 18));
  EXPECT_EQ(ValueOf(Kid(seek.tree, 3)), 3);
  EXPECT_EQ(seek.type, Type("void"));
}

TEST_F(IntrinsicCallTest, ProcessFileAndSystemIntrinsics) {
  Begin("FORK(x) Open(\"DATA\") FileInfo(f) Read(f, buf) Write(f, a) Write(f, \"hi\") SysOp0(1) SysOp1(1, 2) "
        "SysOp2(1, 2, 3)");
  auto fork = NameLed();
  ASSERT_TRUE(Is(fork.tree, L_ac));
  EXPECT_TRUE(Is(Kid(fork.tree, 3), L_no));
  EXPECT_EQ(fork.type, Int());
  auto open = NameLed();
  EXPECT_TRUE(IsIo(open.tree, 14));
  EXPECT_TRUE(Is(Kid(open.tree, 2), L_df));  // the string constant
  EXPECT_EQ(open.type, Type("FileId"));
  EXPECT_TRUE(IsIo(NameLed().tree, 19));
  // Data in an array of any length is reached through its variable; an
  // array of known length lies in place; Write takes any array value.
  auto read = NameLed();
  EXPECT_TRUE(IsIo(read.tree, 16));
  EXPECT_TRUE(IsRead(Kid(read.tree, 3), "buf"));
  EXPECT_EQ(read.type, Int());
  EXPECT_EQ(Kid(NameLed().tree, 3), Access("a"));
  EXPECT_TRUE(Is(Kid(NameLed().tree, 3), L_df));
  // The first argument of a system operation is its last operand.
  for (int32_t number = 20; number <= 22; ++number) {
    auto op = NameLed();
    EXPECT_TRUE(IsIo(op.tree, number));
    EXPECT_EQ(ValueOf(Kid(op.tree, 4)), 1);
    EXPECT_EQ(Kid(op.tree, 2) ? ValueOf(Kid(op.tree, 2)) : 0, number >= 21 ? 2 : 0);
    EXPECT_EQ(Kid(op.tree, 3) ? ValueOf(Kid(op.tree, 3)) : 0, number == 22 ? 3 : 0);
    EXPECT_EQ(op.type, Int());
  }
}

TEST_F(IntrinsicCallTest, IntrinsicsInsideExpressions) {
  Begin("x = LENGTH(a) + ORD(c);");
  Tree sum = Kid(Parse(), 3);
  ASSERT_TRUE(Is(sum, L_ad));
  EXPECT_EQ(ValueOf(Kid(sum, 1)), 5);
}

// ---------------------------------------------------------------------------
// Messages

struct Case {
  const char* source;
  const char* message;
};

class IntrinsicCallMessageTest : public IntrinsicCallTest, public ::testing::WithParamInterface<Case> {};

TEST_P(IntrinsicCallMessageTest, Reports) {
  Begin(GetParam().source);
  EXPECT_EQ(ErrorOf([this] { NameLed(); }), GetParam().message) << GetParam().source;
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
