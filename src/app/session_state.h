// The session driver's state for one compilation.  Internal to src/app.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/app.h"

namespace vyl {

struct Slot {
  std::unique_ptr<OutFile> out;
  std::string in;          // the bytes of an input opening
  std::size_t pos = 0;
  bool truncated = false;  // the file is longer than one opening may read
  bool lastWasCR = false;
  int32_t count = -1;      // output: characters written; input: characters left; <0 closed
  int32_t lookahead = kEndOfFile;
};

struct FilesState {
  Host* host = nullptr;
  std::array<Slot, kSlots> slots;
  int sourceRole = 0;
  int outputRole = 0;
  int traceRole = 0;
  int32_t traceColumn = 0;
  int32_t traceLines = 0;
  bool noWrap = false;
  std::string nameBuffer;  // the chosen source path
  std::string sourceName;  // the source file actually opened
  bool finishArmed = false;
  bool success = false;      // the start rule's outcome
  bool exitWritten = false;  // the exit file was written in this run
  bool fatal = false;
  std::string firstMessage;
  int32_t messageLine = 0;
  std::string fatalText;
  int32_t fatalLine = 0;
};

FilesState& Files();

}  // namespace vyl
