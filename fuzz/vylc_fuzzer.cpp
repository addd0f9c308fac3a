// libFuzzer target: compiles arbitrary bytes as a source file, in-process on
// an in-memory host, and stops on any run whose outcome is not told the same
// way by the console, the exit status, the exit file and the output file.
// Crashes, hangs, sanitizer reports and host stack overflows stop it anyway.
//
// The sessions run on one worker thread with the session stack size, made
// once: a new thread with a stack that large for every input would cost more
// than most compilations under the sanitizers.
#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string_view>

#include "app/app.h"
#include "harness.h"
#include "outcome_check.h"

namespace {

class Worker {
 public:
  Worker() {
    pthread_attr_t attr;
    pthread_t thread;
    if (pthread_attr_init(&attr) != 0 || pthread_attr_setstacksize(&attr, vyl::kSessionStack) != 0 ||
        pthread_create(&thread, &attr, &Worker::Main, this) != 0) {
      std::fputs("vylc_fuzzer: cannot start the worker thread\n", stderr);
      std::abort();
    }
    pthread_attr_destroy(&attr);
    pthread_detach(thread);
  }

  void Run(const std::function<void()>& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = &job;
    changed_.notify_all();
    changed_.wait(lock, [this] { return job_ == nullptr; });
  }

 private:
  static void* Main(void* self) {
    Worker& w = *static_cast<Worker*>(self);
    std::unique_lock<std::mutex> lock(w.mutex_);
    for (;;) {
      w.changed_.wait(lock, [&w] { return w.job_ != nullptr; });
      (*w.job_)();
      w.job_ = nullptr;
      w.changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  const std::function<void()>* job_ = nullptr;
};

std::string Take(const vyl::MemoryHost& host, const std::string& name) {
  auto it = host.files.find(name);
  return it == host.files.end() ? std::string() : it->second;
}

// What tests/harness.cpp's CompileSource gives, with the session run on the
// worker.
vyl::test::Compiled CompileOnWorker(std::string_view source) {
  static Worker& worker = *new Worker;  // never destroyed: its thread waits to the end
  vyl::MemoryHost host;
  host.files["prog.vyl"] = std::string(source);
  vyl::test::Compiled c;
  worker.Run([&] { c.result = vyl::RunSessionHere(host, "prog.vyl"); });
  c.status = c.result.exitStatus();
  c.output = Take(host, "prog.ftx");
  c.trace = Take(host, "KIBdbg.txt");
  c.exitFile = Take(host, "KIBexit.txt");
  c.console = host.console;
  c.stdoutText = host.stdoutText;
  c.stderrText = host.stderrText;
  c.image = vyl::test::ImageOf(c.output);
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view source(reinterpret_cast<const char*>(data), size);
  vyl::test::Compiled c = CompileOnWorker(source);
  std::string fault = vyl::test::OutcomeFault(c);
  if (!fault.empty()) {
    std::fprintf(stderr, "vylc_fuzzer: %s\n--- output ---\n%s\n--- console ---\n%s\n", fault.c_str(),
                 c.output.c_str(), c.console.c_str());
    std::abort();
  }
  return 0;
}
