// What may stand at the top level of a source file: package imports,
// modifiers, classes and type aliases, and the dispatch to member (function
// or variable) declarations.
//
// A class is a record type: its body holds fields only.  The class record
// `cl` and its type `ty` (a 2-byte reference to the record) are built
// first, the fields are bound in a member scope of their own and laid out
// by the declaration lowering, and the class's size is recorded last.
#include <cstdint>
#include <string>

#include "decl/decl.h"
#include "decl/decl_internal.h"
#include "expr/expr.h"
#include "scanner/scanner.h"
#include "stmt/stmt.h"

namespace vyl {

namespace {

constexpr const char* kImportMessages[] = {nullptr, "Semicolon expected"};
constexpr const char* kClassOrTypeMessages[] = {nullptr, "Malformed class member or missing close brace '}'"};
constexpr const char* kMemberDeclMessages[] = {nullptr, "Member declaration (starting with type) expected",
                                               "Invalid declaration or missing semicolon ';'"};

enum { kMalformedMember = 1 };
enum { kTypeExpected = 1, kSemicolonExpected = 2 };

bool IsEntry(Tree t) { return t && t->kind == kEntry; }

// A class body: "{" { ClassBodyDecln } "}", steps 1 to 9 of a class
// declaration.  `syms` is the table the class is declared in.
bool ClassBody(Rule& r, int32_t name, int32_t line, Tree syms, Tree chain, Tree& newChain, Tree& newSyms) {
  // 1. Object is the template of every class: its member table is the base
  // of every class scope.
  Tree objectType = Bound(kKeyObject, syms);
  Tree objectClass = Part(objectType, 3);
  if (!Is(objectClass, L_cl)) return false;
  Tree base = Part(objectClass, 5);
  // 2, 3. The class record and its type, a 2-byte reference to the record.
  Tree classRecord = Build(L_cl, Leaf(name), {chain});
  Tree classType = Build(L_ty, Leaf(name), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {classRecord})});
  if (!InsertStuff(classType, classRecord)) return false;
  // 4. The name: a second class of the same name in this scope is refused.
  Tree table = syms;
  if (!Bind(table, name, classType)) return false;
  NoteDeclaration(classType, name, DeclKind::kClass, nullptr);
  // 5. The member scope: the enclosing context is the class, and the fields
  // are laid out from offset 0.
  Tree location = Build(L_lc, Leaf(0), {Build(L_dl, Leaf(1)), nullptr});
  Tree scope = nullptr;
  if (!openPlus(base, scope) || !Bind(scope, kKeyContext, classRecord) || !Bind(scope, kKeyLocation, location)) {
    return false;
  }
  // 6, 7. The members, each bound in the member scope; their types are
  // resolved in the enclosing table, which now knows the class itself.
  if (!Accept(T_LBrace)) return false;
  Tree fields = nullptr;
  {
    Attempt repeat(r, '(');
    while (ClassBodyDeclnIn(classRecord, name, table, scope, fields, fields, scope)) {
    }
  }
  r.state = kMalformedMember;
  if (!Accept(T_RBrace)) return false;
  r.state = 0;
  // 8. The fields get their offsets.
  Tree members = nullptr;
  Tree statements = nullptr;
  if (!CopyOver(scope, 9, chain, members, statements, fields)) return false;
  if (statements && !Decorate(line, statements)) return false;
  // 9. The size of the fields completes the class.
  int32_t size = 0;
  if (!UpdateLoc(0, size, location) || !ClassParts(members, scope, size, classRecord)) return false;
  newChain = classRecord;
  newSyms = table;
  return true;
}

// ClassOrTypeDecln for a class whose declaration started on `line`.
bool ClassOrType(Tree enclosing, int32_t modifiers, int32_t name, int32_t line, Tree syms, Tree chain,
                 Tree& newChain, Tree& newSyms) {
  Rule r("ClassOrTypeDecln", kClassOrTypeMessages);
  (void)enclosing;
  (void)modifiers;  // modifiers have no effect on a class or an alias
  if (Accept(T_Assign)) {
    // A type alias: the name stands for the type.  The declaration chain is
    // left as it was: an alias declares nothing that is laid out.
    Tree type = nullptr;
    Tree same = nullptr;
    if (!NewType(syms, name, chain, type, same)) return r.Fail();
    Tree table = syms;
    if (!Bind(table, name, type)) r.Report("Type name " + IdText(name) + " is already defined here");
    NoteDeclaration(type, name, DeclKind::kTypeAlias, nullptr);
    if (!Accept(T_Semi)) return r.Fail();
    newChain = chain;
    newSyms = table;
    return r.Succeed(newChain, newSyms);
  }
  if (!ClassBody(r, name, line, syms, chain, newChain, newSyms)) return r.Fail();
  return r.Succeed(newChain, newSyms);
}

}  // namespace

