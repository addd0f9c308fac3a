// The code image and the emit procedures: byte and word stores, the
// shortest constant pushes, jump words, the reserved words and _Up.
#include "codegen_fixture.h"

namespace vyl::cgtest {
namespace {

using EmitTest = CodegenTest;

std::vector<int> ConstantBytes(EmitTest& t, int32_t value) {
  int32_t next = 0;
  EXPECT_TRUE(PutConstant(value, 0x200, next));
  return t.Bytes(0x200, next);
}

TEST_F(EmitTest, ImageIsZeroedAndFullSize) {
  ASSERT_EQ(Image().size(), 32768u);
  for (uint8_t cell : Image()) ASSERT_EQ(cell, 0);
}

TEST_F(EmitTest, PutConstantChoosesTheShortestForm) {
  EXPECT_EQ(ConstantBytes(*this, 0), Hex("20"));
  EXPECT_EQ(ConstantBytes(*this, 27), Hex("3B"));
  EXPECT_EQ(ConstantBytes(*this, 28), Hex("01 00 1C"));
  EXPECT_EQ(ConstantBytes(*this, -1), Hex("3F"));
  EXPECT_EQ(ConstantBytes(*this, -4), Hex("3C"));
  EXPECT_EQ(ConstantBytes(*this, -5), Hex("25 10"));
  EXPECT_EQ(ConstantBytes(*this, -27), Hex("3B 10"));
  EXPECT_EQ(ConstantBytes(*this, -28), Hex("01 FF E4"));
  EXPECT_EQ(ConstantBytes(*this, -32768), Hex("01 80 00"));
  // Only the low 16 bits of a wider constant reach the image.
  EXPECT_EQ(ConstantBytes(*this, 70000), Hex("01 11 70"));
  EXPECT_EQ(ConstantBytes(*this, INT32_MIN), Hex("01 00 00"));
}

TEST_F(EmitTest, PutIntgerWritesBigEndianTwosComplement) {
  int32_t next = 0;
  ASSERT_TRUE(PutIntger(-8, 0x300, next));
  EXPECT_EQ(next, 0x302);
  EXPECT_EQ(Bytes(0x300, 0x302), Hex("FF F8"));
  ASSERT_TRUE(PutIntger(4660, next, next));
  EXPECT_EQ(Bytes(0x302, 0x304), Hex("12 34"));
}

TEST_F(EmitTest, JumpWordsCountFromTheByteAfterTheJump) {
  ASSERT_TRUE(JumpTo(0, 0x400, 0x402));
  EXPECT_EQ(Bytes(0x400, 0x402), Hex("C0 00"));
  ASSERT_TRUE(JumpTo(1, 0x410, 0x410));
  EXPECT_EQ(Bytes(0x410, 0x412), Hex("BF FE"));
  ASSERT_TRUE(JumpTo(1, 0x420, 0x422 + 8191));  // the farthest forward
  EXPECT_EQ(Bytes(0x420, 0x422), Hex("9F FF"));
  ASSERT_TRUE(JumpTo(0, 0x3000, 0x3002 - 8192));  // the farthest back
  EXPECT_EQ(Bytes(0x3000, 0x3002), Hex("E0 00"));
  EXPECT_FALSE(JumpTo(2, 0x430, 0x430));
}

TEST_F(EmitTest, Put6BytesWritesInOrder) {
  int32_t next = 0;
  ASSERT_TRUE(Put6Bytes(1, 2, 3, 4, 5, 0x1FF, 0x500, next));
  EXPECT_EQ(next, 0x506);
  EXPECT_EQ(Bytes(0x500, 0x506), Hex("01 02 03 04 05 FF"));
}

TEST_F(EmitTest, CodeStopsBelowTheReservedWords) {
  int32_t next = 0;
  ASSERT_TRUE(PutBy(0xAB, 0x7FF5, next));
  EXPECT_EQ(next, 0x7FF6);
  EXPECT_FALSE(PutBy(1, 0x7FF6, next));
  EXPECT_FALSE(PutBy(1, 32767, next));
  EXPECT_FALSE(PutBy(1, 32768, next));
  EXPECT_FALSE(PutBy(1, -1, next));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Too much code @32758", "Too much code @32767",
                                                   "Too much code @32768", "Too much code @-1"}));
  EXPECT_EQ(Bytes(0x7FF6, 0x8000), std::vector<int>(10, 0));
  // A word that would straddle the limit stops at it.
  EXPECT_FALSE(PutConstant(300, 0x7FF4, next));
  EXPECT_EQ(WordAt(0x7FF6), 0);
}

TEST_F(EmitTest, ReservedWordsAreWrittenAsWords) {
  int32_t next = 0;
  ASSERT_TRUE(PutIntger(0x1234, kWatchWord, next));
  EXPECT_EQ(next, kWatchWord + 2);
  ASSERT_TRUE(PutIntger(0x00FF, kMarkerWord, next));
  ASSERT_TRUE(PutIntger(17, kLineWord, next));
  ASSERT_TRUE(PutIntger(0x4321, kTrapTailWord, next));
  EXPECT_EQ(WordAt(kWatchWord), 0x1234);
  EXPECT_EQ(WordAt(kMarkerWord), 0x00FF);
  EXPECT_EQ(WordAt(kLineWord), 17);
  EXPECT_EQ(WordAt(kTrapTailWord), 0x4321);
  int32_t value = 0;
  ASSERT_TRUE(GetMemInt(kTrapTailWord, value));
  EXPECT_EQ(value, 0x4321);
  EXPECT_FALSE(GetMemInt(32767, value));
  EXPECT_FALSE(GetMemInt(-1, value));
}

TEST_F(EmitTest, WatchAddressTracesTheNext256Bytes) {
  int32_t next = 0;
  ASSERT_TRUE(PutIntger(0x600, kWatchWord, next));
  ASSERT_TRUE(PutBy(1, 0x5FF, next));
  EXPECT_EQ(TraceLevel(), 0);
  ASSERT_TRUE(PutBy(1, 0x600, next));
  EXPECT_EQ(TraceLevel(), 2);
  ASSERT_TRUE(PutBy(1, 0x6FF, next));
  EXPECT_EQ(TraceLevel(), 2);
  ASSERT_TRUE(PutBy(1, 0x700, next));
  EXPECT_EQ(TraceLevel(), 0);
}

TEST_F(EmitTest, SupportRoutineAndItsEntryWord) {
  int32_t next = 0;
  ASSERT_TRUE(DoLibe(0x1000, next));
  EXPECT_EQ(next, 0x1000 + 30);
  EXPECT_EQ(Bytes(0x1000, next),
            Hex("5F 55 70 03 20 02 40 00 C0 12 40 00 24 1D 04 0C 30 10 19 11 C0 06 04 0C 21 1C 06 0D 20 03"));
  EXPECT_EQ(WordAt(4), 0x1002);  // points at 70, the first instruction minus 2
}

TEST_F(EmitTest, SupportRoutineThatWouldReachTheReservedWordsFails) {
  int32_t next = 0;
  EXPECT_FALSE(DoLibe(0x7FF6 - 29, next));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Too much code @32758"});
  ASSERT_TRUE(DoLibe(0x7FF6 - 30, next));
  EXPECT_EQ(next, 0x7FF6);
}

}  // namespace
}  // namespace vyl::cgtest
