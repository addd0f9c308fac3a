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
void WatchEmission(int32_t loc) {
  CodeState& c = Code();
  if (c.size < 32760) return;
  int32_t watch = (c.image[kWatchWord] << 8) | c.image[kWatchWord + 1];
  if (watch == 0) return;
  if (loc == watch) SetTraceLevel(2);
  if (loc == watch + 256) SetTraceLevel(0);
}

void Store(int32_t loc, int32_t value) {
  Code().image[static_cast<std::size_t>(loc)] = static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
}

bool WordBytes(int32_t value, int32_t loc, int32_t& next) {
  uint32_t v = static_cast<uint32_t>(value);
  int32_t mid = 0;
  if (!PutBy(static_cast<int32_t>((v >> 8) & 0xFFu), loc, mid)) return false;
  return PutBy(static_cast<int32_t>(v & 0xFFu), mid, next);
}

}  // namespace

bool PutBy(int32_t value, int32_t loc, int32_t& next) {
  Rule r("PutBy");
  if (InImage(loc)) WatchEmission(loc);
  // Code never reaches the reserved words at the top of the image.
  if (!InImage(loc) || loc >= kCodeLimit) {
    GenMessage("Too much code @" + NumberText(loc));
    return r.Fail();
  }
  Store(loc, value);
  next = loc + 1;
  return r.Succeed(next);
}

bool PutIntger(int32_t value, int32_t loc, int32_t& next) {
  Rule r("PutIntger");
  if (IsReservedWord(loc) && InImage(loc + 1)) {
    // One of the reserved words: the watch address, the last marker, the
    // current line, the trap tail.
    uint32_t v = static_cast<uint32_t>(value);
    Store(loc, static_cast<int32_t>(v >> 8));
    Store(loc + 1, static_cast<int32_t>(v));
    next = loc + 2;
    return r.Succeed(next);
  }
  if (!WordBytes(value, loc, next)) return r.Fail();
  return r.Succeed(next);
}

bool EmitWord(int32_t value, int32_t loc, int32_t& next) {
  Rule r("PutIntger");
  if (!WordBytes(value, loc, next)) return r.Fail();
  return r.Succeed(next);
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
