// The constant pool: string literals and constant tables, laid out after the
// procedure table before any code.  Each table is a constant object: a
// header word FFF0, the length of its contents in bytes, then the contents.
#include "codegen/codegen_internal.h"

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

}  // namespace vyl
