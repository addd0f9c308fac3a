// The session driver's state for one compilation.  Internal to src/app.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

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
  std::shared_ptr<const MappedFile> sourceMapping;  // or its mapping
  bool scanning = false;   // the scanner has started: positions are known
  bool finishArmed = false;
  bool success = false;      // the start rule's outcome
  bool exitWritten = false;  // the exit file was written in this run
  std::string cannotOpen;  // "'NAME': REASON" of a file that could not be opened
};

SessionState& Session();
// The source's text kept by the session.
inline std::string_view SourceBytes(const SessionState& s) {
  return s.sourceMapping ? s.sourceMapping->bytes() : std::string_view(s.sourceText);
}
// Whether the sessions of this process run until it exits
// (RunSessionsUntilExit).
bool SessionsRunUntilExit();

// Runs `body` on a stack of kSessionStack bytes (session_stack.cpp).
void RunOnLargeStack(const std::function<void()>& body);

// The outline of the source just compiled (outline.cpp), collected while
// the session's tables are still bound.
SourceOutline CollectOutline(std::string_view source);

}  // namespace vyl
