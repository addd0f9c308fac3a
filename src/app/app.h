// The session driver: the top of the compiler.
//
// One session compiles one source file: it chooses and opens the files, resets
// every table, starts the scanner, runs the start rule once with the code
// generator, reports "Success" or "Failed" with the statistics and closes
// everything.  The files go through the slots of io/io.h, which talk to a
// Host: the real file system and console for the vylc executable, an
// in-memory one for tests and tools.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "io/io.h"

namespace vyl {

// ---------------------------------------------------------------------------
// The files of a session.

constexpr char kSourceFilter[] =
    "VYL source(*.vyl)|*.vyl|Text file(*.txt)|*.txt|All files (*.*)|*.*|";

// The file name for a slot kind (1 source, 2 output, 3 trace, 4 library,
// 5 and 6 the exit file).  Source and output names come from the chosen
// path, asked of the host when there is none yet.
std::string ChooseFileName(int kind);
// Opens the file of a slot kind in the slot of that number; a source,
// output or trace file that cannot be opened ends the run.
void OpenSlot(int kind);
int32_t StartSession();
void FinishSession();
// Writes the exit file after a failure: the pre-mortem position, never 0.
void WriteExitFile(int32_t value);

// ---------------------------------------------------------------------------
// The entry point.

struct SessionResult {
  bool success = false;
  bool fatal = false;           // ended through the fatal-error path
  std::string message;          // the last rule message or fatal text, if any
  int32_t messageLine = 0;      // the scanner's line when the message was raised
  std::string sourceName;       // the source file actually opened
  int exitStatus() const { return success ? 0 : 1; }
};

// The stack of the thread a compilation runs on: enough for the deepest
// nesting the KibStack allows, in every build.
constexpr std::size_t kSessionStack = std::size_t{512} << 20;

// Compiles one source: the chosen path (or the host's dialog when empty),
// on a thread of its own with a stack of kSessionStack bytes.
SessionResult RunSession(Host& host, const std::string& path = "");
// The same on the calling thread, for callers that provide such a stack
// themselves (the fuzz target runs many sessions on one such thread).
SessionResult RunSessionHere(Host& host, const std::string& path = "");

// A session held open on the calling thread, for running parts of the
// compiler in-process (tests, tools): binds fresh tables, starts the session
// on `host` and, when asked, the scanner.  Fatal errors surface as
// FatalReturn.  The destructor finishes the session.
class OpenSession {
 public:
  explicit OpenSession(Host& host, const std::string& path = "prog.vyl", bool startScanner = false);
  ~OpenSession();
  OpenSession(const OpenSession&) = delete;
  OpenSession& operator=(const OpenSession&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vyl
