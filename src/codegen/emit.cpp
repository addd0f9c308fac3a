// The emit procedures: every byte of code enters the image through PutBy.
#include "codegen/codegen_internal.h"

namespace vyl {

namespace {

bool InImage(int32_t loc) { return loc >= 0 && loc < Code().size; }

bool IsReservedWord(int32_t loc) {
  return loc == kWatchWord || loc == kMarkerWord || loc == kLineWord || loc == kTrapTailWord;
}

// Tracing is switched on for the 256 bytes of code that follow the address
// held in word 7FF6.
bool Watched(const CodeState& c) {
  return c.size >= 32760 && (c.image[kWatchWord] | c.image[kWatchWord + 1]) != 0;
}

void WatchEmission(int32_t loc) {
  CodeState& c = Code();
  if (!Watched(c)) return;
  int32_t watch = (c.image[kWatchWord] << 8) | c.image[kWatchWord + 1];
  if (loc == watch) SetTraceLevel(2);
  if (loc == watch + 256) SetTraceLevel(0);
}

void Store(int32_t loc, int32_t value) {
  Code().image[static_cast<std::size_t>(loc)] = static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
}

// PutBy itself.  Code stops below the reserved words at the top of the
// image; only their own words are written there (`reserved`), and the
// emission watch looks at code only.
//
// A byte that fits, with the trace off and no watch, leaves nothing of
// PutBy's bracket but the KibStack's high-water mark (the rule calls no
// other and takes no token): Skipped stands for it.
bool PutByte(int32_t value, int32_t loc, int32_t& next, bool reserved) {
  if (InImage(loc) && (loc < kCodeLimit || reserved) && !Watched(Code()) && Skipped(1)) {
    Store(loc, value);
    next = loc + 1;
    return true;
  }
  Rule r("PutBy");
  if (InImage(loc) && !reserved) WatchEmission(loc);
  if (!InImage(loc) || (loc >= kCodeLimit && !reserved)) {
    GenMessage("Too much code @" + NumberText(loc));
    return r.Fail();
  }
  Store(loc, value);
  next = loc + 1;
  return r.Succeed(next);
}

// A big-endian word: two PutBy calls.
bool WordBytes(int32_t value, int32_t loc, int32_t& next, bool reserved = false) {
  uint32_t v = static_cast<uint32_t>(value);
  int32_t mid = 0;
  if (!PutByte(static_cast<int32_t>((v >> 8) & 0xFFu), loc, mid, reserved)) return false;
  return PutByte(static_cast<int32_t>(v & 0xFFu), mid, next, reserved);
}

}  // namespace

bool PutBy(int32_t value, int32_t loc, int32_t& next) { return PutByte(value, loc, next, false); }

bool PutIntger(int32_t value, int32_t loc, int32_t& next) {
  Rule r("PutIntger");
  // The reserved words too: the watch address, the last marker, the current
  // line, the trap tail.
  if (!WordBytes(value, loc, next, IsReservedWord(loc))) return r.Fail();
  return r.Succeed(next);
}

bool EmitWord(int32_t value, int32_t loc, int32_t& next) {
  Rule r("PutIntger");
  if (!WordBytes(value, loc, next)) return r.Fail();
  return r.Succeed(next);
}

bool MarkerZero(int32_t loc, int32_t& next) {
  CodeState& c = Code();
  if (!InImage(loc) || loc >= kCodeLimit || c.image[static_cast<std::size_t>(loc)] != 0) {
    // Past the code (PutBy reports it), or a cell that is not zero.
    return PutBy(0x00, loc, next);
  }
  WatchEmission(loc);
  next = loc + 1;
  return true;
}

bool Put6Bytes(int32_t b1, int32_t b2, int32_t b3, int32_t b4, int32_t b5, int32_t b6, int32_t loc,
               int32_t& next) {
  Rule r("Put6Bytes");
  if (!EmitBytes({b1, b2, b3, b4, b5, b6}, loc, next)) return r.Fail();
  return r.Succeed(next);
}

bool EmitBytes(std::initializer_list<int32_t> bytes, int32_t loc, int32_t& next) {
  int32_t at = loc;
  for (int32_t b : bytes) {
    if (!PutBy(b, at, at)) return false;
  }
  next = at;
  return true;
}

bool PutConstant(int32_t value, int32_t loc, int32_t& next) {
  Rule r("PutConstant");
  bool ok;
  if (value > 27 || value < -27) {
    // LIT with a 16-bit operand (two's complement for a negative value).
    int32_t mid = 0;
    ok = PutBy(0x01, loc, mid) && EmitWord(value, mid, next);
  } else if (value >= 0) {
    ok = PutBy(0x20 + value, loc, next);
  } else if (value >= -4) {
    ok = PutBy(0x40 + value, loc, next);
  } else {
    ok = EmitBytes({0x20 - value, 0x10}, loc, next);
  }
  if (!ok) return r.Fail();
  return r.Succeed(next);
}

bool JumpTo(int32_t kind, int32_t loc, int32_t target) {
  Rule r("JumpTo");
  if (kind != 0 && kind != 1) return r.Fail();
  uint32_t displacement = static_cast<uint32_t>(target) - (static_cast<uint32_t>(loc) + 2u);
  uint32_t word = (kind == 0 ? 0xC000u : 0x8000u) + (displacement & 0x3FFFu);
  int32_t next = 0;
  if (!WordBytes(static_cast<int32_t>(word), loc, next)) return r.Fail();
  return r.Succeed();
}

bool JumpFits(int32_t slot, int32_t target) {
  int64_t displacement = static_cast<int64_t>(target) - (static_cast<int64_t>(slot) + 2);
  return displacement >= -8192 && displacement <= 8191;
}

bool JumpChecked(int32_t kind, int32_t slot, int32_t target) {
  return JumpFits(slot, target) && JumpTo(kind, slot, target);
}

bool ReserveSlot(int32_t loc, int32_t& next) { return EmitBytes({0, 0}, loc, next); }

bool GetMemInt(int32_t loc, int32_t& value) {
  Rule r("GetMemInt");
  if (!InImage(loc) || loc >= Code().size - 1) return r.Fail();
  const CodeState& c = Code();
  value = (c.image[static_cast<std::size_t>(loc)] << 8) | c.image[static_cast<std::size_t>(loc) + 1];
  return r.Succeed(value);
}

}  // namespace vyl
