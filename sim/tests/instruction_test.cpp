// Decoding, and the effect of the arithmetic and stack instructions.
#include <gtest/gtest.h>

#include "instruction.h"
#include "sim_test_support.h"

namespace vylsim::test {
namespace {

using Words = std::vector<uint16_t>;

Instruction decode_at(const Bytes& bytes, uint16_t address) {
  Bytes memory(address, 0);
  memory.insert(memory.end(), bytes.begin(), bytes.end());
  return decode(memory, address);
}

TEST(Decode, FrameIndexesAreTwelveBitTwosComplement) {
  EXPECT_EQ(decode_at({0x40, 0x02}, 0).operand, 2);
  EXPECT_EQ(decode_at({0x4F, 0xFE}, 0).operand, -2);
  EXPECT_EQ(decode_at({0x47, 0xFF}, 0).operand, 2047);
  EXPECT_EQ(decode_at({0x58, 0x00}, 0).operand, -2048);
  EXPECT_EQ(decode_at({0x58, 0x00}, 0).op, Op::StoreL);
}

TEST(Decode, JumpTargetsCountFromTheByteAfterTheJump) {
  EXPECT_EQ(decode_at({0xBF, 0xFE}, 0x100).operand, 0x100);           // -2: itself
  EXPECT_EQ(decode_at({0x9F, 0xFF}, 0x100).operand, 0x102 + 8191);    // largest forward
  EXPECT_EQ(decode_at({0xA0, 0x00}, 0x3000).operand, 0x3002 - 8192);  // largest backward
  const Instruction jumpz = decode_at({0xC0, 0x02}, 0x10);
  EXPECT_EQ(jumpz.op, Op::JumpZ);
  EXPECT_EQ(jumpz.operand, 0x14);
}

TEST(Decode, LengthsAndOperands) {
  const Instruction line = decode_at({0x00, 0x01, 0x2C}, 0);
  EXPECT_EQ(line.op, Op::Line);
  EXPECT_EQ(line.length, 3);
  EXPECT_EQ(line.operand, 300);
  EXPECT_EQ(decode_at({0x01, 0xFF, 0xDA}, 0).operand, -38);
  EXPECT_EQ(decode_at({0x6F, 0xFF}, 0).operand, 4095);
  EXPECT_EQ(decode_at({0x3C}, 0).operand, -4);
  EXPECT_EQ(decode_at({0x3B}, 0).operand, 27);
  EXPECT_EQ(decode_at({0x1F}, 0).op, Op::DivMod);
  EXPECT_EQ(decode_at({0x70}, 0).op, Op::Undefined);
  EXPECT_EQ(decode_at({0x70}, 0).length, 1);
}

TEST(Decode, TextForm) {
  EXPECT_EQ(format_operation(decode_at({0x4F, 0xFE}, 0)), "LOADL -2");
  EXPECT_EQ(format_operation(decode_at({0xC0, 0x02}, 0x10)), "JUMPZ 0014");
  EXPECT_EQ(format_operation(decode_at({0x01, 0xFF, 0xDA}, 0)), "LIT -38");
  EXPECT_EQ(format_operation(decode_at({0x07}, 0)), "INDEX");
  EXPECT_EQ(format_bytes(decode_at({0x00, 0x00, 0x0C}, 0)), "00 00 0C");
}

TEST(Constants, ShortPushesCoverMinusFourToTwentySeven) {
  EXPECT_EQ(effect({0x20, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F}), (Words{0, 27, 0xFFFC, 0xFFFD, 0xFFFE, 0xFFFF}));
}

TEST(Constants, LiteralsAreSixteenBits) {
  EXPECT_EQ(effect({0x01, 0x00, 0x1C, 0x01, 0xFF, 0xE4, 0x01, 0x80, 0x00}), (Words{28, 0xFFE4, 0x8000}));
}

TEST(StackOps, DupDropSwap) {
  EXPECT_EQ(effect({0x21, 0x22, 0x04}), (Words{1, 2, 2}));
  EXPECT_EQ(effect({0x21, 0x22, 0x05}), (Words{1}));
  EXPECT_EQ(effect({0x21, 0x22, 0x06}), (Words{2, 1}));
}

TEST(Arithmetic, WrapsModuloSixteenBits) {
  EXPECT_EQ(effect({0x01, 0x7F, 0xFF, 0x21, 0x1C}), (Words{0x8000}));  // 7FFF + 1
  EXPECT_EQ(effect({0x20, 0x21, 0x1D}), (Words{0xFFFF}));              // 0 - 1
  EXPECT_EQ(effect({0x3D, 0x25, 0x1E}), (Words{0xFFF1}));              // -3 * 5
  EXPECT_EQ(effect({0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x1E}), (Words{0x0100}));  // 256 * 257
  EXPECT_EQ(effect({0x3F, 0x3F, 0x1E}), (Words{1}));                   // FFFF * FFFF
  EXPECT_EQ(effect({0x25, 0x10}), (Words{0xFFFB}));
  EXPECT_EQ(effect({0x01, 0x80, 0x00, 0x10}), (Words{0x8000}));
}

TEST(Arithmetic, SubtractionTakesTheTopFromTheOneBelow) {
  EXPECT_EQ(effect({0x29, 0x23, 0x1D}), (Words{6}));  // 9 - 3
}

TEST(Arithmetic, BitOperators) {
  EXPECT_EQ(effect({0x2C, 0x2A, 0x19}), (Words{8}));
  EXPECT_EQ(effect({0x2C, 0x2A, 0x1A}), (Words{14}));
  EXPECT_EQ(effect({0x2C, 0x2A, 0x1B}), (Words{6}));
}

TEST(Comparisons, AreSignedAndYieldZeroOrOne) {
  EXPECT_EQ(effect({0x3F, 0x21, 0x14}), (Words{1}));  // -1 < 1
  EXPECT_EQ(effect({0x3F, 0x21, 0x15}), (Words{0}));  // -1 > 1
  EXPECT_EQ(effect({0x01, 0x80, 0x00, 0x01, 0x7F, 0xFF, 0x14}), (Words{1}));  // -32768 < 32767
  EXPECT_EQ(effect({0x22, 0x22, 0x16, 0x22, 0x22, 0x17, 0x21, 0x22, 0x17}), (Words{1, 1, 0}));
  EXPECT_EQ(effect({0x23, 0x23, 0x12, 0x23, 0x24, 0x12, 0x23, 0x24, 0x13}), (Words{1, 0, 1}));
}

TEST(Comparisons, NotIsLogical) {
  EXPECT_EQ(effect({0x20, 0x11, 0x25, 0x11, 0x3F, 0x11}), (Words{1, 0, 0}));
}

TEST(DivMod, TruncatesTowardZero) {
  EXPECT_EQ(effect({0x27, 0x22, 0x1F}), (Words{3, 1}));                    // 7 / 2
  EXPECT_EQ(effect({0x27, 0x10, 0x22, 0x1F}), (Words{0xFFFD, 0xFFFF}));    // -7 / 2 = -3 rem -1
  EXPECT_EQ(effect({0x27, 0x3E, 0x1F}), (Words{0xFFFD, 1}));               // 7 / -2 = -3 rem 1
  EXPECT_EQ(effect({0x27, 0x10, 0x3E, 0x1F}), (Words{3, 0xFFFF}));        // -7 / -2 = 3 rem -1
  EXPECT_EQ(effect({0x01, 0x80, 0x00, 0x3F, 0x1F}), (Words{0x8000, 0}));  // -32768 / -1 wraps
}

TEST(DivMod, DivisionByZeroTraps) {
  Rig rig(fragment_image({0x25, 0x20, 0x1F, 0x21}));
  EXPECT_EQ(rig.machine.run(), Status::Trap);
  EXPECT_EQ(rig.machine.stop_address(), fragment_start + 2);
  EXPECT_EQ(rig.machine.reason(), "division by zero");
}

TEST(Shift, PositiveCountShiftsLeft) {
  EXPECT_EQ(effect({0x21, 0x23, 0x18}), (Words{8}));
  EXPECT_EQ(effect({0x21, 0x2F, 0x18}), (Words{0x8000}));
  EXPECT_EQ(effect({0x21, 0x30, 0x18}), (Words{0}));  // by 16
}

TEST(Shift, NegativeCountShiftsRightArithmetically) {
  EXPECT_EQ(effect({0x2C, 0x3E, 0x18}), (Words{3}));                  // 12 >> 2
  EXPECT_EQ(effect({0x25, 0x10, 0x3F, 0x18}), (Words{0xFFFD}));       // -5 >> 1 = -3
  EXPECT_EQ(effect({0x01, 0x80, 0x00, 0x2F, 0x10, 0x18}), (Words{0xFFFF}));  // sign fills
  EXPECT_EQ(effect({0x01, 0x40, 0x00, 0x01, 0xFF, 0xEC, 0x18}), (Words{0}));  // by 20
  EXPECT_EQ(effect({0x3F, 0x01, 0x80, 0x00, 0x18}), (Words{0xFFFF}));  // -1 by -32768
}

TEST(Memory, ByteLoadIsTheWordLoadOneByteEarlierMasked) {
  // Store 1234 at A100 (big-endian: 12 then 34), then load the byte at A101
  // the way compiled code does.
  EXPECT_EQ(effect({0x01, 0x12, 0x34, 0x01, 0xA1, 0x00, 0x0D,       // word[A100] := 1234
                    0x01, 0xA1, 0x01, 0x21, 0x1D, 0x0C,             // load word at A101 - 1
                    0x01, 0x00, 0xFF, 0x19}),                       // AND 255
            (Words{0x34}));
}

TEST(Memory, MmapPrefixesAPlainLoadOrStore) {
  EXPECT_EQ(effect({0x2A, 0x01, 0xA1, 0x00, 0x0E, 0x0D, 0x01, 0xA1, 0x00, 0x0E, 0x0C}), (Words{10}));
  Rig rig(fragment_image({0x0E, 0x21}));
  EXPECT_EQ(rig.machine.run(), Status::Error);
}

}  // namespace
}  // namespace vylsim::test
