// Sources that are not programs: binary, cut off, or not files at all (the
// text ones are compilation cases).  Each ends with "Failed", status 1, one
// message and a consistent exit file and output.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/app.h"
#include "harness.h"
#include "outcome_check.h"

namespace vyl {
namespace {

TEST(BadInputTest, EndsWithOneMessage) {
  const std::pair<std::string, std::string> cases[] = {
      {std::string("\0\0\x04\0", 4), "There is no 'void main()'"},  // NULs dropped, control-D toggles the trace
      {"\xff\xfe\x80", "Invalid character in source: code 254 in line 1"},  // 0xFF bytes are dropped
      {"void main() {}\x1a", "Invalid character in source: code 26 in line 1"},
      {"void main() { /* never closed", "Unterminated block comment opened in line 1"},
      {"void main() {", "Malformed statement or missing close brace '}'"},
      {"void main() { \"abc", "Malformed statement or missing close brace '}'"},
      {"void main() { x", "Undefined name x"},
  };
  for (const auto& [source, message] : cases) {
    test::Compiled c = test::CompileSource(source);
    EXPECT_EQ(c.status, 1) << message;
    EXPECT_EQ(c.result.message, message);
    EXPECT_TRUE(c.stderrText.starts_with("prog.vyl:1:")) << c.stderrText;
    EXPECT_NE(c.stderrText.find(": error: " + message + "\n"), std::string::npos) << c.stderrText;
    EXPECT_EQ(test::OutcomeFault(c), "") << message;
  }
}

// A directory opens for reading on some systems but holds no text: it
// cannot be opened as a source, rather than compiling as an empty one.
TEST(BadInputTest, DirectoryIsNoSource) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "vyl_bad_input_dir.vyl";
  fs::create_directories(dir);
  StdHost host;
  EXPECT_FALSE(host.ReadFile(dir.string(), 100).has_value());
  std::string text = "earlier text";
  EXPECT_FALSE(host.ReadFileInto(dir.string(), 100, text));
  EXPECT_EQ(text, "");
  fs::remove(dir);
  // A file longer than the limit is read up to it; read again into the
  // memory of a longer reading, it is just as long.
  const fs::path file = fs::temp_directory_path() / "vyl_bad_input_long.vyl";
  std::ofstream(file, std::ios::binary) << std::string(5000, 'a');
  EXPECT_EQ(host.ReadFile(file.string(), 1000).value_or("").size(), 1000u);
  text.assign(8000, 'b');
  EXPECT_TRUE(host.ReadFileInto(file.string(), 6000, text));
  EXPECT_EQ(text, std::string(5000, 'a'));
  EXPECT_EQ(host.MapFile(file.string(), 6000), nullptr);  // small files are read
  // A large file is mapped, up to the limit.
  std::ofstream(file, std::ios::binary) << std::string(70000, 'c') << 'd';
  std::shared_ptr<const MappedFile> mapped = host.MapFile(file.string(), 70001);
  ASSERT_NE(mapped, nullptr);
  EXPECT_EQ(mapped->bytes(), std::string(70000, 'c') + "d");
  EXPECT_EQ(host.MapFile(file.string(), 65536)->bytes(), std::string(65536, 'c'));
  EXPECT_EQ(host.MapFile(dir.string(), 70001), nullptr);
  fs::remove(file);
}

}  // namespace
}  // namespace vyl
