// The generated benchmark programs are valid and mean what their C
// translations mean: each is compiled in-process and run on the simulator,
// and its output is compared with that of the C program built by the
// system's C compiler (skipped without one).  Comment padding up to the
// source limit changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "harness.h"
#include "machine.h"
#include "program_gen.h"

namespace {

namespace fs = std::filesystem;

struct Shape {
  int functions;
  int statements;
};

std::string RunVyl(const std::string& source) {
  vyl::test::Compiled c = vyl::test::CompileSource(source);
  EXPECT_EQ(c.status, 0) << c.result.message;
  std::vector<uint8_t> image(c.image.begin(), c.image.end());
  vylsim::RunResult run = vylsim::run_image(image, "", 200000000);
  EXPECT_EQ(run.status, vylsim::Status::Finished) << run.message;
  return run.output;
}

// Builds and runs the C program; nullopt without a C compiler.
std::optional<std::string> RunC(const std::string& source, const std::string& name) {
  if (std::system("command -v cc >/dev/null 2>&1") != 0) return std::nullopt;
  fs::path dir = fs::path(testing::TempDir()) / "vylgen";
  fs::create_directories(dir);
  fs::path c = dir / (name + ".c"), exe = dir / name, out = dir / (name + ".out");
  std::ofstream(c) << source;
  std::string build = "cc -w -o '" + exe.string() + "' '" + c.string() + "'";
  if (std::system(build.c_str()) != 0) return std::string("(the C program does not build)");
  std::string run = std::string("'").append(exe.string()).append("' > '").append(out.string()).append("'");
  if (std::system(run.c_str()) != 0) return std::string("(it fails)");
  std::ifstream in(out);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(GeneratedProgramsTest, PrintWhatTheirCTranslationsPrint) {
  for (Shape s : {Shape{1, 1}, Shape{3, 12}, Shape{12, 12}, Shape{33, 12}, Shape{2, 45}}) {
    vylbench::ProgramShape shape;
    shape.functions = s.functions;
    shape.statements = s.statements;
    std::string name = std::string("g").append(std::to_string(s.functions));
    name.append("x").append(std::to_string(s.statements));
    SCOPED_TRACE(name);
    std::string printed = RunVyl(vylbench::GenerateProgram(shape, vylbench::Language::kVyl));
    // One line per driver of 32 workers.
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), (s.functions + 31) / 32);
    auto expected = RunC(vylbench::GenerateProgram(shape, vylbench::Language::kC), name);
    if (!expected) GTEST_SKIP() << "no C compiler (cc)";
    EXPECT_EQ(printed, *expected);
  }
}

// The programs of the other forms, small and at a size near the image
// limit, print what their C translations print.
TEST(GeneratedProgramsTest, OtherFormsPrintWhatTheirCTranslationsPrint) {
  using vylbench::Form;
  struct FormShape {
    Form form;
    int units;
    int statements;
  };
  for (FormShape f : {FormShape{Form::kDense, 3, 12}, FormShape{Form::kDense, 40, 12},
                      FormShape{Form::kSmallFunctions, 9, 1}, FormShape{Form::kSmallFunctions, 400, 1},
                      FormShape{Form::kSwitches, 2, 64}, FormShape{Form::kSwitches, 18, 64},
                      FormShape{Form::kGlobals, 3, 8}, FormShape{Form::kGlobals, 30, 8}}) {
    vylbench::ProgramShape shape;
    shape.form = f.form;
    shape.functions = f.units;
    shape.statements = f.statements;
    std::string name = std::string(vylbench::FormName(f.form)).append(std::to_string(f.units));
    SCOPED_TRACE(name);
    std::string printed = RunVyl(vylbench::GenerateProgram(shape, vylbench::Language::kVyl));
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), (f.units + 31) / 32);
    auto expected = RunC(vylbench::GenerateProgram(shape, vylbench::Language::kC), name);
    if (!expected) GTEST_SKIP() << "no C compiler (cc)";
    EXPECT_EQ(printed, *expected);
  }
  vylbench::Form form = Form::kWorkers;
  EXPECT_TRUE(vylbench::FormNamed("small-functions", form) && form == Form::kSmallFunctions);
  EXPECT_FALSE(vylbench::FormNamed("small", form));
}

TEST(GeneratedProgramsTest, CommentPaddingUpToTheSourceLimitChangesNothing) {
  vylbench::ProgramShape shape;
  shape.functions = 3;
  shape.statements = 12;
  std::string plain = vylbench::GenerateProgram(shape, vylbench::Language::kVyl);
  shape.padTo = 999999;
  std::string padded = vylbench::GenerateProgram(shape, vylbench::Language::kVyl);
  EXPECT_EQ(padded.size(), 999999u);
  EXPECT_EQ(RunVyl(padded), RunVyl(plain));
  EXPECT_EQ(vylbench::EmptyProgram(vylbench::Language::kVyl), "void main() {\n}\n");
  EXPECT_EQ(RunVyl(vylbench::EmptyProgram(vylbench::Language::kVyl)), "");
}

}  // namespace
