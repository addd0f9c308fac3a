// The start rule: builds the predefined environment, reads the source a
// second time from its beginning, parses the compilation unit, lowers and
// decorates the program tree, checks for `void main()`, generates the code
// image and writes it out as a Text Floppy Disk Image.
//
// Between the phases the source may carry directives: '?' switches the full
// trace on (at the start; after the imports, with a dump of the symbol
// table; after the declarations, with a dump of the program tree), '!'
// switches it off, and a hexadecimal number sets the code emitter's watch
// address.
#include <cstdint>

#include "decl/decl.h"
#include "decl/decl_internal.h"
#include "env/env.h"
#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kVYLangMessages[] = {nullptr, "There is no 'void main()'", "Code generation failed"};
enum { kNoMain = 1, kCodeGenFailed = 2 };

constexpr int32_t kTraceMark = 0xA6;  // written to the trace before the symbol-table dump

// A failure before `void main()` is looked up: "Failed" without a message.
bool Quietly() { return false; }

// '?' switches the full trace on.
bool TraceOn() {
  if (!Accept(T_Query)) return false;
  SetTraceLevel(2);
  return true;
}

// Only the trailing directives and the end of the source may follow the
// last declaration.
bool AtTrailer(int32_t token) {
  return token == T_Query || token == T_Bang || token == T_Hex || token == T_End;
}

// A `void main()` without parameters: an `fn` record with a signature whose
// result type is `void` and which has no first parameter, and a procedure
// number.
bool IsVoidMain(Tree record, Tree voidType) {
  Tree signature = Part(record, 2);
  return Is(record, L_fn) && Is(signature, L_xf) && Equal(Part(signature, 1), voidType) && !Part(signature, 2) &&
         Is(Part(record, 4), L_fn);
}

// The reserved keys: the procedure counter, then on a new level the empty
// enclosing context, the break context, the table pool and the top-level
// location record (locals of the start code begin at offset 6).
bool SeedReservedKeys(Tree& syms, Tree& counter, Tree& pool, Tree& location) {
  counter = Build(L_fn, Leaf(1));
  pool = Build(L_tk, nullptr, {nullptr, nullptr});
  location = Build(L_lc, Leaf(6), {Build(L_dl, Leaf(1)), nullptr});
  Tree opened = nullptr;
  if (!Bind(syms, kKeyProcCounter, counter) || !openPlus(syms, opened)) return false;
  syms = opened;
  return Bind(syms, kKeyContext, nullptr) && Bind(syms, kKeyBreak, Build(L_no)) &&
         Bind(syms, kKeyTablePool, pool) && Bind(syms, kKeyLocation, location);
}

}  // namespace

// VYLang ::= [ "?" ] { ImportDeclaration } [ "?" ] { TypeDeclaration }
//            [ "?" ] [ "!" ] [ hexadecimal number ]
bool VYLang(BackEnd& backEnd) {
  Rule r("VYLang", kVYLangMessages);
  // 1, 2. The outermost symbol table: the built-in types and the packages.
  Tree builtins = nullptr;
  Tree syms = nullptr;
  int32_t mainName = 0;
  if (!BuiltinTypes(nullptr, builtins) || !BasicInOutSyms(builtins, syms, mainName)) return Quietly();
  TraceDict(syms);
  // 3, 4.
  Tree voidType = Bound(kKeyVoid, syms);
  if (!voidType) return Quietly();
  Tree counter = nullptr;
  Tree pool = nullptr;
  Tree location = nullptr;
  if (!SeedReservedKeys(syms, counter, pool, location)) return Quietly();
  // 5 to 7. The source again from its first character; the output's header.
  Rescan();
  TraceOn();
  Msg("Text Floppy Disk Image");
  MsgLineEnd();
  PhaseEnd(Phase::kSetup);
  // 8, 9. The imports.
  Tree chain = nullptr;
  {
    Attempt repeat(r, '(');
    while (ImportDeclaration(syms, chain, chain, syms)) {
    }
  }
  if (TraceOn()) {
    TraceChar(kTraceMark);
    TraceDict(syms);
  }
  // 10. The line that decorates the top-level statements: the one before the
  // first declaration (0 when the declarations start on line 1).
  const int32_t line = CurrentLine() - 1;
  // 11. The declarations; global tree 9 holds the table each one starts from.
  {
    Attempt repeat(r, '(');
    for (;;) {
      SetGlobal(syms, 9);
      if (!TypeDeclaration(nullptr, syms, chain, chain, syms)) break;
    }
  }
  if (!AtTrailer(TokenCode())) r.Report("Declaration expected in line " + NumberText(CurrentLine()));
  CheckInitialValues(chain);
  PhaseEnd(Phase::kParse);
  // 12, 13. The program tree: variables laid out, functions last; the
  // top-level listing.
  Tree program = nullptr;
  Tree statements = nullptr;
  if (!CopyOver(syms, 9, nullptr, program, statements, chain)) return Quietly();
  if (statements && !Decorate(line, statements)) return Quietly();
  if (!ShoSyms(syms, 0, 1)) return Quietly();
  PhaseEnd(Phase::kLower);
  // 14, 15. Trailing directives: dump the program tree, trace off.
  if (TraceOn()) TraceTree(program, 999, 0);
  if (Accept(T_Bang)) SetTraceLevel(0);
  // 16 to 20: the image, the procedure counter as the table binds it, the
  // watch address, one procedure number past the last.
  int32_t topLevel = 0;
  if (!UpdateLoc(0, topLevel, location) || !backEnd.AllocateImage()) return Quietly();
  counter = Bound(kKeyProcCounter, syms);
  int32_t watch = 0;
  if (TokHex(watch) && !backEnd.SetWatch(watch)) return Quietly();
  if (TokenCode() != T_End) r.Report("Declaration expected in line " + NumberText(CurrentLine()));
  int32_t procedures = 0;
  if (!NewProcNo(procedures, counter)) return Quietly();
  // 21, 22.
  r.state = kNoMain;
  Tree mainRecord = Bound(mainName, syms);
  if (!IsVoidMain(mainRecord, voidType)) return r.Fail();
  // 23 to 25.
  r.state = kCodeGenFailed;
  int32_t size = 0;
  if (!backEnd.Generate(program, pool, procedures, mainRecord, size)) return r.Fail();
  PhaseEnd(Phase::kGenerate);
  SetTraceLevel(0);
  if (!backEnd.WriteImage(size)) return r.Fail();
  PhaseEnd(Phase::kWrite);
  return r.Succeed();
}

// Every entry of a dictionary, oldest first, in tree notation.
void TraceDict(Tree dict) {
  TraceTree(dict, 9999, 0);
  TraceLine();
}

}  // namespace vyl
