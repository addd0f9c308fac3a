// The start rule, the disk image writer and the declaration rules: imports,
// modifiers, classes and type aliases, variables and constant tables, and
// functions.
//
// A declaration rule receives the symbol table and the head of the
// declaration chain and hands back the extended table and the new head (the
// record it built, whose child 1 holds the previous head).
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace vyl {

// Modifier bits.
enum Modifier : int32_t { kModStatic = 2, kModSynchronized = 8, kModFinal = 64 };

// ---------------------------------------------------------------------------
// Compilation unit and disk image

// The start rule: compiles the whole source; true on success.
bool VYLang();
// Writes every entry of a dictionary to the trace.
void TraceDict(Tree dict);
// Writes image cells 0 .. size-1 to the output, 16 values per line.
bool WriteImage(int32_t size);

// ---------------------------------------------------------------------------
// Class and type declarations

bool ImportDeclaration(Tree syms, Tree chain, Tree& newChain, Tree& newSyms);
bool TypeDeclaration(Tree enclosing, Tree syms, Tree chain, Tree& newChain, Tree& newSyms);
bool ModifiersOpt(int32_t& modifiers);
bool Modifier(int32_t& bit);
bool ClassDecln(Tree enclosing, int32_t modifiers, Tree syms, Tree chain, Tree& newChain, Tree& newSyms);
bool ClassOrTypeDecln(Tree enclosing, int32_t modifiers, int32_t name, Tree syms, Tree chain, Tree& newChain,
                      Tree& newSyms);
bool NewType(Tree syms, int32_t name, Tree chain, Tree& type, Tree& newSyms);
bool ClassBodyDecln(Tree classRecord, int32_t className, Tree scope, Tree fields, Tree& newFields, Tree& newScope);
bool MemberDecl(Tree enclosing, int32_t modifiers, int32_t className, Tree syms, Tree chain, Tree& newChain,
                Tree& newSyms);

// ---------------------------------------------------------------------------
// Variable declarations and constant tables (name 0: not read yet)

bool VarDecln(Tree enclosing, int32_t name, int32_t modifiers, Tree type, Tree syms, Tree chain, Tree& newChain,
              Tree& newSyms);

// ---------------------------------------------------------------------------
// Method declarations

bool MethodRest(Tree enclosing, int32_t className, int32_t modifiers, int32_t name, Tree resultType, Tree syms,
                Tree chain, Tree& newChain, Tree& newSyms);
bool MethodHeader(Tree enclosing, Tree prior, int32_t className, int32_t modifiers, int32_t name, Tree resultType,
                  Tree syms, Tree chain, Tree& function, Tree& scope, Tree& newSyms, int32_t& level);
bool FormParam(int32_t first, Tree scope, Tree next, Tree& firstParam, Tree& newScope, int32_t& count);

}  // namespace vyl
