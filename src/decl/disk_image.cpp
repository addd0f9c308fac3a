// The disk image: the code image written to the output file as decimal byte
// values, 16 to a line, after the header, the messages and the listing.
#include <cstdint>
#include <span>

#include "codegen/codegen.h"
#include "decl/decl.h"

namespace vyl {

// Cells 0 .. size-1, each as a blank and its value; a line end before every
// 16th cell (so the image starts on a line of its own) and after the last.
bool WriteImage(int32_t size) {
  Rule r("WriteImage");
  std::span<const uint8_t> image = Image();
  for (int32_t i = 0; i < size; ++i) {
    if (i % 16 == 0) MsgLineEnd();
    if (static_cast<std::size_t>(i) >= image.size()) return r.Fail();
    Msg(" ");
    MsgNumber(image[static_cast<std::size_t>(i)]);
  }
  MsgLineEnd();
  return r.Succeed();
}

}  // namespace vyl
