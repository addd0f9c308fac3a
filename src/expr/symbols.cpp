// Name lookup in the symbol table, names for compiler-made types, and the
// modifiers that may precede a qualified name.
//
// The symbol table is a persistent dictionary: every binding makes a new
// head, lookups find the newest binding of a key, and a scope ends when the
// caller goes on with the head it held before.
#include <cstdint>
#include <limits>
#include <string>

#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

bool IsEntry(Tree t) { return t && t->kind == kEntry; }

constexpr const char* kQualIdentMessages[] = {nullptr, "'void' is not a class member"};

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
    return r.Succeed(name, record, access, extra, modifiers);
  }
  int32_t id = 0;
  if (!Identifier(id)) return r.Fail();
  const SourceSpan nameSpan = PreviousSpan();
  Tree found = nullptr;
  if (!From(id, syms, found, level)) {
    PinMessage(nameSpan);
    NoteUndefinedName(id, syms);
    r.Report("Undefined name " + std::string(StringText(id)));
  }
  NoteUse(nameSpan, found);
  if (Is(found, L_vr) || Is(found, L_df)) {
    if (!VarAccess(kReferenceMode, 0, found, access)) return r.Fail();
    record = found;
    name = 0;
    return r.Succeed(name, record, access, extra, modifiers);
  }
  if (Is(found, L_ty) && Is(Part(found, 3), L_cl)) found = Part(found, 3);
  Tree members = Part(found, 5);
  if (Is(found, L_cl) && (!members || IsEntry(members)) && Accept(T_Dot)) {
    int32_t inner = 0;
    if (!QualIdent(0, members, name, record, access, extra, inner)) return r.Fail();
    return r.Succeed(name, record, access, extra, modifiers);
  }
  record = found;
  name = id;
  return r.Succeed(name, record, access, extra, modifiers);
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

// ModifiersOpt ::= { Modifier }
//
// The set of modifier bits read; a repeated modifier adds nothing.
bool ModifiersOpt(int32_t& modifiers) {
  Rule r("ModifiersOpt");
  modifiers = 0;
  {
    Attempt repeat(r, '(');
    int32_t bit = 0;
    while (Modifier(bit)) {
      if ((modifiers & bit) == 0) modifiers += bit;
    }
  }
  return r.Succeed(modifiers);
}

// Modifier ::= "final" | "static" | "synchronized"
bool Modifier(int32_t& bit) {
  Rule r("Modifier");
  if (Accept(K_final)) {
    bit = kModFinal;
  } else if (Accept(K_static)) {
    bit = kModStatic;
  } else if (Accept(K_synchronized)) {
    bit = kModSynchronized;
  } else {
    return r.Fail();
  }
  return r.Succeed(bit);
}

}  // namespace vyl
