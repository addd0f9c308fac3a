// What a name denotes where a statement or an operand begins with it: an
// intrinsic call, a call of a declared function, a named constant, or a
// variable with its selectors.
#include <cstdint>
#include <limits>

#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kLeftOrCallMessages[] = {
    nullptr,
    "Argument list expected",
    "Badly formed argument or missing ')'",
};

bool IsIntrinsic(Tree record) { return Is(record, L_fn) && Is(Part(record, 2), L_fn); }
bool IsDeclaredFunction(Tree record) { return Is(record, L_fn) && Is(Part(record, 2), L_xf); }

// A call of a declared function: its arguments matched against the
// signature, and the call record.
bool FunctionCall(Rule& r, Tree function, Tree syms, Tree link, Tree& tree, Tree& type, int32_t& low,
                  int32_t& high) {
  r.state = 1;
  if (!Accept(T_LParen)) return false;
  Tree signature = Part(function, 2);
  Tree caller = nullptr, arguments = nullptr;
  r.state = 2;
  if (!Argments(syms, Part(signature, 2), nullptr, function, caller, arguments)) return false;
  if (!Accept(T_RParen)) return false;
  r.state = 0;
  type = Part(signature, 1);
  int32_t size = 0, isReference = 0, resultSize = 0;
  if (IsPointer(type, size, isReference) && isReference) {
    // The callee has already taken the reference it returns: a range that
    // sums to zero keeps the caller from taking it a second time.
    high = std::numeric_limits<int32_t>::max();
    low = -high;
  } else if (!GetTypeRange(type, low, high)) {
    Unbounded(low, high);
  }
  if (!TypeSize(type, resultSize)) return false;
  tree = Build(L_fc, Leaf(ValueOf(Part(function, 4))),
               {link, arguments, Build(L_nt, Leaf(ValueOf(Kid(function, 0)))), Build(L_nn, Leaf(resultSize))});
  return true;
}

}  // namespace

// The record as GetItsType sees it, then every selector that follows.  The
// member table for a "." is the one of the type designated so far, so that
// a field of an array element (a[i].f) or of a field (a.b.c) is found.
bool Designate(Rule& r, Tree syms, Designation& d) {
  Tree members = nullptr;
  if (!GetItsType(d.record, members, d.type, d.low, d.high)) return false;
  for (;;) {
    // No "[" or ".": the repetition's bracket, Selector's and that of its
    // first alternative.
    if (!Sees(T_LBracket) && !Sees(T_Dot) && Skipped(3)) break;
    Attempt selector(r, '(');
    Tree access = nullptr, record = nullptr, type = nullptr, extra = nullptr;
    int32_t low = 0, high = 0;
    if (!Selector(syms, members, d.record, d.type, d.access, access, record, type, extra, low, high)) break;
    d = Designation{record, type, access, low, high};
    Tree typeMembers = nullptr, denoted = nullptr;
    int32_t lo = 0, hi = 0;
    members = GetItsType(type, typeMembers, denoted, lo, hi) ? typeMembers : extra;
  }
  return true;
}

// LeftOrCall ::= QualIdent ( MagiCall | "(" Argments ")" | { Selector } )
//
// The leading name may have been read by the caller (`leading` and its
// `access`); otherwise the rule reads it.  Hands back the access or call
// tree, the designated record, its type, whether it is a call, and the
// value range.
bool LeftOrCall(Tree leading, Tree access, Tree syms, Tree link, Tree& tree, Tree& record, Tree& type,
                int32_t& isCall, int32_t& low, int32_t& high) {
  Rule r("LeftOrCall", kLeftOrCallMessages);
  if (!leading) {
    int32_t name = 0, modifiers = 0;
    Tree extra = nullptr;
    if (!QualIdent(0, syms, name, leading, access, extra, modifiers)) return r.Fail();
  }
  record = leading;
  isCall = 0;
  if (IsIntrinsic(leading)) {
    if (!MagiCall(leading, syms, link, tree, type, low, high)) return r.Fail();
    isCall = 1;
    return r.Succeed(tree, record, type, isCall, low, high);
  }
  if (IsDeclaredFunction(leading)) {
    if (!FunctionCall(r, leading, syms, link, tree, type, low, high)) return r.Fail();
    isCall = 1;
    return r.Succeed(tree, record, type, isCall, low, high);
  }
  if (Is(leading, L_df) && Is(Part(leading, 3), L_cn)) {
    // A named constant stands for its value.
    tree = leading;
    type = Part(leading, 2);
    low = high = ValueOf(Part(leading, 3));
    return r.Succeed(tree, record, type, isCall, low, high);
  }
  Designation d{leading, nullptr, access};
  if (!Designate(r, syms, d)) return r.Fail();
  tree = d.access;
  record = d.record;
  type = d.type;
  low = d.low;
  high = d.high;
  return r.Succeed(tree, record, type, isCall, low, high);
}

}  // namespace vyl
