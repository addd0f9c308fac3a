// Final arrays: named constant tables, from a string literal or a braced
// list of constants.  The data go to the table pool, which the constant
// pool lays out before the code; the name stands for a constant whose type
// is an array of exactly the data's length.
#include <cstdint>

#include "stmt/stmt.h"
#include "stmt/stmt_internal.h"
#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

Tree Cn(int32_t v) { return Build(L_cn, Leaf(v)); }

// Whether a constant item may stand in a table of `element`.  A byte table
// also takes integer constants of 0 .. 255: no constant expression has the
// type byte, so such a table could hold nothing otherwise.
bool ItemFits(Tree syms, Tree element, int32_t elementSize, Tree itemType, int32_t value) {
  if (Assignable(syms, element, itemType)) return true;
  int32_t sign = 0;
  return elementSize == 1 && IsNumeric(syms, itemType, sign) && value >= 0 && value <= 255;
}

// "{" constant { "," constant } "}": a new table in the pool.  Its items
// are linked from the last to the first and end in an empty `sz`, where
// the pool writes the table's length.
bool BracedTable(Rule& r, Tree syms, Tree element, int32_t elementSize, Tree& data, int32_t& count) {
  if (!Accept(T_LBrace)) return false;
  r.state = kOnlyCharsAndNumbers;
  if (elementSize != 1 && elementSize != 2) return false;
  Tree items = Build(L_sz);
  count = 0;
  if (TokenCode() != T_RBrace) {
    do {
      r.state = kItemNotConstant;
      Tree itemType = nullptr;
      int32_t value = 0;
      if (!ConstantItem(syms, itemType, value)) return false;
      r.state = kItemMismatch;
      if (!ItemFits(syms, element, elementSize, itemType, value)) return false;
      items = Build(elementSize == 1 ? L_bt : L_in, Leaf(value), {items});
      ++count;
    } while (Accept(T_Comma));
  }
  r.state = kTableNotClosed;
  if (!Accept(T_RBrace)) return false;
  r.state = 0;
  Tree pool = Bound(kKeyTablePool, syms);
  data = Build(L_tk, nullptr, {Part(pool, 1), items});
  if (!InsertStuff(data, pool)) return false;
  r.state = kTableEmpty;
  return count >= 1;
}

}  // namespace

bool FinalArray(Rule& r, int32_t name, Tree type, Tree syms, Tree chain, Tree& newChain, Tree& newSyms) {
  // 1. The element type and the length declared (negative for none).
  Tree array = Part(type, 3);
  Tree element = Part(array, 2);
  int32_t elementSize = 0;
  int32_t low = 0;
  int32_t declaredHigh = 0;
  if (!TypeSize(element, elementSize) || !GetTypeRange(Part(array, 1), low, declaredHigh)) return false;
  // 2 to 4. The data.
  r.state = kFinalArrayNeedsValues;
  if (!Accept(T_Assign)) return false;
  Tree intType = Bound(kKeyInt, syms);
  Tree charType = Bound(kKeyChar, syms);
  Tree data = nullptr;
  int32_t count = 0;
  int32_t text = 0;
  const bool fromString = Equal(element, charType) && TokString(text);
  if (fromString) {
    // Every string, the empty one too, is a table of the pool.
    r.state = 0;
    if (!StringConstant(text, syms, data)) return false;
    length(text, count);
  } else if (!BracedTable(r, syms, element, elementSize, data, count)) {
    return false;
  }
  r.state = 0;
  // 5. The data's own array type: exactly `count` elements.
  Tree index =
      Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_rn, nullptr, {Cn(0), Cn(count - 1), intType})});
  Tree dataArray = Build(L_ar, nullptr, {index, element});
  Tree size = Build(L_sz, Leaf(count * elementSize));
  Tree dataType = fromString ? Build(L_ty, nullptr, {nullptr, size, dataArray, Build(L_st)})
                             : Build(L_ty, nullptr, {nullptr, size, dataArray});
  if (!InsertStuff(dataType, dataArray)) return false;
  // 6. A declared length must be the data's.
  r.state = kSizeMismatch;
  if (declaredHigh >= 0 && int64_t{declaredHigh} + 1 != count) return false;
  r.state = 0;
  // 7. The constant and its chain link.
  Tree definition = Build(L_df, nullptr, {nullptr, dataType, data});
  Tree link = Build(L_no, nullptr, {chain, nullptr, definition});
  Tree table = syms;
  if (!Bind(table, name, definition)) return false;
  NoteDeclaration(definition, name, DeclKind::kTable, nullptr);
  newChain = link;
  newSyms = table;
  return true;
}

}  // namespace vyl
