// Test harness: compiles sources in-process on an in-memory host and hands
// back every file and stream the session wrote.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"

namespace vyl::test {

struct Compiled {
  SessionResult result;
  int status = 0;
  std::string output;    // the .ftx text
  std::string trace;     // KIBdbg.txt
  std::string exitFile;  // KIBexit.txt ("" when not written)
  std::string console;
  std::string stdoutText;
  std::string stderrText;
  std::vector<int> image;  // the image bytes read back from the output
  // The message lines of the output: everything between the header line and
  // the listing or the image.
  std::vector<std::string> lines() const;
  // True when some output line equals `message`.
  bool hasLine(std::string_view message) const;
};

// Compiles `source` as prog.vyl.
Compiled CompileSource(std::string_view source, const std::string& path = "prog.vyl");
// Runs a session on a prepared host (for file-name and dialog tests).
Compiled RunOn(MemoryHost& host, const std::string& path);
// The image bytes of an output text: the last block of lines made only of
// blank-separated decimal values.
std::vector<int> ImageOf(std::string_view output);
// The whole content of a file ("" when it cannot be read).
std::string ReadText(const std::string& path);

}  // namespace vyl::test
