// The start rule, the disk image writer and the declaration rules.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace vyl {

// Modifier bits.
enum Modifier : int32_t { kModStatic = 2, kModSynchronized = 8, kModFinal = 64 };

// The start rule: compiles the whole source; true on success.
bool VYLang();

// ModifiersOpt ::= { Modifier }
bool ModifiersOpt(int32_t& modifiers);

}  // namespace vyl
