// TEMPORARY: weak stand-ins for the code generator's procedures that the
// start rule and the declaration rules call, so that the tree links until
// the code generator is merged; its definitions replace these.  Delete this
// file then.
#include <cstdint>
#include <span>

#include "codegen/codegen.h"
#include "expr/expr.h"

namespace vyl {

__attribute__((weak)) bool AllocateImage() { return false; }
__attribute__((weak)) std::span<const uint8_t> Image() { return {}; }
__attribute__((weak)) bool PutBy(int32_t, int32_t, int32_t&) { return false; }
__attribute__((weak)) bool PutIntger(int32_t, int32_t, int32_t&) { return false; }
__attribute__((weak)) bool PutConstant(int32_t, int32_t, int32_t&) { return false; }
__attribute__((weak)) bool DoLibe(int32_t, int32_t&) { return false; }
__attribute__((weak)) bool CodeGen(int32_t, int32_t&, Tree&, Tree) { return false; }
__attribute__((weak)) bool FwdJumps(Tree) { return false; }
__attribute__((weak)) bool ConstantPool(int32_t, int32_t, int32_t&, Tree) { return false; }
__attribute__((weak)) bool CopyOver(Tree, int32_t, Tree, Tree&, Tree&, Tree) { return false; }
__attribute__((weak)) bool ShoSyms(Tree, int32_t, int32_t) { return true; }

__attribute__((weak)) bool PointList(int32_t isReference, Tree syms, Tree variable) {
  if (isReference != 1) return isReference == 0;
  Tree context = nullptr;
  int32_t level = 0;
  if (From(kKeyContext, syms, context, level) && Is(context, L_fn) && Is(Kid(context, 2), L_xf)) {
    return InsertStuff(variable, Kid(Kid(context, 2), 4));
  }
  return true;
}

}  // namespace vyl
