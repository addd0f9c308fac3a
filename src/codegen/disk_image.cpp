// The disk image: the code image written to the output file as decimal byte
// values, 16 to a line, after the header, the messages and the listing.
#include <algorithm>
#include <cstdint>
#include <span>

#include "codegen/codegen_internal.h"

namespace vyl {

// Cells 0 .. size-1, each as a blank and its value; a line end before every
// 16th cell (so the image starts on a line of its own) and after the last.
bool WriteImage(int32_t size) {
  Rule r("WriteImage");
  std::span<const uint8_t> image = Image();
  if (size > 0) {
    // The cells that exist are written; a size beyond the image fails
    // after them.
    std::size_t count = std::min(static_cast<std::size_t>(size), image.size());
    MsgByteValues(image.first(count));
    if (count < static_cast<std::size_t>(size)) {
      if (count % 16 == 0) MsgLineEnd();
      return r.Fail();
    }
  }
  MsgLineEnd();
  return r.Succeed();
}

}  // namespace vyl
