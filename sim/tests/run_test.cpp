// How runs end, and what the machine says about it.
#include <gtest/gtest.h>

#include <sstream>

#include "sim_test_support.h"

namespace vylsim::test {
namespace {

Status stop_of(const Bytes& code) {
  Rig rig(fragment_image(code));
  return rig.machine.run();
}

std::string reason_of(const Bytes& code) {
  Rig rig(fragment_image(code));
  rig.machine.run();
  return rig.machine.reason();
}

TEST(Stops, StepLimitCutsOffAnEndlessLoop) {
  Rig rig(fragment_image({0x20, 0x80, 0x00, 0xBF, 0xFE}));
  EXPECT_EQ(rig.machine.run(1000), Status::StepLimit);
  EXPECT_EQ(rig.machine.steps(), 1000u);
  EXPECT_EQ(rig.machine.stop_address(), fragment_start + 3);
  EXPECT_EQ(rig.machine.stop_message(), "step limit reached at 0007 (start code): 1000 instructions executed without finishing");
}

TEST(Stops, UnmodelledInstructionsAreErrors) {
  EXPECT_EQ(reason_of({0x0A}), "SIGNAL is not modelled");
  EXPECT_EQ(reason_of({0x0B}), "WAIT is not modelled");
  EXPECT_EQ(stop_of({0x08}), Status::Error);
  EXPECT_EQ(reason_of({0x20, 0x75}), "undefined instruction byte 75");
}

TEST(Stops, StackBoundsAreChecked) {
  EXPECT_EQ(reason_of({0x05, 0x05, 0x05}), "stack underflow");
  Rig rig(fragment_image({0x21, 0xBF, 0xFD}));  // push forever
  EXPECT_EQ(rig.machine.run(), Status::Error);
  EXPECT_EQ(rig.machine.sp(), stack_limit);
  EXPECT_NE(rig.machine.reason().find("stack overflow"), std::string::npos);
}

TEST(Stops, RunningPastTheProgramIsAnError) {
  Rig rig(fragment_image({0x21}));
  EXPECT_EQ(rig.machine.run(), Status::Error);
  EXPECT_EQ(rig.machine.stop_address(), fragment_start + 1);
  EXPECT_EQ(rig.machine.reason(), "execution left the program, which ends at 0005");
}

TEST(Stops, MessageNamesProcedureAndStatementLine) {
  // main divides by zero on line 12; its marker follows the division.
  Program program;
  program.start = {0x20, 0x02, 0x40, 0x00, 0x60, 0x01, 0x20, 0x03};
  program.procedures = {{"main",
                         {0x20, 0x02, 0x00, 0x00, 0x0B,        // line 11 ends
                          0x25, 0x20, 0x1F, 0x00, 0x00, 0x0C,  // 5 / 0, line 12 ends
                          0x21, 0x03}}};
  const Program::Built built = program.build();
  const uint16_t divide = built.code_addresses[1] + 7;
  const RunResult result = run_image(built.image);
  EXPECT_EQ(result.status, Status::Trap);
  EXPECT_EQ(result.message, "trap at " + hex4(divide) + " (main, near line 12): division by zero");
  // With debug info the statement's own position is reported.
  std::string error;
  const auto info = parse_debug_info(
      R"({"format": "vyl-debug-info", "version": 1, "source": "p.vyl", "output": "p.ftx",
          "statements": [{"begin": )" + std::to_string(built.code_addresses[1] + 5) + R"(, "end": )" +
          std::to_string(built.code_addresses[1] + 8) + R"(, "line": 6, "column": 3, "procedure": 2}],
          "procedures": [], "variables": []})",
      error);
  if (!debug_info_supported()) GTEST_SKIP() << "debug info needs JSON support: apt-get install -y nlohmann-json3-dev";
  ASSERT_TRUE(info) << error;
  std::istringstream in;
  std::ostringstream out;
  Machine machine(built.image, in, out);
  machine.set_debug_info(&*info);
  EXPECT_EQ(machine.run(), Status::Trap);
  EXPECT_EQ(machine.stop_message(), "trap at " + hex4(divide) + " (main, p.vyl:6:3): division by zero");
}

TEST(Stops, FinishedRunHasNoMessage) {
  const RunResult result = run_image(Program{{0x20, 0x02, 0x20, 0x03}, {}, {}}.image());
  EXPECT_EQ(result.status, Status::Finished);
  EXPECT_EQ(result.message, "");
}

TEST(Trace, OneLinePerInstructionWithPlaceAndStackTop) {
  Program program;
  program.start = {0x20, 0x02, 0x00, 0x00, 0x05, 0x20, 0x03};
  Rig rig(program.image());
  std::ostringstream trace;
  rig.machine.set_trace(&trace);
  EXPECT_EQ(rig.machine.run(), Status::Finished);
  std::istringstream lines(trace.str());
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].substr(0, 6), "0004  ");
  EXPECT_NE(all[0].find("PUSHS 0"), std::string::npos);
  EXPECT_NE(all[0].find("(start):~5"), std::string::npos);
  EXPECT_NE(all[0].find("[8000 FFFF]"), std::string::npos) << all[0];
  EXPECT_NE(all[2].find("LINE 5"), std::string::npos);
}

}  // namespace
}  // namespace vylsim::test
