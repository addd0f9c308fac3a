// The session driver: chooses and opens the files, resets the tables, runs
// the start rule once with the code generator and reports the outcome.
#include <algorithm>
#include <functional>
#include <utility>

#include "app/session_state.h"
#include "codegen/codegen.h"
#include "decl/decl.h"
#include "lower/lower.h"
#include "runtime/runtime.h"
#include "scanner/scanner.h"
#include "types/types.h"

namespace vyl {

SessionState& Session() { return Current<SessionState>(); }

namespace {

// The value written to the exit file after a failure when the pre-mortem
// position would read 0, which means success.
constexpr int32_t kFailedWithoutPosition = -1;

void WriteExitText(const std::string& text) {
  OpenSlot(6);
  for (char c : text) PutChar(6, static_cast<unsigned char>(c));
  PutChar(6, '\r');
  CloseSlot(6);
  Session().exitWritten = true;
}

// What the runtime asks of the session while it runs.
class Hooks final : public SessionHooks {
 public:
  int32_t SourceLine() override { return CurrentLine(); }
  SourceRange MessageRange(bool missing) override {
    if (!Session().scanning) return {};
    if (!missing) return vyl::RangeOf(CurrentSpan());
    int32_t after = PreviousSpan().end;
    return vyl::RangeOf(SourceSpan{after, after});
  }
  SourceRange RangeOf(SourceSpan span) override { return Session().scanning ? vyl::RangeOf(span) : SourceRange{}; }
  SourceRange LineRange(int32_t line) override {
    return Session().scanning ? vyl::RangeOf(LineSpan(line)) : SourceRange{};
  }
  void WriteExitFile(int32_t value) override { vyl::WriteExitFile(value); }
  void FinishSession() override { vyl::FinishSession(); }
};

Hooks theHooks;

std::string_view ExtensionOf(const std::string& name) {
  return name.size() >= 5 && name[name.size() - 4] == '.' ? std::string_view(name).substr(name.size() - 3)
                                                             : std::string_view();
}

// The names of the source and the output, chosen once per session.  A path
// given is used as it is (a ".ftx" path reads the ".vyl" beside it);
// without one the host's dialog is asked once, and an answer that is no
// name with a three-letter extension gives the fixed names.
void ChooseNames() {
  SessionState& s = Session();
  if (s.named) return;
  s.named = true;
  static constexpr std::string_view kTemplate = ".vyl.ftx.dbg";
  const std::string_view source = kTemplate.substr(1, 3);
  const std::string_view output = kTemplate.substr(5, 3);
  if (!s.path.empty()) {
    s.sourceFile = SourceNameFor(s.path);
    s.outputFile = OutputNameFor(s.sourceFile);
  } else {
    std::string answer = CurrentHost().AskSourceFile(kSourceFilter);
    if (ExtensionOf(answer).empty()) {
      s.sourceFile = "KIBin.txt";
      s.outputFile = "KIBout.txt";
    } else {
      answer = SourceNameFor(answer);
      s.sourceFile = answer;
      s.outputFile = ExtensionOf(answer) == source ? answer.substr(0, answer.size() - 3) + std::string(output)
                                                   : std::string("KIBout.txt");
    }
  }
  if (!s.options.output.empty()) s.outputFile = s.options.output;
}

}  // namespace

std::string SourceNameFor(const std::string& path) {
  std::string source = path;
  if (ExtensionOf(source) == "ftx") source.replace(source.size() - 3, 3, "vyl");
  return source;
}

std::string OutputNameFor(const std::string& source, std::string_view extension) {
  std::size_t slash = source.find_last_of('/');
  std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = source.find_last_of('.');
  // A name that starts with its only dot (".profile") has no extension.
  if (dot == std::string::npos || dot <= base) return source + std::string(extension);
  return source.substr(0, dot) + std::string(extension);
}

// The file name for a slot kind: the chosen source and output names, fixed
// names for the others.
std::string ChooseFileName(int kind) {
  ChooseNames();
  switch (kind) {
    case 1: return Session().sourceFile;
    case 2: return Session().outputFile;
    case 3: return "KIBdbg.txt";
    case 4: return "Libry.txt";
    default: return "KIBexit.txt";
  }
}

void OpenSlot(int kind) {
  if (kind < 1 || kind > 6) return;
  std::string name = ChooseFileName(kind);
  bool input = kind == 1 || kind == 4 || kind == 5;
  bool opened = input ? OpenInput(kind, name) : OpenOutput(kind, name);
  if (kind == 1 && opened) Session().sourceName = name;
  if (opened || kind >= 5) return;
  std::string reason = CurrentHost().LastError();
  Session().cannotOpen = "'" + name + "'" + (reason.empty() ? "" : ": " + reason);
  CannotOpen(name);
}

void WriteExitFile(int32_t value) {
  WriteExitText(NumberText(value == 0 ? kFailedWithoutPosition : value));
}

int32_t StartSession() {
  SessionState& s = Session();
  ResetRuntime();
  InstallSessionHooks(&theHooks);
  s.finishArmed = true;
  IoState& io = Io();
  OpenSlot(1);
  io.sourceRole = 1;
  SizeTreeMemory(SlotAt(1).in.size());
  OpenSlot(2);
  io.outputRole = 2;
  OpenSlot(3);
  io.traceRole = 3;
  return 1;
}

void FinishSession() {
  SessionState& s = Session();
  IoState& io = Io();
  if (!s.finishArmed) return;
  s.finishArmed = false;
  RestartRunawayCount();
  // 1, 2. The trace file ends with the statistics.
  if (io.traceRole) {
    TraceLine();
    Statistics();
  }
  // 3. Close the files of the session (the source's text stays with the
  // session, for the diagnostics).
  if (io.sourceRole) {
    Slot& source = SlotAt(io.sourceRole);
    s.sourceText = std::move(source.in);
    s.sourceMapping = std::move(source.mapped);
    CloseSlot(io.sourceRole);
  }
  if (io.outputRole) CloseSlot(io.outputRole);
  if (io.traceRole) CloseSlot(io.traceRole);
  // 4. From here the trace is the console.
  io.traceRole = 0;
  TraceColumn() = 0;
  PutChar(0, '\r');
  ++TraceLines();
  // 5. The exit file: "0" after a success; never "0" after a failure.
  if (s.success) {
    WriteExitText("0");
  } else if (!s.exitWritten) {
    WriteExitFile(PreMortemPosition());
  }
  // 6. The outcome and the statistics on the console.
  TraceText(s.success ? "Success" : "Failed");
  Statistics();
  MarkSessionFinished();
}

namespace {

// The tables of one session, bound to the current thread while it lives.
struct SessionTables {
  std::shared_ptr<RuntimeState> runtime = NewRuntimeState();
  std::shared_ptr<ScannerState> scanner = NewScannerState();
  std::shared_ptr<LowerState> lower = NewLowerState();
  std::shared_ptr<CodeState> code = NewCodeState();
  SourceIndex index;
  BindCurrent<RuntimeState> bindRuntime{*runtime};
  BindCurrent<RuleStack> bindRules{RulesOf(*runtime)};
  BindCurrent<ScannerState> bindScanner{*scanner};
  BindCurrent<LowerState> bindLower{*lower};
  BindCurrent<CodeState> bindCode{*code};
  BindCurrent<SourceIndex> bindIndex{index};
  BindCurrent<SessionState> bindSession;
  BindCurrent<IoState> bindIo;
  explicit SessionTables(SessionState& session) : bindSession(session), bindIo(session.io) {
    index.recordStatements = session.options.debugInfo;
    index.recordUses = session.options.indexUses;
  }
};

// The diagnostics of a run in source order: the warnings, and the error
// that ended it (the first message written, else the fatal error).
std::vector<Diagnostic> Diagnostics(const RunNotes& notes, bool success) {
  std::vector<Diagnostic> all = notes.warnings;
  if (!success) {
    if (!notes.firstMessage.empty()) {
      all.push_back(notes.message);
    } else if (!notes.fatalText.empty()) {
      Diagnostic error = notes.fatalError;
      std::string_view text = error.message;
      while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
      error.message.assign(text);
      all.push_back(std::move(error));
    }
  }
  std::stable_sort(all.begin(), all.end(), [](const Diagnostic& a, const Diagnostic& b) {
    return std::pair(a.range.line, a.range.column) < std::pair(b.range.line, b.range.column);
  });
  return all;
}

void Compile(SessionState& session, SessionResult& result) {
  SessionTables tables(session);
  try {
    StartSession();
    session.scanning = true;
    ScannerStart();
    CodeGenerator generator;
    bool ok = VYLang(generator);
    session.success = ok;
    if (ok && session.options.debugInfo) result.debugInfo = CollectDebugInfo();
    TraceText(ok ? "Success" : "Failed");
  } catch (const FatalReturn&) {
    session.success = false;
  }
  FinishSession();
  const RunNotes& notes = Notes();
  result.success = session.success;
  result.fatal = notes.fatal;
  result.sourceName = session.sourceName;
  result.outputName = session.outputFile;
  if (!notes.firstMessage.empty()) {
    result.message = notes.firstMessage;
    result.messageLine = notes.messageLine;
  } else if (!notes.fatalText.empty()) {
    std::string_view text = notes.fatalText;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    result.message.assign(text);
    result.messageLine = notes.fatalLine;
  }
  result.diagnostics = Diagnostics(notes, session.success);
  if (session.options.indexUses) {
    result.outline = CollectOutline(session.sourceMapping ? session.sourceMapping->bytes()
                                                           : std::string_view(session.sourceText));
  }
}

// Standard error: what could not be opened, then the diagnostics.
void ReportOnStderr(Host& host, const SessionState& session, const SessionResult& result) {
  const SessionOptions& options = session.options;
  if (!session.cannotOpen.empty()) host.StderrText("vylc: error: cannot open " + session.cannotOpen + "\n");
  if (options.format == DiagnosticsFormat::kNone || result.sourceName.empty()) return;
  std::vector<Diagnostic> shown;
  for (const Diagnostic& d : result.diagnostics) {
    if (d.severity != Severity::kWarning || options.warnings) shown.push_back(d);
  }
  if (shown.empty()) return;
  host.StderrText(options.format == DiagnosticsFormat::kJson
                      ? FormatDiagnosticsJson(shown, result.sourceName)
                      : FormatDiagnostics(shown, result.sourceName, SourceBytes(session), options.color));
}

}  // namespace

struct OpenSession::Impl {
  SessionState session;
  std::unique_ptr<SessionTables> tables;
};

OpenSession::OpenSession(Host& host, const std::string& path, bool startScanner) : impl_(std::make_unique<Impl>()) {
  impl_->session.io.host = &host;
  impl_->session.path = path;
  impl_->tables = std::make_unique<SessionTables>(impl_->session);
  StartSession();
  impl_->session.scanning = true;
  if (startScanner) ScannerStart();
}

OpenSession::~OpenSession() {
  try {
    FinishSession();
  } catch (const FatalReturn&) {
  }
}

SessionResult RunSession(Host& host, const std::string& path, const SessionOptions& options) {
  SessionResult result;
  RunOnLargeStack([&] { result = RunSessionHere(host, path, options); });
  return result;
}

SessionResult RunSessionHere(Host& host, const std::string& path, const SessionOptions& options) {
  SessionState session;
  session.io.host = &host;
  session.path = path;
  session.options = options;
  SessionResult result;
  Compile(session, result);
  ReportOnStderr(host, session, result);
  // A mapped source is copied for the result, unless the process ends with
  // its sessions and has no use for it.
  if (!session.sourceMapping) {
    result.sourceText = std::move(session.sourceText);
  } else if (!SessionsRunUntilExit()) {
    result.sourceText.assign(session.sourceMapping->bytes());
  }
  if (result.success && options.debugInfo) {
    result.debugInfo.source = result.sourceName;
    result.debugInfo.output = result.outputName;
    result.debugName = OutputNameFor(result.outputName, ".dbg");
    std::string text = DebugInfoJson(result.debugInfo);
    std::unique_ptr<OutFile> file = text.empty() ? nullptr : host.WriteFile(result.debugName);
    if (file) {
      file->Write(text);
      file->Close();
    } else {
      host.StderrText("vylc: error: cannot write '" + result.debugName + "'" +
                      (text.empty() ? ": no JSON support in this build" : ": " + host.LastError()) + "\n");
      result.debugName.clear();
      result.debugWriteFailed = true;
    }
  }
  return result;
}

}  // namespace vyl
