// The generation driver: CodeGen tries the statement generator, the two
// expression generators, then its own alternatives for methods, declarations,
// sequences and intrinsic calls.
#include "codegen/codegen_internal.h"

namespace vyl {

// The tree dump of a tree that the generator could not handle.
bool TreeSee(Tree tree) {
  if (Tracing()) {
    TraceText("+TreeSee");
    TraceChar(' ');
    // The whole tree at full trace, else its top with the label.
    TraceTree(tree, TraceLevel() > 1 ? 9999 : 0, 0);
    TraceLine();
    TraceText("-TreeSee");
    TraceChar(' ');
    TraceBool(true);
    TraceLine();
  }
  return true;
}

std::string NameText(Tree nameHolder) { return std::string(StringText(Num(nameHolder))); }

void GenMessage(const std::string& text) {
  // The line these messages concern is the one being generated, as far as
  // the markers tell; the scanner has long passed it.
  int32_t line = HaveImage() ? ReservedWord(kLineWord) : 0;
  MessageLine(text, line > 0 ? line : -1);
}

bool Oops(Tree tree) {
  TreeSee(tree);
  GenMessage("Oops (CodeGen)");
  return false;
}

namespace {

// Steps 4 to 10 of a method: name bytes, length byte, entry word, body,
// epilogue, return and the late jumps of the body.
bool MethodBody(int32_t loc, int32_t& next, Tree method, const std::string& name) {
  Tree signature = Part(method, 2);
  int32_t at = loc;
  for (char c : name) {
    if (!PutBy(static_cast<unsigned char>(c), at, at)) return false;
  }
  if (!PutBy(static_cast<int32_t>(name.size()), at, at)) return false;
  // The entry word points at the length byte's predecessor: the first
  // instruction minus 2.
  int64_t entry = 2 + 2 * static_cast<int64_t>(Num(Part(method, 4)));
  if (entry < 2 || entry >= kCodeLimit) return false;
  int32_t unused = 0;
  if (!PutIntger(at - 2, static_cast<int32_t>(entry), unused)) return false;
  const int32_t first = at;
  if (!EmitBytes({0x20, 0x02}, at, at)) return false;
  Tree bodyFixups = nullptr;
  if (!CodeGen(at, at, bodyFixups, Part(method, 5))) return false;
  if (!PointerKill(at, at, Part(signature, 4))) return false;
  if (!PutConstant(Num(signature), at, at) || !PutBy(0x03, at, at)) return false;
  if (!FwdJumps(bodyFixups)) return false;
  if (Index().recordStatements) Index().procedures.push_back({Num(Part(method, 4)), loc, first, at});
  next = at;
  return true;
}

Gen MethodCode(int32_t loc, int32_t& next, Tree& fixups, Tree method) {
  int32_t at = loc;
  Tree earlier = nullptr;
  if (!CodeGen(loc, at, earlier, Part(method, 1))) return Gen::Failed;
  std::string name = NameText(method);
  if (!Part(method, 5)) {
    GenMessage("Function " + name + " has a prototype but no body");
    return Gen::Failed;
  }
  // A trap tail is never shared across methods.
  SetReservedWord(kTrapTailWord, 0);
  // The first method body generated is preceded by the start stub, which
  // calls main (its number is held in word 0000 until then) and returns.
  int32_t mainNumber = 0;
  GetMemInt(0, mainNumber);
  if (mainNumber >= 1) {
    int32_t unused = 0;
    if (!PutIntger(0, 0, unused)) return Gen::Failed;
    if (!EmitBytes({0x40, 0x00, 0x60 | (mainNumber >> 8), mainNumber & 0xFF, 0x20, 0x03}, at, at)) {
      return Gen::Failed;
    }
  }
  if (!MethodBody(at, next, method, name)) {
    GenMessage("Compile failed generating code for " + name + " near line #" +
               NumberText(ReservedWord(kLineWord)));
    return Gen::Failed;
  }
  fixups = earlier;
  return Gen::Ok;
}

// Intrinsic calls: semaphores, files and system operations, DEBUG.
Gen IntrinsicCode(int32_t loc, int32_t& next, Tree& fixups, Tree call) {
  int32_t k = Num(call);
  if (k < 0) return Gen::NotMine;
  int32_t at = loc;
  Tree list = nullptr;
  for (int i = 1; i <= 3; ++i) {
    Tree part = nullptr;
    if (!CodeGen(at, at, part, Part(call, i))) return Gen::Failed;
    ListMerge(list, part, list);
  }
  if (k == 0) {
    // DEBUG: the value 1 is stored at address FFDA.
    if (!PutConstant(-38, at, at) || !EmitBytes({0x21, 0x06, 0x0D}, at, at)) return Gen::Failed;
  } else if (k >= 14) {
    if (k > 19) {
      // The SysOp calls' first argument is their last operand.
      Tree part = nullptr;
      if (!CodeGen(at, at, part, Part(call, 4))) return Gen::Failed;
      ListMerge(list, part, list);
    }
    if (!PutConstant(k - 10, at, at) || !PutBy(0x09, at, at)) return Gen::Failed;
    // DROPs discard what the operation leaves beyond its result.
    int drops = 2;
    if (k == 20) drops = 0;
    if (k == 14 || k == 19 || k == 21) drops = 1;
    if (k == 18) drops = 3;
    for (int i = 0; i < drops; ++i) {
      if (!PutBy(0x05, at, at)) return Gen::Failed;
    }
  } else if (!PutBy(k, at, at)) {  // Signal 0A, Wait 0B
    return Gen::Failed;
  }
  next = at;
  fixups = list;
  return Gen::Ok;
}

// Generates child `first`, then child `second` from where it ended.
Gen Pair(int32_t loc, int32_t& next, Tree& fixups, Tree tree, int first, int second) {
  Tree a = nullptr;
  Tree b = nullptr;
  int32_t at = loc;
  if (!CodeGen(at, at, a, Part(tree, first))) return Gen::Failed;
  if (second > 0 && !CodeGen(at, at, b, Part(tree, second))) return Gen::Failed;
  next = at;
  ListMerge(a, b, fixups);
  return Gen::Ok;
}

Gen OwnCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  if (!tree) {
    next = loc;
    fixups = nullptr;
    return Gen::Ok;
  }
  switch (LabelOf(tree)) {
    case L_fn:
      if (!Is(Part(tree, 2), L_xf)) return Gen::NotMine;
      return MethodCode(loc, next, fixups, tree);
    case L_vr:
      return KidCount(tree) == 4 ? Pair(loc, next, fixups, tree, 1, 0) : Gen::NotMine;
    case L_cl:
      return KidCount(tree) == 6 ? Pair(loc, next, fixups, tree, 1, 0) : Gen::NotMine;
    case L_df:
      return KidCount(tree) == 3 ? Pair(loc, next, fixups, tree, 3, 0) : Gen::NotMine;
    case L_ty:
      return Pair(loc, next, fixups, tree, 1, 0);
    case L_no:
      return Pair(loc, next, fixups, tree, 1, 2);
    case L_io:
      return IntrinsicCode(loc, next, fixups, tree);
    default:
      return Gen::NotMine;
  }
}

}  // namespace

