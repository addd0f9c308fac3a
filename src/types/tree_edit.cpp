// In-place edits of records that are built first and completed later: the
// free slot of an owner record is filled (InsertStuff), addresses and sizes
// are recorded into nodes (Decorate), classes are laid out (ClassParts), and
// the procedure and location counters are advanced (NewProcNo, UpdateLoc).
//
// Every edit replaces the node in place, so every other reference to it sees
// the change.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>

#include "types/types.h"

namespace vyl {

namespace {

bool AnyOf(int32_t label, std::initializer_list<int32_t> labels) {
  for (int32_t l : labels) {
    if (l == label) return true;
  }
  return false;
}

// The node that an owner becomes when `item` fills its free slot, or null
// when the owner has no shape that takes an item.  Shapes are tried in a
// fixed order; the first that matches is used.
Tree Completed(Tree item, Tree owner) {
  const int32_t label = LabelOf(owner);
  Tree s0 = Kid(owner, 0);
  if (label == L_fn && !Part(owner, 5)) {  // a function gets its body
    return Build(L_fn, s0, {Part(owner, 1), Part(owner, 2), Part(owner, 3), Part(owner, 4), item});
  }
  if (label == L_xf && !Part(owner, 2)) {  // a signature gets its first parameter
    return Build(L_xf, s0, {Part(owner, 1), item, Part(owner, 3), Part(owner, 4)});
  }
  if (label == L_sw && !Part(owner, 3)) {  // a switch gets its last case group
    return Build(L_sw, s0, {Part(owner, 1), Part(owner, 2), item});
  }
  if (AnyOf(label, {L_wh, L_lp, L_fr}) && !Part(owner, 2)) {  // a loop gets its body
    return Build(label, nullptr, {Part(owner, 1), item});
  }
  if (label == L_tk) return Build(L_tk, nullptr, {item});                             // a table pool gets its tables
  if (label == L_ar) return Build(L_ar, s0, {Part(owner, 1), Part(owner, 2), item});  // back link
  if (label == L_cl && !Part(owner, 2)) {  // a class record gets its class type
    return Build(L_cl, s0, {Part(owner, 1), item, Part(owner, 3), nullptr, nullptr, Build(L_sz)});
  }
  if (label == L_vr && !Part(owner, 3)) {  // a variable gets its context link
    return Build(L_vr, s0, {Part(owner, 1), Part(owner, 2), item, Part(owner, 4)});
  }
  if (label == L_no) {  // a list head gets one more entry in front
    return Build(L_no, nullptr, {Build(L_vr, nullptr, {Part(owner, 1), item})});
  }
  if (label == L_ty) return Build(L_ty, s0, {Part(owner, 1), Part(owner, 2), item});  // descriptor
  return nullptr;
}

constexpr const char* kDecorateMessages[] = {nullptr, "Oops (Decorate)"};

}  // namespace

bool InsertStuff(Tree item, Tree owner) {
  Rule r("InsertStuff");
  Tree done = Completed(item, owner);
  if (!done) return r.Fail();
  Replace(owner, done);
  return r.Succeed();
}

bool Decorate(int32_t value, Tree tree) {
  Rule r("Decorate", kDecorateMessages);
  if (!AnyOf(LabelOf(tree), {L_xf, L_wh, L_lp, L_sw, L_cs, L_of, L_sz, L_nn, L_zz})) {
    r.state = 1;
    return r.Fail();
  }
  // The node is built with its children, as the trace shows it.
  NodeRec* node = AsNode(tree);
  std::size_t count = static_cast<std::size_t>(std::clamp(node->n, 0, 8));
  std::array<Tree, 8> kids{};
  for (std::size_t i = 0; i < count; ++i) kids[i] = ChildOf(node, static_cast<int>(i + 1));
  Replace(tree, BuildWith(node->label, Leaf(value), std::span<const Tree>(kids.data(), count), node->n));
  return r.Succeed();
}

bool ClassParts(Tree members, Tree scope, int32_t size, Tree classRecord) {
  Rule r("ClassParts");
  if (!Is(classRecord, L_cl)) return r.Fail();
  if (size > 0 && !Decorate(size, Part(classRecord, 6))) return r.Fail();
  Replace(classRecord, Build(L_cl, Kid(classRecord, 0),
                             {Part(classRecord, 1), Part(classRecord, 2), Part(classRecord, 3), members, scope,
                              Part(classRecord, 6)}));
  return r.Succeed(classRecord);
}

bool UpdateLoc(int32_t increment, int32_t& old, Tree counter) {
  Rule r("UpdateLoc");
  if (!Is(counter, L_lc)) return r.Fail();
  old = ValueOf(Kid(counter, 0));
  if (increment == 0) return r.Succeed(old);
  // Offsets past the 32-bit range cannot be addressed: refuse rather than wrap.
  int64_t next = int64_t{old} + increment;
  if (next > std::numeric_limits<int32_t>::max() || next < std::numeric_limits<int32_t>::min()) {
    return r.Fail();
  }
  Replace(counter, Build(L_lc, Leaf(static_cast<int32_t>(next)), {Part(counter, 1), Part(counter, 2)}));
  return r.Succeed(old);
}

bool NewProcNo(int32_t& number, Tree counter) {
  Rule r("NewProcNo");
  if (!Is(counter, L_fn)) return r.Fail();
  int32_t last = ValueOf(Kid(counter, 0));
  if (last == std::numeric_limits<int32_t>::max()) return r.Fail();
  number = last + 1;
  Replace(counter, Build(L_fn, Leaf(number)));
  return r.Succeed(number);
}

}  // namespace vyl
