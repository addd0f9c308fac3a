// Address-tree rewrites: constant offsets are folded and indirections
// through the frame base removed before a variable access is generated.
// Every rewrite replaces the node in place, so the variable records that
// share an address tree see the simpler form too.
#include "lower/lower.h"

namespace vyl {

namespace {

int32_t Sum(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }

int32_t Difference(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int32_t Product(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

Tree FrameSlot(int32_t v) { return Build(L_of, Leaf(v), {nullptr}); }
Tree GlobalSlot(int32_t v) { return Build(L_of, Leaf(v), {Build(L_gl)}); }

// One VarOptimize step on x, for the rules that rewrite a subtree first; a
// tree without a rule counts as unchanged.
int32_t OptimiseOnce(Tree x) {
  int32_t changed = 0;
  if (!VarOptimize(changed, x)) return 0;
  return changed;
}

bool IsZero(Tree t) { return Is(t, L_cn) && ValueOf(t) == 0; }

// A dereference that reads the memory-mapped space (mmPEEK).
bool IsMapped(Tree dr) { return Is(Part(dr, 2), L_mt); }

// A dereference of `address` with the size code and the mapping marker of
// the dereference `like`.
Tree DerefLike(Tree like, Tree address) {
  if (IsMapped(like)) return Build(L_dr, Kid(like, 0), {address, Part(like, 2)});
  return Build(L_dr, Kid(like, 0), {address});
}

}  // namespace

bool VarOptimize(int32_t& changed, Tree tree) {
  Rule r("VarOptimize");
  changed = 0;
  Tree x = Part(tree, 1);
  int32_t v = ValueOf(tree);
  auto rewrite = [&](Tree to) {
    Replace(tree, to);
    changed = 1;
    return r.Succeed(changed);
  };
  switch (LabelOf(tree)) {
    case L_cn:
    case L_gl:
      return r.Succeed(changed);
    case L_of:
      if (!x) return r.Succeed(changed);
      if (Is(x, L_dr) && Is(Part(x, 1), L_in)) return rewrite(FrameSlot(v));
      if (Is(x, L_dr) && Is(Part(x, 1), L_bg)) return rewrite(GlobalSlot(v));
      if (Is(x, L_in)) return rewrite(FrameSlot(v));
      if (Is(x, L_cn)) return rewrite(Constant(Sum(ValueOf(x), v)));
      if (Is(x, L_gl)) return rewrite(Build(L_gl, Leaf(Sum(ValueOf(x), v))));
      if (Is(x, L_of)) {
        Tree inner = Part(x, 1);
        int32_t a = ValueOf(x);
        OptimiseOnce(inner);
        return rewrite(Build(L_of, Leaf(Sum(a, v)), {inner}));
      }
      // Optimise the base in place; the tree changed when the base did.
      changed = OptimiseOnce(x);
      return r.Succeed(changed);
    case L_dr:
      // A read of the memory-mapped space (an mt marker in child 2) stays a
      // dereference: as a variable slot it would read ordinary memory.
      if (!IsMapped(tree) && Is(x, L_of) && Is(Part(x, 1), L_in)) return rewrite(FrameSlot(ValueOf(x)));
      if (!IsMapped(tree) && Is(x, L_of) && Is(Part(x, 1), L_bg)) return rewrite(GlobalSlot(ValueOf(x)));
      changed = OptimiseOnce(x);
      return r.Succeed(changed);
    case L_bg:
      return rewrite(Build(L_gl));
    case L_mp:
    case L_ad:
    case L_su: {
      Tree y = Part(tree, 2);
      if (!Is(x, L_cn) || !Is(y, L_cn)) return r.Fail();
      int32_t a = ValueOf(x);
      int32_t b = ValueOf(y);
      int32_t folded = Is(tree, L_mp) ? Product(a, b) : Is(tree, L_ad) ? Sum(a, b) : Difference(a, b);
      return rewrite(Constant(folded));
    }
    case L_ki: {
      Tree inner = Part(x, 1);
      if (Is(x, L_of)) {
        OptimiseOnce(inner);
        return rewrite(Build(L_of, Kid(x, 0), {inner}));
      }
      if (Is(x, L_dr)) {
        // The dereference keeps its size code (a byte field stays a byte)
        // and its mapping marker.
        OptimiseOnce(inner);
        return rewrite(DerefLike(x, inner));
      }
      return r.Fail();
    }
    default:
      if (!tree) return r.Succeed(changed);
      return r.Fail();
  }
}

bool MultiOpt(Tree tree) {
  Rule r("MultiOpt");
  int32_t changed = 1;
  while (changed != 0 && VarOptimize(changed, tree)) {
  }
  return r.Succeed();
}

bool OptDeref(Tree tree) {
  Rule r("OptDeref");
  Tree x = Part(tree, 1);
  if (Is(tree, L_dr) && Is(x, L_ki)) {
    // The size code and the mapping marker move with the dereference, so
    // that a byte field is still read as a byte and mmPEEK still reads the
    // mapped space.
    Replace(tree, Build(L_ki, nullptr, {DerefLike(tree, Part(x, 1))}));
  }
  return r.Succeed();
}

bool ZerOptimiz(Tree tree) {
  Rule r("ZerOptimiz");
  Tree condition = Part(tree, 2);
  if (Is(tree, L_if) && Is(condition, L_ne)) {
    // The conditional jump tests for zero itself.
    if (IsZero(Part(condition, 2)) && Part(condition, 1)) {
      SetKid(tree, 2, Part(condition, 1));
    } else if (IsZero(Part(condition, 1)) && Part(condition, 2)) {
      SetKid(tree, 2, Part(condition, 2));
    }
  }
  return r.Succeed();
}

}  // namespace vyl
