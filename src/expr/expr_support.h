// Small helpers shared by the expression rules: null-safe child access,
// reserved-key lookups and constant records.
#pragma once

#include <cstdint>

#include "expr/expr.h"

namespace vyl {

// Child i of a node, or null when the node does not use slot i.
inline Tree Child(Tree t, int i) { return KidCount(t) >= i ? Kid(t, i) : nullptr; }

// The record bound to a reserved key (or a name), or null.
inline Tree BoundTo(Tree syms, int32_t key) {
  Tree value = nullptr;
  int32_t level = 0;
  return From(key, syms, value, level) ? value : nullptr;
}

// A constant record: `cn` with the value in slot 0.
inline Tree Constant(int32_t value) { return Build(L_cn, Leaf(value)); }

// Whether `type` is the type bound to `key`.
inline bool IsKeyType(Tree syms, int32_t key, Tree type) {
  Tree bound = BoundTo(syms, key);
  return bound != nullptr && Equal(bound, type);
}

}  // namespace vyl
