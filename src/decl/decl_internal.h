// Helpers shared by the declaration rules.  Internal to src/decl.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/runtime.h"

namespace vyl {

// A class member: a type and a name, then a function or a variable.  Types
// are resolved in `typeSyms`, the member is bound in `syms`: inside a class
// body the types come from the enclosing table while the fields go to the
// class's member scope.
bool MemberDeclIn(Tree enclosing, int32_t modifiers, int32_t className, Tree typeSyms, Tree syms, Tree chain,
                  Tree& newChain, Tree& newSyms);
bool ClassBodyDeclnIn(Tree classRecord, int32_t className, Tree typeSyms, Tree scope, Tree fields, Tree& newFields,
                      Tree& newScope);

// Refuses a program in which the initial value of a global calls a function
// that uses, directly or through other functions, that global or a later
// one, whose slot does not exist yet while the value is computed.  `chain`
// is the top-level declaration chain.
void CheckInitialValues(Tree chain);

}  // namespace vyl
