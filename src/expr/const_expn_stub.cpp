// PLACEHOLDER until the expression rules exist; delete this file with them.
//
// ConstExpn accepts a decimal or hexadecimal number token only (type int,
// value the number) and fails silently otherwise; Expression and ParExpn
// always fail silently.
#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

bool ConstExpn(Tree syms, Tree& tree, Tree& type, int32_t& value) {
  Rule r("ConstExpn");
  int32_t level = 0;
  if (!From(kKeyInt, syms, type, level)) return r.Fail();
  if (!TokNumber(value) && !TokHex(value)) return r.Fail();
  tree = Build(L_cn, Leaf(value));
  return r.Succeed(tree, type, value);
}

bool Expression(Tree, Tree&, Tree&, int32_t&, int32_t&) {
  Rule r("Expression");
  return r.Fail();
}

bool ParExpn(Tree, Tree&, Tree&, int32_t&, int32_t&) {
  Rule r("ParExpn");
  return r.Fail();
}

}  // namespace vyl
