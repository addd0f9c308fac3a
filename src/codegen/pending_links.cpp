// TEMPORARY: weak stand-ins for the tree edits, type queries and symbol
// procedures that the types branch delivers; removed when it is merged.
#include "codegen/codegen_internal.h"
#include "expr/expr.h"

namespace vyl {

__attribute__((weak)) bool Decorate(int32_t value, Tree tree) {
  switch (LabelOf(tree)) {
    case L_xf: case L_wh: case L_lp: case L_sw: case L_cs: case L_of: case L_sz: case L_nn: case L_zz: {
      Tree copy = Build(LabelOf(tree), Leaf(value), {}, KidCount(tree));
      for (int i = 1; i <= KidCount(tree); ++i) SetKid(copy, i, Kid(tree, i));
      Replace(tree, copy);
      return true;
    }
    default:
      MessageLine("Oops (Decorate)");
      return false;
  }
}

__attribute__((weak)) bool InsertStuff(Tree item, Tree owner) {
  if (Is(owner, L_tk)) {
    Replace(owner, Build(L_tk, nullptr, {item}));
    return true;
  }
  if (Is(owner, L_no)) {
    Replace(owner, Build(L_no, Kid(owner, 0), {Build(L_vr, nullptr, {Ch(owner, 1), item})}));
    return true;
  }
  return false;
}

__attribute__((weak)) bool UpdateLoc(int32_t increment, int32_t& old, Tree counter) {
  old = ValueOf(counter);
  if (increment != 0) Replace(counter, Build(L_lc, Leaf(old + increment), {Ch(counter, 1), Ch(counter, 2)}));
  return true;
}

__attribute__((weak)) bool NextVarInfo(Tree type, Tree syms, Tree& context, int32_t& level, int32_t& offset) {
  Tree location = nullptr;
  int32_t l = 0;
  if (!From(kKeyContext, syms, context, level) || !From(kKeyLocation, syms, location, l)) return false;
  int32_t size = Is(type, L_cl) ? ValueOf(Ch(type, 6)) : ValueOf(Ch(type, 2));
  if (size <= 0) return false;
  return UpdateLoc((size + 1) / 2 * 2, offset, location);
}

__attribute__((weak)) bool VarAccess(int32_t mode, int32_t offset, Tree record, Tree& access) {
  if (mode != kSlotMode || !Is(record, L_vr)) return false;
  access = Build(L_of, Leaf(offset), {nullptr});
  return true;
}

__attribute__((weak)) bool Assignable(Tree, Tree target, Tree source) { return Equal(target, source); }

}  // namespace vyl
