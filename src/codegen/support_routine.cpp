// The support routine _Up, appended after all program code: it takes a new
// reference to a block by incrementing the block's header word, unless the
// header marks a constant object (bits FFF0 set).
#include "codegen/codegen_internal.h"

namespace vyl {

bool DoLibe(int32_t loc, int32_t& next) {
  Rule r("DoLibe");
  int32_t at = loc;
  int32_t unused = 0;
  // The name "_Up": its first two characters, then the entry word of
  // procedure 1 pointing at the last one ('p'), followed by the length.
  if (!EmitBytes({0x5F, 0x55}, at, at)) return r.Fail();
  if (!PutIntger(loc + 2, 4, unused)) return r.Fail();
  if (!EmitBytes({0x70, 0x03}, at, at)) return r.Fail();
  // enter; if the parameter is 0 go to the end; otherwise, when the header
  // word four bytes before the block, masked with FFF0, is zero, increment
  // it in place; return.
  if (!EmitBytes({0x20, 0x02, 0x40, 0x00, 0xC0, 0x12, 0x40, 0x00, 0x24, 0x1D, 0x04, 0x0C, 0x30,
                  0x10, 0x19, 0x11, 0xC0, 0x06, 0x04, 0x0C, 0x21, 0x1C, 0x06, 0x0D, 0x20, 0x03},
                 at, at)) {
    return r.Fail();
  }
  next = at;
  return r.Succeed(next);
}

}  // namespace vyl
