// Declaration lowering: a declaration chain (newest first, linked through
// child 1) becomes the tree the generator walks.  Uninitialised variables
// get their frame offsets, a `zz` node pushes their zero words, inline
// objects get a header and a length word, and functions come last.
//
// Passes: 9 drives the others; 0 keeps classes, constant pairs and
// initialised declarations; -1 lays out the newest inline object; 2 (and 1
// below an inline object) places the variables; -2 keeps the functions.
#include <algorithm>
#include <array>
#include <span>

#include "lower/lower.h"

namespace vyl {

namespace {

struct Lowered {
  Tree chain = nullptr;
  Tree statements = nullptr;
};

// The rest of a chain is lowered by CopyOver itself, with the pass given.
bool Lower(Tree syms, int32_t pass, Tree link, Lowered& out, Tree decl) {
  out = Lowered{};
  return CopyOver(syms, pass, link, out.chain, out.statements, decl);
}

// The record with the same label, slot 0 and children, but `rest` as child 1.
Tree Keep(Tree record, Tree rest) {
  NodeRec* node = AsNode(record);
  std::array<Tree, 8> kids{};
  std::size_t count = static_cast<std::size_t>(std::clamp(node->n, 0, 8));
  for (std::size_t i = 0; i < count; ++i) kids[i] = ChildOf(node, static_cast<int>(i + 1));
  if (count >= 1) kids[0] = rest;
  return BuildWith(node->label, ChildOf(node, 0), std::span<const Tree>(kids.data(), count), node->n);
}

Tree Up(Tree context) { return Build(L_up, context); }

// An unplaced variable gets the next offset of the scope.
bool Place(Tree syms, Tree variable, Tree rest, Tree& chain) {
  Tree type = Part(variable, 2);
  Tree location = Part(variable, 4);
  Tree context = nullptr;
  int32_t level = 0;
  int32_t offset = 0;
  if (!NextVarInfo(type, syms, context, level, offset)) return false;
  if (!Decorate(offset, location)) return false;
  chain = Build(L_vr, Kid(variable, 0), {rest, type, Up(context), location});
  return true;
}

// An inline object: a header word FFF0, a length word, then the object.
// In pass -1 the header and the length are pushed by two initialising
// statements under the block's `zz`; in pass 1 they are assigned.
bool Allocate(Tree syms, int32_t pass, Tree object, Tree rest, Lowered& out) {
  Tree intType = nullptr;
  int32_t level = 0;
  if (!From(kKeyInt, syms, intType, level)) return false;
  Tree type = Part(object, 2);
  Tree size = Part(object, 3);
  Tree location = Part(object, 4);
  Tree context = nullptr;
  Tree objectContext = nullptr;
  int32_t header = 0;
  int32_t length = 0;
  int32_t offset = 0;
  if (!NextVarInfo(intType, syms, context, level, header) || !NextVarInfo(intType, syms, context, level, length) ||
      !NextVarInfo(type, syms, objectContext, level, offset)) {
    return false;
  }
  if (!Is(location, L_of)) return false;
  Tree base = Part(location, 1);
  Tree headerValue = Build(L_cn, Leaf(-16));
  Tree headerSlot = Build(L_vr, nullptr, {rest, intType, Up(context), Build(L_of, Leaf(header), {base})});
  Tree headerStatement =
      pass == -1 ? Build(L_as, intType, {headerSlot, nullptr, headerValue}) : headerSlot;
  Tree lengthSlot =
      Build(L_vr, nullptr, {headerStatement, intType, Up(context), Build(L_of, Leaf(length), {base})});
  Tree statements = nullptr;
  out.statements = nullptr;
  if (pass == -1) {
    statements = Build(L_zz, nullptr, {Build(L_as, intType, {lengthSlot, nullptr, size})});
    out.statements = statements;
  } else {
    Tree headerAccess = nullptr;
    Tree lengthAccess = nullptr;
    if (!VarAccess(kSlotMode, header, headerSlot, headerAccess) ||
        !VarAccess(kSlotMode, length, lengthSlot, lengthAccess)) {
      return false;
    }
    statements = Build(L_as, intType,
                       {Build(L_as, intType, {lengthSlot, headerAccess, headerValue}), lengthAccess, size});
  }
  if (!Decorate(offset, location)) return false;
  out.chain = Build(L_vr, Kid(object, 0), {statements, type, Up(objectContext), location});
  return true;
}

// An initialised declaration: `as` over the variable (possibly wrapped in a
// line node), no target, the value in child 3.
Tree InitialisedVariable(Tree decl) {
  if (!Is(decl, L_as) || Part(decl, 2)) return nullptr;
  Tree inner = Part(decl, 1);
  if (Is(inner, L_nn) && Is(Part(inner, 1), L_vr)) return Part(inner, 1);
  if (Is(inner, L_vr)) return inner;
  return nullptr;
}

// One record of the chain in passes 0, -1, 1, 2 and -2.
bool Walk(Tree syms, int32_t pass, Tree link, Lowered& out, Tree decl) {
  out = Lowered{};
  if (!decl || Is(decl, L_ty)) {
    // The end of the chain; a type alias's record stands where the chain
    // ended and is passed over.
    out.chain = link;
    return true;
  }
  Lowered rest;
  if (Is(decl, L_no)) {
    if (!Lower(syms, pass, link, rest, Part(decl, 1))) return false;
    out = rest;
    if (pass == 0) out.chain = Build(L_no, Kid(decl, 0), {rest.chain, Part(decl, 2)});
    return true;
  }
  if (Tree variable = InitialisedVariable(decl)) {
    if (!Lower(syms, pass, link, rest, Part(variable, 1))) return false;
    out = rest;
    if (pass == 0) {
      Tree kept = Keep(variable, rest.chain);
      if (Is(Part(decl, 1), L_nn)) kept = Keep(Part(decl, 1), kept);
      out.chain = Keep(decl, kept);
    }
    return true;
  }
  if (Is(decl, L_vr) && Is(Part(decl, 3), L_cn)) {
    // An inline object.
    switch (pass) {
      case -1:
        return Allocate(syms, pass, decl, link, out);
      case 1:
        return Lower(syms, 1, link, rest, Part(decl, 1)) && Allocate(syms, pass, decl, rest.chain, out);
      case 2:
        return Lower(syms, 1, link, out, Part(decl, 1));
      default:
        return Lower(syms, pass, link, out, Part(decl, 1));
    }
  }
  if (Is(decl, L_vr)) {
    if (!Lower(syms, pass, link, rest, Part(decl, 1))) return false;
    out = rest;
    if (pass != 1 && pass != 2) return true;
    if (!Part(decl, 3)) return Place(syms, decl, rest.chain, out.chain);
    out.chain = Keep(decl, rest.chain);
    return true;
  }
  if ((Is(decl, L_fn) && KidCount(decl) >= 4) || Is(decl, L_cl)) {
    if (!Lower(syms, pass, link, rest, Part(decl, 1))) return false;
    out = rest;
    if ((pass == -2 && Is(decl, L_fn)) || (pass == 0 && Is(decl, L_cl))) out.chain = Keep(decl, rest.chain);
    return true;
  }
  return false;
}

// Pass 9: the passes over the whole chain, the `zz` that pushes the
// uninitialised words, and the line node of the statements.
bool Drive(Tree syms, Tree link, Lowered& out, Tree decls) {
  out = Lowered{};
  Tree location = Bound(kKeyLocation, syms);
  if (!location) return false;
  // Classes, constants and initialised slots, in declaration order.
  Lowered kept;
  if (!Lower(syms, 0, link, kept, decls)) return false;
  int32_t before = 0;
  if (!UpdateLoc(0, before, location)) return false;
  // The newest inline object, if any.
  Lowered object;
  if (!Lower(syms, -1, kept.chain, object, decls)) return false;
  Tree placeLink = object.chain;
  Tree counted = object.statements;
  int32_t base = before + 2;  // the object's length word is pushed by its own statement
  if (!counted) {
    counted = Build(L_zz, nullptr, {object.chain});
    placeLink = counted;
    base = before;
  }
  // The variables, each on its offset.
  Lowered placed;
  if (!Lower(syms, 2, placeLink, placed, decls)) return false;
  int32_t after = 0;
  if (!UpdateLoc(0, after, location)) return false;
  // The words the `zz` pushes.
  if (!Decorate((after - base) / 2, counted)) return false;
  Tree functionLink = placed.chain;
  if (!Equal(placed.chain, link)) {
    out.statements = Build(L_nn, nullptr, {placed.chain});
    functionLink = out.statements;
  }
  // The functions last.
  Lowered functions;
  if (!Lower(syms, -2, functionLink, functions, decls)) return false;
  out.chain = functions.chain;
  return true;
}

}  // namespace

bool CopyOver(Tree syms, int32_t pass, Tree link, Tree& chain, Tree& statements, Tree decls) {
  Rule r("CopyOver");
  chain = nullptr;
  statements = nullptr;
  Lowered out;
  if (!(pass == 9 ? Drive(syms, link, out, decls) : Walk(syms, pass, link, out, decls))) return r.Fail();
  chain = out.chain;
  statements = out.statements;
  return r.Succeed(chain, statements);
}

}  // namespace vyl
