// The assignment statement: a variable or element, "=", and a value of a
// type it can hold.
#include <cstdint>

#include "expr/expr.h"
#include "scanner/scanner.h"
#include "stmt/stmt.h"
#include "stmt/stmt_internal.h"

namespace vyl {

namespace {

enum AssignState : int32_t {
  kVariableExpected = 1,
  kAssignOperator,
  kAssignValue,
  kAssignCompatible,
  kAssignLarger,
};

constexpr const char* kAssignStmtMessages[] = {
    nullptr,
    "Variable name expected here",
    "Assignment operator '=' expected here",
    "Expression value expected for assignment",
    "Expression value must be compatible type with variable",
    "Cannot assign larger structures",
};

}  // namespace

// AssignStmt ::= target "=" Expression
//
// The target is a variable or an array element (`target` is its record,
// `access` its access tree); with no target given the rule reads one.  The
// assignment record holds the target's type, the link, the target access
// (wrapped in `bt` for a 1-byte target), the value and, for a reference
// target, the marker that says whether the stored reference is counted.
bool AssignStmt(Tree target, Tree targetType, Tree syms, Tree link, Tree access, Tree& stmt, int32_t& low,
                int32_t& high) {
  Rule r("AssignStmt", kAssignStmtMessages);
  if (!target) {
    int32_t name = 0, modifiers = 0;
    Tree extra = nullptr;
    if (!QualIdent(0, syms, name, target, access, extra, modifiers)) return r.Fail();
    Designation d{target, nullptr, access};
    if (!Designate(r, syms, d)) return r.Fail();
    target = d.record;
    targetType = d.type;
    access = d.access;
  }
  r.state = kVariableExpected;
  if (!Is(target, L_vr) && !Is(target, L_ax)) return r.Fail();
  r.state = kAssignOperator;
  if (!Accept(T_Assign)) return r.Fail();
  Tree value = nullptr, valueType = nullptr;
  r.state = kAssignValue;
  const int32_t valueBegin = CurrentSpan().begin;
  if (!Expression(syms, value, valueType, low, high)) return r.Fail();
  r.state = kAssignCompatible;
  if (!Assignable(syms, targetType, valueType)) {
    PinMessage(SpanFrom(valueBegin));
    NoteTypes("the variable", targetType, "the value", valueType);
    return r.Fail();
  }
  WarnArrayConversion(targetType, valueType, SpanFrom(valueBegin));
  int32_t valueSize = 0, valueIsReference = 0;
  r.state = kAssignLarger;
  if (!IsPointer(valueType, valueSize, valueIsReference) || valueSize > 2) return r.Fail();
  r.state = 0;

  int32_t targetSize = 0, isReference = 0;
  if (!IsPointer(targetType, targetSize, isReference)) return r.Fail();
  Tree place = targetSize == 1 ? Build(L_bt, nullptr, {access}) : access;
  Tree marker = nullptr;
  if (isReference) marker = Build(stmt::SumsToZero(low, high) ? L_pm : L_pt);
  stmt = Build(L_as, targetType, {link, place, value, marker});
  return r.Succeed(stmt, low, high);
}

}  // namespace vyl
