// vylsim --debug, --input and --dis from the command line, over files.
#include "debugger_test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli.h"

namespace vylsim::test {
namespace {

namespace fs = std::filesystem;

const char echo[] = R"(import Hardware;

void main() {
  int c;
  c = KeyIn.datum;
  while (c != 0) {
    Print.datum = c;
    c = KeyIn.datum;
  }
}
)";

// A folder of its own holding the compiled program's files.
class Files {
 public:
  explicit Files(const std::string& name) : dir_(fs::temp_directory_path() / ("vylsim_debug_" + name)) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~Files() { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  fs::path dir_;
};

struct Outcome {
  int status = 0;
  std::string out;
  std::string err;
};

Outcome vylsim(const std::vector<std::string>& args, const std::string& commands = "") {
  std::istringstream in(commands);
  std::ostringstream out;
  std::ostringstream err;
  Outcome outcome;
  outcome.status = run_cli(args, in, out, err);
  outcome.out = out.str();
  outcome.err = err.str();
  return outcome;
}

TEST(DebugCommandLine, FindsTheDebugInfoAndSourceBesideTheImage) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(echo);
  const Files files("beside");
  files.write("prog.vyl", program.source);
  files.write("prog.dbg", program.dbg);
  const std::string ftx = files.write("prog.ftx", program.ftx);
  const std::string input = files.write("input.txt", "hey");
  const Outcome outcome = vylsim({"--debug", "--input", input, ftx}, "break 7\nrun\nprint c\ndelete\ncontinue\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(lines_of(outcome.out),
            (std::vector<std::string>{"Breakpoint 1 at " + start_of_line(program, 7) + ": file prog.vyl, line 7.", "",
                                      "Breakpoint 1, main () at prog.vyl:7", "7\t    Print.datum = c;", "c = 104",
                                      "Continuing.", "hey", "[Program exited normally]"}));
}

TEST(DebugCommandLine, DebugInfoNamedElsewhereAndNoSource) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(echo);
  const Files files("elsewhere");
  const std::string dbg = files.write("other.dbg", program.dbg);
  const std::string ftx = files.write("prog.ftx", program.ftx);
  const Outcome outcome = vylsim({"--debug", "--dbg", dbg, ftx}, "break 7\nrun\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "vylsim: the source prog.vyl cannot be found: lines are shown by number only\n");
  // Without input the program reads its end at once: line 7 is never reached.
  EXPECT_EQ(lines_of(outcome.out), (std::vector<std::string>{"Breakpoint 1 at " + start_of_line(program, 7) +
                                                                  ": file prog.vyl, line 7.",
                                                              "[Program exited normally]"}));
  const Outcome list = vylsim({"--debug", "--dbg", dbg, ftx}, "list\nbreak main\nrun\n");
  EXPECT_EQ(lines_of(list.out)[0], "The source prog.vyl cannot be found.");
  EXPECT_EQ(lines_of(list.out).back(), "5\tprog.vyl: No such file.");
}

TEST(DebugCommandLine, DebugInfoOfAnotherCompilationIsPointedOut) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(echo);
  const Files files("stale");
  files.write("prog.dbg", compile(factorial).dbg);
  const std::string ftx = files.write("prog.ftx", program.ftx);
  const Outcome outcome = vylsim({"--debug", ftx}, "");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.err.find("vylsim: the debug info " + files.path("prog.dbg") + " does not describe this image"),
            std::string::npos)
      << outcome.err;
}

TEST(DebugCommandLine, WithoutDebugInfoThereIsNoDebugger) {
  const Compiled program = compile(echo);
  const Files files("nodbg");
  const std::string ftx = files.write("prog.ftx", program.ftx);
  const Outcome outcome = vylsim({"--debug", ftx}, "run\n");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "vylsim: --debug needs the debug info " + files.path("prog.dbg") +
                             " (compile with 'vylc -g'), or --dbg FILE\n");
  EXPECT_EQ(vylsim({"--debug", "--trace", ftx}).status, 2);
  EXPECT_EQ(vylsim({"--debug", "--dis", ftx}).status, 2);
  EXPECT_EQ(vylsim({"--input"}).status, 2);
}

TEST(DebugCommandLine, InputFileForAPlainRun) {
  const Compiled program = compile(echo);
  const Files files("input");
  const std::string ftx = files.write("prog.ftx", program.ftx);
  const Outcome outcome = vylsim({"--input", files.write("in.txt", "abc"), ftx}, "ignored");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, "abc");
  const Outcome missing = vylsim({"--input", files.path("none.txt"), ftx});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "vylsim: " + files.path("none.txt") + ": cannot be opened\n");
}

TEST(Disassembly, ShowsEachStatementsSourceBeforeItsCode) {
  SKIP_WITHOUT_DEBUG_INFO();
  const Compiled program = compile(factorial);
  const Files files("dis");
  files.write("prog.vyl", program.source);
  files.write("prog.dbg", program.dbg);
  const std::string ftx = files.write("prog.ftx", program.ftx);
  const std::vector<std::string> lines = lines_of(vylsim({"--dis", ftx}).out);
  // Each statement's line comes right before the instruction at its start.
  for (const auto& [line, text] : std::vector<std::pair<int, std::string>>{
           {5, "depth = depth + 1;"}, {7, "return 1;"}, {14, "r = fact(4);"}}) {
    const auto at = std::find(lines.begin(), lines.end(), "; " + std::to_string(line) + ": " + text);
    ASSERT_NE(at, lines.end()) << line;
    ASSERT_NE(at + 1, lines.end());
    EXPECT_EQ((at + 1)->substr(0, 6), "  " + start_of_line(program, line)) << line;
  }
  // Without the source, the line numbers alone.
  fs::remove(files.path("prog.vyl"));
  const std::vector<std::string> bare = lines_of(vylsim({"--dis", ftx}).out);
  EXPECT_NE(std::find(bare.begin(), bare.end(), "; 7"), bare.end());
}

}  // namespace
}  // namespace vylsim::test
