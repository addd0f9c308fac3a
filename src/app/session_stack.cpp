// The stack a compilation runs on.  The compiler's recursion is bounded by
// the KibStack, not by the host's stack, so a session runs on a stack that
// holds the deepest nesting the KibStack allows (kSessionStack): on a thread
// of its own, or, in a process that ends with its compilations, on a stack
// reserved once on the calling thread.
#include <pthread.h>

#include <algorithm>
#include <functional>

#include "app/session_state.h"
#include "runtime/runtime.h"

#if defined(__linux__) && !defined(__EMSCRIPTEN__) && __has_include(<ucontext.h>)
#include <sys/mman.h>
#include <sys/stat.h>
#include <ucontext.h>
#define VYL_RESERVED_STACK 1
#endif

// The sanitizers keep their own record of each thread's stack, which a
// switch of stacks on the same thread would confuse.
#if defined(__SANITIZE_ADDRESS__)
#undef VYL_RESERVED_STACK
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#undef VYL_RESERVED_STACK
#endif
#endif

namespace vyl {

namespace {

bool untilExit = false;

void RunOnThread(const std::function<void()>& body) {
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

#ifdef VYL_RESERVED_STACK
// Reserved once and kept until the process exits; its pages are supplied
// when the recursion first reaches them.  The lowest page stays
// inaccessible, so that running past the end traps.
void* ReservedStack() {
  static void* stack = [] {
    if (void* s = ReservedProcessStack(kSessionStack)) return s;
    void* s = mmap(nullptr, kSessionStack, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (s == MAP_FAILED) return static_cast<void*>(nullptr);
    mprotect(s, 4096, PROT_NONE);
    return s;
  }();
  return stack;
}

const std::function<void()>* reservedBody = nullptr;

void RunReservedBody() { (*reservedBody)(); }

bool RunOnReservedStack(const std::function<void()>& body) {
  void* stack = ReservedStack();
  ucontext_t caller;
  ucontext_t callee;
  if (!stack || getcontext(&callee) != 0) return false;
  callee.uc_stack.ss_sp = stack;
  callee.uc_stack.ss_size = kSessionStack;
  callee.uc_link = &caller;
  reservedBody = &body;
  makecontext(&callee, RunReservedBody, 0);
  return swapcontext(&caller, &callee) == 0;
}
#endif

}  // namespace

void RunSessionsUntilExit(const std::vector<std::string>& paths) {
  untilExit = true;
  KeepMemoryUntilExit();
#ifdef VYL_RESERVED_STACK
  std::size_t largest = 0;
  for (const std::string& path : paths) {
    struct stat st{};
    if (stat(SourceNameFor(path).c_str(), &st) == 0 && st.st_size > 0) largest = std::max(largest, static_cast<std::size_t>(st.st_size));
  }
  ReserveProcessMemory(largest, kSessionStack);
#else
  (void)paths;
#endif
}

bool SessionsRunUntilExit() { return untilExit; }

void RunOnLargeStack(const std::function<void()>& body) {
#ifdef VYL_RESERVED_STACK
  if (untilExit && RunOnReservedStack(body)) return;
#endif
  RunOnThread(body);
}

}  // namespace vyl
