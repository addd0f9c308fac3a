// Placeholder start rule: fails until the compiler front end exists.
#include "decl/decl.h"
#include "runtime/runtime.h"

namespace vyl {

bool VYLang() {
  Rule r("VYLang");
  return r.Fail();
}

}  // namespace vyl
