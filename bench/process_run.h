// Runs other programs (vylc, vylsim, tcc) and measures them: wall time,
// CPU time and peak memory, with the output captured or discarded.
#pragma once

#include <string>
#include <vector>

namespace vylbench {

struct ProcessRun {
  bool started = false;
  int status = -1;         // exit status, or -1 when it did not exit normally
  double wallMs = 0;       // from spawning to reaping
  double cpuMs = 0;        // user + system
  long peakKiB = 0;        // maximum resident set size
  std::string output;      // standard output, when captured
};

// Runs argv[0] (searched in PATH) with the arguments; standard input is
// /dev/null, standard error is discarded, standard output is captured when
// `capture` is true and discarded otherwise.
ProcessRun RunProcess(const std::vector<std::string>& argv, bool capture);

// The median of `values` (which it sorts).
double Median(std::vector<double>& values);

// The full path of a program found in PATH, or "" when there is none.
std::string FindInPath(const std::string& program);

}  // namespace vylbench
