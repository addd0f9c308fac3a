// Function declarations: the parameter list, the function record with its
// signature and procedure number, prototypes and the bodies that follow
// them, and the function's frame.
//
// Frame: every parameter takes one word whatever its size; with n
// parameters the k-th lies at -2(n - k + 1), the last at -2.  Locals start
// at offset 6.  The signature holds the parameter word count plus one (what
// the return pops) and, after the body, the number of words of locals.
#include <cstdint>

#include "decl/decl.h"
#include "decl/decl_internal.h"
#include "expr/expr.h"
#include "scanner/scanner.h"
#include "stmt/stmt.h"

namespace vyl {

namespace {

// The end of a function body: where its parameters and locals are visible,
// its own extent, and the warnings that need the whole body: a reachable
// end of a function with a result, and locals never used.
void FunctionRead(Tree function, Tree resultType, SourceSpan body, bool endReachable) {
  SourceIndex& index = Index();
  for (std::size_t i = static_cast<std::size_t>(index.functionDecls); i < index.decls.size(); ++i) {
    DeclEntry& d = index.decls[i];
    if (d.owner != function) continue;
    d.scope = SourceSpan{d.kind == DeclKind::kParameter ? body.begin : d.nameSpan.begin, body.end};
    if (d.kind == DeclKind::kLocal && !d.used) {
      Warn("unused variable '" + IdText(d.name) + "'", d.nameSpan);
    }
  }
  if (DeclEntry* d = DeclarationOf(function)) d->scope = SourceSpan{d->nameSpan.begin, body.end};
  if (endReachable && !Is(Part(resultType, 3), L_vt)) {
    const std::string name = IdText(ValueOf(Kid(function, 0)));
    Warn("control reaches the end of non-void function '" + name + "'", SourceSpan{body.end - 1, body.end},
         {{"the function then returns 0; end it with a return statement", SourceSpan{}}});
  }
}

constexpr const char* kMethodRestMessages[] = {nullptr, "Method body (or ';') expected here"};
constexpr const char* kMethodHeaderMessages[] = {nullptr, "Function return type limited to 2 bytes",
                                                 "There is something wrong with this function's param list"};
constexpr const char* kFormParamMessages[] = {nullptr,
                                              "Another parameter expected after comma",
                                              "Parameter type expected here",
                                              "Parameter type must be 1 or 2 bytes",
                                              "Parameter name expected here",
                                              "Malformed parameter or missing close paren"};

enum { kBodyExpected = 1 };
enum { kResultTooLarge = 1, kBadParamList = 2 };
enum { kParamAfterComma = 1, kParamType, kParamSize, kParamName, kParamClose };

constexpr int32_t kFirstLocal = 6;  // frame bytes below it are not given to variables

// Same count and the same types in the same order; the names may differ.
bool SameParameters(Tree a, Tree b) {
  for (; a && b; a = Part(a, 1), b = Part(b, 1)) {
    if (!Equal(Part(a, 2), Part(b, 2))) return false;
  }
  return !a && !b;
}

// Whether the function of the scope being filled already lists its
// parameters: a definition that follows a prototype, whose parameters the
// prototype entered into the reference list.
bool ParametersListed(Tree scope) {
  Tree function = Bound(kKeyContext, scope);
  return Is(function, L_fn) && Part(Part(function, 2), 2);
}

}  // namespace

// MethodRest ::= "(" MethodHeader ( ";" | Blocks )
bool MethodRest(Tree enclosing, int32_t className, int32_t modifiers, int32_t name, Tree resultType, Tree syms,
                Tree chain, Tree& newChain, Tree& newSyms) {
  Rule r("MethodRest", kMethodRestMessages);
  const SourceSpan nameSpan = PreviousSpan();  // the name MemberDecl has just read
  if (!Accept(T_LParen)) return r.Fail();
  NoteDeclaredName(nameSpan);
  // A function declared before (a prototype) is completed, not declared again.
  Tree prior = Bound(name, syms);
  Tree function = nullptr;
  Tree scope = nullptr;
  Tree table = nullptr;
  int32_t level = 0;
  if (!MethodHeader(enclosing, prior, className, modifiers, name, resultType, syms, chain, function, scope, table,
                    level)) {
    return r.Fail();
  }
  newChain = prior ? chain : function;
  newSyms = table;
  if (Accept(T_Semi)) {  // a prototype: its parameter names are visible in it alone
    SourceIndex& index = Index();
    for (std::size_t i = static_cast<std::size_t>(index.functionDecls); i < index.decls.size(); ++i) {
      DeclEntry& d = index.decls[i];
      if (d.owner == function) d.scope.end = PreviousSpan().end;
    }
    index.function = nullptr;
    return r.Succeed(newChain, newSyms);
  }
  // The body: locals are laid out in the frame from offset 6.
  Tree frame = Build(L_lc, Leaf(kFirstLocal), {Build(L_dl, Leaf(level)), nullptr});
  if (!Bind(scope, kKeyLocation, frame) || !Bind(scope, kKeyFunction, function)) return r.Fail();
  r.state = kBodyExpected;
  Tree body = nullptr;
  Tree finalScope = nullptr;
  int32_t reach = 0;
  SourceIndex& index = Index();
  const int32_t bodyBegin = CurrentSpan().begin;
  if (!Blocks(function, scope, 1, nullptr, body, reach, finalScope) || !InsertStuff(body, function)) {
    return r.Fail();
  }
  index.function = nullptr;
  FunctionRead(function, resultType, SourceSpan{bodyBegin, PreviousSpan().end}, reach != 0);
  // A body must have its prototype's result type.
  Tree signature = Part(function, 2);
  if (!Is(function, L_fn) || !Is(signature, L_xf) || !Equal(Part(signature, 1), resultType)) return r.Fail();
  int32_t frameEnd = 0;
  if (!UpdateLoc(0, frameEnd, frame) || !Decorate(frameEnd / 2 - 3, Part(signature, 3))) return r.Fail();
  Tree context = nullptr;
  int32_t contextLevel = 0;
  From(kKeyContext, finalScope, context, contextLevel);
  if (!ShoSyms(finalScope, name, contextLevel)) return r.Fail();
  return r.Succeed(newChain, newSyms);
}

// MethodHeader ::= FormParam
//
// Hands back the function record, the scope with the parameters bound, the
// symbol table with the function bound and the level of the enclosing
// context.
bool MethodHeader(Tree enclosing, Tree prior, int32_t className, int32_t modifiers, int32_t name, Tree resultType,
                  Tree syms, Tree chain, Tree& function, Tree& scope, Tree& newSyms, int32_t& level) {
  Rule r("MethodHeader", kMethodHeaderMessages);
  (void)enclosing;
  (void)className;
  (void)modifiers;
  Tree context = nullptr;
  level = 0;
  Tree table = syms;
  if (!prior) {
    // 1. A new function: its signature, the enclosing context, its
    // procedure number, its record.
    Tree signature = Build(L_xf, nullptr, {resultType, nullptr, Build(L_nn), Build(L_no)});
    From(kKeyContext, syms, context, level);
    int32_t number = 0;
    if (!NewProcNo(number, Bound(kKeyProcCounter, syms))) return r.Fail();
    function =
        Build(L_fn, Leaf(name), {chain, signature, Build(L_up, context), Build(L_fn, Leaf(number)), nullptr});
    if (!Bind(table, name, function)) r.Report("Function " + IdText(name) + " is already defined");
    NoteDeclaration(function, name, DeclKind::kFunction, nullptr);
  } else {
    // 2. The prototype's record serves.
    From(kKeyContext, syms, context, level);
    if (!Is(prior, L_fn) || !Kid(prior, 0) || !Is(Part(prior, 2), L_xf)) return r.Fail();
    function = prior;
    if (DeclEntry* d = DeclarationOf(function)) d->definition = Index().pendingName;
    Index().pendingName = SourceSpan{};
  }
  // Its parameters and locals belong to it in the source index.
  Index().function = function;
  Index().functionDecls = static_cast<int32_t>(Index().decls.size());
  // 3. Results are passed in one word.
  r.state = kResultTooLarge;
  int32_t size = 0;
  if (!TypeSize(resultType, size) || size > 2) return r.Fail();
  r.state = 0;
  // 4. The function's scope: its context and an empty break context.
  Tree opened = nullptr;
  if (!openPlus(table, opened)) return r.Fail();
  scope = opened;
  if (!Bind(scope, kKeyContext, function) || !Bind(scope, kKeyBreak, Build(L_no))) return r.Fail();
  // 5, 6. The parameters.
  r.state = kBadParamList;
  Tree first = nullptr;
  int32_t count = 0;
  if (!FormParam(0, scope, nullptr, first, scope, count)) return r.Fail();
  Tree signature = Part(function, 2);
  if (!prior) {
    if (!Decorate(count, signature) || !InsertStuff(first, signature)) return r.Fail();
  } else if (!SameParameters(first, Part(signature, 2))) {
    // Calls and the return follow the prototype: a body with other
    // parameters would read and write the wrong frame words.
    return r.Fail();
  }
  r.state = 0;
  newSyms = table;
  return r.Succeed(function, scope, newSyms, level);
}

// FormParam ::= ")" | aType Identifier ( "," FormParam | ")" )
//
// One parameter per call, recursing to the right: the count handed back is
// the word count of this parameter and those after it, plus one.
bool FormParam(int32_t first, Tree scope, Tree next, Tree& firstParam, Tree& newScope, int32_t& count) {
  Rule r("FormParam", kFormParamMessages);
  (void)next;
  r.state = kParamAfterComma;
  if (Accept(T_RParen)) {
    if (first != 0) return r.Fail();
    firstParam = nullptr;
    newScope = scope;
    count = 1;
    return r.Succeed(firstParam, newScope, count);
  }
  r.state = kParamType;
  Tree type = nullptr;
  if (!aType(scope, type)) return r.Fail();
  r.state = kParamSize;
  int32_t size = 0;
  int32_t isReference = 0;
  if (!IsPointer(type, size, isReference) || (size != 1 && size != 2)) return r.Fail();
  r.state = kParamName;
  int32_t name = 0;
  if (!Identifier(name)) return r.Fail();
  const SourceSpan nameSpan = PreviousSpan();
  Tree rest = nullptr;
  Tree table = scope;
  int32_t restCount = 1;
  if (Accept(T_Comma)) {
    r.state = 0;
    if (!FormParam(1, scope, nullptr, rest, table, restCount)) return r.Fail();
  } else {
    r.state = kParamClose;
    if (!Accept(T_RParen)) return r.Fail();
  }
  r.state = 0;
  count = restCount + 1;
  Tree param = Build(L_vr, Leaf(name), {rest, type, nullptr, Build(L_of, Leaf(2 - 2 * count), {nullptr})});
  if (!ParametersListed(table) && !PointList(isReference, table, param)) return r.Fail();
  r.state = kParamName;  // a name bound twice
  if (!Bind(table, name, param)) return r.Fail();
  NoteDeclaration(param, name, DeclKind::kParameter, Index().function, nameSpan);
  firstParam = param;
  newScope = table;
  return r.Succeed(firstParam, newScope, count);
}

}  // namespace vyl
