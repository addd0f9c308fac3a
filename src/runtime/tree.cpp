// Tree values: number leaves, nodes and the structural operations on them.
#include <algorithm>
#include <cstddef>
#include <new>

#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

namespace {

template <class R>
R* NewRecord(int32_t kind) {
  auto* r = new (Rt().arena.Allocate(sizeof(R))) R{};
  r->kind = kind;
  ++Rt().treesBuilt;
  return r;
}

}  // namespace

Tree Leaf(int32_t value) {
  auto* r = NewRecord<LeafRec>(kLeaf);
  r->value = value;
  return r;
}

Tree NewSetRecord(int32_t cell) {
  auto* r = NewRecord<SetRec>(kSet);
  r->cell = cell;
  return r;
}

Tree NewEntry(int32_t level, int32_t name, Tree value, Tree next) {
  auto* r = NewRecord<EntryRec>(kEntry);
  r->level = level;
  r->name = name;
  r->value = value;
  r->next = next;
  IndexEntry(r);
  return r;
}

Tree Build(int32_t label, Tree c0, std::initializer_list<Tree> kids, int32_t n) {
  return BuildWith(label, c0, std::span<const Tree>(kids.begin(), kids.size()), n);
}

namespace {

constexpr std::size_t kNodeHeader = sizeof(NodeRec) - sizeof(Tree) * 9;
static_assert(kNodeHeader == 16);

NodeRec* NewNode(int32_t room) {
  auto* r = static_cast<NodeRec*>(Rt().arena.Allocate(kNodeHeader + sizeof(Tree) * static_cast<std::size_t>(room)));
  r->kind = kNode;
  r->room = room;
  return r;
}

// Gives node d room for slots 0..8, moving its slots (stale ones too) to a
// record of nine.  The record is no tree of its own: it is not counted.
void MakeRoom(NodeRec* d) {
  if (d->room == 0 || d->room == 9) return;
  NodeRec* holder = NewNode(9);
  holder->n = d->n;
  holder->label = d->label;
  int i = 0;
  for (; i < d->room; ++i) holder->slot[i] = d->slot[i];
  for (; i < 9; ++i) holder->slot[i] = nullptr;
  d->room = 0;
  d->slot[0] = holder;
}

}  // namespace

Tree BuildWith(int32_t label, Tree c0, std::span<const Tree> kids, int32_t n) {
  // Every slot is stored once (no clearing first): nodes are the most
  // frequent records.  The record holds slots 0..n and every child given.
  auto given = static_cast<int32_t>(std::min<std::size_t>(kids.size(), 8));
  int32_t room = std::clamp(std::max(n, given), 0, 8) + 1;
  NodeRec* r = NewNode(room);
  ++Rt().treesBuilt;
  r->n = n;
  r->label = label;
  r->slot[0] = c0;
  int i = 1;
  for (Tree k : kids) {
    if (i > 8) break;
    r->slot[i++] = k;
  }
  for (; i < room; ++i) r->slot[i] = nullptr;
  if (Tracing()) {
    TraceText("*Build:  ");
    TraceTree(r, 3, 0);
    TraceLine();
  }
  return r;
}

void SetKid(Tree t, int i, Tree v) {
  NodeRec* n = AsNode(t);
  if (i >= RoomOf(n)) MakeRoom(n);
  SlotsOf(n)[i] = v;
}

Tree Build(int32_t label, Tree c0, std::initializer_list<Tree> kids) {
  return Build(label, c0, kids, static_cast<int32_t>(kids.size()));
}

