// The predefined environment: the packages Hardware, Dangerous, Semaphores
// and Files, bound in the outermost symbol table before any source is read.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace vyl {

// Adds the predefined packages to `syms` and hands back the string id of
// "main", the name of the program's entry function.
bool BasicInOutSyms(Tree syms, Tree& out, int32_t& mainName);

}  // namespace vyl
