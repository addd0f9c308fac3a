// The code image of one compilation.
#include <vector>

#include "codegen/codegen.h"

namespace vyl {

struct CodeState {
  std::vector<unsigned char> image;
};

std::shared_ptr<CodeState> NewCodeState() { return std::make_shared<CodeState>(); }

}  // namespace vyl
