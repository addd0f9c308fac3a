// What every compilation must end with, whatever its source: one outcome,
// told the same way by the console, the exit status, the exit file and the
// output file.  Used by the fuzz target and by the corpus replay test.
#pragma once

#include <string>
#include <vector>

#include "harness.h"

namespace vyl::test {

namespace outcome {

inline bool IsDigits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// A line of the disk image: a blank and a decimal byte, repeated.
inline bool IsImageLine(std::string_view line) {
  if (line.empty() || line.front() != ' ') return false;
  bool digit = false;
  for (char c : line) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != ' ') {
      return false;
    }
  }
  return digit;
}

inline std::vector<std::string> ConsoleLines(const std::string& console) {
  std::vector<std::string> lines(1);
  for (char c : console) {
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  return lines;
}

// The outcome word the console ends with: "Success" or "Failed" followed by
// the statistics lines and nothing else; "" when the console does not end so.
inline std::string ConsoleOutcome(const std::string& console) {
  std::vector<std::string> l = ConsoleLines(console);
  std::size_t n = l.size();
  // ..., outcome, "T trees, Strs==...", "  Sets==...", ["  Pre-mortem logged",] ""
  if (n < 4 || !l[n - 1].empty()) return "";
  std::size_t at = l[n - 2] == "  Pre-mortem logged" ? n - 5 : n - 4;
  if (at >= n || l[at + 1].find(" trees, Strs==") == std::string::npos || l[at + 2].rfind("  Sets==", 0) != 0) {
    return "";
  }
  return l[at] == "Success" || l[at] == "Failed" ? l[at] : "";
}

}  // namespace outcome

// "" when the run `c` is consistent; otherwise what is wrong with it.
inline std::string OutcomeFault(const Compiled& c) {
  using namespace outcome;
  const bool ok = c.result.success;
  const std::string said = ConsoleOutcome(c.console);
  if (said.empty()) return "the console does not end with Success or Failed and the statistics";
  if (said != (ok ? "Success" : "Failed")) return "the console says " + said + " against the result";
  if (c.status != (ok ? 0 : 1)) return "exit status " + std::to_string(c.status) + " after " + said;
  // The exit file: "0" after a success, any other number after a failure.
  std::string exitValue = c.exitFile;
  if (exitValue.size() < 2 || exitValue.compare(exitValue.size() - 2, 2, "\r\n") != 0) {
    return "the exit file is not one line: '" + exitValue + "'";
  }
  exitValue.resize(exitValue.size() - 2);
  if (!IsDigits(exitValue.front() == '-' ? exitValue.substr(1) : exitValue)) {
    return "the exit file holds no number: '" + exitValue + "'";
  }
  if ((exitValue == "0") != ok) return "the exit file holds " + exitValue + " after " + said;
  // The output file: the header first (a fatal error in the first token comes
  // before it); image lines exactly after a success.
  if (!c.result.fatal && c.output.rfind("Text Floppy Disk Image\r\n", 0) != 0) {
    return "the output does not start with the header";
  }
  bool anyImageLine = false;
  for (const std::string& line : c.lines()) anyImageLine = anyImageLine || IsImageLine(line);
  if (!ok && anyImageLine) return "image lines in the output of a failed compilation";
  if (ok) {
    if (c.image.size() < 2 || c.image[0] * 256 + c.image[1] != static_cast<int>(c.image.size())) {
      return "the image of a success does not hold its own size";
    }
  }
  // Standard output holds "Error: TEXT" exactly after a fatal error.
  if (c.result.fatal != (c.stdoutText.rfind("Error: ", 0) == 0)) return "standard output: '" + c.stdoutText + "'";
  // Standard error holds an error only after a failure (warnings may come
  // either way).
  bool errorShown = c.stderrText.find(": error: ") != std::string::npos;
  if (ok && errorShown) return "an error on standard error after a success: '" + c.stderrText + "'";
  return "";
}

}  // namespace vyl::test
