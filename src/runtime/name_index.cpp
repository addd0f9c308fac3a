// The lookup index of name dictionaries.
//
// A dictionary is a persistent list, newest entry first, and a lookup wants
// the newest entry of a name.  Walking the list costs as much as the list is
// long, and the outermost scope of a large program is long.  So every
// kIndexStride-th entry of a list (counted from its end) carries a map from
// each name to the newest entry of that name from there to the end.  A
// lookup walks at most kIndexStride entries to the nearest such entry and
// then reads its map.
//
// The maps are persistent tries: 16-way nodes over the 16 bits of the name
// plus kKeyOffset, four levels deep.  A new map shares every node with the
// previous one except those on the paths of the names added since.  Names
// that do not fit the trie (never made by this compiler) are found by the
// plain walk.
#include <cstring>
#include <new>

#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

struct NameTrie {
  uint32_t stamp;         // the index build that made this node
  const void* kid[16];    // inner nodes, or entries on the last level
};

namespace {

constexpr int32_t kIndexStride = 16;
constexpr uint32_t kKeyOffset = 64;  // reserved keys are small negative numbers

// The trie key of a name, or false when the name is not indexed.
bool TrieKey(int32_t name, uint32_t& key) {
  key = static_cast<uint32_t>(name) + kKeyOffset;
  return name != 0 && key < 0x10000u;
}

const EntryRec* Find(const NameTrie* node, uint32_t key) {
  for (int shift = 12; shift > 0 && node; shift -= 4) node = static_cast<const NameTrie*>(node->kid[(key >> shift) & 15]);
  return node ? static_cast<const EntryRec*>(node->kid[key & 15]) : nullptr;
}

// A node of the map being built: `node` itself when this build made it,
// else a copy (or a new empty node).
NameTrie* Own(const void* node, uint32_t stamp) {
  auto* n = static_cast<const NameTrie*>(node);
  if (n && n->stamp == stamp) return const_cast<NameTrie*>(n);
  auto* copy = new (Rt().arena.Allocate(sizeof(NameTrie))) NameTrie{};
  if (n) std::memcpy(copy->kid, n->kid, sizeof copy->kid);
  copy->stamp = stamp;
  return copy;
}

NameTrie* Insert(NameTrie* root, uint32_t key, const EntryRec* entry, uint32_t stamp) {
  root = Own(root, stamp);
  NameTrie* node = root;
  for (int shift = 12; shift > 0; shift -= 4) {
    const void*& slot = node->kid[(key >> shift) & 15];
    NameTrie* child = Own(slot, stamp);
    slot = child;
    node = child;
  }
  node->kid[key & 15] = entry;
  return root;
}

EntryRec* Next(const EntryRec* e) { return static_cast<EntryRec*>(e->next); }

}  // namespace

void IndexEntry(EntryRec* entry) {
  const EntryRec* next = Next(entry);
  entry->depth = next ? next->depth + 1 : 1;
  entry->index = nullptr;
  if (entry->depth % kIndexStride != 0) return;
  // The entries since the previous indexed one, oldest first, go into a
  // copy of its map.
  const EntryRec* fresh[kIndexStride];
  const EntryRec* e = entry;
  for (int i = kIndexStride - 1; i >= 0; --i) {
    fresh[i] = e;
    e = Next(e);
  }
  NameTrie* root = e ? const_cast<NameTrie*>(e->index) : nullptr;
  uint32_t stamp = ++Rt().indexBuilds;
  for (const EntryRec* f : fresh) {
    uint32_t key = 0;
    if (TrieKey(f->name, key)) root = Insert(root, key, f, stamp);
  }
  entry->index = root;
}

namespace {

EntryRec* WalkToNewest(int32_t name, Tree dict) {
  uint32_t key = 0;
  bool indexed = TrieKey(name, key);
  for (auto* e = static_cast<EntryRec*>(dict); e; e = Next(e)) {
    if (e->name == name && name != 0) return e;
    if (indexed && e->index) return const_cast<EntryRec*>(Find(e->index, key));
  }
  return nullptr;
}

}  // namespace

// A program looks up the same few names in the same scope again and again:
// the answers are kept, one per slot of a small table.
EntryRec* NewestEntry(int32_t name, Tree dict) {
  const uint32_t hash = AddressHash(dict) ^ static_cast<uint32_t>(name) * 0x85EBCA6Bu;
  LookupMemo::Slot& slot = Rt().lookups.slots[hash >> 24];
  if (slot.dict != dict || slot.name != name) slot = {dict, name, WalkToNewest(name, dict)};
  return slot.entry;
}

}  // namespace vyl
