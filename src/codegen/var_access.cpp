// Variable access: an address tree becomes code for one of five modes
// (store byte, store word, address, load word, load byte), with the 2-byte
// frame instructions LOADL and STOREL wherever they reach.
#include "codegen/codegen_internal.h"
#include "expr/expr.h"

namespace vyl {

namespace {

// Frame byte offsets that the 12-bit word index of LOADL and STOREL reaches:
// a 13-bit two's-complement byte offset.
bool ShortFrameOffset(int32_t v) { return v % 2 == 0 && v >= -4096 && v <= 4094; }

// What follows an address that is already the byte's or word's own.
bool Tail(int32_t mode, int32_t loc, int32_t& next) {
  int32_t at = loc;
  switch (mode) {
    case kStoreByte:
      return EmitBytes({0x20, 0x07}, loc, next);
    case kStoreWord:
      return PutBy(0x0D, loc, next);
    case kLoadWord:
      return PutBy(0x0C, loc, next);
    case kLoadByte:
      return PutBy(0x0C, loc, at) && PutConstant(255, at, at) && PutBy(0x19, at, next);
    default:
      next = loc;
      return true;
  }
}

// The tail after a computed address: a byte load first steps back one byte
// at run time (the byte is the low half of the word that starts there).
bool ComputedTail(int32_t mode, int32_t loc, int32_t& next) {
  int32_t at = loc;
  if (mode == kLoadByte && !EmitBytes({0x21, 0x1D}, at, at)) return false;
  return Tail(mode, at, next);
}

bool NeedsOptimising(Tree access) {
  return Is(access, L_ki) || (Is(access, L_of) && (Is(Part(access, 1), L_of) || Is(Part(access, 1), L_gl)));
}

// An `of` node: the base's address, plus the offset.
bool OffsetAccess(int32_t mode, int32_t loc, int32_t& next, Tree& fixups, Tree access) {
  int32_t v = Num(access);
  int32_t at = loc;
  if (!GenVarAcc(kAddressOnly, loc, at, fixups, Part(access, 1))) return false;
  if (mode == kLoadByte) v = static_cast<int32_t>(static_cast<uint32_t>(v) - 1u);
  if (v != 0 && !(PutConstant(v, at, at) && PutBy(0x1C, at, at))) return false;
  return Tail(mode, at, next);
}

// A frame word at an even offset within reach of LOADL / STOREL.
bool FrameAccess(int32_t mode, int32_t loc, int32_t& next, int32_t v) {
  if (mode == kAddressOnly) {
    int32_t at = loc;
    if (!EmitBytes({0x3F, 0x02}, loc, at)) return false;
    if (v != 0 && !(PutConstant(v, at, at) && PutBy(0x1C, at, at))) return false;
    next = at;
    return true;
  }
  int32_t w = v < 0 ? v + 8192 : v;
  return EmitWord((mode == kStoreWord ? 0x5000 : 0x4000) + w / 2, loc, next);
}

}  // namespace

bool GenVarAcc(int32_t mode, int32_t loc, int32_t& next, Tree& fixups, Tree access) {
  Rule r("GenVarAcc");
  fixups = nullptr;
  if (mode < kStoreByte || mode > kLoadByte) return r.Fail();
  bool ok = false;
  int32_t at = loc;
  int32_t label = LabelOf(access);
  if (NeedsOptimising(access)) {
    MultiOpt(access);
    // A wrapper that no rewrite removes would come back here for ever.
    if (NeedsOptimising(access)) {
      Oops(access);
      return r.Fail();
    }
    ok = GenVarAcc(mode, loc, next, fixups, access);
  } else if (label == L_bt && mode <= kStoreWord) {
    // A store through a byte target.
    ok = GenVarAcc(kStoreByte, loc, next, fixups, Part(access, 1));
  } else if (label == L_cn && mode >= kStoreWord) {
    int32_t a = Num(access);
    if (mode == kLoadByte) a = static_cast<int32_t>(static_cast<uint32_t>(a) - 1u);
    ok = PutConstant(a, loc, at) && Tail(mode, at, next);
  } else if (label == L_of && !Part(access, 1) && mode >= kStoreWord && mode <= kLoadWord &&
             ShortFrameOffset(Num(access))) {
    ok = FrameAccess(mode, loc, next, Num(access));
  } else if (label == L_of) {
    ok = OffsetAccess(mode, loc, next, fixups, access);
  } else if (label == L_ad) {
    // Base address plus byte index.  A byte target keeps its byte store
    // (and a byte load its byte tail): a word tail would write two bytes.
    Tree base = nullptr;
    Tree index = nullptr;
    ok = GenVarAcc(kAddressOnly, loc, at, base, Part(access, 1)) && CodeGen(at, at, index, Part(access, 2)) &&
         PutBy(0x1C, at, at) && ComputedTail(mode, at, next);
    ListMerge(base, index, fixups);
  } else if (!access) {
    // The frame base itself.
    ok = EmitBytes({0x3F, 0x02}, loc, at) && ComputedTail(mode, at, next);
  } else {
    // Any other tree computes the address.
    ok = CodeGen(loc, at, fixups, access) && ComputedTail(mode, at, next);
  }
  if (!ok) return r.Fail();
  return r.Succeed(next, fixups);
}

bool PointerKill(int32_t loc, int32_t& next, Tree list) {
  Rule r("PointerKill");
  if (!list) {
    next = loc;
    return r.Succeed(next);
  }
  if (Is(list, L_no)) {
    // The method's reference variables, then the exit address recorded
    // where this epilogue begins.
    Tree variables = Part(list, 1);
    if (!PointerKill(loc, next, variables)) return r.Fail();
    Replace(list, Build(L_no, Leaf(loc), {variables}));
    return r.Succeed(next);
  }
  Tree variable = Part(list, 2);
  Tree location = Part(variable, 4);
  if (!Is(list, L_vr) || !Is(variable, L_vr) || !Is(location, L_of)) return r.Fail();
  // Older variables first; each is loaded and released (SYSOP 3, two DROPs).
  int32_t at = loc;
  Tree unused = nullptr;
  if (!PointerKill(loc, at, Part(list, 1))) return r.Fail();
  if (!GenVarAcc(kLoadWord, at, at, unused, Build(L_of, Kid(location, 0), {nullptr}))) return r.Fail();
  if (!EmitBytes({0x23, 0x09, 0x05, 0x05}, at, next)) return r.Fail();
  return r.Succeed(next);
}

}  // namespace vyl
