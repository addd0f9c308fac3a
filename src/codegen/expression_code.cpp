// Expression code: operands, unary and multiplicative operators, allocation
// and checked operations (CodExGen1); comparisons, bitwise and additive
// operators (CodExGen2).  Every expression leaves one word on the stack;
// operands are generated left to right.
#include <cstdint>

#include "codegen/codegen_internal.h"

namespace vyl {

namespace {

// Two operands in order, their lists merged.
bool Operands(int32_t loc, int32_t& next, Tree& fixups, Tree left, Tree right) {
  Tree a = nullptr;
  Tree b = nullptr;
  int32_t at = loc;
  if (!CodeGen(at, at, a, left)) return false;
  if (!CodeGen(at, at, b, right)) return false;
  ListMerge(a, b, fixups);
  next = at;
  return true;
}

bool Binary(int32_t loc, int32_t& next, Tree& fixups, Tree tree, std::initializer_list<int32_t> op) {
  int32_t at = loc;
  return Operands(loc, at, fixups, Part(tree, 1), Part(tree, 2)) && EmitBytes(op, at, next);
}

bool Unary(int32_t loc, int32_t& next, Tree& fixups, Tree operand, std::initializer_list<int32_t> op) {
  int32_t at = loc;
  return CodeGen(loc, at, fixups, operand) && EmitBytes(op, at, next);
}

bool IsZero(Tree t) { return Is(t, L_cn) && Num(t) == 0; }

bool Allocate(int32_t size, int32_t loc, int32_t& next) {
  int32_t at = loc;
  return PutConstant(size, loc, at) && EmitBytes({0x22, 0x09, 0x05}, at, next);
}

// Reading through a dereference node: a frame variable directly, anything
// else by its computed address.  A read of the memory-mapped space (mmPEEK)
// always computes its address, whatever it is, so that 0E precedes its 0C.
Gen Dereference(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  Tree address = Part(tree, 1);
  int32_t size = Num(tree);
  const bool mapped = Is(Part(tree, 2), L_mt);
  if (!mapped && Is(address, L_of) && !Part(address, 1) && (size == 0 || size == 1)) {
    return GenOf(GenVarAcc(size + 1, loc, next, fixups, address));
  }
  int32_t at = loc;
  if (!CodeGen(loc, at, fixups, address)) return Gen::Failed;
  if (size == 0) {
    if (mapped && !PutBy(0x0E, at, at)) return Gen::Failed;
    return GenOf(PutBy(0x0C, at, next));
  }
  // A byte is the low half of the word that starts one byte earlier.
  return GenOf(PutConstant(size, at, at) && EmitBytes({0x1D, 0x0C}, at, at) && PutConstant(255, at, at) &&
               PutBy(0x19, at, next));
}

}  // namespace

bool TrapCheck(int32_t op, int32_t loc, int32_t& next) {
  int32_t tail = ReservedWord(kTrapTailWord);
  int32_t at = loc;
  if (tail != 0 && loc >= tail && loc - tail <= 8180) {
    // op, then JUMPZ to the shared 21 09 of an earlier check.
    if (!PutBy(op, at, at) || !JumpTo(0, at, tail)) return false;
    next = at + 2;
    return true;
  }
  // op, NOT, JUMPZ +2, trap 1: the trap is shared by later checks.
  if (!EmitBytes({op, 0x11, 0xC0, 0x02, 0x21, 0x09}, at, next)) return false;
  SetReservedWord(kTrapTailWord, loc + 4);
  return true;
}

Gen OperandCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  Rule r("CodExGen1");
  fixups = nullptr;
  Gen g = Gen::NotMine;
  int32_t at = loc;
  switch (LabelOf(tree)) {
    case L_mp:
      g = GenOf(Binary(loc, next, fixups, tree, {0x1E}));
      break;
    case L_dv:
      g = GenOf(Binary(loc, next, fixups, tree, {0x1F, 0x05}));
      break;
    case L_md:
      g = GenOf(Binary(loc, next, fixups, tree, {0x1F, 0x06, 0x05}));
      break;
    case L_ng:
      if (KidCount(tree) >= 1) g = GenOf(Unary(loc, next, fixups, Part(tree, 1), {0x10}));
      break;
    case L_nt:
      if (KidCount(tree) >= 1) g = GenOf(Unary(loc, next, fixups, Part(tree, 1), {0x11}));
      break;
    case L_tk: {
      // The table's address, relative to the address pushed by 60 00.
      int64_t relative = static_cast<int64_t>(loc) + 2 - Num(tree);
      g = GenOf(relative >= INT32_MIN && relative <= INT32_MAX && EmitBytes({0x60, 0x00}, at, at) &&
                PutConstant(static_cast<int32_t>(relative), at, at) && PutBy(0x1D, at, next));
      break;
    }
    case L_gl:
    case L_bg: {
      int32_t offset = Num(tree);
      bool ok = EmitBytes({0x40, 0x00}, at, at);
      if (ok && offset != 0) ok = PutConstant(offset, at, at) && PutBy(0x1C, at, at);
      next = at;
      g = GenOf(ok);
      break;
    }
    case L_in:
      g = GenOf(EmitBytes({0x3F, 0x02}, loc, next));
      break;
    case L_cn:
      g = GenOf(PutConstant(Num(tree), loc, next));
      break;
    case L_dr:
      g = Dereference(loc, next, fixups, tree);
      break;
    case L_un:
      g = GenOf(GenVarAcc(kAddressOnly, loc, at, fixups, Part(tree, 1)) && TrapCheck(0x04, at, next));
      break;
    case L_ki:
    case L_of:
      g = GenOf(GenVarAcc(kAddressOnly, loc, next, fixups, tree));
      break;
    case L_ar: {
      Tree count = Part(tree, 3);
      if (!count) {
        g = GenOf(Allocate(Num(tree), loc, next));
      } else if (Is(count, L_no)) {
        g = GenOf(CodeGen(loc, at, fixups, Part(count, 1)) && PutConstant(Num(tree), at, at) &&
                  PutBy(0x1E, at, at) && EmitBytes({0x22, 0x09, 0x05}, at, next));
      }
      break;
    }
    case L_al:
      g = GenOf(Allocate(Num(tree), loc, next));
      break;
    case L_at: {
      // Arguments are pushed first to last; a reference argument takes a
      // new reference through _Up.
      bool ok = Operands(loc, at, fixups, Part(tree, 1), Part(tree, 2));
      if (ok && Is(Part(tree, 3), L_pt)) ok = EmitBytes({0x60, 0x01}, at, at);
      next = at;
      g = GenOf(ok);
      break;
    }
    case L_rx:
      g = GenOf(Operands(loc, at, fixups, Part(tree, 1), Part(tree, 2)) && PutConstant(Num(tree), at, at) &&
                TrapCheck(0x07, at, next));
      break;
    case L_mt:
      g = GenOf(CodeGen(loc, next, fixups, Part(tree, 1)));
      break;
    default:
      break;
  }
  if (g != Gen::Ok) {
    r.Fail();
    return g;
  }
  r.Succeed(next, fixups);
  return g;
}

