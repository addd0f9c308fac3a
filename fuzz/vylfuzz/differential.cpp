#include "differential.h"

#include <pthread.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/app.h"
#include "loader.h"
#include "machine.h"

namespace vylfuzz {

namespace {

// Compilations run on one thread with the session's stack, made once: a
// thread of that stack for every program would cost a third of the time.
class SessionWorker {
 public:
  SessionWorker() {
    pthread_attr_t attr;
    pthread_t thread;
    if (pthread_attr_init(&attr) != 0 || pthread_attr_setstacksize(&attr, vyl::kSessionStack) != 0 ||
        pthread_create(&thread, &attr, &SessionWorker::Main, this) != 0) {
      std::fputs("vylfuzz: cannot start the compiling thread\n", stderr);
      std::abort();
    }
    pthread_attr_destroy(&attr);
    pthread_detach(thread);
  }

  vyl::SessionResult Compile(vyl::MemoryHost& host) {
    std::unique_lock<std::mutex> lock(mutex_);
    host_ = &host;
    changed_.notify_all();
    changed_.wait(lock, [this] { return host_ == nullptr; });
    return result_;
  }

 private:
  static void* Main(void* self) {
    SessionWorker& w = *static_cast<SessionWorker*>(self);
    std::unique_lock<std::mutex> lock(w.mutex_);
    for (;;) {
      w.changed_.wait(lock, [&w] { return w.host_ != nullptr; });
      w.result_ = vyl::RunSessionHere(*w.host_, "prog.vyl");
      w.host_ = nullptr;
      w.changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  vyl::MemoryHost* host_ = nullptr;
  vyl::SessionResult result_;
};

vyl::SessionResult CompileOnWorker(vyl::MemoryHost& host) {
  static SessionWorker& worker = *new SessionWorker;  // never destroyed: its thread waits to the end
  return worker.Compile(host);
}

}  // namespace

const char* KindName(Verdict::Kind kind) {
  switch (kind) {
    case Verdict::Agree: return "agree";
    case Verdict::Skipped: return "skipped";
    case Verdict::CompileFailed: return "compile failed";
    case Verdict::Mismatch: return "mismatch";
  }
  return "?";
}

Verdict Compare(const std::string& source, const std::string& input, const ImageMutation& mutate) {
  Verdict v;
  v.reference = RunReference(source, input);
  if (v.reference.stop == Outcome::Invalid) {
    v.kind = Verdict::Skipped;
    v.detail = v.reference.reason;
    return v;
  }
  vyl::MemoryHost host;
  host.files["prog.vyl"] = source;
  vyl::SessionResult compiled = CompileOnWorker(host);
  if (!compiled.success) {
    v.kind = Verdict::CompileFailed;
    v.detail = "line " + std::to_string(compiled.messageLine) + ": " + compiled.message;
    return v;
  }
  vylsim::LoadResult loaded = vylsim::parse_ftx(host.files["prog.ftx"]);
  if (!loaded.ok()) {
    v.kind = Verdict::CompileFailed;
    v.detail = "the output does not load: " + loaded.error;
    return v;
  }
  if (mutate) mutate(loaded.image);
  vylsim::RunResult run = vylsim::run_image(loaded.image, input);
  v.stop = vylsim::status_name(run.status);
  v.output = std::move(run.output);
  v.detail = std::move(run.message);
  bool same = v.output == v.reference.output && v.stop == StopName(v.reference.stop);
  v.kind = same ? Verdict::Agree : Verdict::Mismatch;
  return v;
}

std::string Describe(const Verdict& v) {
  switch (v.kind) {
    case Verdict::Agree: return "agree";
    case Verdict::Skipped: return "skipped: " + v.detail;
    case Verdict::CompileFailed: return "compile failed: " + v.detail;
    case Verdict::Mismatch: break;
  }
  std::string ref = StopName(v.reference.stop);
  if (v.stop != ref) {
    std::string d = "stop: " + v.stop + " against " + ref;
    if (!v.detail.empty()) d += " (" + v.detail + ")";
    return d;
  }
  return "output differs";
}

}  // namespace vylfuzz
