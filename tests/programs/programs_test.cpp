// End-to-end programs: every NAME.vyl in this folder is compiled in-process
// and run on the simulator; what it prints must equal NAME.out.  NAME.in, if
// present, is the program's input; NAME.stop, if present, names how the run
// must end instead of finishing normally ("trap").
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "harness.h"
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

INSTANTIATE_TEST_SUITE_P(Corpus, ProgramTest, ::testing::ValuesIn(ProgramNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
