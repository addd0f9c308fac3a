// The session driver's state for one compilation.  Internal to src/app.
#pragma once

#include <string>

#include "app/app.h"

namespace vyl {

struct SessionState {
  IoState io;
  std::string nameBuffer;  // the chosen source path
  std::string sourceName;  // the source file actually opened
  bool finishArmed = false;
  bool success = false;      // the start rule's outcome
  bool exitWritten = false;  // the exit file was written in this run
};

SessionState& Session();

}  // namespace vyl
