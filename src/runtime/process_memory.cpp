// The memory of a process that compiles large sources and then ends.
//
// A small page costs the system a fault when it is first touched, which on
// a virtual machine costs microseconds; a large page costs one fault for
// two megabytes.  A large source fills part of a large page with tree
// records anyway, so the process puts the rest of what it touches beside
// them: one reservation holds the compilation's stack, whose top lies in
// the first large page, and after it one run of memory from which the
// allocations of the process and the chunks of the tree records are carved
// in the order they are asked for.  Nothing in it is released before the
// process ends; the memory it cannot give comes from the ordinary places.
#include <sys/mman.h>

#include <cstdint>
#include <cstring>

#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kAlign = 16;
// The part of the stack inside the first large page.  The deepest
// recursions of a large program (code for a long run of statements) stay
// within it.
constexpr std::size_t kStackTop = std::size_t{256} << 10;
// What the process allocates besides the tree records, at most: the
// tables of a compilation and its buffers take a few hundred kilobytes.
constexpr std::size_t kOtherMemory = std::size_t{1} << 20;

struct ProcessMemory {
  void* stack = nullptr;  // its lowest page is kept inaccessible
  std::size_t stackBytes = 0;
  std::byte* begin = nullptr;  // the run after the stack's top
  std::byte* next = nullptr;
  std::byte* end = nullptr;
};

ProcessMemory memory;

}  // namespace

bool ReserveProcessMemory(std::size_t sourceBytes, std::size_t stackBytes) {
#if defined(__linux__) && !defined(__EMSCRIPTEN__) && defined(MADV_HUGEPAGE)
  if (memory.stack) return true;
  if (sourceBytes < kLargeSource) return false;
  std::size_t run = kOtherMemory + TreeMemoryFor(sourceBytes);
  // The slack lets the stack's top part start on a large-page boundary.
  std::size_t size = stackBytes + kLargePage + run;
  void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (base == MAP_FAILED) return false;
  auto at = reinterpret_cast<std::uintptr_t>(base);
  std::uintptr_t large = (at + stackBytes - kStackTop + kLargePage - 1) & ~(kLargePage - 1);
  std::uintptr_t stackTop = large + kStackTop;
  madvise(reinterpret_cast<void*>(large), at + size - large, MADV_HUGEPAGE);
  memory.stack = reinterpret_cast<void*>(stackTop - stackBytes);
  memory.stackBytes = stackBytes;
  mprotect(memory.stack, kPage, PROT_NONE);
  memory.begin = memory.next = reinterpret_cast<std::byte*>(stackTop);
  memory.end = reinterpret_cast<std::byte*>(at + size);
  return true;
#else
  (void)sourceBytes;
  (void)stackBytes;
  return false;
#endif
}

void* ReservedProcessStack(std::size_t stackBytes) {
  return memory.stackBytes == stackBytes ? memory.stack : nullptr;
}

void* TakeProcessMemory(std::size_t bytes) {
  bytes = (bytes + kAlign - 1) & ~(kAlign - 1);
  if (bytes > static_cast<std::size_t>(memory.end - memory.next)) return nullptr;
  void* p = memory.next;
  memory.next += bytes;
  return p;
}

bool ReturnProcessMemory(void* p, std::size_t bytes) {
  auto* b = static_cast<std::byte*>(p);
  if (b < memory.begin || b >= memory.end) return false;
  // The last piece given is taken back, cleared, so that every piece is
  // given zero-filled; any other stays where it is.
  bytes = (bytes + kAlign - 1) & ~(kAlign - 1);
  if (bytes != 0 && b + bytes == memory.next) {
    std::memset(b, 0, bytes);
    memory.next = b;
  }
  return true;
}

}  // namespace vyl
