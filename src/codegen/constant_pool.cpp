// The constant pool: string literals and constant tables, laid out after the
// procedure table before any code.  Each table is a constant object: a
// header word FFF0, the length of its contents in bytes, then the contents.
#include <vector>

#include "codegen/codegen_internal.h"
#include "expr/expr.h"

namespace vyl {

namespace {

// The contents of a table, oldest element first, preceded by their length:
// each element lays out the elements before it with the count increased by
// its own size; the terminator writes the final count.
bool Contents(int32_t count, int32_t loc, int32_t& next, Tree element) {
  int32_t at = loc;
  switch (LabelOf(element)) {
    case L_sz:
      return EmitWord(count, loc, next);
    case L_in:
    case L_ch:
      return Contents(count + 2, loc, at, Part(element, 1)) && EmitWord(Num(element), at, next);
    case L_bt:
      return Contents(count + 1, loc, at, Part(element, 1)) && PutBy(Num(element), at, next);
    default:
      return false;
  }
}

// The tables of a chain, oldest first; each table records its address.
bool Tables(int32_t loc, int32_t& next, Tree table) {
  if (!table) {
    next = loc;
    return true;
  }
  if (!Is(table, L_tk)) return false;
  int32_t at = loc;
  if (!Tables(loc, at, Part(table, 1))) return false;
  int32_t header = at;
  if (!EmitBytes({0xFF, 0xF0}, at, at) || !Contents(0, at, next, Part(table, 2))) return false;
  Replace(table, Build(L_tk, Leaf(header + 4), {Part(table, 1), Part(table, 2)}));
  return true;
}

}  // namespace

bool ConstantPool(int32_t count, int32_t loc, int32_t& next, Tree tree) {
  Rule r("ConstantPool");
  // With count -1 the tree is the pool record, whose child 1 chains the
  // tables (the record itself is not a table); otherwise it is an element
  // of a table's contents and count the bytes of the elements after it.
  bool ok = count < 0 ? Tables(loc, next, Part(tree, 1)) : Contents(count, loc, next, tree);
  if (!ok) return r.Fail();
  return r.Succeed(next);
}

namespace {

bool HoldsString(Tree table, int32_t id) {
  Tree marker = Part(table, 3);
  return Is(marker, L_st) && Num(marker) == id;
}

// The first table of the chain that holds string `id`, as the walk from the
// chain's head would find it: the tables that joined the chain since the
// last search go into the index, newer ones over older ones.
Tree FindStringTable(int32_t id, Tree chain) {
  if (HoldsString(chain, id)) return chain;
  StringTableIndex& index = Code().strings;
  if (index.pool != chain) index = StringTableIndex{chain, nullptr, {}};
  std::vector<Tree> fresh;
  Tree t = Part(chain, 1);
  for (; t && t != index.synced; t = Part(t, 1)) fresh.push_back(t);
  if (!t && index.synced) index.tables.clear();  // the chain was rebuilt: index all of it
  for (auto it = fresh.rbegin(); it != fresh.rend(); ++it) {
    Tree marker = Part(*it, 3);
    if (Is(marker, L_st)) index.tables[Num(marker)] = *it;
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

}  // namespace vyl
