// Code generation: the code image, the generators and the declaration lowering.
#pragma once

#include <memory>

namespace vyl {

struct CodeState;
std::shared_ptr<CodeState> NewCodeState();

}  // namespace vyl
