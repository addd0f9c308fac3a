// The ground floor: the host the compiler runs on (files, console, clock),
// the numbered file slots every character of the compiler passes through,
// and the per-compilation state binding that every layer above uses.
//
// Nothing here knows about trees, tokens or rules.  The slots hand
// characters to the host as they are written; the layers above decide what
// the characters mean (the trace, the messages, the source).
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
// Per-compilation state objects
//
// Each layer keeps its tables in one state object.  The session binds the
// objects of the compilation that is running on this thread; a layer
// reaches its own with Current<State>().  Several compilations may run on
// different threads at once.
template <class State>
struct CurrentSlot {
  static inline thread_local State* ptr = nullptr;
};
template <class State>
State& Current() {
  return *CurrentSlot<State>::ptr;
}
template <class State>
class BindCurrent {  // RAII: makes `s` the current State of this thread
 public:
  explicit BindCurrent(State& s) : saved_(CurrentSlot<State>::ptr) { CurrentSlot<State>::ptr = &s; }
  ~BindCurrent() { CurrentSlot<State>::ptr = saved_; }
  BindCurrent(const BindCurrent&) = delete;
  BindCurrent& operator=(const BindCurrent&) = delete;

 private:
  State* saved_;
};

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

// A file's bytes mapped into memory, there while the object lives.
class MappedFile {
 public:
  virtual ~MappedFile() = default;
  virtual std::string_view bytes() const = 0;
};

class Host {
 public:
  virtual ~Host() = default;
  // The Open-file dialog: the chosen path, or "" when cancelled.
  virtual std::string AskSourceFile(std::string_view filter) = 0;
  // Reads at most `limit` bytes of a file; nullopt when it cannot be opened.
  virtual std::optional<std::string> ReadFile(const std::string& name, std::size_t limit) = 0;
  // The same into `text`, whose memory it may reuse (a file read again goes
  // where it was read before); false when the file cannot be opened.
  virtual bool ReadFileInto(const std::string& name, std::size_t limit, std::string& text) {
    std::optional<std::string> read = ReadFile(name, limit);
    if (read) text = std::move(*read);
    return read.has_value();
  }
  // At most `limit` bytes of a large file mapped into memory instead of
  // read, or null to read it (ReadFileInto), as for a file that cannot be
  // opened.
  virtual std::shared_ptr<const MappedFile> MapFile(const std::string& /*name*/, std::size_t /*limit*/) {
    return nullptr;
  }
  // Opens a file for writing (truncating it); null when it cannot be opened.
  virtual std::unique_ptr<OutFile> WriteFile(const std::string& name) = 0;
  virtual void ConsoleChar(char c) = 0;            // the console window (standard output)
  virtual void StdoutText(std::string_view s) = 0;  // formatted lines on standard output
  virtual void StderrText(std::string_view s) = 0;  // diagnostics for editors and scripts
  virtual int64_t Milliseconds() = 0;               // a monotonic clock
  // Why the last ReadFile or WriteFile that failed could not open its file
  // ("No such file or directory"), or "" when the host cannot tell.
  virtual std::string LastError() { return {}; }
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
  bool ReadFileInto(const std::string& name, std::size_t limit, std::string& text) override;
  // Regular files of 64 KiB and more are mapped: a large source then costs
  // neither a copy nor fresh memory.
  std::shared_ptr<const MappedFile> MapFile(const std::string& name, std::size_t limit) override;
  std::unique_ptr<OutFile> WriteFile(const std::string& name) override;
  void ConsoleChar(char c) override;
  void StdoutText(std::string_view s) override;
  void StderrText(std::string_view s) override;
  int64_t Milliseconds() override;
  std::string LastError() override { return lastError_; }

 private:
  std::string path_;
  bool prompt_;
  int64_t start_ = -1;
  std::string lastError_;
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
  std::string LastError() override { return "No such file or directory"; }
};

// ---------------------------------------------------------------------------
// File slots: 0 console, 1 source, 2 output, 3 trace, 4 library, 5 and 6 the
// exit file (read and write sides).

constexpr int kSlots = 7;
constexpr int32_t kReadLimit = 999999;  // characters read from one opening
constexpr int32_t kEndOfFile = 0xFF;

// One slot.  An input opening holds the file's bytes (`bytes`: read into
// `in`, or mapped by the host); `pos`, `count`,
// `lastWasCR` and `lookahead` belong to the reader of the source (the
// scanner's character level), which works on them directly.
struct Slot {
  std::string name;        // the file opened in the slot
  std::unique_ptr<OutFile> out;
  std::string in;          // the bytes of an input opening read into memory
  std::shared_ptr<const MappedFile> mapped;  // or mapped from its file
  std::string_view bytes;  // the bytes of the input opening, in either
  std::size_t pos = 0;
  bool truncated = false;  // the file is longer than one opening may read
  bool lastWasCR = false;
  int32_t count = -1;      // output: characters written; input: characters left; <0 closed
  int32_t lookahead = kEndOfFile;
};

// The slots of one compilation, on its host.
struct IoState {
  Host* host = nullptr;
  std::array<Slot, kSlots> slots;
  int sourceRole = 0;
  int outputRole = 0;
  int traceRole = 0;
  bool noWrap = false;
  IoState() { slots[0].count = 0; }  // the console is always open
};

inline IoState& Io() { return Current<IoState>(); }
inline Host& CurrentHost() { return *Io().host; }
// Tells the current host that `phase` has ended.
inline void PhaseEnd(Phase phase) { CurrentHost().PhaseEnd(phase); }

inline bool ValidSlot(int slot) { return slot >= 0 && slot < kSlots; }
inline Slot& SlotAt(int slot) { return Io().slots[static_cast<std::size_t>(slot)]; }

// Opens the named file in a slot, for reading (its first kReadLimit bytes;
// `truncated` says whether it is longer) or for writing.  False when the
// host cannot open it; the slot stays closed.
bool OpenInput(int slot, const std::string& name);
bool OpenOutput(int slot, const std::string& name);
// Closes an input slot and opens the same file again from its first byte.
bool ReopenInput(int slot);
void CloseSlot(int slot);
// Writes one character.  The console wraps at the first blank after column
// 64 (unless ConsoleNoWrap) and turns control characters into line ends;
// files get CR LF for a CR and nothing for a LF.
void PutChar(int slot, int32_t ch);
// PutChar of every character of `text`, in order.
void PutText(int slot, std::string_view text);
// The same for text already in the form PutText gives a file (each line end
// "\r\n"), which holds `characters` characters as PutText counts them (a
// line end is one): written as it is.
void PutFileText(int slot, std::string_view bytes, int32_t characters);

// Roles: which slot is the source, the message output and the trace.
inline int SourceRole() { return Io().sourceRole; }
inline int OutputRole() { return Io().outputRole; }
inline int TraceRole() { return Io().traceRole; }
inline bool TraceIsFile() { return Io().traceRole != 0; }
inline bool& ConsoleNoWrap() { return Io().noWrap; }

}  // namespace vyl
