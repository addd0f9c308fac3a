// Primaries: address-of, the unary operators, braces, parentheses, object
// and array creation, literals, and names (variables, constants and calls).
#include <cstdint>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "expr/value_ranges.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kPrimaryMessages[] = {nullptr,
                                            "Import 'Dangerous' to use this",
                                            "Can't get address of that",
                                            "NOT operator requires boolean type",
                                            "Bit operator requires integer operand",
                                            "Positive sign operator requires numeric operand",
                                            "Sign operator requires numeric operand",
                                            "Invalid expression value"};

struct Operand {
  Tree tree = nullptr;
  Tree type = nullptr;
  ValueRange range;
};

ValueRange RangeOfType(Tree type) {
  ValueRange r;
  if (!GetTypeRange(type, r.low, r.high)) return FullRange();
  return r;
}

bool ParsePrimary(Tree syms, Operand& o) { return Primary(syms, o.tree, o.type, o.range.low, o.range.high); }

// A final object: a variable laid out in place with its header and length
// words, whose record holds the class record as its type.
bool IsFinalObject(Tree record) { return Is(record, L_vr) && Is(Part(record, 2), L_cl); }

// "&" LeftOrCall: the address of a variable, an element or a constant table,
// as an int.  Any address may result, so its range is int's.
bool AddressOf(Rule& r, Tree syms, Operand& o) {
  if (!Accept(T_Amp)) return false;
  r.state = 1;
  if (!Bound(kKeyAddressOf, syms)) return r.Fail();
  r.state = 2;
  Tree record = nullptr, type = nullptr;
  int32_t isCall = 0;
  ValueRange range;
  if (!LeftOrCall(nullptr, nullptr, syms, nullptr, o.tree, record, type, isCall, range.low, range.high) || isCall) {
    return r.Fail();
  }
  if (!Is(record, L_vr) && !Is(record, L_ax) && !(Is(record, L_df) && Is(Part(record, 3), L_tk))) return r.Fail();
  o.type = Bound(kKeyInt, syms);
  o.range = RangeOfType(o.type);
  return true;
}

// "!" Primary | "~" Primary | "+" Primary | "-" Primary
bool Unary(Rule& r, Tree syms, Operand& o) {
  int32_t sign = 0;
  if (Accept(T_Bang)) {
    if (!ParsePrimary(syms, o)) return r.Fail();
    r.state = 3;
    if (!IsBool(syms, o.type)) return r.Fail();
    o.tree = Build(L_nt, o.type, {o.tree});
    o.range = NotRange(o.range);
  } else if (Accept(T_Tilde)) {
    if (!ParsePrimary(syms, o)) return r.Fail();
    r.state = 4;
    if (!IsKeyType(syms, kKeyInt, o.type)) return r.Fail();
    o.tree = Build(L_xo, o.type, {o.tree, Constant(-1)});
    o.range = ComplementRange(o.range);
  } else if (Accept(T_Plus)) {
    if (!ParsePrimary(syms, o)) return r.Fail();
    r.state = 5;
    if (!IsNumeric(syms, o.type, sign)) return r.Fail();
  } else if (Accept(T_Minus)) {
    if (!ParsePrimary(syms, o)) return r.Fail();
    r.state = 6;
    if (!IsNumeric(syms, o.type, sign)) return r.Fail();
    o.tree = Build(L_ng, o.type, {o.tree});
    o.range = NegateRange(o.range, RangeOfType(o.type));
  } else {
    return false;
  }
  return true;
}

// "{" Expression { "," Expression } "}": the last expression.
bool Braces(Rule& r, Tree syms, Operand& o) {
  if (!Accept(T_LBrace)) return false;
  do {
    if (!Expression(syms, o.tree, o.type, o.range.low, o.range.high)) return r.Fail();
  } while (Accept(T_Comma));
  if (!Accept(T_RBrace)) return r.Fail();
  o.range = RangeOfType(o.type);
  return true;
}

bool Creation(Tree syms, Operand& o) {
  if (!Creator(syms, o.tree, o.type)) return false;
  o.range = RangeOfType(o.type);
  return true;
}