// Structural equality.  A record under comparison carries 16 extra in its
// kind, so shared and cyclic structure terminates.
bool Equal(Tree a, Tree b) {
  if (a == b) return true;
  if (!a || !b) return false;
  if (a->kind != b->kind) return false;
  int32_t kind = a->kind >= 16 ? a->kind - 16 : a->kind;
  Tree* sa = nullptr;
  Tree* sb = nullptr;
  int count = 0;
  switch (kind) {
    case kLeaf:
      if (LeafValue(a) != LeafValue(b)) return false;
      break;
    case kSet:
      if (static_cast<SetRec*>(a)->cell != static_cast<SetRec*>(b)->cell) return false;
      break;
    case kNode: {
      auto* na = static_cast<NodeRec*>(a);
      auto* nb = static_cast<NodeRec*>(b);
      if (na->n != nb->n || na->label != nb->label) return false;
      sa = SlotsOf(na);
      sb = SlotsOf(nb);
      count = na->n < 0 ? 1 : (na->n > 8 ? 9 : na->n + 1);
      break;
    }
    case kEntry: {
      auto* ea = static_cast<EntryRec*>(a);
      auto* eb = static_cast<EntryRec*>(b);
      if (ea->level != eb->level || ea->name != eb->name) return false;
      sa = &ea->value;
      sb = &eb->value;
      count = 2;
      break;
    }
    default:
      return false;
  }
  if (a->kind < kNode || a->kind >= 16) return true;
  a->kind += 16;
  b->kind += 16;
  bool same = true;
  for (int i = 0; i < count && same; ++i) same = Equal(sa[i], sb[i]);
  a->kind -= 16;
  b->kind -= 16;
  return same;
}

void Replace(Tree dst, Tree src) {
  if (!dst) Error("(Can't replace null tree)");
  if (!src) Error("(Can't replace with null tree)");
  if (!IsNode(dst) || !IsNode(src)) Error("(invalid tree)");
  auto* d = AsNode(dst);
  auto* s = AsNode(src);
  // Slots above src's count keep their contents; a slot src does not hold
  // reads as null.
  int32_t last = std::min(s->n, 8);
  if (last >= RoomOf(d)) MakeRoom(d);
  NodeRec* from = SlotHolder(s);
  Tree* to = SlotsOf(d);
  d->label = s->label;
  d->n = s->n;
  for (int i = 0; i <= last; ++i) to[i] = i < from->room ? from->slot[i] : nullptr;
}

int32_t ValueOf(Tree t) {
  // Slot 0 is followed down through nested nodes; the depth is bounded so a
  // node that holds itself in slot 0 cannot loop.
  for (int guard = 0; t && guard < 1000000; ++guard) {
    switch (t->kind) {
      case kLeaf: return LeafValue(t);
      case kSet: return static_cast<SetRec*>(t)->cell;
      case kEntry: return static_cast<EntryRec*>(t)->level;
      case kNode: t = SlotsOf(AsNode(t))[0]; break;
      default: return 0;
    }
  }
  return 0;
}

bool GetValue(Tree t, int32_t& out) {
  out = ValueOf(t);
  return true;
}

bool treepart(Tree t, int32_t path, int32_t label, Tree& out) {
  bool result = true;
  Tree cur = t;
  uint32_t rest = path < 0 ? 0u : static_cast<uint32_t>(path);
  while (result && rest != 0) {
    uint32_t d = rest % 10;
    rest /= 10;
    if (d >= 1 && d <= 7) {
      if (!IsNode(cur)) {
        result = false;
      } else {
        cur = Kid(cur, static_cast<int>(d));
      }
    } else if (d == 8) {
      if (!IsNode(cur)) {
        result = false;
      } else {
        cur = Kid(cur, 0);
      }
    } else if (d == 9) {
      if (label >= 0) {
        result = cur && IsNode(cur) && AsNode(cur)->label == label;
      } else {
        result = cur == nullptr;
      }
    }
  }
  out = cur;
  return result;
}

void CheckNode(Tree t) {
  if (t && !IsNode(t)) Error("(invalid tree)");
}

std::string NumberText(int32_t x) { return std::to_string(x); }

bool SetGlobal(Tree t, int32_t index) {
  if (index < 0 || index > 9) return false;
  Rt().globals[static_cast<std::size_t>(index)] = t;
  Rt().globalMarks[static_cast<std::size_t>(index)] = 0;
  return true;
}

Tree Global(int32_t index) {
  if (index < 0 || index > 9) return nullptr;
  return Rt().globals[static_cast<std::size_t>(index)];
}

int64_t TreesBuilt() { return Rt().treesBuilt; }

}  // namespace vyl
