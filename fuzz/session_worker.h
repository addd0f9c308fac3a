// One worker thread with the compiler's session stack, made once and never
// destroyed, that runs jobs one at a time for the fuzz targets: a new
// thread with a stack that large for every input would cost more than most
// compilations under the sanitizers.
#pragma once

#include <pthread.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>

#include "app/app.h"

namespace vyl::fuzz {

class SessionWorker {
 public:
  // The one worker; its thread waits to the end of the process.
  static SessionWorker& Get() {
    static SessionWorker& worker = *new SessionWorker;
    return worker;
  }

  // Runs `job` on the worker and waits for it.
  void Run(const std::function<void()>& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = &job;
    changed_.notify_all();
    changed_.wait(lock, [this] { return job_ == nullptr; });
  }

 private:
  SessionWorker() {
    pthread_attr_t attr;
    pthread_t thread;
    if (pthread_attr_init(&attr) != 0 || pthread_attr_setstacksize(&attr, vyl::kSessionStack) != 0 ||
        pthread_create(&thread, &attr, &SessionWorker::Main, this) != 0) {
      std::fputs("fuzzer: cannot start the worker thread\n", stderr);
      std::abort();
    }
    pthread_attr_destroy(&attr);
    pthread_detach(thread);
  }

  static void* Main(void* self) {
    SessionWorker& w = *static_cast<SessionWorker*>(self);
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

}  // namespace vyl::fuzz
