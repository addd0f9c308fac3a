// The vylc command line, run as a user runs it: in a folder of its own, with
// files of every name, options, several sources, and the console question.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "harness.h"

namespace vyl::test {
namespace {

namespace fs = std::filesystem;

constexpr char kGood[] = "void main() { }\n";
constexpr char kBad[] = "void main() {\n  x = 1;\n}\n";

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vylc_cli_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name, std::ios::binary) << text; }
  bool Exists(const std::string& name) { return fs::exists(dir_ / name); }

  // Runs vylc in the folder with `args` and `input` on standard input.
  int Run(const std::string& args, const std::string& input = "") {
    Write("stdin.txt", input);
    std::string command = "cd '" + dir_.string() + "' && '" VYLC_PATH "' " + args +
                          " < stdin.txt > stdout.txt 2> stderr.txt";
    int status = std::system(command.c_str());
    out = ReadText((dir_ / "stdout.txt").string());
    err = ReadText((dir_ / "stderr.txt").string());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path dir_;
  std::string out;
  std::string err;
};

TEST_F(CommandLineTest, AnyNameGivenIsCompiledAndTheOutputGoesBesideIt) {
  Write("myprog", kGood);
  Write("my.prog", kGood);
  EXPECT_EQ(Run("myprog my.prog"), 0) << err;
  EXPECT_TRUE(Exists("myprog.ftx"));
  EXPECT_TRUE(Exists("my.ftx"));
  EXPECT_FALSE(Exists("KIBout.txt"));
  EXPECT_EQ(ReadText((dir_ / "KIBexit.txt").string()), "0\r\n");
}

TEST_F(CommandLineTest, OutputNamedWithO) {
  Write("p.vyl", kGood);
  EXPECT_EQ(Run("-o out.img p.vyl"), 0) << err;
  EXPECT_TRUE(Exists("out.img"));
  EXPECT_FALSE(Exists("p.ftx"));
  Write("q.vyl", kGood);
  EXPECT_EQ(Run("-o out.img p.vyl q.vyl"), 2);  // one output, two sources
  EXPECT_NE(err.find("-o names the output of one source only"), std::string::npos);
  EXPECT_EQ(Run("-o p.vyl p.vyl"), 1);  // never over the source
  EXPECT_EQ(ReadText((dir_ / "p.vyl").string()), kGood);
}

TEST_F(CommandLineTest, SeveralSourcesTheWorstStatusWins) {
  Write("good.vyl", kGood);
  Write("bad.vyl", kBad);
  EXPECT_EQ(Run("bad.vyl good.vyl"), 1);
  EXPECT_TRUE(Exists("good.ftx"));
  EXPECT_NE(err.find("bad.vyl:2:3: error: Undefined name x"), std::string::npos) << err;
  EXPECT_NE(out.find("Success"), std::string::npos);
}

TEST_F(CommandLineTest, WhatCannotBeOpenedSaysWhy) {
  fs::create_directories(dir_ / "folder");
  EXPECT_EQ(Run("folder"), 1);
  EXPECT_EQ(err, "vylc: error: cannot open 'folder': Is a directory\n");
  EXPECT_EQ(Run("nowhere/p.vyl"), 1);
  EXPECT_EQ(err, "vylc: error: cannot open 'nowhere/p.vyl': No such file or directory\n");
}

TEST_F(CommandLineTest, WithoutAPathTheConsoleAsksOnce) {
  Write("p.vyl", kGood);
  EXPECT_EQ(Run("", "p.vyl\n"), 0) << out << err;
  EXPECT_TRUE(Exists("p.ftx"));
  // An empty answer: KIBin.txt, asked for once only.
  EXPECT_EQ(Run("", ""), 1);
  std::size_t asked = 0;
  for (std::size_t at = out.find("Source file"); at != std::string::npos; at = out.find("Source file", at + 1)) ++asked;
  EXPECT_EQ(asked, 1u) << out;
  EXPECT_NE(out.find("Error: Can't open KIBin.txt"), std::string::npos);
}

TEST_F(CommandLineTest, OptionsAndTheirMistakes) {
  Write("p.vyl", "void main() {\n  int unused;\n}\n");
  EXPECT_EQ(Run("p.vyl"), 0);
  EXPECT_NE(err.find("warning: unused variable"), std::string::npos);
  EXPECT_EQ(Run("-w p.vyl"), 0);
  EXPECT_EQ(err, "");
  EXPECT_EQ(Run("--bogus p.vyl"), 2);
  EXPECT_EQ(Run("--diagnostics-format=xml p.vyl"), 2);
  EXPECT_EQ(Run("--help"), 0);
  for (const char* option : {"-o FILE", "-g", "-w", "--diagnostics-format", "--color"}) {
    EXPECT_NE(out.find(option), std::string::npos) << option;
  }
}

// A large source runs with the stack, the allocations and the tree records
// of the process in one reservation (the stack's top part in large pages,
// a long function's code generation reaching below it); two of them in
// one run, the second carrying on in what the first left.  What each
// writes is what the library writes for it.
TEST_F(CommandLineTest, LargeSourcesWriteWhatTheLibraryWrites) {
  std::string big;
  for (int i = 0; i < 300; ++i) big += "int g" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
  big += "int acc;\nvoid main() {\n";
  for (int i = 0; i < 1200; ++i) big += "  acc = acc + g" + std::to_string(i % 300) + " * " + std::to_string(i % 7) + ";\n";
  big += "}\n";
  ASSERT_GT(big.size(), 32768u);
  std::string bad = big;
  bad.insert(bad.rfind('}'), "  acc = missing;\n");
  Write("big.vyl", big);
  Write("bad.vyl", bad);
  Write("small.vyl", kGood);
  const Compiled want[] = {CompileSource(big, "big.vyl"), CompileSource(bad, "bad.vyl"),
                           CompileSource(kGood, "small.vyl")};
  ASSERT_EQ(want[0].exitFile, "0\r\n") << want[0].console;
  const char* names[] = {"big", "bad", "small"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Run(std::string(names[i]) + ".vyl"), i == 1 ? 1 : 0) << err;
    EXPECT_EQ(ReadText((dir_ / (std::string(names[i]) + ".ftx")).string()), want[i].output) << names[i];
    EXPECT_EQ(ReadText((dir_ / "KIBdbg.txt").string()), want[i].trace) << names[i];
    EXPECT_EQ(ReadText((dir_ / "KIBexit.txt").string()), want[i].exitFile) << names[i];
    fs::remove(dir_ / (std::string(names[i]) + ".ftx"));
  }
  EXPECT_EQ(Run("big.vyl bad.vyl big.vyl small.vyl"), 1) << err;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadText((dir_ / (std::string(names[i]) + ".ftx")).string()), want[i].output) << names[i];
  }
}

}  // namespace
}  // namespace vyl::test