Gen OperatorCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  Rule r("CodExGen2");
  fixups = nullptr;
  int32_t op = -1;
  switch (LabelOf(tree)) {
    case L_or: op = 0x1A; break;
    case L_an: op = 0x19; break;
    case L_eq: op = 0x12; break;
    case L_ne: op = 0x13; break;
    case L_ls: op = 0x14; break;
    case L_gr: op = 0x15; break;
    case L_ge: op = 0x17; break;
    case L_le: op = 0x16; break;
    case L_xo: op = 0x1B; break;
    case L_sh: op = 0x18; break;
    case L_ad: op = 0x1C; break;
    case L_su: op = 0x1D; break;
    default:
      r.Fail();
      return Gen::NotMine;
  }
  bool ok;
  if (op == 0x12 && IsZero(Part(tree, 2))) {
    // Comparing with 0: the operand and NOT.
    ok = Unary(loc, next, fixups, Part(tree, 1), {0x11});
  } else if (op == 0x12 && IsZero(Part(tree, 1))) {
    ok = Unary(loc, next, fixups, Part(tree, 2), {0x11});
  } else {
    ok = Binary(loc, next, fixups, tree, {op});
  }
  if (!ok) {
    r.Fail();
    return Gen::Failed;
  }
  r.Succeed(next, fixups);
  return Gen::Ok;
}

bool CodExGen1(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  return OperandCode(loc, next, fixups, tree) == Gen::Ok;
}

bool CodExGen2(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  return OperatorCode(loc, next, fixups, tree) == Gen::Ok;
}

}  // namespace vyl
