// The start rule and the declaration rules: imports, classes and type
// aliases, functions, and the symbol listing.
//
// A declaration rule receives the symbol table and the head of the
// declaration chain and hands back the extended table and the new head (the
// record it built, whose child 1 holds the previous head).
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace vyl {

// ---------------------------------------------------------------------------
// Compilation unit

// The code generator as the start rule drives it.  The session hands the
// generator in; the front end knows nothing else of it.
class BackEnd {
 public:
  virtual ~BackEnd() = default;
  // Allocates the code image of the compilation.
  virtual bool AllocateImage() = 0;
  // Sets the emission watch address (the hexadecimal directive).
  virtual bool SetWatch(int32_t address) = 0;
  // Generates the image from the procedure table on: the constant pool,
  // the start code, every method, the support routine and the size word.
  // Hands back the image size.
  virtual bool Generate(Tree program, Tree pool, int32_t procedures, Tree mainRecord, int32_t& size) = 0;
  // Writes image cells 0 .. size-1 to the output.
  virtual bool WriteImage(int32_t size) = 0;
};

// The start rule: compiles the whole source; true on success.
bool VYLang(BackEnd& backEnd);
// Writes every entry of a dictionary to the trace.
void TraceDict(Tree dict);

// ---------------------------------------------------------------------------
// Class and type declarations

bool ImportDeclaration(Tree syms, Tree chain, Tree& newChain, Tree& newSyms);
bool TypeDeclaration(Tree enclosing, Tree syms, Tree chain, Tree& newChain, Tree& newSyms);
bool ClassDecln(Tree enclosing, int32_t modifiers, Tree syms, Tree chain, Tree& newChain, Tree& newSyms);
bool ClassOrTypeDecln(Tree enclosing, int32_t modifiers, int32_t name, Tree syms, Tree chain, Tree& newChain,
                      Tree& newSyms);
bool NewType(Tree syms, int32_t name, Tree chain, Tree& type, Tree& newSyms);
bool ClassBodyDecln(Tree classRecord, int32_t className, Tree scope, Tree fields, Tree& newFields, Tree& newScope);
bool MemberDecl(Tree enclosing, int32_t modifiers, int32_t className, Tree syms, Tree chain, Tree& newChain,
                Tree& newSyms);

// ---------------------------------------------------------------------------
// Method declarations

bool MethodRest(Tree enclosing, int32_t className, int32_t modifiers, int32_t name, Tree resultType, Tree syms,
                Tree chain, Tree& newChain, Tree& newSyms);
bool MethodHeader(Tree enclosing, Tree prior, int32_t className, int32_t modifiers, int32_t name, Tree resultType,
                  Tree syms, Tree chain, Tree& function, Tree& scope, Tree& newSyms, int32_t& level);
bool FormParam(int32_t first, Tree scope, Tree next, Tree& firstParam, Tree& newScope, int32_t& count);

// ---------------------------------------------------------------------------
// Symbol listing

// The variables of one scope level, after a line "! NAME" ("@" when the
// name is no name).
bool ShoSyms(Tree scope, int32_t name, int32_t level);

}  // namespace vyl
