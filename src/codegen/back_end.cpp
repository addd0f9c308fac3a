// The generator as the start rule sees it: the image allocated, the watch
// address set, the image generated from the lowered program, and written.
#include "codegen/codegen_internal.h"

namespace vyl {

bool CodeGenerator::AllocateImage() { return vyl::AllocateImage(); }

bool CodeGenerator::SetWatch(int32_t address) {
  int32_t next = 0;
  return PutIntger(address, kWatchWord, next);
}

// The image from the procedure table on: pool, start code, methods, the
// support routine and the size word.  Hands back the size.
bool CodeGenerator::Generate(Tree program, Tree pool, int32_t procedures, Tree mainRecord, int32_t& size) {
  int32_t poolEnd = 0;
  if (!ConstantPool(-1, 2 * procedures + 2, poolEnd, pool)) return false;
  int32_t mainNumber = ValueOf(Part(mainRecord, 4));
  int32_t at = 0;
  // The entry word of the start code (procedure 0) and main's number, which
  // the first method generated turns into the call of main.
  if (!PutIntger(poolEnd - 2, 2, at) || !PutIntger(mainNumber, 0, at)) return false;
  at = poolEnd;
  if (!PutConstant(0, at, at) || !PutBy(2, at, at)) return false;
  Tree fixups = nullptr;
  if (!CodeGen(at, at, fixups, program) || !FwdJumps(fixups)) return false;
  if (!DoLibe(at, size)) return false;
  return PutIntger(size, 0, at);
}

bool CodeGenerator::WriteImage(int32_t size) { return vyl::WriteImage(size); }

}  // namespace vyl
