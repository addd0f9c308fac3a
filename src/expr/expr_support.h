// Small helpers shared by the expression rules: null-safe child access,
// reserved-key lookups and constant records.
#pragma once

#include <cstdint>

#include "expr/expr.h"

namespace vyl {

// Whether `type` is the type bound to `key`.
inline bool IsKeyType(Tree syms, int32_t key, Tree type) {
  Tree bound = Bound(key, syms);
  return bound != nullptr && Equal(bound, type);
}

}  // namespace vyl
