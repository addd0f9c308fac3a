// libFuzzer target for the language server: arbitrary bytes as what a
// client writes to vyl-lsp's standard input, served in-process to the end.
// It stops on a crash, a hang, a sanitizer report, or replies that are not
// frames of JSON-RPC messages (lsp/tests/stream_check.h).
//
// The server compiles documents on one worker thread with the session
// stack size, made once, as vylc_fuzzer does.
#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "app/app.h"
#include "stream_check.h"

namespace {

class Worker {
 public:
  Worker() {
    pthread_attr_t attr;
    pthread_t thread;
    if (pthread_attr_init(&attr) != 0 || pthread_attr_setstacksize(&attr, vyl::kSessionStack) != 0 ||
        pthread_create(&thread, &attr, &Worker::Main, this) != 0) {
      std::fputs("vyl_lsp_fuzzer: cannot start the worker thread\n", stderr);
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static Worker& worker = *new Worker;  // never destroyed: its thread waits to the end
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string fault;
  // The whole server runs on the worker, so that it compiles on the
  // worker's stack.
  worker.Run([&] {
    fault = vyl::lsp::test::StreamFault(input, [](vyl::MemoryHost& host, const std::string& path,
                                                  const vyl::SessionOptions& options) {
      return vyl::RunSessionHere(host, path, options);
    });
  });
  if (!fault.empty()) {
    std::fprintf(stderr, "vyl_lsp_fuzzer: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
