// Fix-up lists: the forward jumps that every generator hands back until
// their targets are known.
//
// A list is empty, one record, or a `no` node pairing two lists (the older
// statements' list first).  Records:
//   ex / nx / rt  slot 0 = the target (the statement left, the loop repeated,
//                 the method returned from); child 1 = the list of the
//                 statements before; child 2 = a `cn` with the slot address.
//   cs            slot 0 = the decorated case node; child 1 = the list of the
//                 case's statements; child 2 = the case value (none: default).
#include "codegen/codegen_internal.h"

namespace vyl {

Tree JumpRecord(int32_t label, Tree target, Tree before, int32_t slot) {
  return Build(label, target, {before, Build(L_cn, Leaf(slot))});
}

Tree CaseRecord(Tree caseNode, Tree statements, Tree value) {
  return Build(L_cs, caseNode, {statements, value});
}

bool ListMerge(Tree a, Tree b, Tree& out) {
  if (!a) {
    out = b;
  } else if (!b) {
    out = a;
  } else {
    out = Build(L_no, nullptr, {a, b});
  }
  return true;
}

void ListRecords(Tree list, std::vector<Tree>& out) {
  if (!list) return;
  if (Is(list, L_no)) {
    ListRecords(Part(list, 1), out);
    ListRecords(Part(list, 2), out);
    return;
  }
  out.push_back(list);
}

bool FwdExit(int32_t& address, Tree target) {
  Rule r("FwdExit");
  address = 0;
  if (Is(target, L_fn)) {
    // The method's exit address, recorded by PointerKill in the `no` node
    // of its signature.
    Tree signature = Part(target, 2);
    if (!Is(signature, L_xf)) return r.Fail();
    address = Num(Part(signature, 4));
  } else if (Is(target, L_wh) || Is(target, L_lp) || Is(target, L_sw)) {
    address = Num(target);
  } else {
    return r.Fail();
  }
  return r.Succeed(address);
}

bool FwdJumps(Tree fixups) {
  Rule r("FwdJumps");
  if (!fixups) return r.Succeed();
  switch (LabelOf(fixups)) {
    case L_no:
      if (!FwdJumps(Part(fixups, 1)) || !FwdJumps(Part(fixups, 2))) return r.Fail();
      return r.Succeed();
    case L_cs:
      if (!FwdJumps(Part(fixups, 1))) return r.Fail();
      return r.Succeed();
    case L_ex:
    case L_nx:
    case L_rt:
      break;
    default:
      return r.Fail();
  }
  if (!FwdJumps(Part(fixups, 1))) return r.Fail();
  int32_t slot = Num(Part(fixups, 2));
  Tree target = Kid(fixups, 0);
  int32_t address = 0;
  switch (LabelOf(fixups)) {
    case L_ex:
      FwdExit(address, target);
      address &= 0xFFFF;
      if (address == 0) {
        GenMessage("Oops, unmarked or undefined exit tree");
        return r.Fail();
      }
      break;
    case L_nx: {
      int32_t decoration = Num(target);
      if (decoration <= 65535) {  // a switch has no repeat address
        GenMessage("Oops, unmarked or undefined repeat tree");
        return r.Fail();
      }
      address = static_cast<int32_t>(static_cast<uint32_t>(decoration) >> 16);
      break;
    }
    default:  // L_rt
      FwdExit(address, target);
      if (address == 0) {
        GenMessage("Oops, unmarked function exit");
        return r.Fail();
      }
      break;
  }
  // A late jump whose displacement does not fit the 14-bit field fails the
  // method instead of jumping to a wrong address.
  if (!JumpChecked(1, slot, address)) return r.Fail();
  return r.Succeed();
}

}  // namespace vyl
