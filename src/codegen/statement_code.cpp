// Statement code.  Every statement node holds the statements before it in
// child 1 and generates them first, so a statement list is a left-leaning
// chain.  Jumps whose targets are not known yet are reserved as zero words
// and handed up in the fix-up list.
#include "codegen/codegen_internal.h"

namespace vyl {

namespace {

// Line markers: a LINE instruction (00 hh ll) after each statement that
// produced code; words 7FFA and 7FFC remember the last marker and its line.
bool LineMarker(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  int32_t end = loc;
  if (!CodeGen(loc, end, fixups, Part(tree, 1))) return false;
  int32_t line = Num(tree);
  int32_t lastLine = ReservedWord(kLineWord);
  int32_t afterMarker = ReservedWord(kMarkerWord);
  if (end == afterMarker) {
    // Nothing since the last marker: a later line takes it over.
    if (line > lastLine) {
      int32_t unused = 0;
      if (!EmitWord(line, end - 2, unused)) return false;
      SetReservedWord(kLineWord, line);
    }
    next = end;
    return true;
  }
  int32_t at = end;
  if (!MarkerZero(at, at) || !EmitWord(line, at, at)) return false;
  SetReservedWord(kLineWord, line);
  SetReservedWord(kMarkerWord, at);
  next = at;
  return true;
}

// Whether an address tree reads the input device (FFF6, KeyIn.datum):
// a load through a constant address of that word.
bool ReadsInput(Tree t) {
  while (Is(t, L_ki) || Is(t, L_dr)) t = Part(t, 1);
  int32_t address = 0;
  if (Is(t, L_cn)) {
    address = Num(t);
  } else if (Is(t, L_of) && Is(Part(t, 1), L_cn)) {
    address = Num(Part(t, 1)) + Num(t);
  } else {
    return false;
  }
  return (address & 0xFFFF) == 0xFFF6;
}

// Whether computing a target's address may do more than compute it: call
// a function or read the input.  Records that are not expressions (types,
// variables, functions) end the search.
bool HasEffects(Tree t, int depth = 0) {
  if (!IsNode(t) || depth > 256) return false;
  switch (LabelOf(t)) {
    case L_fc:
    case L_io:
    case L_ac: return true;
    case L_ty:
    case L_vr:
    case L_df:
    case L_fn:
    case L_cl:
    case L_tk: return false;
    case L_dr:
      if (ReadsInput(Part(t, 1))) return true;
      break;
    default: break;
  }
  for (int i = 1; i <= KidCount(t); ++i) {
    if (HasEffects(Part(t, i), depth + 1)) return true;
  }
  return false;
}

bool Assignment(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  Tree target = Part(tree, 2);
  Tree kind = Part(tree, 4);
  int32_t at = loc;
  Tree list = nullptr;
  Tree part = nullptr;
  auto merge = [&] { ListMerge(list, part, list); };
  auto access = [&](int32_t mode) {
    bool ok = GenVarAcc(mode, at, at, part, target);
    merge();
    return ok;
  };
  if (!CodeGen(at, at, part, Part(tree, 3))) return false;
  merge();
  bool ok = true;
  if (!target) {
    // An initialised slot: the value stays on the stack.
    if (Is(kind, L_pt)) ok = EmitBytes({0x60, 0x01}, at, at);
  } else if (Is(kind, L_mt)) {
    ok = access(kAddressOnly) && EmitBytes({0x0E, 0x0D}, at, at);
  } else if ((Is(kind, L_pt) || Is(kind, L_pm)) && HasEffects(target)) {
    // The address computed once: DUP, load and release the old reference,
    // then (for pt) SWAP the new one up to take it, SWAP back and store.
    ok = access(kAddressOnly) && EmitBytes({0x04, 0x0C, 0x23, 0x09, 0x05, 0x05}, at, at) &&
         (!Is(kind, L_pt) || EmitBytes({0x06, 0x60, 0x01, 0x06}, at, at)) && EmitBytes({0x0D}, at, at);
  } else if (Is(kind, L_pt)) {
    // Release the old reference, take the new one, store.
    ok = access(kLoadWord) && EmitBytes({0x23, 0x09, 0x05, 0x05, 0x60, 0x01}, at, at) && access(kStoreWord);
  } else if (Is(kind, L_pm)) {
    ok = access(kLoadWord) && EmitBytes({0x23, 0x09, 0x05, 0x05}, at, at) && access(kStoreWord);
  } else {
    ok = access(kStoreWord);
  }
  next = at;
  fixups = list;
  return ok;
}

bool Call(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  int32_t number = Num(tree);
  if (number < 1) {
    GenMessage("Undefined function or method " + NameText(Part(tree, 3)));
    return false;
  }
  // One zero word per 2 bytes of result, the arguments, the base, CALL.
  int32_t resultSize = Num(Part(tree, 4));
  int32_t at = loc;
  for (int32_t i = 0; i < resultSize; i += 2) {
    if (!PutBy(0x20, at, at)) return false;
  }
  if (!CodeGen(at, at, fixups, Part(tree, 2))) return false;
  uint32_t call = 0x6000u + static_cast<uint32_t>(number);
  return EmitBytes({0x40, 0x00}, at, at) && EmitWord(static_cast<int32_t>(call & 0xFFFFu), at, next);
}

bool IfStatement(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  ZerOptimiz(tree);
  Tree part = nullptr;
  int32_t cond = loc;
  if (!CodeGen(loc, cond, part, Part(tree, 2))) return false;
  ListMerge(fixups, part, fixups);
  int32_t at = cond;
  if (!ReserveSlot(cond, at)) return false;
  int32_t thenEnd = at;
  if (!CodeGen(at, thenEnd, part, Part(tree, 3))) return false;
  ListMerge(fixups, part, fixups);
  int32_t end = thenEnd;
  int32_t target = thenEnd;
  if (Part(tree, 4)) {
    if (!ReserveSlot(thenEnd, at)) return false;
    if (!CodeGen(at, end, part, Part(tree, 4))) return false;
    ListMerge(fixups, part, fixups);
    target = thenEnd + 2;
  }
  if (end - thenEnd >= 8192 || thenEnd - cond >= 8192) {
    GenMessage("Too much code in body of 'if'");
    return false;
  }
  if (Part(tree, 4) && !JumpTo(1, thenEnd, end)) return false;
  if (!JumpTo(0, cond, target)) return false;
  next = end;
  return true;
}

bool WhileLoop(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  int32_t end = loc;
  if (!CodeGen(loc, end, fixups, Part(tree, 2))) return false;
  // The back jump from end + 2 must reach loc.
  if (end - loc >= 8191) {
    GenMessage("Too much code in body of 'while'");
    return false;
  }
  if (!JumpTo(1, end, loc)) return false;
  next = end + 2;
  return Decorate(static_cast<int32_t>(static_cast<int64_t>(loc) * 65536 + next), tree);
}

bool DoLoop(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  int32_t end = loc;
  if (!CodeGen(loc, end, fixups, Part(tree, 2))) return false;
  if (end - loc >= 8192) {
    GenMessage("Too much code in body of 'do'");
    return false;
  }
  next = end;
  return Decorate(static_cast<int32_t>(static_cast<int64_t>(loc) * 65536 + end), tree);
}

bool Return(int32_t loc, int32_t& next, Tree& fixups, Tree tree, Tree before) {
  int32_t at = loc;
  Tree list = before;
  if (Tree value = Part(tree, 2)) {
    Tree part = nullptr;
    if (!CodeGen(at, at, part, value)) return false;
    ListMerge(list, part, list);
    Tree slot = Part(tree, 3);
    bool reference = Is(Part(tree, 4), L_pt);
    if (Is(slot, L_of) && Is(Part(slot, 1), L_pt)) {
      // The reference marker rides on the result slot: the slot itself is
      // the frame word at its offset.
      reference = true;
      slot = Build(L_of, Kid(slot, 0), {nullptr});
    }
    if (reference && !EmitBytes({0x60, 0x01}, at, at)) return false;
    if (!GenVarAcc(kStoreWord, at, at, part, slot)) return false;
    ListMerge(list, part, list);
  }
  if (!ReserveSlot(at, next)) return false;
  fixups = JumpRecord(L_rt, Kid(tree, 0), list, at);
  return true;
}

bool Case(int32_t loc, int32_t& next, Tree& fixups, Tree tree, Tree before) {
  Tree statements = nullptr;
  if (!CodeGen(loc, next, statements, Part(tree, 3))) return false;
  if (!Decorate(loc, tree)) return false;
  ListMerge(before, CaseRecord(tree, statements, Part(tree, 2)), fixups);
  return true;
}

// Reserve and zero n stack words.
bool ZeroWords(int32_t loc, int32_t& next, Tree tree) {
  int32_t n = Num(tree);
  int32_t at = loc;
  if (n > 9) {
    // Push n - 1 zeros in a loop; the counter, 0 at the end, is the n-th.
    if (!PutConstant(n - 1, at, at)) return false;
    return EmitBytes({0x20, 0x06, 0x21, 0x1D, 0x04, 0x11, 0xFF, 0xF8}, at, next);
  }
  for (int32_t i = 0; i < n; ++i) {
    if (!PutBy(0x20, at, at)) return false;
  }
  next = at;
  return true;
}

// FORK (child 3 present) and COCALL.
bool Process(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  int32_t at = loc;
  if (!CodeGen(loc, at, fixups, Part(tree, 2))) return false;
  if (Part(tree, 3)) {
    if (!EmitBytes({0x04, 0x04, 0x22, 0x1C, 0x60, 0x00}, at, at)) return false;
    if (!PutConstant(at - 2, at, at)) return false;
    if (!EmitBytes({0x1D, 0x06, 0x0D, 0x04, 0x26, 0x1C, 0x24, 0x60, 0x00, 0x1C, 0x06, 0x0D}, at, at)) return false;
  }
  return PutBy(0x08, at, next);
}

}  // namespace

Gen StatementCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  Rule r("CoStmGen");
  fixups = nullptr;
  int32_t label = LabelOf(tree);
  if (GeneratorOf(label) != Generator::kStatement) {
    r.Fail();
    return Gen::NotMine;
  }
  bool ok = false;
  if (label == L_nn) {
    ok = LineMarker(loc, next, fixups, tree);
  } else if (label == L_sw) {
    ok = SwitchCode(loc, next, fixups, tree) == Gen::Ok;
  } else {
    // The statements before this one.
    Tree before = nullptr;
    int32_t at = loc;
    if (CodeGen(loc, at, before, Part(tree, 1))) {
      Tree own = nullptr;
      switch (label) {
        case L_as:
          ok = Assignment(at, next, own, tree);
          break;
        case L_fc:
          ok = Call(at, next, own, tree);
          break;
        case L_if:
          ok = IfStatement(at, next, own, tree);
          break;
        case L_wh:
          ok = WhileLoop(at, next, own, tree);
          break;
        case L_lp:
          ok = DoLoop(at, next, own, tree);
          break;
        // The late jumps and the cases carry the list of the statements
        // before them inside their own record.
        case L_ex:
        case L_nx:
          ok = ReserveSlot(at, next);
          own = JumpRecord(label, Kid(tree, 0), before, at);
          before = nullptr;
          break;
        case L_rt:
          ok = Return(at, next, own, tree, before);
          before = nullptr;
          break;
        case L_cs:
          ok = Case(at, next, own, tree, before);
          before = nullptr;
          break;
        case L_zz:
          ok = ZeroWords(at, next, tree);
          break;
        default:  // L_ac
          ok = Process(at, next, own, tree);
          break;
      }
      ListMerge(before, own, fixups);
    }
  }
  if (!ok) {
    r.Fail();
    return Gen::Failed;
  }
  r.Succeed(next, fixups);
  return Gen::Ok;
}

bool CoStmGen(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  return StatementCode(loc, next, fixups, tree) == Gen::Ok;
}

}  // namespace vyl
