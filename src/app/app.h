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
#include <string_view>
#include <vector>

#include "codegen/codegen.h"
#include "io/io.h"
#include "runtime/runtime.h"

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

enum class DiagnosticsFormat { kText, kJson, kNone };

// ---------------------------------------------------------------------------
// The outline of a source: what the source index knew when the session
// ended, as plain values that outlive it (for the language server).  After
// an error it holds what was read before the error.  Spans are byte offsets
// of the source text.

enum class SymbolKind {
  // Declared in the source.
  kGlobal, kParameter, kLocal, kField, kFunction, kClass, kConstant, kTable, kTypeAlias,
  // Predefined: packages, their variables at fixed addresses (the devices
  // and the vector table), the devices' registers, intrinsics, named
  // constants (kConstant) and the built-in and opaque types.
  kPackage, kDevice, kRegister, kIntrinsic, kType,
};

struct OutlineType {
  std::string text;              // as a person writes it: int, char[], int[4], Node
  int32_t element = -1;          // an array's element type
  std::vector<int32_t> members;  // the fields of a class, the registers of a device (symbols)
};

struct OutlineSymbol {
  struct Parameter {
    std::string type;
    std::string name;
  };
  std::string name;
  SymbolKind kind = SymbolKind::kGlobal;
  SourceSpan nameSpan;    // where it is declared; unknown for a predefined name
  SourceSpan scope;       // where the name is visible (end -1: to the end of the source)
  SourceSpan definition;  // a function's name where its body follows its prototype
  int32_t owner = -1;     // the function of a parameter or local, the class of a field,
                          // the device of a register, the package of a predefined member
  int32_t type = -1;      // a variable's type, a function's result, the type a class or alias names
  std::vector<Parameter> parameters;  // a function's, first to last
  bool hasValue = false;  // a named constant's value
  int32_t value = 0;
  int32_t address = -1;   // a predefined variable's or register's address
  bool used = false;
};

struct OutlineUse {
  SourceSpan span;
  int32_t symbol = -1;
};

struct SourceOutline {
  std::vector<OutlineSymbol> symbols;  // the declarations in the order read, then predefined names
  std::vector<OutlineType> types;
  std::vector<OutlineUse> uses;        // each name that resolved, in source order
  std::vector<int32_t> packages;       // the packages imported
};

struct SessionOptions {
  std::string output;       // the output file; "" for the one beside the source
  bool debugInfo = false;   // write NAME.dbg beside the output
  bool warnings = true;     // warnings on standard error
  DiagnosticsFormat format = DiagnosticsFormat::kText;
  bool color = false;       // colour the text on standard error
  bool indexUses = false;   // note every use of a name, and hand back the outline
};

struct SessionResult {
  bool success = false;
  bool fatal = false;           // ended through the fatal-error path
  std::string message;          // the last rule message or fatal text, if any
  int32_t messageLine = 0;      // the scanner's line when the message was raised
  std::string sourceName;       // the source file actually opened
  std::string outputName;       // the output file
  std::string debugName;        // the debug info written, if any
  // The error (with its notes) and the warnings, in source order.  Warnings
  // are there even when SessionOptions::warnings is off: the option only
  // keeps them off standard error.
  std::vector<Diagnostic> diagnostics;
  std::string sourceText;       // the source as it was read
  DebugInfo debugInfo;          // with SessionOptions::debugInfo, after a success
  SourceOutline outline;        // with SessionOptions::indexUses
  bool debugWriteFailed = false;  // -g, but the debug info could not be written
  int exitStatus() const { return success && !debugWriteFailed ? 0 : 1; }
};

// The stack of the thread a compilation runs on: enough for the deepest
// nesting the KibStack allows, in every build.
constexpr std::size_t kSessionStack = std::size_t{512} << 20;

// Compiles one source on a thread of its own with a stack of kSessionStack
// bytes.  A path given is compiled whatever its name (a ".ftx" name reads
// the ".vyl" beside it); the output goes beside it with its last extension
// replaced by ".ftx" unless the options name it.  Without a path the host's
// dialog is asked once, and an answer that names no usable file compiles
// "KIBin.txt" into "KIBout.txt".
SessionResult RunSession(Host& host, const std::string& path = "", const SessionOptions& options = {});
// For a process that ends when its compilations end (the vylc executable):
// from now on sessions run on the calling thread, on a stack reserved once
// whose pages are touched only as the recursion reaches them, and neither
// that stack nor the memory of tree records is released before the process
// exits; a result's sourceText is left empty when the source was mapped (a
// large file: StdHost::MapFile).  Call it before the first session, with
// the paths the process will compile: for large sources the stack, the
// process's allocations and the tree records then share their memory
// (see TakeProcessMemory, which the process's operator new should use).
void RunSessionsUntilExit(const std::vector<std::string>& paths = {});
// The same on the calling thread, for callers that provide such a stack
// themselves (the fuzz target runs many sessions on one such thread).
SessionResult RunSessionHere(Host& host, const std::string& path = "", const SessionOptions& options = {});

// The source a path given compiles: the path itself, or for a ".ftx" name
// the ".vyl" beside it.
std::string SourceNameFor(const std::string& path);
// The output name for a source path: its last extension replaced by ".ftx"
// (appended when it has none); ".dbg" likewise for the debug info.
std::string OutputNameFor(const std::string& source, std::string_view extension = ".ftx");
// The diagnostics as standard error shows them: "PATH:LINE:COL: error: ..."
// with the source line and a caret line, or one JSON object a line.
std::string FormatDiagnostics(const std::vector<Diagnostic>& diagnostics, const std::string& path,
                              std::string_view source, bool color);
std::string FormatDiagnosticsJson(const std::vector<Diagnostic>& diagnostics, const std::string& path);
// The debug info file's text (docs/debug-info.md); "" without JSON support.
std::string DebugInfoJson(const DebugInfo& info);

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