Generator GeneratorOf(int32_t label) {
  switch (label) {
    case L_nn: case L_as: case L_fc: case L_if: case L_wh: case L_lp: case L_ex:
    case L_nx: case L_rt: case L_sw: case L_cs: case L_zz: case L_ac:
      return Generator::kStatement;
    case L_mp: case L_dv: case L_md: case L_ng: case L_nt: case L_tk: case L_gl:
    case L_bg: case L_in: case L_cn: case L_dr: case L_un: case L_ki: case L_of:
    case L_ar: case L_al: case L_at: case L_rx: case L_mt:
      return Generator::kOperand;
    case L_or: case L_an: case L_eq: case L_ne: case L_ls: case L_gr: case L_ge:
    case L_le: case L_xo: case L_sh: case L_ad: case L_su:
      return Generator::kOperator;
    default:
      return Generator::kOwn;
  }
}

bool CodeGen(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  Rule r("CodeGen");
  fixups = nullptr;
  // The generators in turn until one takes the tree.  One that cannot take
  // its label would fail at once in its own bracket: Skipped stands for it.
  const Generator taker = GeneratorOf(LabelOf(tree));
  auto tried = [taker](Generator g) { return taker == g || !Skipped(1); };
  Gen g = Gen::NotMine;
  if (tried(Generator::kStatement)) g = StatementCode(loc, next, fixups, tree);
  if (g == Gen::NotMine && tried(Generator::kOperand)) g = OperandCode(loc, next, fixups, tree);
  if (g == Gen::NotMine && tried(Generator::kOperator)) g = OperatorCode(loc, next, fixups, tree);
  if (g == Gen::NotMine) g = OwnCode(loc, next, fixups, tree);
  if (g == Gen::NotMine) Oops(tree);
  if (g != Gen::Ok) return r.Fail();
  if (Index().recordStatements) NoteCode(tree, loc, next);
  return r.Succeed(next, fixups);
}

}  // namespace vyl
