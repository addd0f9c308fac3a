// The code image of one compilation: 32,768 byte cells, zeroed when
// allocated, and the reserved words at its top.
#include "codegen/codegen_internal.h"

namespace vyl {

std::shared_ptr<CodeState> NewCodeState() { return std::make_shared<CodeState>(); }

CodeState& Code() { return Current<CodeState>(); }

bool AllocateImage() {
  CodeState& c = Code();
  c.image.assign(static_cast<std::size_t>(kImageCells), 0);
  c.size = kImageCells;
  return true;
}

bool HaveImage() { return Code().size > 0; }

std::span<const uint8_t> Image() {
  const CodeState& c = Code();
  return {c.image.data(), static_cast<std::size_t>(c.size)};
}

int32_t ReservedWord(int32_t addr) {
  int32_t value = 0;
  GetMemInt(addr, value);
  return value;
}

void SetReservedWord(int32_t addr, int32_t value) {
  int32_t next = 0;
  PutIntger(value, addr, next);
}

}  // namespace vyl
