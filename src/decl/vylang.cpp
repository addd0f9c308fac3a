// Placeholder start rule: fails until the compiler front end exists.
#include "decl/decl.h"

namespace vyl {

bool VYLang() {
  Rule r("VYLang");
  return r.Fail();
}

bool ModifiersOpt(int32_t& modifiers) {
  modifiers = 0;
  return true;
}

}  // namespace vyl
