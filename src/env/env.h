// The predefined environment: the packages Hardware, Dangerous, Semaphores
// and Files, bound in the outermost symbol table before any source is read.
//
// Hardware makes the machine's memory-mapped device registers visible as
// predefined variables of record type, with named constants; Dangerous holds
// the low-level intrinsic procedures; Semaphores and Files hold the
// semaphore and file types and their intrinsics.  A program sees a package's
// members after importing it; the package names themselves are always bound.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace vyl {

// Adds the predefined packages to `syms` and hands back the string id of
// "main", the name of the program's entry function.
bool BasicInOutSyms(Tree syms, Tree& out, int32_t& mainName);

// The steps of BasicInOutSyms, in the order it calls them.
//
// The first devices and all constants of Hardware, bound in a new member
// table; `last` is the last constant defined.
bool BasicVideoSyms(Tree syms, Tree& last, Tree& members, int32_t& datum, int32_t& address);
// The remaining devices and the vector table of Hardware, the package
// Hardware, then the package Dangerous.
bool BasicMoreSyms(int32_t datum, int32_t address, Tree syms, Tree last, Tree members, Tree& out);
// The package Dangerous (called by BasicMoreSyms).
bool BasicDangerousSyms(Tree syms, Tree& out);
// The packages Semaphores and Files.
bool BasicClassSyms(Tree syms, Tree& out);

// Building blocks of the devices.
//
// A device: its record type and class, and the device variable at `address`
// bound in `members`; `scope` is the class's own member scope (key -1 bound
// to the class), `addressNode` the constant address the fields are laid over.
bool BasicIOclass(int32_t name, int32_t address, int32_t size, Tree previous, Tree members, Tree& membersOut,
                  Tree& deviceClass, Tree& scope, Tree& addressNode);
// One field of a device at byte `offset` from its address, bound in `scope`.
bool BasicIOfield(int32_t name, int32_t offset, Tree deviceClass, Tree fieldType, Tree addressNode, Tree previousField,
                  Tree scope, Tree& scopeOut, Tree& field);
// Completes a device class from its fields (linked through child 1).
bool BasicIOparts(Tree deviceClass, Tree lastField, Tree scope, Tree& classOut);
// One named constant, bound in `members`.
bool BasicIOconst(int32_t name, int32_t value, Tree type, Tree previous, Tree members, Tree& membersOut,
                  Tree& constant);

}  // namespace vyl
