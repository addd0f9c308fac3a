// The code image of one compilation (placeholder until the emitters land).
#include <vector>

#include "codegen/codegen.h"

namespace vyl {

struct CodeState {
  std::vector<uint8_t> image;
};

std::shared_ptr<CodeState> NewCodeState() { return std::make_shared<CodeState>(); }

}  // namespace vyl
