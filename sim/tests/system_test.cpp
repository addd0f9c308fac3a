// The 07 instruction, the system operations, the heap and the devices.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace vylsim::test {
namespace {

using Words = std::vector<uint16_t>;

TEST(Index, LimitZeroStoresTheLowByte) {
  Rig rig(fragment_image({0x01, 0x12, 0x34, 0x01, 0xA1, 0x00, 0x20, 0x07}));
  rig.run_to(fragment_start + 8);
  EXPECT_EQ(rig.machine.byte(0xA100), 0x34);
  EXPECT_EQ(rig.machine.byte(0xA101), 0x00);
  EXPECT_EQ(rig.machine.byte(0xA0FF), 0x00);
  EXPECT_EQ(rig.pushed(), Words{});
}

TEST(Index, PositiveLimitBoundsTheIndex) {
  // base A100, limit 6
  EXPECT_EQ(effect({0x01, 0xA1, 0x00, 0x24, 0x26, 0x07}), (Words{0xA104, 1}));
  EXPECT_EQ(effect({0x01, 0xA1, 0x00, 0x25, 0x26, 0x07}), (Words{0xA105, 1}));
  EXPECT_EQ(effect({0x01, 0xA1, 0x00, 0x26, 0x26, 0x07}), (Words{0xA106, 0}));
  EXPECT_EQ(effect({0x01, 0xA1, 0x00, 0x3F, 0x26, 0x07}), (Words{0xA0FF, 0}));
}

TEST(Index, NegativeLimitUsesTheLengthWordBeforeTheData) {
  EXPECT_EQ(effect({0x24, 0x01, 0xA1, 0x02, 0x0D,         // length word at A102 := 4
                    0x01, 0xA1, 0x04, 0x23, 0x3F, 0x07,   // index 3
                    0x01, 0xA1, 0x04, 0x24, 0x3F, 0x07}), // index 4
            (Words{0xA107, 1, 0xA108, 0}));
}

// base A100, index i, limit 4, then the check's trap tail: NOT, JUMPZ +2, trap.
Bytes checked_access(uint8_t index) { return {0x01, 0xA1, 0x00, index, 0x24, 0x07, 0x11, 0xC0, 0x02, 0x21, 0x09}; }

TEST(Index, FailedCheckRunsIntoTheTrap) {
  EXPECT_EQ(effect(checked_access(0x22)), (Words{0xA102}));
  Rig rig(fragment_image(checked_access(0x24)));
  EXPECT_EQ(rig.machine.run(), Status::Trap);
  EXPECT_EQ(rig.machine.stop_address(), fragment_start + 10);
}

TEST(Sysop, OperationOneTraps) {
  Rig rig(fragment_image({0x21, 0x09}));
  EXPECT_EQ(rig.machine.run(), Status::Trap);
  EXPECT_EQ(rig.machine.stop_address(), fragment_start + 1);
  EXPECT_NE(rig.machine.reason().find("run-time check failed"), std::string::npos);
}

TEST(Sysop, AllocationBuildsAHeaderedZeroedBlock) {
  Rig rig(fragment_image({0x01, 0x55, 0x55, 0x01, 0xA0, 0x04, 0x0D,  // dirty the heap first
                          0x26, 0x22, 0x09}));
  rig.run_to(fragment_start + 10);
  EXPECT_EQ(rig.pushed(), (Words{0xA004, 0}));
  EXPECT_EQ(rig.machine.word(0xA000), 0);  // header: nobody holds it yet
  EXPECT_EQ(rig.machine.word(0xA002), 6);  // length
  EXPECT_EQ(rig.machine.word(0xA004), 0);
}

TEST(Sysop, BlocksFollowEachOtherWordAligned) {
  EXPECT_EQ(effect({0x26, 0x22, 0x09, 0x05, 0x23, 0x22, 0x09, 0x05, 0x21, 0x22, 0x09, 0x05}),
            (Words{0xA004, 0xA00E, 0xA016}));
}

TEST(Sysop, AllocationFailures) {
  Rig negative(fragment_image({0x3F, 0x22, 0x09}));
  EXPECT_EQ(negative.machine.run(), Status::Error);
  Rig exhausted(fragment_image({0x01, 0x50, 0x00, 0x22, 0x09, 0x01, 0x50, 0x00, 0x22, 0x09}));
  EXPECT_EQ(exhausted.machine.run(), Status::Error);
  EXPECT_EQ(exhausted.machine.stop_address(), fragment_start + 9);
  EXPECT_NE(exhausted.machine.reason().find("out of heap"), std::string::npos);
}

// Allocates a block, sets its header word, releases it; returns the header.
uint16_t header_after_release(uint8_t hi, uint8_t lo) {
  Rig rig(fragment_image({0x20, 0x22, 0x09, 0x05,                  // block at A004
                          0x01, hi, lo, 0x01, 0xA0, 0x00, 0x0D,    // header := hi lo
                          0x01, 0xA0, 0x04, 0x23, 0x09}));         // release A004
  rig.run_to(fragment_start + 16);
  EXPECT_EQ(rig.pushed(), (Words{0xA004, 0, 0}));
  return rig.machine.word(0xA000);
}

TEST(Sysop, ReleaseCountsDownOnlyCountedBlocks) {
  EXPECT_EQ(header_after_release(0x00, 0x02), 1);
  EXPECT_EQ(header_after_release(0x00, 0x00), 0);
  EXPECT_EQ(header_after_release(0xFF, 0xF1), 0xFFF1);  // a constant object
  EXPECT_EQ(effect({0x20, 0x23, 0x09}), (Words{0, 0}));  // the null reference
}

TEST(Sysop, UnmodelledOperationsAreErrors) {
  Rig close(fragment_image({0x25, 0x09}));
  EXPECT_EQ(close.machine.run(), Status::Error);
  EXPECT_EQ(close.machine.reason(), "SYSOP 5 (Close) is not modelled");
  Rig unknown(fragment_image({0x2D, 0x09}));
  EXPECT_EQ(unknown.machine.run(), Status::Error);
  EXPECT_EQ(unknown.machine.reason(), "unknown SYSOP operation 13");
}

TEST(Sysop, TakingAndReleasingReferencesThroughUp) {
  Program program;
  program.tables = {{0x00, 0x41}};
  program.procedures = {{"_Up", up_code}};
  program.start = {0x20, 0x02,
                   0x22, 0x22, 0x09, 0x05,        // block at A004, count 0
                   0x60, 0x01, 0x60, 0x01,        // take it twice: count 2
                   0x04, 0x23, 0x09, 0x05, 0x05,  // release once: count 1
                   0x20, 0x60, 0x01,              // null stays null
                   0x01, 0x00, 0x0A, 0x60, 0x01}; // the constant table keeps FF F0
  const Program::Built built = program.build();
  ASSERT_EQ(built.table_addresses[0], 0x0A);
  Rig rig(built.image);
  EXPECT_EQ(rig.run_to(static_cast<uint16_t>(built.code_addresses[0] + program.start.size())), Status::Running);
  EXPECT_EQ(rig.pushed(), (Words{0x0000, 0xA004, 0, 0x000A}));
  EXPECT_EQ(rig.machine.word(0xA000), 1);
  EXPECT_EQ(rig.machine.word(0x0006), 0xFFF0);
}

TEST(Devices, WordStoreToFff6PrintsTheLowByte) {
  Rig rig(fragment_image({0x01, 0x01, 0x48, 0x01, 0xFF, 0xF6, 0x0D,    // 0148: prints 'H'
                          0x01, 0x00, 0x69, 0x01, 0xFF, 0xF6, 0x0D}));
  rig.run_to(fragment_start + 14);
  EXPECT_EQ(rig.out.str(), "Hi");
  EXPECT_EQ(rig.machine.word(0xFFF6), 0);  // the device, not memory
}

TEST(Devices, WordLoadFromFff6ReadsInputThenZero) {
  const Bytes read = {0x01, 0xFF, 0xF6, 0x0C};
  Bytes code;
  for (int i = 0; i < 3; ++i) code.insert(code.end(), read.begin(), read.end());
  EXPECT_EQ(effect(code, "a\xff"), (Words{0x61, 0xFF, 0}));
}

TEST(Devices, DebugStoreIsIgnoredAndOtherAddressesAreMemory) {
  Rig rig(fragment_image({0x01, 0xFF, 0xDA, 0x21, 0x06, 0x0D,         // DEBUG
                          0x27, 0x01, 0xFF, 0xF0, 0x0D,               // word[FFF0] := 7
                          0x01, 0xFF, 0xF0, 0x0C}));
  rig.run_to(fragment_start + 15);
  EXPECT_EQ(rig.machine.word(0xFFDA), 0);
  EXPECT_EQ(rig.pushed(), (Words{7}));
  EXPECT_EQ(rig.out.str(), "");
}

}  // namespace
}  // namespace vylsim::test
