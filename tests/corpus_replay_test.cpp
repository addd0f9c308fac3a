// Replays the fuzz seeds (the end-to-end programs and the examples; the
// docs' examples are compilation cases, checked alike) and every input that
// ever failed under the fuzzer (fuzz/regressions/) through the whole
// compiler.  In the sanitizer build this is the fuzzer's check without the
// fuzzer: each run must end with one outcome, told alike by the console,
// the status, the exit file and the output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "harness.h"
#include "outcome_check.h"

namespace vyl {
namespace {

namespace fs = std::filesystem;

// Every file of `dir` (with extension `ext` when given), in name order.
std::vector<fs::path> FilesIn(const fs::path& dir, const std::string& ext = "") {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file() && (ext.empty() || entry.path().extension() == ext)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(CorpusReplayTest, SeedsCompileAndTellOneOutcome) {
  const fs::path root = VYL_SOURCE_DIR;
  int seeds = 0;
  for (const fs::path& dir : {root / "tests/programs", root / "examples"}) {
    for (const fs::path& file : FilesIn(dir, ".vyl")) {
      test::Compiled c = test::CompileSource(test::ReadText(file));
      EXPECT_EQ(c.status, 0) << file;
      EXPECT_EQ(test::OutcomeFault(c), "") << file;
      ++seeds;
    }
  }
  EXPECT_GT(seeds, 10);
}

TEST(CorpusReplayTest, FuzzRegressionsTellOneOutcome) {
  const std::vector<fs::path> files = FilesIn(fs::path(VYL_SOURCE_DIR) / "fuzz/regressions");
  for (const fs::path& file : files) {
    EXPECT_EQ(test::OutcomeFault(test::CompileSource(test::ReadText(file))), "") << file;
  }
  EXPECT_FALSE(files.empty());
}

}  // namespace
}  // namespace vyl
