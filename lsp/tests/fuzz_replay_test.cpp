// Replays the language server's fuzz seeds and every stream that ever
// failed under its fuzzer (fuzz/lsp-seeds, fuzz/lsp-regressions) through
// the whole server: the fuzzer's check without the fuzzer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "stream_check.h"

namespace vyl::lsp::test {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  if (!fs::is_directory(dir)) return files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Compiler OnItsOwnStack() {
  return [](MemoryHost& host, const std::string& path, const SessionOptions& options) {
    return RunSession(host, path, options);
  };
}

TEST(FuzzReplayTest, SeedsAreServed) {
  const std::vector<fs::path> files = FilesIn(fs::path(VYL_SOURCE_DIR) / "fuzz/lsp-seeds");
  ASSERT_GE(files.size(), 3u);
  for (const fs::path& file : files) EXPECT_EQ(StreamFault(Read(file), OnItsOwnStack()), "") << file;
}

TEST(FuzzReplayTest, RegressionsAreServed) {
  for (const fs::path& file : FilesIn(fs::path(VYL_SOURCE_DIR) / "fuzz/lsp-regressions")) {
    EXPECT_EQ(StreamFault(Read(file), OnItsOwnStack()), "") << file;
  }
}

}  // namespace
}  // namespace vyl::lsp::test
