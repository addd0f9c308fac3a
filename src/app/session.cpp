// The session driver: opens the files, resets the tables, runs the start rule
// once and reports the outcome.
#include <pthread.h>

#include <functional>

#include "app/session_state.h"
#include "codegen/codegen.h"
#include "decl/decl.h"
#include "runtime/runtime.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

// The value written to the exit file after a failure when the pre-mortem
// position would read 0, which means success.
constexpr int32_t kFailedWithoutPosition = -1;

void WriteExitText(const std::string& text) {
  OpenSlot(6);
  for (char c : text) PutChar(6, static_cast<unsigned char>(c));
  PutChar(6, '\r');
  CloseSlot(6);
  Files().exitWritten = true;
}

}  // namespace

void WriteExitFile(int32_t value) {
  WriteExitText(NumberText(value == 0 ? kFailedWithoutPosition : value));
}

void NoteMessage(std::string_view text, int32_t line) {
  FilesState& f = Files();
  if (!f.firstMessage.empty()) return;
  f.firstMessage.assign(text);
  f.messageLine = line >= 0 ? line : CurrentLine();
}

void NoteFatal(std::string_view text) {
  FilesState& f = Files();
  f.fatal = true;
  if (!f.fatalText.empty()) return;
  f.fatalText.assign(text);
  f.fatalLine = CurrentLine();
}

int32_t StartSession() {
  FilesState& f = Files();
  ResetRuntime();
  f.finishArmed = true;
  OpenSlot(1);
  f.sourceRole = 1;
  OpenSlot(2);
  f.outputRole = 2;
  OpenSlot(3);
  f.traceRole = 3;
  return 1;
}

void FinishSession() {
  FilesState& f = Files();
  if (!f.finishArmed) return;
  f.finishArmed = false;
  RestartRunawayCount();
  // 1, 2. The trace file ends with the statistics.
  if (f.traceRole) {
    TraceLine();
    Statistics();
  }
  // 3. Close the files of the session.
  if (f.sourceRole) CloseSlot(f.sourceRole);
  if (f.outputRole) CloseSlot(f.outputRole);
  if (f.traceRole) CloseSlot(f.traceRole);
  // 4. From here the trace is the console.
  f.traceRole = 0;
  f.traceColumn = 0;
  PutChar(0, '\r');
  ++f.traceLines;
  // 5. The exit file: "0" after a success; never "0" after a failure.
  if (f.success) {
    WriteExitText("0");
  } else if (!f.exitWritten) {
    WriteExitFile(PreMortemPosition());
  }
  // 6. The outcome and the statistics on the console.
  TraceText(f.success ? "Success" : "Failed");
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
  std::shared_ptr<CodeState> code = NewCodeState();
  BindCurrent<RuntimeState> bindRuntime{*runtime};
  BindCurrent<RuleStack> bindRules{RulesOf(*runtime)};
  BindCurrent<ScannerState> bindScanner{*scanner};
  BindCurrent<CodeState> bindCode{*code};
  BindCurrent<FilesState> bindFiles;
  explicit SessionTables(FilesState& files) : bindFiles(files) {}
};

void Compile(FilesState& files, SessionResult& result) {
  SessionTables tables(files);
  try {
    StartSession();
    ScannerStart();
    bool ok = VYLang();
    files.success = ok;
    TraceText(ok ? "Success" : "Failed");
  } catch (const FatalReturn&) {
    files.success = false;
  }
  FinishSession();
  result.success = files.success;
  result.fatal = files.fatal;
  result.sourceName = files.sourceName;
  if (!files.firstMessage.empty()) {
    result.message = files.firstMessage;
    result.messageLine = files.messageLine;
  } else if (!files.fatalText.empty()) {
    std::string_view text = files.fatalText;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    result.message.assign(text);
    result.messageLine = files.fatalLine;
  }
}

}  // namespace

struct OpenSession::Impl {
  FilesState files;
  std::unique_ptr<SessionTables> tables;
};

OpenSession::OpenSession(Host& host, const std::string& path, bool startScanner) : impl_(std::make_unique<Impl>()) {
  impl_->files.host = &host;
  impl_->files.nameBuffer = path;
  impl_->files.slots[0].count = 0;
  impl_->tables = std::make_unique<SessionTables>(impl_->files);
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
  FilesState files;
  files.host = &host;
  files.nameBuffer = path;
  files.slots[0].count = 0;
  SessionResult result;
  Compile(files, result);
  // One line that editors and build tools parse.
  if (!result.success && !result.message.empty() && !result.sourceName.empty()) {
    host.StderrText(result.sourceName + ":" + std::to_string(result.messageLine) + ": error: " + result.message +
                    "\n");
  }
  return result;
}

}  // namespace vyl
