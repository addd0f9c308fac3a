// Blocks: a function body or a nested block, with the local declarations
// of a function body and the statements.
//
// The block record is an `nn` node holding the line of the closing brace;
// its child is a `no` node whose child 1 is the lowered list of locals
// (built on the statement link the block was given) and whose child 2 is
// the last statement.  The statements of the block form a sequence of their
// own, linked from the last to the first.
#include <cstdint>

#include "expr/expr.h"
#include "scanner/scanner.h"
#include "stmt/stmt.h"
#include "stmt/stmt_internal.h"

namespace vyl {

namespace {

enum BlocksState : int32_t {
  kDeclareFirst = 1,
  kDeclarationSemicolon,
  kModifiers,
  kMalformed,
  kCloseBrace,
};

constexpr const char* kBlocksMessages[] = {
    nullptr,
    "Variables must be declared before statements",
    "Invalid declaration or missing semicolon ';'",
    "Modifiers inappropriate here",
    "Malformed statement or variable declaration",
    "Malformed statement or missing close brace '}'",
};

// The type a leading name denotes when it starts a declaration: a type, or
// the class type of a class (a class name resolves to its class record).
// Whatever the name denotes, its size is asked for: only types have one.
bool DeclaredType(Tree record, Tree& type) {
  int32_t size = 0;
  if (!TypeSize(record, size)) return false;
  type = Is(record, L_cl) && Is(Part(record, 2), L_ty) ? Part(record, 2) : record;
  return true;
}

}  // namespace

// Blocks ::= "{" { declaration ";" | Statment } "}"
//
// Only a function's own body (`function` given) declares variables, and only
// before its first statement.
bool Blocks(Tree function, Tree syms, int32_t reach, Tree prev, Tree& block, int32_t& reachOut, Tree& newSyms) {
  Rule r("Blocks", kBlocksMessages);
  const int32_t openLine = CurrentLine();
  if (!Accept(T_LBrace)) return r.Fail();
  bool declarations = function != nullptr;
  Tree scope = syms;
  Tree chain = nullptr;  // the local declarations, newest first
  Tree last = nullptr;   // the last statement
  for (;;) {
    Attempt item(r, '(');
    const int32_t line = CurrentLine();
    const int32_t begin = CurrentSpan().begin;
    int32_t name = 0, modifiers = 0, after = reach;
    Tree record = nullptr, access = nullptr, extra = nullptr, type = nullptr, stmt = nullptr;
    if (QualIdent(1, scope, name, record, access, extra, modifiers)) {
      if (DeclaredType(record, type)) {
        r.state = kDeclareFirst;
        if (!declarations) return r.Fail();
        r.state = kDeclarationSemicolon;
        Tree newChain = nullptr, newScope = nullptr;
        if (!VarDecln(function, 0, modifiers, type, scope, chain, newChain, newScope)) return r.Fail();
        if (!Accept(T_Semi)) return r.Fail();
        r.state = 0;
        chain = newChain;
        scope = newScope;
        continue;
      }
      r.state = kModifiers;
      if (modifiers != 0) return r.Fail();
      r.state = kMalformed;
      if (!stmt::StatmentAt(line, begin, record, access, scope, reach, last, stmt, after)) return r.Fail();
      r.state = 0;
    } else if (!Statment(nullptr, nullptr, scope, reach, last, stmt, after)) {
      break;  // nothing more that starts an item
    }
    declarations = false;
    last = stmt;
    reach = after;
  }
  // Lower the declarations: the locals list is built on the link the block
  // was given, and its line node gets the line of the opening brace.
  Tree locals = nullptr, statements = nullptr;
  if (!CopyOver(scope, 9, prev, locals, statements, chain)) return r.Fail();
  if (statements && !Decorate(openLine, statements)) return r.Fail();
  block = Build(L_nn, Leaf(CurrentLine()), {Build(L_no, nullptr, {locals, last})});
  r.state = kCloseBrace;
  if (!Accept(T_RBrace)) return r.Fail();
  r.state = 0;
  reachOut = reach;
  newSyms = scope;
  return r.Succeed(block, reachOut, newSyms);
}

}  // namespace vyl
