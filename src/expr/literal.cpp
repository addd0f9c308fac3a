// Literals: numbers, characters, strings, true, false and null.
#include <cstdint>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

// The constants true and false as the built-in boolean type holds them: its
// enumeration names the true definition, which is linked to the false one.
bool BooleanConstant(Tree syms, bool value, Tree& tree, Tree& type) {
  type = Bound(kKeyBoolean, syms);
  Tree en = Part(type, 3);
  Tree trueDef = Part(en, 2);
  Tree falseDef = Part(trueDef, 1);
  if (!Is(en, L_en) || !Is(trueDef, L_df) || !Is(falseDef, L_df)) return false;
  tree = Part(value ? trueDef : falseDef, 3);
  return Is(tree, L_cn);
}

}  // namespace

// Literal ::= number | hexadecimal number | character | string | "true"
//           | "false" | "null"
bool Literal(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  Rule r("Literal");
  int32_t value = 0;
  if (TokNumber(value) || TokHex(value)) {
    type = Bound(kKeyInt, syms);
    tree = Constant(value);
    low = high = value;
  } else if (TokChar(value)) {
    type = Bound(kKeyChar, syms);
    tree = Constant(value);
    low = high = value;
  } else if (TokString(value)) {
    // A reference to the string's constant table in the pool.
    Tree table = nullptr;
    if (!StringConstant(value, syms, table)) return r.Fail();
    type = Bound(kKeyString, syms);
    tree = Build(L_df, nullptr, {nullptr, type, table});
    Unbounded(low, high);
  } else if (Accept(K_true)) {
    if (!BooleanConstant(syms, true, tree, type)) return r.Fail();
    low = high = 1;
  } else if (Accept(K_false)) {
    if (!BooleanConstant(syms, false, tree, type)) return r.Fail();
    low = high = 0;
  } else if (Accept(K_null)) {
    tree = Bound(kKeyNull, syms);
    if (!Is(tree, L_df)) return r.Fail();
    type = Part(tree, 2);
    low = high = 0;
  } else {
    return r.Fail();
  }
  return r.Succeed(tree, type, low, high);
}

}  // namespace vyl
