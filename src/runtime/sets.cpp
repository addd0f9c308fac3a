// Hash-consed sets of integers.
//
// A set is a chain of cells in strictly decreasing element order; every
// (element, rest) pair exists once, so equal sets are the same tree value.
// The pairs are found through a hash map.
#include <vector>

#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

namespace {

SetTable& Sets() { return Rt().sets; }

SetCellRec& Cell(int32_t i) { return Sets().cells[static_cast<std::size_t>(i)]; }

uint64_t Pair(int32_t e, int32_t rest) {
  return (uint64_t{static_cast<uint32_t>(e)} << 32) | static_cast<uint32_t>(rest);
}

// The cell (e, rest) if it exists, else a new one.  rest's element is below e.
int32_t FindOrMakeCell(int32_t e, int32_t rest) {
  SetTable& t = Sets();
  auto [at, made] = t.find.try_emplace(Pair(e, rest), 0);
  if (!made) return at->second;
  if (++t.used >= kSetCells) {
    t.find.erase(at);
    Error("***Set Oflo***");
  }
  int32_t c = t.used;
  at->second = c;
  t.cells.push_back(SetCellRec{e, rest, nullptr});
  Cell(c).tree = NewSetRecord(c);
  return c;
}

int32_t FirstCell(Tree set) { return set ? static_cast<SetRec*>(set)->cell : 0; }
bool IsSet(Tree t) { return t && t->kind == kSet; }

// Builds the canonical chain for `elements` (largest first) on top of `base`.
int32_t BuildChain(const std::vector<int32_t>& elements, int32_t base) {
  int32_t cell = base;
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) cell = FindOrMakeCell(*it, cell);
  return cell;
}

}  // namespace

int32_t SetCell(int32_t e, int32_t rest) {
  // Walk down past the elements greater than e, then rebuild them in front
  // of the new cell: e takes its ordered place.
  std::vector<int32_t> greater;
  int32_t r = rest;
  while (r != 0 && Cell(r).element >= e) {
    if (Cell(r).element == e) return rest;  // already present
    greater.push_back(Cell(r).element);
    r = Cell(r).rest;
  }
  int32_t cell = FindOrMakeCell(e, r);
  return BuildChain(greater, cell);
}

bool inset(int32_t e, Tree set) {
  if (!IsSet(set)) return false;
  for (int32_t c = FirstCell(set); c != 0; c = Cell(c).rest) {
    if (Cell(c).element == e) return true;
    if (Cell(c).element < e) return false;
  }
  return false;
}

bool notinset(int32_t e, Tree set) {
  bool absent = !inset(e, set);
  if (Tracing()) {
    TraceText("*notinset: ");
    TraceNumber(e);
    TraceChar(absent ? 'T' : 'F');
    if (TraceLevel() > 1) TraceTree(set, 3, 0);
  }
  return absent;
}

bool addset(int32_t e, Tree set, Tree& out) {
  if (set && !IsSet(set)) return false;
  if (inset(e, set)) {
    out = set;
    return true;
  }
  out = Cell(SetCell(e, FirstCell(set))).tree;
  return true;
}

bool unionset(Tree a, Tree b, Tree& out) {
  if (!b || a == b) {
    out = a;
    return true;
  }
  if (!a) {
    out = b;
    return true;
  }
  if (!IsSet(a) || !IsSet(b)) {
    out = nullptr;
    return false;
  }
  // Merge in decreasing order, then build the chain from its smallest end.
  std::vector<int32_t> merged;
  int32_t x = FirstCell(a);
  int32_t y = FirstCell(b);
  while (x != 0 || y != 0) {
    if (y == 0 || (x != 0 && Cell(x).element > Cell(y).element)) {
      merged.push_back(Cell(x).element);
      x = Cell(x).rest;
    } else if (x == 0 || Cell(y).element > Cell(x).element) {
      merged.push_back(Cell(y).element);
      y = Cell(y).rest;
    } else {
      merged.push_back(Cell(x).element);
      x = Cell(x).rest;
      y = Cell(y).rest;
    }
  }
  out = Cell(BuildChain(merged, 0)).tree;
  return true;
}

int32_t SetCellsUsed() { return Sets().used; }

std::vector<int32_t> SetElements(Tree set) {
  std::vector<int32_t> out;
  if (!IsSet(set)) return out;
  for (int32_t c = FirstCell(set); c != 0; c = Cell(c).rest) out.push_back(Cell(c).element);
  return out;
}

}  // namespace vyl
