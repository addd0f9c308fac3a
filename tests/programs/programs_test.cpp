// End-to-end programs: every NAME.vyl in this folder is compiled in-process
// and run on the simulator; what it prints must equal NAME.out.  NAME.in, if
// present, is the program's input; NAME.stop, if present, names how the run
// must end instead of finishing normally ("trap").
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "harness.h"
#include "debug_info.h"
#include "machine.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ProgramNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(VYL_PROGRAMS_DIR)) {
    if (entry.path().extension() == ".vyl") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ProgramTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ProgramTest, PrintsWhatItMeans) {
  fs::path dir = VYL_PROGRAMS_DIR;
  std::string name = GetParam();
  vyl::test::Compiled c = vyl::test::CompileSource(vyl::test::ReadText(dir / (name + ".vyl")), name + ".vyl");
  ASSERT_EQ(c.status, 0) << c.output;
  std::vector<uint8_t> image(c.image.begin(), c.image.end());
  std::string input = fs::exists(dir / (name + ".in")) ? vyl::test::ReadText(dir / (name + ".in")) : "";
  vylsim::RunResult run = vylsim::run_image(image, input);
  std::string stop = fs::exists(dir / (name + ".stop")) ? vyl::test::ReadText(dir / (name + ".stop")) : "finished\n";
  EXPECT_EQ(std::string(vylsim::status_name(run.status)) + "\n", stop) << run.message;
  EXPECT_EQ(run.output, vyl::test::ReadText(dir / (name + ".out")));
}

// A trap is reported at the statement that traps, with its column, when
// the debug info is there; without it, at the line the markers suggest,
// said to be approximate (here the line after the comments).
TEST(DebugInfoRun, ATrapIsReportedAtItsStatement) {
  if (!vylsim::debug_info_supported()) GTEST_SKIP() << "debug info needs apt-get install -y nlohmann-json3-dev";
  vyl::MemoryHost host;
  host.files["prog.vyl"] =
      "import Hardware;\nint zero() { return 0; }\nvoid main() {\n  int x;\n  x = 1;\n  x = 10 / zero();\n"
      "  // one\n  // two\n  // three\n  // four\n  // five\n  Print.datum = 65;\n}\n";
  vyl::SessionOptions options;
  options.debugInfo = true;
  const vyl::SessionResult result = vyl::RunSession(host, "prog.vyl", options);
  ASSERT_TRUE(result.success);
  ASSERT_EQ(result.debugName, "prog.dbg");
  std::string error;
  const auto info = vylsim::parse_debug_info(host.files["prog.dbg"], error);
  ASSERT_TRUE(info) << error;
  const std::vector<int> bytes = vyl::test::ImageOf(host.files["prog.ftx"]);
  const std::vector<uint8_t> image(bytes.begin(), bytes.end());
  std::istringstream in;
  std::ostringstream out;
  vylsim::Machine exact(image, in, out);
  exact.set_debug_info(&*info);
  EXPECT_EQ(exact.run(), vylsim::Status::Trap);
  EXPECT_NE(exact.stop_message().find("(main, prog.vyl:6:3): division by zero"), std::string::npos)
      << exact.stop_message();
  vylsim::Machine approximate(image, in, out);
  EXPECT_EQ(approximate.run(), vylsim::Status::Trap);
  EXPECT_NE(approximate.stop_message().find("(main, near line 12)"), std::string::npos) << approximate.stop_message();
}

INSTANTIATE_TEST_SUITE_P(Corpus, ProgramTest, ::testing::ValuesIn(ProgramNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