// A name: a call gives its call tree; a variable or element of 1 or 2 bytes
// is read (dr, with size code 1 for a byte); a final object gives its
// address, a reference; a named constant gives its value.  Anything larger
// than 2 bytes has no value.
bool Name(Rule& r, Tree syms, Operand& o) {
  Tree access = nullptr, record = nullptr;
  int32_t isCall = 0, size = 0;
  if (!LeftOrCall(nullptr, nullptr, syms, nullptr, access, record, o.type, isCall, o.range.low, o.range.high)) {
    return false;
  }
  r.state = 7;
  if (!TypeSize(o.type, size)) return r.Fail();
  const bool variable = Is(record, L_vr) || Is(record, L_ax);
  if (isCall) {
    o.tree = access;
  } else if (IsFinalObject(record)) {
    o.tree = access;
    o.type = Part(Part(record, 2), 2);  // the class type, a reference to the class record
    o.range = RangeOfType(o.type);
  } else if (variable && size == 1) {
    o.tree = Build(L_dr, Leaf(1), {access});
  } else if (variable && size == 2) {
    o.tree = Build(L_dr, nullptr, {access});
  } else if (Is(record, L_df)) {
    o.tree = Part(record, 3);
  } else if (Is(record, L_cn) || Is(access, L_cn)) {
    o.tree = Is(record, L_cn) ? record : access;
  } else {
    return r.Fail();
  }
  OptDeref(o.tree);
  return true;
}

// The alternative of Primary that the current token can start, in the
// order they are tried: 0 "&", 1 a unary operator, 2 "{", 3 "(", 4 "new",
// 5 a literal, 6 anything else (a name, or nothing that is a primary).
int32_t AlternativeAt() {
  switch (TokenCode()) {
    case T_Amp: return 0;
    case T_Bang: case T_Tilde: case T_Plus: case T_Minus: return 1;
    case T_LBrace: return 2;
    case T_LParen: return 3;
    case T_Number: case T_Hex: case T_Char: case T_String: return 5;
    default: break;
  }
  const int32_t keyword = KeywordOf(TokenCode(), TokenValue());
  if (keyword == K_new) return 4;
  if (keyword == K_true || keyword == K_false || keyword == K_null) return 5;
  return 6;
}

}  // namespace

// Primary ::= "&" LeftOrCall | "!" Primary | "~" Primary | "+" Primary
//           | "-" Primary | "{" Expression { "," Expression } "}" | ParExpn
//           | Creator | Literal | LeftOrCall
bool Primary(Tree syms, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  Rule r("Primary", kPrimaryMessages);
  Operand o;
  bool found = false;
  // The alternatives before the one the current token starts fail at their
  // first token without taking any, each in its bracket and those of
  // ParExpn, Creator and Literal: Skipped stands for them.
  const int32_t at = AlternativeAt();
  const int32_t from = at > 0 && Skipped(at > 3 ? 2 : 1) ? at : 0;
  if (from <= 0) {
    Attempt alternative(r);
    found = AddressOf(r, syms, o);
  }
  if (!found && from <= 1) {
    Attempt alternative(r);
    found = Unary(r, syms, o);
  }
  if (!found && from <= 2) {
    Attempt alternative(r);
    found = Braces(r, syms, o);
  }
  if (!found && from <= 3) {
    Attempt alternative(r);
    found = ParExpn(syms, o.tree, o.type, o.range.low, o.range.high);
  }
  if (!found && from <= 4) {
    Attempt alternative(r);
    found = Creation(syms, o);
  }
  if (!found && from <= 5) {
    Attempt alternative(r);
    found = Literal(syms, o.tree, o.type, o.range.low, o.range.high);
  }
  if (!found) {
    Attempt alternative(r);
    found = Name(r, syms, o);
  }
  if (!found) return r.Fail();
  tree = o.tree;
  type = o.type;
  low = o.range.low;
  high = o.range.high;
  return r.Succeed(tree, type, low, high);
}

}  // namespace vyl
