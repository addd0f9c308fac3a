// The runtime's tables for one compilation.  Internal to src/runtime.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "runtime/runtime.h"

namespace vyl {

// Tree records are never freed during a compilation.  They are carved from
// a reservation of address space sized to the source (SizeFor), whose pages
// the system supplies only when they are first touched: a small program
// touches a few pages, a large one no more than it fills.  Beyond its first
// part the reservation asks for large pages, which a big program touches at
// a fraction of the cost of small ones.  A compilation that outgrows the
// reservation gets further ones, each twice the size of the last.
constexpr std::size_t kLargePage = std::size_t{2} << 20;
// From this size on a source fills more than a large page with records, so
// the arena is in large pages from its start, and a process that ends with
// its compilations keeps its other memory beside them (ReserveProcessMemory).
constexpr std::size_t kLargeSource = std::size_t{16} << 10;
// The first reservation of records for a source of that many bytes.
std::size_t TreeMemoryFor(std::size_t sourceBytes);

class Arena {
 public:
  static constexpr std::size_t kLimit = std::size_t{1} << 30;  // beyond this: ***MEMERR***
  Arena() = default;
  ~Arena() { Clear(); }
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  // The size of the first reservation, from the length of the source; the
  // arena must be empty.
  void SizeFor(std::size_t sourceBytes);
  void* Allocate(std::size_t bytes) {
    bytes = (bytes + 7) & ~std::size_t{7};
    if (bytes > left_) Grow(bytes);
    void* p = next_;
    next_ += bytes;
    left_ -= bytes;
    total_ += bytes;
    return p;
  }
  // Releases every reservation (left to the process's end in a process that
  // keeps its memory until it exits: KeepMemoryUntilExit).
  void Clear();
  std::size_t Used() const { return total_; }

 private:
  struct Reservation {
    void* base;
    std::size_t size;
  };
  void Grow(std::size_t bytes);
  std::vector<Reservation> reservations_;
  std::size_t firstSize_ = 0;  // chosen by SizeFor; 0 for the default
  std::size_t smallPart_ = 0;  // bytes of the first reservation kept in small pages
  std::size_t left_ = 0;
  std::byte* next_ = nullptr;
  std::size_t total_ = 0;      // bytes handed out
  std::size_t reserved_ = 0;   // bytes reserved
};

struct StringSlot {
  int32_t start;
  int32_t chain;
  int32_t category;
};

// The store and the slots are not cleared: a slot is written before it is
// read (slots up to the next id's, whose start Intern sets), and the store
// is read only where strings were written.  What a compilation never
// reaches is then never touched.
struct StringTable {
  std::array<unsigned char, kStoreSize + 1> store;
  std::array<StringSlot, kIdLimit / 3 + 1> ids;  // indexed by id / 3
  std::array<int32_t, 1024> heads{};
  int32_t nextId = kFirstId;
  int32_t used = 1;  // next free position in the store
  uint32_t hash = 0;
  int32_t lastInterned = 0;
  int32_t lastHashed = -1;
  StringSlot& slot(int32_t id) { return ids[static_cast<std::size_t>(id / 3)]; }
};

struct SetCellRec {
  int32_t element = 0;
  int32_t rest = 0;
  Tree tree = nullptr;
};

// Cells are numbered from 1 in the order they are made; cell 0 means no
// cell.  `find` maps each (element, rest) pair to its cell, so a cell is
// found in constant time however many sets share its element.
struct SetTable {
  std::vector<SetCellRec> cells = std::vector<SetCellRec>(1);
  std::unordered_map<uint64_t, int32_t> find;
  int32_t used = 0;
};

struct TraceState {
  int32_t runaway = 0;
  char lastInitial = ' ';
  uint32_t posCounter = 0;
  std::array<int32_t, 64> ring{};
  uint32_t checksum = 0;
  std::array<char, 1024> history{};
  uint32_t historyCount = 0;
  int64_t progressTick = 0;
  bool echoed = false;
  Tree lastTraced = nullptr;
  bool anyOpen = false;  // a scope level was ever opened (shown in dictionary dumps)
  int32_t column = 0;    // characters on the current trace line
  int32_t lines = 0;     // trace lines written
};

// Where the last ixFrom stopped: entry number `index` of the list `dict`.
struct DictCursor {
  Tree dict = nullptr;
  Tree entry = nullptr;
  int32_t index = 0;
};

// The lookups made so far: a dictionary list never changes once made, so
// the newest entry of a name in it stays what it was (name_index.cpp).
struct LookupMemo {
  struct Slot {
    const Rec* dict = nullptr;
    int32_t name = 0;
    EntryRec* entry = nullptr;
  };
  std::array<Slot, 256> slots{};
};

struct RuntimeState {
  // Provided, so that creating the state does not clear it as a whole
  // first: the members clear what they need.
  RuntimeState() {}
  Arena arena;
  DictCursor cursor;
  LookupMemo lookups;
  uint32_t indexBuilds = 0;  // stamps the trie nodes of the lookup index being built
  int64_t treesBuilt = 0;
  std::array<Tree, 10> globals{};
  std::array<int32_t, 10> globalMarks{};
  StringTable strings;
  SetTable sets;
  TraceState trace;
  RuleStack rules;  // the trace level, the KibStack, the end of the session
  RunNotes notes;
  SessionHooks* hooks = nullptr;
};

}  // namespace vyl

namespace vyl {
Tree NewSetRecord(int32_t cell);
Tree NewEntry(int32_t level, int32_t name, Tree value, Tree next);
// The newest entry binding `name` in the list that starts at `dict`, or null
// (name_index.cpp).  Level markers (name 0) bind nothing.
EntryRec* NewestEntry(int32_t name, Tree dict);
// Sets up the lookup index of an entry just made (name_index.cpp).
void IndexEntry(EntryRec* entry);
}  // namespace vyl

