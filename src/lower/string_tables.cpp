// The constant tables of string literals: equal literals share one table of
// the pool, found through an index of the pool's chain.
#include <vector>

#include "lower/lower.h"
#include "lower/lower_state.h"

namespace vyl {

namespace {

bool HoldsString(Tree table, int32_t id) {
  Tree marker = Part(table, 3);
  return Is(marker, L_st) && ValueOf(marker) == id;
}

// The first table of the chain that holds string `id`, as the walk from the
// chain's head would find it: the tables that joined the chain since the
// last search go into the index, newer ones over older ones.
Tree FindStringTable(int32_t id, Tree chain) {
  if (HoldsString(chain, id)) return chain;
  StringTableIndex& index = Lowering().strings;
  if (index.pool != chain) index = StringTableIndex{chain, nullptr, {}};
  std::vector<Tree> fresh;
  Tree t = Part(chain, 1);
  for (; t && t != index.synced; t = Part(t, 1)) fresh.push_back(t);
  if (!t && index.synced) index.tables.clear();  // the chain was rebuilt: index all of it
  for (auto it = fresh.rbegin(); it != fresh.rend(); ++it) {
    Tree marker = Part(*it, 3);
    if (Is(marker, L_st)) index.tables[ValueOf(marker)] = *it;
  }
  index.synced = Part(chain, 1);
  auto found = index.tables.find(id);
  if (found == index.tables.end()) return nullptr;
  if (HoldsString(found->second, id)) return found->second;
  // A table changed behind the index: the plain walk decides.
  index = StringTableIndex{};
  for (t = Part(chain, 1); t; t = Part(t, 1)) {
    if (HoldsString(t, id)) return t;
  }
  return nullptr;
}

}  // namespace

bool aFindString(int32_t id, Tree& table, Tree chain) {
  Rule r("aFindString");
  table = chain ? FindStringTable(id, chain) : nullptr;
  if (table) return r.Succeed(table);
  return r.Fail();
}

bool StringConstant(int32_t id, Tree syms, Tree& table) {
  Rule r("StringConstant");
  Tree pool = Bound(kKeyTablePool, syms);
  if (!Is(pool, L_tk)) return r.Fail();
  // Equal literals have equal ids and share one table.
  if (aFindString(id, table, pool)) return r.Succeed(table);
  Tree content = Build(L_sz);
  for (char c : StringText(id)) {
    content = Build(L_ch, Leaf(static_cast<unsigned char>(c) & 0x7F), {content});
  }
  table = Build(L_tk, nullptr, {Part(pool, 1), content, Build(L_st, Leaf(id))});
  if (!InsertStuff(table, pool)) return r.Fail();
  return r.Succeed(table);
}

std::shared_ptr<LowerState> NewLowerState() { return std::make_shared<LowerState>(); }

}  // namespace vyl
