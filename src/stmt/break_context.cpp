// The break context of a function: the stack of statements that `break`
// can leave, innermost first.  It is one node bound under key -2, changed
// only in place, so every rule that looks it up sees the current state:
// an empty `no` node at the bottom, and above it one `yk` node per open
// loop or switch (slot 0 the statement, child 1 the context below, child 2
// a `cn` counting the breaks aimed at the statement).
#include <algorithm>
#include <cstdint>
#include <limits>

#include "stmt/stmt.h"
#include "stmt/stmt_internal.h"

namespace vyl {

// Three uses: register `stmt` as the innermost break target (increment 0);
// count a break (no statement, increment 1); restore the context below the
// innermost target (no statement, increment 0), with `flag` telling whether
// any break left that target.
bool Breakable(Tree stmt, int32_t increment, int32_t& flag, Tree context) {
  Rule r("Breakable");
  flag = 0;
  if (stmt) {
    Tree below = nullptr;
    if (Is(context, L_no)) {
      below = Build(L_no);
    } else if (Is(context, L_yk)) {
      below = Build(L_yk, Kid(context, 0), {Part(context, 1), Part(context, 2)});
    } else {
      return r.Fail();
    }
    Replace(context, Build(L_yk, stmt, {below, Constant(0)}));
    return r.Succeed(flag);
  }
  if (!Is(context, L_yk)) return r.Fail();  // no loop or switch is open
  int32_t count = ValueOf(Part(context, 2));
  if (increment != 0) {
    int64_t counted = int64_t{count} + increment;
    counted = std::clamp<int64_t>(counted, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    Replace(context, Build(L_yk, Kid(context, 0), {Part(context, 1), Constant(static_cast<int32_t>(counted))}));
    return r.Succeed(flag);
  }
  flag = count > 0 ? 1 : 0;
  Replace(context, Part(context, 1));
  return r.Succeed(flag);
}

// The innermost open loop (`while`, `do`, or a loop record); switches are
// passed over, since `continue` inside a switch repeats the loop around it.
bool IsLoop(Tree& loop, Tree context) {
  Rule r("IsLoop");
  for (Tree c = context; Is(c, L_yk); c = Part(c, 1)) {
    Tree target = Kid(c, 0);
    if (Is(target, L_wh) || Is(target, L_lp) || Is(target, L_fr)) {
      loop = target;
      return r.Succeed(loop);
    }
  }
  return r.Fail();
}

}  // namespace vyl
