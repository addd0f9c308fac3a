// Name lookup in the symbol table, names for compiler-made types, and the
// storage of new variables.
//
// The symbol table is a persistent dictionary: every binding makes a new
// head, lookups find the newest binding of a key, and a scope ends when the
// caller goes on with the head it held before.
#include <cstdint>
#include <limits>
#include <string>

#include "codegen/codegen.h"
#include "decl/decl.h"
#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

bool IsEntry(Tree t) { return t && t->kind == kEntry; }

constexpr const char* kQualIdentMessages[] = {nullptr, "'void' is not a class member"};
constexpr const char* kNextVarInfoMessages[] = {nullptr, "Variables cannot be type 'void'"};

void AddText(std::string_view text) {
  for (char c : text) AddChar(static_cast<unsigned char>(c));
}

void AddDigits(uint32_t n) {
  if (n >= 10) AddDigits(n / 10);
  AddChar(static_cast<int32_t>('0' + n % 10));
}

}  // namespace

// QualIdent ::= [ ModifiersOpt ] ( "void" | Identifier [ "." QualIdent ] )
//
// A name resolves to the innermost binding of its first component; a class
// followed by "." continues in the class's member table.  Variables and
// constants end the resolution with their access tree (field selection on a
// variable is the business of the selectors).  The modifiers are read in
// mode 1 only and handed back as read.
bool QualIdent(int32_t mode, Tree syms, int32_t& name, Tree& record, Tree& access, Tree& extra, int32_t& modifiers) {
  Rule r("QualIdent", kQualIdentMessages);
  modifiers = 0;
  if (mode == 1) ModifiersOpt(modifiers);
  access = nullptr;
  extra = nullptr;
  int32_t level = 0;
  if (Accept(K_void)) {
    Tree voidType = nullptr;
    if (!From(kKeyVoid, syms, voidType, level)) {
      r.state = 1;
      return r.Fail();
    }
    record = voidType;
    name = ValueOf(Kid(voidType, 0));
    return r.Succeed(name, record);
  }
  int32_t id = 0;
  if (!Identifier(id)) return r.Fail();
  Tree found = nullptr;
  if (!From(id, syms, found, level)) r.Report("Undefined name " + std::string(StringText(id)));
  if (Is(found, L_vr) || Is(found, L_df)) {
    if (!VarAccess(kReferenceMode, 0, found, access)) return r.Fail();
    record = found;
    name = 0;
    return r.Succeed(name, record, access);
  }
  if (Is(found, L_ty) && Is(Part(found, 3), L_cl)) found = Part(found, 3);
  Tree members = Part(found, 5);
  if (Is(found, L_cl) && (!members || IsEntry(members)) && Accept(T_Dot)) {
    int32_t inner = 0;
    if (!QualIdent(0, members, name, record, access, extra, inner)) return r.Fail();
    return r.Succeed(name, record, access);
  }
  record = found;
  name = id;
  return r.Succeed(name, record);
}

// Identifier ::= an identifier token (not a keyword)
bool Identifier(int32_t& name) {
  Rule r("Identifier");
  if (!TokIdent(name)) return r.Fail();
  return r.Succeed(name);
}

// A name made from a base name: kind -N appends "[N]", kind 1 "[]", kind 2
// "^", any other kind "'" and the text of the string with that id.  Equal
// texts give the same id.
bool NewIdent(int32_t base, int32_t kind, int32_t& name) {
  Rule r("NewIdent");
  if (!initbl()) return r.Fail();
  if (base > 0) AddText(StringText(base));
  if (kind < 0) {
    AddChar('[');
    AddDigits(0u - static_cast<uint32_t>(kind));
    AddChar(']');
  } else if (kind == 1) {
    AddText("[]");
  } else if (kind == 2) {
    AddChar('^');
  } else {
    AddChar('\'');
    AddText(StringText(kind));
  }
  Intern(1, name);
  return r.Succeed(name);
}

void NumIdent(int32_t n) {
  if (n < 0) AddChar('-');
  AddDigits(n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n));
}

// The storage of a new variable of `type` in the scope being filled: the
// enclosing context record (key -1) and its level, and the next offset of
// the scope's location record (key -4), which advances by the variable's
// size rounded up to whole 2-byte words.
bool NextVarInfo(Tree type, Tree syms, Tree& context, int32_t& level, int32_t& offset) {
  Rule r("NextVarInfo", kNextVarInfoMessages);
  Tree location = nullptr;
  int32_t locationLevel = 0;
  if (!From(kKeyContext, syms, context, level) || !From(kKeyLocation, syms, location, locationLevel)) {
    return r.Fail();
  }
  int32_t size = 0;
  if (!TypeSize(type, size) || size <= 0) {
    r.state = 1;
    return r.Fail();
  }
  if (size == std::numeric_limits<int32_t>::max()) return r.Fail();  // no room to round up
  int32_t rounded = size + (size & 1);
  if (!UpdateLoc(rounded, offset, location)) return r.Fail();
  return r.Succeed(context, level, offset);
}

// The access tree of a variable or constant.  Slot mode: the slot at
// `offset` of the current frame or record.  Reference mode: the location a
// variable record carries, or the value of a constant definition.
bool VarAccess(int32_t mode, int32_t offset, Tree record, Tree& access) {
  Rule r("VarAccess");
  if (mode == kSlotMode && Is(record, L_vr)) {
    access = Build(L_of, Leaf(offset), {nullptr});
    return r.Succeed(access);
  }
  if (mode == kReferenceMode && Is(record, L_vr) && KidCount(record) >= 4) {
    access = Kid(record, 4);
    return r.Succeed(access);
  }
  if (mode == kReferenceMode && Is(record, L_df) && KidCount(record) >= 3) {
    access = Kid(record, 3);
    return r.Succeed(access);
  }
  return r.Fail();
}

}  // namespace vyl