// ImportDeclaration ::= "import" Identifier [ "." "*" ] ";"
//
// Binds the package name and every member of the package at the current
// level of the symbol table.
bool ImportDeclaration(Tree syms, Tree chain, Tree& newChain, Tree& newSyms) {
  Rule r("ImportDeclaration", kImportMessages);
  if (!Accept(K_import)) return r.Fail();
  int32_t name = 0;
  if (!Identifier(name)) return r.Fail();
  const SourceSpan nameSpan = PreviousSpan();
  Tree package = Bound(name, syms);
  if (!package) r.Report("Undefined package " + IdText(name));
  NoteUse(nameSpan, package);
  if (Accept(T_Dot) && !Accept(T_Star)) return r.Fail();
  Tree members = Part(package, 5);
  if (!Is(package, L_pk) || (members && !IsEntry(members))) r.Report("Package name expected for " + IdText(name));
  // Importing the same package twice finds its name bound at this level.
  Tree table = syms;
  if (!Bind(table, name, package)) r.Report("Package name expected for " + IdText(name));
  // The members, from the first entry of the member table to the last.
  for (Tree e = members; IsEntry(e); e = static_cast<EntryRec*>(e)->next) {
    auto* entry = static_cast<EntryRec*>(e);
    if (entry->name == 0) continue;  // a level marker binds nothing
    if (!Bind(table, entry->name, entry->value)) {
      r.Report("Can't import " + IdText(entry->name) + " from package " + IdText(name));
    }
  }
  if (Tracing()) TraceDict(members);
  r.state = 1;
  if (!Accept(T_Semi)) return r.Fail();
  newChain = chain;
  newSyms = table;
  return r.Succeed(newChain, newSyms);
}

// TypeDeclaration ::= ModifiersOpt ( ClassDecln | MemberDecl ) | ";"
bool TypeDeclaration(Tree enclosing, Tree syms, Tree chain, Tree& newChain, Tree& newSyms) {
  Rule r("TypeDeclaration");
  if (Accept(T_Semi)) {  // an empty declaration
    newChain = chain;
    newSyms = syms;
    return r.Succeed(newChain, newSyms);
  }
  int32_t modifiers = 0;
  ModifiersOpt(modifiers);
  bool done = false;
  {
    Attempt alternative(r);
    done = ClassDecln(enclosing, modifiers, syms, chain, newChain, newSyms);
  }
  if (!done) {
    Attempt alternative(r);
    done = MemberDecl(enclosing, modifiers, 0, syms, chain, newChain, newSyms);
  }
  if (!done) return r.Fail();
  return r.Succeed(newChain, newSyms);
}

// ClassDecln ::= "class" Identifier ClassOrTypeDecln
bool ClassDecln(Tree enclosing, int32_t modifiers, Tree syms, Tree chain, Tree& newChain, Tree& newSyms) {
  Rule r("ClassDecln");
  int32_t line = CurrentLine();
  if (!Accept(K_class)) return r.Fail();
  int32_t name = 0;
  if (!Identifier(name)) return r.Fail();
  NoteDeclaredName(PreviousSpan());
  if (!ClassOrType(enclosing, modifiers, name, line, syms, chain, newChain, newSyms)) return r.Fail();
  return r.Succeed(newChain, newSyms);
}

// ClassOrTypeDecln ::= "=" NewType ";" | "{" { ClassBodyDecln } "}"
bool ClassOrTypeDecln(Tree enclosing, int32_t modifiers, int32_t name, Tree syms, Tree chain, Tree& newChain,
                      Tree& newSyms) {
  return ClassOrType(enclosing, modifiers, name, CurrentLine(), syms, chain, newChain, newSyms);
}

// NewType ::= aType
bool NewType(Tree syms, int32_t name, Tree chain, Tree& type, Tree& newSyms) {
  Rule r("NewType");
  (void)name;
  (void)chain;
  if (!aType(syms, type)) return r.Fail();
  newSyms = syms;
  return r.Succeed(type, newSyms);
}

// ClassBodyDecln ::= ModifiersOpt MemberDecl
bool ClassBodyDecln(Tree classRecord, int32_t className, Tree scope, Tree fields, Tree& newFields, Tree& newScope) {
  return ClassBodyDeclnIn(classRecord, className, scope, scope, fields, newFields, newScope);
}

bool ClassBodyDeclnIn(Tree classRecord, int32_t className, Tree typeSyms, Tree scope, Tree fields, Tree& newFields,
                      Tree& newScope) {
  Rule r("ClassBodyDecln");
  int32_t modifiers = 0;
  ModifiersOpt(modifiers);
  if (!MemberDeclIn(classRecord, modifiers, className, typeSyms, scope, fields, newFields, newScope)) {
    return r.Fail();
  }
  return r.Succeed(newFields, newScope);
}

// MemberDecl ::= aType Identifier ( MethodRest | VarDecln ";" )
//
// MethodRest is tried only outside a class body.
bool MemberDecl(Tree enclosing, int32_t modifiers, int32_t className, Tree syms, Tree chain, Tree& newChain,
                Tree& newSyms) {
  return MemberDeclIn(enclosing, modifiers, className, syms, syms, chain, newChain, newSyms);
}

bool MemberDeclIn(Tree enclosing, int32_t modifiers, int32_t className, Tree typeSyms, Tree syms, Tree chain,
                  Tree& newChain, Tree& newSyms) {
  Rule r("MemberDecl", kMemberDeclMessages);
  Tree type = nullptr;
  if (!aType(typeSyms, type)) return r.Fail();
  r.state = kTypeExpected;
  int32_t name = 0;
  if (!Identifier(name)) return r.Fail();
  r.state = 0;
  const bool inClass = Is(enclosing, L_cl);
  if (!inClass) {
    bool function = false;
    {
      Attempt alternative(r);
      function = MethodRest(enclosing, className, modifiers, name, type, syms, chain, newChain, newSyms);
    }
    if (function) return r.Succeed(newChain, newSyms);
  } else if (TokenCode() == T_LParen) {
    // A class body holds fields only.
    r.Report(kClassOrTypeMessages[kMalformedMember]);
  }
  if (!VarDeclnIn(enclosing, name, modifiers, type, typeSyms, syms, chain, newChain, newSyms)) return r.Fail();
  r.state = kSemicolonExpected;
  if (!Accept(T_Semi)) return r.Fail();
  return r.Succeed(newChain, newSyms);
}

}  // namespace vyl
