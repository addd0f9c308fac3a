// The symbol listing of one scope level: each variable with its storage
// mark, offset, type letter and name, on a line of its own in the output.
#include <string>

#include "decl/decl.h"
#include "expr/expr.h"

namespace vyl {

namespace {

bool IsNameHandle(int32_t name) { return name >= kFirstId && name < NextFreeId() && name % 3 == 0; }

// " " for a frame variable, "+" for a global, "*" for an absolute address.
std::string StorageMark(Tree location) {
  Tree base = Part(location, 1);
  if (!base || Is(base, L_in)) return " ";
  if (Is(base, L_gl) || Is(base, L_bg)) return "+";
  if (Is(base, L_cn)) return "*";
  return "?";
}

std::string TypeLetter(Tree syms, Tree type, Tree intType, Tree boolType, Tree charType) {
  if (intType && Assignable(syms, intType, type)) return "I";
  if (boolType && Assignable(syms, boolType, type)) return "B";
  if (charType && Assignable(syms, charType, type)) return "C";
  if (Is(type, L_ty) && Is(Part(type, 3), L_pt)) return "P";
  if (Is(type, L_ty) && Is(Part(type, 3), L_ar)) return "A";
  return "?";
}

}  // namespace

bool ShoSyms(Tree scope, int32_t name, int32_t level) {
  Rule r("ShoSyms");
  Tree types[5] = {};
  int32_t found = 0;
  for (int32_t key = kKeyInt; key <= kKeyString; ++key) From(key, scope, types[key], found);
  MsgLineEnd();
  Msg("! ");
  Msg(IsNameHandle(name) ? std::string(StringText(name)) : std::string("@"));
  Tree value = nullptr;
  int32_t entryLevel = 0;
  int32_t key = 0;
  for (int32_t i = 0; ixFrom(i, scope, value, entryLevel, key); ++i) {
    // Levels never grow along the table: past the first entry of an outer
    // level nothing is listed, and only the full trace shows the rest of
    // the enumeration.
    if (entryLevel < level && TraceLevel() <= 1) break;
    if (entryLevel != level || key < 1) continue;
    Tree location = Part(value, 4);
    if (!Is(value, L_vr) || !Is(location, L_of) || !IsLeaf(Kid(location, 0))) continue;
    MsgLineEnd();
    Msg("! ");
    Msg(StorageMark(location));
    MsgNumber(ValueOf(location));
    Msg(" ");
    Msg(TypeLetter(scope, Part(value, 2), types[kKeyInt], types[kKeyBoolean], types[kKeyChar]));
    Msg(" ");
    Msg(StringText(key));
  }
  MsgLineEnd();
  return r.Succeed();
}

}  // namespace vyl

