// The session driver: chooses and opens the files, resets the tables, runs
// the start rule once with the code generator and reports the outcome.
#include <pthread.h>

#include <functional>

#include "app/session_state.h"
#include "codegen/codegen.h"
#include "decl/decl.h"
#include "lower/lower.h"
#include "runtime/runtime.h"
#include "scanner/scanner.h"

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
  void WriteExitFile(int32_t value) override { vyl::WriteExitFile(value); }
  void FinishSession() override { vyl::FinishSession(); }
};

Hooks theHooks;

}  // namespace

// The file name for a slot kind.  Source and output names come from the
// chosen path: a ".ftx" source name reads the ".vyl" file beside it, and the
// output of a ".vyl" source is the ".ftx" of the same name.  Other names are
// fixed.
std::string ChooseFileName(int kind) {
  std::string& name = Session().nameBuffer;
  if (name.empty()) name = CurrentHost().AskSourceFile(kSourceFilter);
  static constexpr std::string_view kTemplate = ".vyl.ftx.dbg";
  const std::string_view source = kTemplate.substr(1, 3);
  const std::string_view output = kTemplate.substr(5, 3);
  if (name.size() >= 5 && name[name.size() - 4] == '.') {
    std::string_view ext = std::string_view(name).substr(name.size() - 3);
    if (kind == 1) {
      if (ext == output) name.replace(name.size() - 3, 3, source);
      return name;
    }
    if (kind == 2 && ext == source) {
      name.replace(name.size() - 3, 3, output);
      return name;
    }
  }
  switch (kind) {
    case 1: return "KIBin.txt";
    case 2: return "KIBout.txt";
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
  // 3. Close the files of the session.
  if (io.sourceRole) CloseSlot(io.sourceRole);
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

// The compiler's recursion is bounded by the KibStack, not by the host's
// stack: the compilation runs on a thread whose stack holds the deepest
// nesting the KibStack allows (kSessionStack).
void RunOnLargeStack(const std::function<void()>& body) {
  pthread_attr_t attr;
  pthread_t thread;
  bool started = pthread_attr_init(&attr) == 0 && pthread_attr_setstacksize(&attr, kSessionStack) == 0 &&
                 pthread_create(
                     &thread, &attr,
                     [](void* arg) -> void* {
                       (*static_cast<const std::function<void()>*>(arg))();
                       return nullptr;
                     },
                     const_cast<std::function<void()>*>(&body)) == 0;
  pthread_attr_destroy(&attr);
  if (started) {
    pthread_join(thread, nullptr);
  } else {
    body();
  }
}

// The tables of one session, bound to the current thread while it lives.
struct SessionTables {
  std::shared_ptr<RuntimeState> runtime = NewRuntimeState();
  std::shared_ptr<ScannerState> scanner = NewScannerState();
  std::shared_ptr<LowerState> lower = NewLowerState();
  std::shared_ptr<CodeState> code = NewCodeState();
  BindCurrent<RuntimeState> bindRuntime{*runtime};
  BindCurrent<RuleStack> bindRules{RulesOf(*runtime)};
  BindCurrent<ScannerState> bindScanner{*scanner};
  BindCurrent<LowerState> bindLower{*lower};
  BindCurrent<CodeState> bindCode{*code};
  BindCurrent<SessionState> bindSession;
  BindCurrent<IoState> bindIo;
  explicit SessionTables(SessionState& session) : bindSession(session), bindIo(session.io) {}
};

void Compile(SessionState& session, SessionResult& result) {
  SessionTables tables(session);
  try {
    StartSession();
    ScannerStart();
    CodeGenerator generator;
    bool ok = VYLang(generator);
    session.success = ok;
    TraceText(ok ? "Success" : "Failed");
  } catch (const FatalReturn&) {
    session.success = false;
  }
  FinishSession();
  const RunNotes& notes = Notes();
  result.success = session.success;
  result.fatal = notes.fatal;
  result.sourceName = session.sourceName;
  if (!notes.firstMessage.empty()) {
    result.message = notes.firstMessage;
    result.messageLine = notes.messageLine;
  } else if (!notes.fatalText.empty()) {
    std::string_view text = notes.fatalText;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    result.message.assign(text);
    result.messageLine = notes.fatalLine;
  }
}

}  // namespace

struct OpenSession::Impl {
  SessionState session;
  std::unique_ptr<SessionTables> tables;
};

OpenSession::OpenSession(Host& host, const std::string& path, bool startScanner) : impl_(std::make_unique<Impl>()) {
  impl_->session.io.host = &host;
  impl_->session.nameBuffer = path;
  impl_->tables = std::make_unique<SessionTables>(impl_->session);
  StartSession();
  if (startScanner) ScannerStart();
}

OpenSession::~OpenSession() {
  try {
    FinishSession();
  } catch (const FatalReturn&) {
  }
}

SessionResult RunSession(Host& host, const std::string& path) {
  SessionResult result;
  RunOnLargeStack([&] { result = RunSessionHere(host, path); });
  return result;
}

SessionResult RunSessionHere(Host& host, const std::string& path) {
  SessionState session;
  session.io.host = &host;
  session.nameBuffer = path;
  SessionResult result;
  Compile(session, result);
  // One line that editors and build tools parse.
  if (!result.success && !result.message.empty() && !result.sourceName.empty()) {
    host.StderrText(result.sourceName + ":" + std::to_string(result.messageLine) + ": error: " + result.message +
                    "\n");
  }
  return result;
}

}  // namespace vyl
