// The vylsim command line: exit status, standard output and standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli.h"
#include "sim_test_support.h"

namespace vylsim::test {
namespace {

// Writes `image` as a compiler output file would hold it and removes it afterwards.
class FtxFile {
 public:
  explicit FtxFile(const Bytes& image) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = (std::filesystem::temp_directory_path() / (std::string("vylsim_") + info->name() + ".ftx")).string();
    std::ofstream file(path_, std::ios::binary);
    file << "Text Floppy Disk Image\r\n! @\r\n";
    for (size_t i = 0; i < image.size(); ++i) {
      if (i % 16 == 0) file << "\r\n";
      file << ' ' << unsigned{image[i]};
    }
    file << "\r\n";
  }
  ~FtxFile() { std::filesystem::remove(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome vylsim(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = run_cli(args, in, out, err);
  return {status, out.str(), err.str()};
}

size_t line_count(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// main echoes one input character after printing '>'.
Bytes echo_program() {
  Program program;
  program.start = {0x20, 0x02, 0x40, 0x00, 0x60, 0x01, 0x20, 0x03};
  program.procedures = {{"main",
                         {0x20, 0x02, 0x01, 0x00, 0x3E, 0x01, 0xFF, 0xF6, 0x0D,  // print '>'
                          0x01, 0xFF, 0xF6, 0x0C, 0x01, 0xFF, 0xF6, 0x0D,        // echo a byte
                          0x21, 0x03}}};
  return program.image();
}

TEST(Cli, RunPrintsTheProgramsOutputAndExitsZero) {
  const FtxFile file(echo_program());
  const Outcome result = vylsim({file.path()}, "q");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, ">q");
  EXPECT_EQ(result.err, "");
}

TEST(Cli, TrapExitsOneWithOneLineOnStandardError) {
  const FtxFile file(fragment_image({0x21, 0x09}));
  const Outcome result = vylsim({file.path()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(line_count(result.err), 1u);
  EXPECT_EQ(result.err.rfind("vylsim: trap at 0005 (start code): ", 0), 0u) << result.err;
}

TEST(Cli, StepsBoundTheRun) {
  const FtxFile file(fragment_image({0xBF, 0xFE}));
  const Outcome result = vylsim({"--steps", "50", file.path()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(line_count(result.err), 1u);
  EXPECT_NE(result.err.find("step limit reached at 0004"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("50 instructions"), std::string::npos) << result.err;
}

TEST(Cli, TraceWritesEachInstructionToStandardError) {
  const FtxFile file(echo_program());
  const Outcome result = vylsim({"--trace", file.path()}, "q");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, ">q");
  EXPECT_EQ(line_count(result.err), 17u);  // 6 in the start code, 11 in main
}

TEST(Cli, DisassemblesWithoutRunning) {
  const FtxFile file(echo_program());
  const Outcome result = vylsim({"--dis", file.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("procedure 1 main"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "");
}

TEST(Cli, FileWithoutImageIsReported) {
  const std::string path = (std::filesystem::temp_directory_path() / "vylsim_failed_compile.ftx").string();
  std::ofstream(path) << "Text Floppy Disk Image\r\nUndefined name x\r\n";
  const Outcome result = vylsim({path});
  std::filesystem::remove(path);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "vylsim: " + path +
                            ": no memory image: the file has no line of decimal byte values (did the compilation fail?)\n");
}

TEST(Cli, HelpAndUsageErrors) {
  const Outcome help = vylsim({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: vylsim", 0), 0u);
  EXPECT_EQ(vylsim({}).status, 2);
  EXPECT_EQ(vylsim({"--steps", "many", "x.ftx"}).status, 2);
  EXPECT_EQ(vylsim({"--bogus", "x.ftx"}).status, 2);
  EXPECT_EQ(vylsim({"a.ftx", "b.ftx"}).status, 2);
}

}  // namespace
}  // namespace vylsim::test
