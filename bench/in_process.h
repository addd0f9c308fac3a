// Compiling and scanning in-process, on an in-memory host, with the time of
// each phase of the compilation.
#pragma once

#include <array>
#include <string>

namespace vylbench {

// Setup (tables, scanner, predefined environment), scanning and parsing,
// lowering (program tree, line numbers, listing), code generation, writing
// the image, finishing (statistics, files closed).
constexpr int kPhases = 6;
constexpr std::array<const char*, kPhases> kPhaseNames = {"setup", "parse", "lower", "generate", "write", "finish"};

struct Compilation {
  bool success = false;
  std::string message;
  int imageSize = 0;                     // the size word of the image, 0 without one
  std::array<double, kPhases> phaseUs{};  // microseconds
  double totalUs = 0;                     // RunSession from call to return
  std::string output;                     // the .ftx text
};

Compilation CompileInProcess(const std::string& source);

// Reads every token of `source` with the compiler's scanner; hands back the
// microseconds taken by the token loop alone and the number of tokens.
double ScanInProcess(const std::string& source, long& tokens);

}  // namespace vylbench
