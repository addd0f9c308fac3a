// The storage of variables: the frame slot a new variable takes, the access
// tree of a variable or constant, and the list of a function's reference
// variables.
#include <cstdint>
#include <limits>

#include "lower/lower.h"

namespace vyl {

namespace {

constexpr const char* kNextVarInfoMessages[] = {nullptr, "Variables cannot be type 'void'"};

}  // namespace

// The storage of a new variable of `type` in the scope being filled: the
// enclosing context record (key -1) and its level, and the next offset of
// the scope's location record (key -4), which advances by the variable's
// size rounded up to whole 2-byte words.
bool NextVarInfo(Tree type, Tree syms, Tree& context, int32_t& level, int32_t& offset) {
  Rule r("NextVarInfo", kNextVarInfoMessages);
  Tree location = nullptr;
  int32_t locationLevel = 0;
  if (!From(kKeyContext, syms, context, level) || !From(kKeyLocation, syms, location, locationLevel)) {
    return r.Fail();
  }
  int32_t size = 0;
  if (!TypeSize(type, size) || size <= 0) {
    r.state = 1;
    return r.Fail();
  }
  if (size == std::numeric_limits<int32_t>::max()) return r.Fail();  // no room to round up
  int32_t rounded = size + (size & 1);
  if (!UpdateLoc(rounded, offset, location)) return r.Fail();
  return r.Succeed(context, level, offset);
}

// The access tree of a variable or constant.  Slot mode: the slot at
// `offset` of the current frame or record.  Reference mode: the location a
// variable record carries, or the value of a constant definition.
bool VarAccess(int32_t mode, int32_t offset, Tree record, Tree& access) {
  Rule r("VarAccess");
  if (mode == kSlotMode && Is(record, L_vr)) {
    access = Build(L_of, Leaf(offset), {nullptr});
    return r.Succeed(access);
  }
  if (mode == kReferenceMode && Is(record, L_vr) && KidCount(record) >= 4) {
    access = Kid(record, 4);
    return r.Succeed(access);
  }
  if (mode == kReferenceMode && Is(record, L_df) && KidCount(record) >= 3) {
    access = Kid(record, 3);
    return r.Succeed(access);
  }
  return r.Fail();
}

bool PointList(int32_t isReference, Tree syms, Tree variable) {
  Rule r("PointList");
  if (isReference == 0) return r.Succeed();
  if (isReference != 1) return r.Fail();
  // Only a function records its reference variables, in the `no` node of
  // its signature, newest first.
  Tree context = Bound(kKeyContext, syms);
  if (Is(context, L_fn) && Is(Part(context, 2), L_xf)) {
    if (!InsertStuff(variable, Part(Part(context, 2), 4))) return r.Fail();
  }
  return r.Succeed();
}

}  // namespace vyl
