// Replays the fuzz seeds (the end-to-end programs, the examples, the docs'
// examples) and every input that ever failed under the fuzzer
// (fuzz/regressions/) through the whole compiler.  In the sanitizer build
// this is the fuzzer's check without the fuzzer: each run must end with one
// outcome, told alike by the console, the status, the exit file and the
// output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "harness.h"
#include "outcome_check.h"

namespace vyl {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every file of `dir` (with extension `ext` when given), in name order.
std::vector<fs::path> FilesIn(const fs::path& dir, const std::string& ext = "") {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file() && (ext.empty() || entry.path().extension() == ext)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The ```vyl blocks of a Markdown file.
std::vector<std::string> DocExamples(const fs::path& doc) {
  std::vector<std::string> examples;
  std::string text = ReadAll(doc);
  for (std::size_t at = 0; (at = text.find("```vyl\n", at)) != std::string::npos;) {
    at += 7;
    std::size_t end = text.find("```", at);
    examples.push_back(text.substr(at, end - at));
    at = end;
  }
  return examples;
}

void ExpectOneOutcome(const std::string& source, const std::string& name) {
  test::Compiled c = test::CompileSource(source);
  EXPECT_EQ(test::OutcomeFault(c), "") << name;
}

TEST(CorpusReplayTest, SeedsCompileAndTellOneOutcome) {
  const fs::path root = VYL_SOURCE_DIR;
  int seeds = 0;
  for (const fs::path& dir : {root / "tests/programs", root / "examples"}) {
    for (const fs::path& file : FilesIn(dir, ".vyl")) {
      test::Compiled c = test::CompileSource(ReadAll(file));
      EXPECT_EQ(c.status, 0) << file;
      EXPECT_EQ(test::OutcomeFault(c), "") << file;
      ++seeds;
    }
  }
  for (const fs::path& doc : FilesIn(root / "docs", ".md")) {
    for (const std::string& example : DocExamples(doc)) {
      ExpectOneOutcome(example, doc.string());
      ++seeds;
    }
  }
  EXPECT_GT(seeds, 20);
}

TEST(CorpusReplayTest, FuzzRegressionsTellOneOutcome) {
  const std::vector<fs::path> files = FilesIn(fs::path(VYL_SOURCE_DIR) / "fuzz/regressions");
  for (const fs::path& file : files) ExpectOneOutcome(ReadAll(file), file.string());
  EXPECT_FALSE(files.empty());
}

}  // namespace
}  // namespace vyl
