// The session driver's state for one compilation.  Internal to src/app.
#pragma once

#include <functional>
#include <string>

#include "app/app.h"

namespace vyl {

struct SessionState {
  IoState io;
  SessionOptions options;
  std::string path;        // the path given ("" to ask the host's dialog)
  bool named = false;      // the source and output names are chosen
  std::string sourceFile;  // the names chosen for slots 1 and 2
  std::string outputFile;
  std::string sourceName;  // the source file actually opened
  std::string sourceText;  // its text, kept when its slot closes
  bool scanning = false;   // the scanner has started: positions are known
  bool finishArmed = false;
  bool success = false;      // the start rule's outcome
  bool exitWritten = false;  // the exit file was written in this run
  std::string cannotOpen;  // "'NAME': REASON" of a file that could not be opened
};

SessionState& Session();

// Runs `body` on a stack of kSessionStack bytes (session_stack.cpp).
void RunOnLargeStack(const std::function<void()>& body);

}  // namespace vyl
