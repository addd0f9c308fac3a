// Switch statements.  Vyl switches are strict: every case group has exactly
// one label and ends in a statement that does not fall through (break,
// continue, return or a loop that never ends).  The groups are chained from
// the last to the first and attached to the switch record, where the code
// generator builds the jump table.
#include <cstdint>

#include "expr/expr.h"
#include "scanner/scanner.h"
#include "stmt/stmt.h"
#include "stmt/stmt_internal.h"

namespace vyl {

namespace {

constexpr const char* kSwitchBlockGroupMessages[] = {
    nullptr,
    "Missing break at end of case",
};

enum LabelState : int32_t { kCaseConstant = 1, kCaseColon, kDefaultColon };

constexpr const char* kSwitchLabelMessages[] = {
    nullptr,
    "Case label must be a constant same type as switch expression",
    "Colon expected after case label",
    "Colon expected here",
};

}  // namespace

namespace stmt {

// "switch" ParExpn "{" { SwitchBlockGroup } "}", after "switch".  The switch
// is the target of `break` while its groups are parsed; control reaches the
// statement after it whenever it reaches the switch.
bool SwitchStatement(Rule& r, Tree syms, int32_t reach, Tree link, Tree& stmt, int32_t& reachOut) {
  Tree selector = nullptr, type = nullptr;
  int32_t low = 0, high = 0, broke = 0;
  if (!ParExpn(syms, selector, type, low, high)) return false;
  Tree sw = Build(L_sw, type, {link, selector, nullptr});
  Tree context = Bound(kKeyBreak, syms);
  if (!Breakable(sw, 0, broke, context)) return false;
  r.state = kScalarExpected;
  if (!IsScalar(type)) return false;
  r.state = kSwitchBraces;
  if (!Accept(T_LBrace)) return false;
  r.state = 0;
  Tree last = nullptr;
  for (;;) {
    Attempt group(r, '(');
    Tree next = nullptr;
    if (!SwitchBlockGroup(syms, type, last, next)) break;
    last = next;
  }
  r.state = kSwitchCloseBrace;
  if (!Accept(T_RBrace)) return false;
  r.state = 0;
  if (last && !InsertStuff(last, sw)) return false;
  if (!Breakable(nullptr, 0, broke, context)) return false;
  stmt = sw;
  reachOut = reach;
  return true;
}

}  // namespace stmt

// SwitchBlockGroup ::= SwitchLabel { Statment }
//
// The group's statements form a sequence of their own; the last one must
// not let control fall into the next group.
bool SwitchBlockGroup(Tree syms, Tree switchType, Tree prevGroup, Tree& group) {
  Rule r("SwitchBlockGroup", kSwitchBlockGroupMessages);
  Tree label = nullptr;
  if (!SwitchLabel(syms, switchType, label)) return r.Fail();
  Tree last = nullptr;
  int32_t reach = 1;
  for (;;) {
    Attempt statement(r, '(');
    Tree next = nullptr;
    int32_t after = 0;
    if (!Statment(nullptr, nullptr, syms, reach, last, next, after)) break;
    last = next;
    reach = after;
  }
  r.state = 1;
  if (reach != 0) return r.Fail();
  group = Build(L_cs, nullptr, {prevGroup, label, last});
  return r.Succeed(group);
}

// SwitchLabel ::= "case" constant ":" | "default" ":"
//
// A case label is a scalar constant expression comparable with the switch
// expression; `default` has no label.
bool SwitchLabel(Tree syms, Tree switchType, Tree& label) {
  Rule r("SwitchLabel", kSwitchLabelMessages);
  label = nullptr;
  if (Accept(K_case)) {
    // The constant is checked here rather than by ConstExpn, so that a label
    // that is not a constant gets the case label's own message.
    Tree tree = nullptr, type = nullptr, common = nullptr;
    int32_t low = 0, high = 0;
    r.state = kCaseConstant;
    if (!Expression(syms, tree, type, low, high) || low != high || !IsScalar(type) ||
        !Comparable(syms, switchType, type, common)) {
      return r.Fail();
    }
    label = Constant(low);
    r.state = kCaseColon;
    if (!Accept(T_Colon)) return r.Fail();
  } else if (Accept(K_default)) {
    r.state = kDefaultColon;
    if (!Accept(T_Colon)) return r.Fail();
  } else {
    return r.Fail();
  }
  r.state = 0;
  return r.Succeed(label);
}

}  // namespace vyl
