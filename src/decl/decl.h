// The start rule, the disk image writer and the declaration rules.
#pragma once

namespace vyl {

// The start rule: compiles the whole source; true on success.
bool VYLang();

}  // namespace vyl
