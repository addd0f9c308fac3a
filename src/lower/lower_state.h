// The lowering's state for one compilation.  Internal to src/lower.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "lower/lower.h"

namespace vyl {

// The string tables of the constant pool by string handle (aFindString).
// Tables only ever join the front of the pool's chain while literals are
// read; `synced` is the newest table already in `tables`.
struct StringTableIndex {
  Tree pool = nullptr;
  Tree synced = nullptr;
  std::unordered_map<int32_t, Tree> tables;
};

struct LowerState {
  StringTableIndex strings;
};

inline LowerState& Lowering() { return Current<LowerState>(); }

}  // namespace vyl
