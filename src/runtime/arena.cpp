// The arena of tree records: reservations of address space whose pages are
// touched only as records fill them.
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

namespace {

// Records per source byte stay well below this: a typical program fills
// about a third of it, so the first reservation seldom needs a second.
constexpr std::size_t kBytesPerSourceByte = 128;
constexpr std::size_t kSmallest = std::size_t{4} << 20;
// Smaller sources keep the first part of the arena in small pages.
constexpr std::size_t kSmallPart = std::size_t{256} << 10;
// The records of a process's own memory come in chunks of this size.
constexpr std::size_t kChunk = std::size_t{256} << 10;

bool keepUntilExit = false;

}  // namespace

void KeepMemoryUntilExit() { keepUntilExit = true; }

std::size_t TreeMemoryFor(std::size_t sourceBytes) {
  std::size_t want = sourceBytes > Arena::kLimit / kBytesPerSourceByte ? Arena::kLimit : sourceBytes * kBytesPerSourceByte;
  return std::clamp(want, kSmallest, Arena::kLimit);
}

void Arena::SizeFor(std::size_t sourceBytes) {
#ifdef __EMSCRIPTEN__
  // WebAssembly has no reservation without cost: a mapping is memory the
  // module allocates and clears at once, so the arena grows as it fills.
  sourceBytes = 0;
#endif
  firstSize_ = TreeMemoryFor(sourceBytes);
  smallPart_ = sourceBytes < kLargeSource ? kSmallPart : 0;
}

void Arena::Grow(std::size_t bytes) {
  // In a process that keeps its memory until it exits, records come from
  // the process's own memory while it lasts (process_memory.cpp).
  if (keepUntilExit) {
    std::size_t chunk = std::max(kChunk, bytes);
    if (void* p = TakeProcessMemory(chunk)) {
      next_ = static_cast<std::byte*>(p);
      left_ = chunk;
      return;
    }
  }
  std::size_t size = reservations_.empty() ? (firstSize_ ? firstSize_ : kSmallest)
                                           : std::min(reservations_.back().size * 2, kLimit);
  size = std::max(size, (bytes + kLargePage - 1) & ~(kLargePage - 1));
  if (reserved_ + size > kLimit) MemErr();
  // One large page more than asked, so that the part in large pages can
  // start on a large-page boundary.
  std::size_t mapped = size + kLargePage;
  void* base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (base == MAP_FAILED) MemErr();
  reservations_.push_back(Reservation{base, mapped});
  reserved_ += size;
  // The small part ends on a large-page boundary; from there on the
  // reservation is advised into large pages (where the system offers them).
  std::size_t small = reservations_.size() == 1 ? smallPart_ : 0;
  auto at = reinterpret_cast<std::uintptr_t>(base) + small;
  std::uintptr_t large = (at + kLargePage - 1) & ~(kLargePage - 1);
  auto* start = reinterpret_cast<std::byte*>(large - small);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(large), size - small, MADV_HUGEPAGE);
#endif
  next_ = start;
  left_ = size;
}

void Arena::Clear() {
  if (!keepUntilExit) {
    for (const Reservation& r : reservations_) munmap(r.base, r.size);
  }
  reservations_.clear();
  left_ = 0;
  next_ = nullptr;
  total_ = 0;
  reserved_ = 0;
}

}  // namespace vyl
