// Helpers for the debugger's tests: Vyl programs compiled in-process with
// their debug info (the tests may use the compiler; vylsim never does), and
// scripted debugging sessions over them.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "debugger.h"
#include "loader.h"

namespace vylsim::test {

#define SKIP_WITHOUT_DEBUG_INFO()                                                                \
  if (!debug_info_supported())                                                                   \
  GTEST_SKIP() << "the debugger needs debug info, which needs JSON support: "                    \
                  "apt-get install -y nlohmann-json3-dev"

// 4! by recursion: the base case returns on line 7, main calls on line 14.
inline const char factorial[] = R"(import Hardware;
int depth;  // the calls of fact so far

int fact(int n) {
  depth = depth + 1;
  if (n <= 1)
    return 1;
  return n * fact(n - 1);
}

void main() {
  int r;
  depth = 0;
  r = fact(4);
  Print.datum = ORD('0') + r / 10;
  Print.datum = ORD('0') + r % 10;
  Print.datum = 10;
}
)";

struct Compiled {
  std::string source;
  std::vector<uint8_t> image;
  DebugInfo info;
  std::string ftx;  // the files as the compiler wrote them
  std::string dbg;
};

// Compiles `source` as prog.vyl with debug info; fails the calling test when
// it does not compile.
inline Compiled compile(const std::string& source) {
  Compiled compiled;
  compiled.source = source;
  vyl::MemoryHost host;
  host.files["prog.vyl"] = source;
  vyl::SessionOptions options;
  options.debugInfo = true;
  options.warnings = false;
  const vyl::SessionResult result = vyl::RunSession(host, "prog.vyl", options);
  EXPECT_TRUE(result.success) << result.message << host.stderrText;
  compiled.ftx = host.files[result.outputName];
  compiled.dbg = host.files[result.debugName];
  const LoadResult loaded = parse_ftx(compiled.ftx);
  EXPECT_TRUE(loaded.ok()) << loaded.error;
  compiled.image = loaded.image;
  std::string error;
  std::optional<DebugInfo> info = parse_debug_info(compiled.dbg, error);
  EXPECT_TRUE(info.has_value()) << error;
  if (info) compiled.info = std::move(*info);
  return compiled;
}

// The number of the first source line holding `text`: tests name lines by
// what is written on them.
inline int line_of(const Compiled& program, const std::string& text) {
  std::istringstream lines(program.source);
  std::string line;
  for (int n = 1; std::getline(lines, line); ++n) {
    if (line.find(text) != std::string::npos) return n;
  }
  ADD_FAILURE() << "no line holds '" << text << "'";
  return 0;
}

// The line as the debugger shows it: "NUMBER<tab>text".
inline std::string shown(const Compiled& program, const std::string& text) {
  const int n = line_of(program, text);
  std::istringstream lines(program.source);
  std::string line;
  for (int i = 1; i <= n; ++i) std::getline(lines, line);
  return std::to_string(n) + "\t" + line;
}

// Runs the debugger over `program` with `commands`, one a line, and returns
// everything it and the program wrote.
inline std::string debug(const Compiled& program, const std::string& commands, const std::string& input = "",
                         uint64_t steps = default_step_limit) {
  DebugTarget target;
  target.image = program.image;
  target.info = program.info;
  target.source = SourceFile("prog.vyl", program.source);
  target.input = input;
  std::ostringstream out;
  Debugger debugger(std::move(target), out);
  debugger.set_step_limit(steps);
  std::istringstream in(commands);
  StreamLineReader reader(in);
  debugger.run(reader);
  return out.str();
}

// The address where the code of `line` starts, as the debug info says.
inline std::string start_of_line(const Compiled& program, int line) {
  for (const DebugStatement& s : program.info.statements) {
    if (s.position.line == line) return hex4(s.begin);
  }
  ADD_FAILURE() << "no statement on line " << line;
  return "";
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Whether `output` has a line equal to `line`.
inline bool has_line(const std::string& output, const std::string& line) {
  for (const std::string& l : lines_of(output)) {
    if (l == line) return true;
  }
  return false;
}

// The lines of `output` that follow the first line equal to `after`.
inline std::vector<std::string> lines_after(const std::string& output, const std::string& after, size_t count) {
  const std::vector<std::string> lines = lines_of(output);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != after) continue;
    const size_t end = std::min(lines.size(), i + 1 + count);
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                    lines.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return {};
}

}  // namespace vylsim::test
