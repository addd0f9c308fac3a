// The session driver and its file slots.
//
// One session compiles one source file: it chooses and opens the files, resets
// every table, starts the scanner, runs the start rule once, reports
// "Success" or "Failed" with the statistics and closes everything.  All file
// traffic of the compiler passes through the numbered slots below; the slots
// talk to a Host, which is the real file system and console for the vylc
// executable and an in-memory one for tests.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vyl {

// ---------------------------------------------------------------------------
// The platform underneath the slots.

class OutFile {
 public:
  virtual ~OutFile() = default;
  virtual void Put(char c) = 0;
  // Puts each character of `text` in turn.
  virtual void Write(std::string_view text) {
    for (char c : text) Put(c);
  }
  virtual void Close() = 0;
};

// The phases of a compilation, in order; the host hears of each one's end.
enum class Phase { kSetup, kParse, kLower, kGenerate, kWrite };

class Host {
 public:
  virtual ~Host() = default;
  // The Open-file dialog: the chosen path, or "" when cancelled.
  virtual std::string AskSourceFile(std::string_view filter) = 0;
  // Reads at most `limit` bytes of a file; nullopt when it cannot be opened.
  virtual std::optional<std::string> ReadFile(const std::string& name, std::size_t limit) = 0;
  // Opens a file for writing (truncating it); null when it cannot be opened.
  virtual std::unique_ptr<OutFile> WriteFile(const std::string& name) = 0;
  virtual void ConsoleChar(char c) = 0;            // the console window (standard output)
  virtual void StdoutText(std::string_view s) = 0;  // formatted lines on standard output
  virtual void StderrText(std::string_view s) = 0;  // diagnostics for editors and scripts
  virtual int64_t Milliseconds() = 0;               // a monotonic clock
  // A phase of the compilation has ended (for timing in-process; no effect
  // on the compilation).
  virtual void PhaseEnd(Phase) {}
};

// Real files, standard output and a console prompt for the source path.
class StdHost : public Host {
 public:
  explicit StdHost(std::string path = "", bool prompt = false) : path_(std::move(path)), prompt_(prompt) {}
  std::string AskSourceFile(std::string_view filter) override;
  std::optional<std::string> ReadFile(const std::string& name, std::size_t limit) override;
  std::unique_ptr<OutFile> WriteFile(const std::string& name) override;
  void ConsoleChar(char c) override;
  void StdoutText(std::string_view s) override;
  void StderrText(std::string_view s) override;
  int64_t Milliseconds() override;

 private:
  std::string path_;
  bool prompt_;
  int64_t start_ = -1;
};

// Files in memory: tests put sources in `files` and read the outputs back.
class MemoryHost : public Host {
 public:
  std::map<std::string, std::string> files;
  std::string source;      // the answer of the Open-file dialog
  std::string console;     // everything written to the console
  std::string stdoutText;  // formatted standard-output lines ("Error: ...")
  std::string stderrText;
  int64_t clock = 0;

  std::string AskSourceFile(std::string_view filter) override;
  std::optional<std::string> ReadFile(const std::string& name, std::size_t limit) override;
  std::unique_ptr<OutFile> WriteFile(const std::string& name) override;
  void ConsoleChar(char c) override { console.push_back(c); }
  void StdoutText(std::string_view s) override { stdoutText.append(s); }
  void StderrText(std::string_view s) override { stderrText.append(s); }
  int64_t Milliseconds() override { return clock; }
};

// ---------------------------------------------------------------------------
// File slots: 0 console, 1 source, 2 output, 3 trace, 4 library, 5 and 6 the
// exit file (read and write sides).

constexpr int kSlots = 7;
constexpr int32_t kReadLimit = 999999;  // characters read from one opening
constexpr int32_t kEndOfFile = 0xFF;
constexpr char kSourceFilter[] =
    "VYL source(*.vyl)|*.vyl|Text file(*.txt)|*.txt|All files (*.*)|*.*|";

std::string ChooseFileName(int kind);
void OpenSlot(int kind);
void CloseSlot(int slot);
void PutChar(int slot, int32_t ch);
void TracePut(int slot, int32_t ch);
// PutChar of every character of `text`, in order.
void PutText(int slot, std::string_view text);
// TracePut of every character of `text`, in order.
void TracePutText(int slot, std::string_view text);
// GetChar, then ConsumeChar unless at the end of the input.
int32_t TakeChar(int slot);
// The input that the next TakeChar calls would read, from the current
// position to the end of the opening; nothing after a GetChar that was not
// consumed.  Its leading ordinary characters are delivered unchanged.
std::string_view PendingInput(int slot);
// Characters that GetChar delivers as they are: not NUL, control-D, line
// feed, carriage return or 0xFF.
constexpr bool IsOrdinaryInput(unsigned char ch) {
  return ch != 0 && ch != 4 && ch != '\n' && ch != '\r' && ch != 0xFF;
}
// IsOrdinaryInput as a table, for loops over many characters.
inline constexpr auto kOrdinaryInput = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = IsOrdinaryInput(static_cast<unsigned char>(c));
  return table;
}();
// Takes the first n characters of PendingInput(slot), all ordinary.
void TakeRun(int slot, std::size_t n);
int32_t GetChar(int slot);
void ConsumeChar(int slot);  // the caller consumes the current character
// True when the input slot's opening was cut off at the read limit.
bool SourceTruncated(int slot);

// Roles: which slot is the source, the message output and the trace.
int SourceRole();
int OutputRole();
int TraceRole();
bool TraceIsFile();
int32_t& TraceColumn();
int32_t& TraceLines();
bool& ConsoleNoWrap();

// Hooks of the fatal-error path and the diagnostics.
void WriteExitFile(int32_t value);
void NoteMessage(std::string_view text, int32_t line = -1);  // a message written to the output
void NoteFatal(std::string_view text);    // the text of a fatal error

int32_t StartSession();
void FinishSession();
Host& CurrentHost();
// Tells the current host that `phase` has ended.
void PhaseEnd(Phase phase);

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
