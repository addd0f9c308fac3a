// Jumps, calls, frames and returns.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace vylsim::test {
namespace {

using Words = std::vector<uint16_t>;

TEST(Jumps, ForwardJumpSkipsCode) {
  EXPECT_EQ(effect({0x80, 0x01, 0x21, 0x22}), (Words{2}));
}

TEST(Jumps, JumpzPopsAndJumpsOnlyOnZero) {
  EXPECT_EQ(effect({0x21, 0xC0, 0x01, 0x22, 0x23}), (Words{2, 3}));
  EXPECT_EQ(effect({0x20, 0xC0, 0x01, 0x22, 0x23}), (Words{3}));
}

TEST(Jumps, BackwardJumpMakesALoop) {
  // n := 3; while n != 0 { push 7 below n; n := n - 1 }
  const Bytes code = {
      0x23,        // 0  PUSHS 3
      0x04,        // 1  DUP
      0xC0, 0x06,  // 2  JUMPZ 10
      0x27,        // 4  PUSHS 7
      0x06,        // 5  SWAP
      0x21, 0x1D,  // 6  n - 1
      0xBF, 0xF7,  // 8  JUMP 1 (displacement -9)
  };
  EXPECT_EQ(effect(code), (Words{7, 7, 7, 0}));
}

TEST(Jumps, FourteenBitDisplacementsBothWays) {
  // 0: JUMP 5005; 2: PUSHS 1; 3: JUMP 5008; 5..5004: never run;
  // 5005: PUSHS 2; 5006: JUMP 2 (displacement -5006).
  Bytes code = {0x93, 0x8B, 0x21, 0x93, 0x8B};
  code.resize(5005, 0x70);
  code.insert(code.end(), {0x22, 0xAC, 0x72});
  EXPECT_EQ(effect(code), (Words{2, 1}));
}

TEST(Jumps, JumpxSkipsForwardByThePoppedCount) {
  EXPECT_EQ(effect({0x22, 0x0F, 0x3F, 0x3F, 0x21}), (Words{1}));
  EXPECT_EQ(effect({0x20, 0x0F, 0x23}), (Words{3}));
}

TEST(Frames, OpeningAFrameSavesFpAndPointsItAtTheCallersLastWord) {
  // At start the stack holds the base word 8000 and the sentinel; FP is 0.
  Rig rig(fragment_image({0x20, 0x02, 0x3F, 0x02, 0x40, 0x00, 0x40, 0x01, 0x40, 0x02}));
  rig.run_to(fragment_start + 10);
  EXPECT_EQ(rig.machine.fp(), 0x8000);
  EXPECT_EQ(rig.pushed(), (Words{0x0000, 0x8000, 0x8000, 0xFFFF, 0x0000}));
}

TEST(Frames, NegativeAndExtremeFrameIndexes) {
  Rig rig(fragment_image({0x20, 0x02,        // FP := 8000
                          0x27, 0x5F, 0xFE,  // frame word -2 := 7
                          0x25, 0x57, 0xFF,  // frame word 2047 := 5
                          0x26, 0x58, 0x00,  // frame word -2048 := 6
                          0x4F, 0xFE}));     // push frame word -2
  rig.run_to(fragment_start + 13);
  EXPECT_EQ(rig.machine.word(0x7FFC), 7);
  EXPECT_EQ(rig.machine.word(0x8FFE), 5);
  EXPECT_EQ(rig.machine.word(0x7000), 6);
  EXPECT_EQ(rig.pushed(), (Words{0x0000, 7}));
}

TEST(Frames, OtherFrameModesAreErrors) {
  Rig rig(fragment_image({0x22, 0x02}));
  EXPECT_EQ(rig.machine.run(), Status::Error);
  EXPECT_EQ(rig.machine.reason(), "FRAME 2 is not modelled");
}

// Procedure 1 computes first - second of its two parameters into the result
// slot: the last parameter is frame word -1, the first -2, the result -3.
const Bytes subtract_code = {0x20, 0x02, 0x4F, 0xFE, 0x4F, 0xFF, 0x1D, 0x5F, 0xFD, 0x23, 0x03};

TEST(Calls, StartStateAndTheSentinel) {
  Program program;
  program.start = {0x20, 0x02, 0x20, 0x03};  // open a frame, return to the sentinel
  const Program::Built built = program.build();
  Rig rig(built.image);
  EXPECT_EQ(rig.machine.pc(), built.code_addresses[0]);
  EXPECT_EQ(rig.machine.sp(), 0x8002);
  EXPECT_EQ(rig.machine.stack(), (Words{0x8000, 0xFFFF}));
  EXPECT_EQ(rig.machine.run(), Status::Finished);
  EXPECT_EQ(rig.machine.steps(), 4u);
}

TEST(Calls, ArgumentsResultSlotAndReturn) {
  Program program;
  program.start = {0x20, 0x02,              // open the start frame: FP = 8000
                   0x20, 0x25, 0x27,        // result slot, 5, 7
                   0x40, 0x00, 0x60, 0x01,  // base word, CALL 1
                   0x05, 0x20, 0x03};       // drop the result, return to the sentinel
  program.procedures = {{"sub", subtract_code}};
  const Program::Built built = program.build();
  const uint16_t return_address = built.code_addresses[0] + 9;
  Rig rig(built.image);

  rig.run_to(built.code_addresses[1]);
  EXPECT_EQ(rig.pushed(), (Words{0x0000, 0, 5, 7, 0x8000, return_address}));

  rig.run_to(return_address);
  EXPECT_EQ(rig.pushed(), (Words{0x0000, 0xFFFE}));  // 5 - 7 in the result slot
  EXPECT_EQ(rig.machine.fp(), 0x8000);

  EXPECT_EQ(rig.machine.run(), Status::Finished);
  EXPECT_EQ(rig.machine.stack(), (Words{0x8000}));
}

TEST(Calls, RecursionKeepsEachFrame) {
  // fact(n) = n == 0 ? 1 : n * fact(n - 1); main prints fact(5) = 120 = 'x'.
  const Bytes fact = {
      0x20, 0x02,              //  0  FRAME
      0x4F, 0xFF,              //  2  n
      0xC0, 0x10,              //  4  JUMPZ 22
      0x4F, 0xFF,              //  6  n
      0x20,                    //  8  result slot
      0x4F, 0xFF, 0x21, 0x1D,  //  9  n - 1
      0x40, 0x00, 0x60, 0x02,  // 13  CALL fact
      0x1E,                    // 17  MUL
      0x5F, 0xFE,              // 18  result := n * fact(n - 1)
      0x22, 0x03,              // 20  RET 2
      0x21, 0x5F, 0xFE,        // 22  result := 1
      0x22, 0x03,              // 25  RET 2
  };
  const Bytes main = {0x20, 0x02, 0x20, 0x25, 0x40, 0x00, 0x60, 0x02,  // fact(5)
                      0x01, 0xFF, 0xF6, 0x0D,                          // print it
                      0x21, 0x03};
  Program program;
  program.start = {0x20, 0x02, 0x40, 0x00, 0x60, 0x01, 0x20, 0x03};
  program.procedures = {{"main", main}, {"fact", fact}};
  const RunResult result = run_image(program.image());
  EXPECT_EQ(result.status, Status::Finished) << result.message;
  EXPECT_EQ(result.output, "x");
  EXPECT_EQ(result.stack, (Words{0x8000}));
}

TEST(Calls, CallZeroPushesTheNextAddress) {
  EXPECT_EQ(effect({0x60, 0x00}), (Words{fragment_start + 2}));
  // The constant-table idiom: CALL 0, push (next - table), SUB gives the table
  // address wherever the code lies. Here next = 6 and the table is at 1234.
  EXPECT_EQ(effect({0x60, 0x00, 0x01, 0xED, 0xD2, 0x1D}), (Words{0x1234}));
}

TEST(Calls, CallOutsideTheProcedureTableIsAnError) {
  Rig rig(fragment_image({0x60, 0x05}));
  EXPECT_EQ(rig.machine.run(), Status::Error);
  EXPECT_NE(rig.machine.reason().find("CALL 5"), std::string::npos) << rig.machine.reason();
}

}  // namespace
}  // namespace vylsim::test
