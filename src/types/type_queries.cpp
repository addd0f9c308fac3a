// Queries on type records and on the records that denote typed things: the
// size and name of a type, whether it is a scalar or an object, the range of
// values it holds, and the type, member table and range that a variable,
// constant, function, class or package record denotes.
//
// A type is a `ty` node: slot 0 the name, child 2 an `sz` node holding the
// size, child 3 the descriptor (`rn` range, `en` enumeration, `ch`
// character, `pt` reference, `ar` array, `vt` void, `cl` class, `no` opaque).
#include <cstdint>
#include <limits>

#include "types/types.h"

namespace vyl {

namespace {

bool IsEntry(Tree t) { return t && t->kind == kEntry; }

// The highest value of an enumeration: the value of its last constant, which
// child 2 holds either as a `cn` or as the constant definition whose child 3
// is the `cn`.
bool EnumHigh(Tree en, int32_t& high) {
  Tree last = Part(en, 2);
  if (Is(last, L_df)) last = Part(last, 3);
  if (!Is(last, L_cn)) return false;
  high = ValueOf(last);
  return true;
}

// The size of the object that a reference refers to: the laid-out size of
// its class record, 0 when it refers to no class (the null type).
int32_t ReferredObjectSize(Tree pt) {
  Tree target = Part(pt, 1);
  if (Is(target, L_cl) && Is(Part(target, 6), L_sz)) return ValueOf(Kid(Part(target, 6), 0));
  return 0;
}

bool RangeOf(Tree t, int32_t& low, int32_t& high) {
  switch (LabelOf(t)) {
    case L_ty: {
      Tree d = Part(t, 3);
      if (Is(d, L_rn) || Is(d, L_en) || Is(d, L_ch)) return RangeOf(d, low, high);
      return Unbounded(low, high);  // a type without a value range of its own
    }
    case L_rn:
      if (!Is(Part(t, 1), L_cn) || !Is(Part(t, 2), L_cn)) return false;
      low = ValueOf(Part(t, 1));
      high = ValueOf(Part(t, 2));
      return true;
    case L_en:
      if (!EnumHigh(t, high)) return false;
      low = 0;
      return true;
    case L_ch:
      low = 0;
      high = 255;
      return true;
    case L_st:
    case L_cl:
    case L_pk:
    case L_tv:
    case L_fl:
    case L_pt:
    case L_ar:
      return Unbounded(low, high);
    default:
      return false;
  }
}

// The alternatives of GetItsType, tried in order by GetItsType below.
struct ItsType {
  Tree members = nullptr;
  Tree type = nullptr;
  int32_t low = 0;
  int32_t high = 0;
};

// A member table as a class or package holds it: a dictionary, or nothing.
bool MemberTable(Tree t, Tree& members) {
  if (t && !IsEntry(t)) return false;
  members = t;
  return true;
}

bool Denoted(Tree t, ItsType& out) { return GetItsType(t, out.members, out.type, out.low, out.high); }

bool TypeWithRange(Tree type, ItsType& out) {
  out.type = type;
  return GetTypeRange(type, out.low, out.high);
}

bool Alternatives(Tree node, ItsType& out) {
  const int32_t label = LabelOf(node);
  ItsType inner;
  // 1. A type: its descriptor gives the member table and the range.
  if (label == L_ty && Denoted(Part(node, 3), inner)) {
    out = {inner.members, node, inner.low, inner.high};
    return true;
  }
  // 2. A named constant: its value is the whole range.
  if (label == L_df && Is(Part(node, 3), L_cn)) {
    int32_t v = ValueOf(Part(node, 3));
    out = {nullptr, Part(node, 2), v, v};
    return true;
  }
  // 3. Other constants, variables and functions denote their type.
  if ((label == L_df || label == L_vr || label == L_fn) && Denoted(Part(node, 2), inner)) {
    out = {inner.members, Part(node, 2), inner.low, inner.high};
    return true;
  }
  // 4. A reference: what it refers to gives the member table.
  if (label == L_pt && Denoted(Part(node, 1), inner)) {
    out = {inner.members, node, inner.low, inner.high};
    return true;
  }
  // 5. A class record: its class type and its own member table.
  if (label == L_cl && MemberTable(Part(node, 5), out.members)) return TypeWithRange(Part(node, 2), out);
  // 6. A package: its member table (child 5, beside the last member record in child 4).
  if (label == L_pk && MemberTable(Part(node, 5), out.members)) return TypeWithRange(node, out);
  out.members = nullptr;
  // 7. A signature denotes its result type.
  if (label == L_xf) return TypeWithRange(Part(node, 1), out);
  // 8. Descriptors that stand for themselves.
  if (label == L_tv || label == L_ch || label == L_fl || label == L_st) return TypeWithRange(node, out);
  // 9. A range denotes its base type, an enumeration its enumerated type.
  if (label == L_rn) return TypeWithRange(Part(node, 3), out);
  if (label == L_en) return TypeWithRange(Part(node, 1), out);
  // 10. A reference whose target has no member table: the target.
  if (label == L_pt) return TypeWithRange(Part(node, 1), out);
  // 11. An array record denotes the array type that owns it.
  if (label == L_ar) {
    out.type = Part(node, 3);
    return GetTypeRange(node, out.low, out.high);
  }
  // 12. An opaque marker: no range.
  if (label == L_no) {
    out.type = node;
    return Unbounded(out.low, out.high);
  }
  return false;
}

}  // namespace

bool TypeSize(Tree type, int32_t& size) {
  LeafRule r("TypeSize");
  Tree sz = nullptr;
  if (Is(type, L_ch)) {
    size = 2;
    return r.Succeed(size);
  }
  if (Is(type, L_ty)) sz = Part(type, 2);
  if (Is(type, L_cl)) sz = Part(type, 6);
  if (!Is(sz, L_sz)) return r.Fail();
  size = ValueOf(Kid(sz, 0));  // an empty size (void, a class not yet laid out) is 0
  return r.Succeed(size);
}

bool NameOfType(Tree type, int32_t& name) {
  LeafRule r("NameOfType");
  if (!Is(type, L_ty) && !Is(type, L_cl)) return r.Fail();
  name = ValueOf(Kid(type, 0));
  return r.Succeed(name);
}

bool IsScalar(Tree type) {
  LeafRule r("IsScalar");
  int32_t high = 0;
  bool scalar = false;
  switch (LabelOf(type)) {
    case L_rn:
      scalar = Is(Part(type, 1), L_cn) && Is(Part(type, 2), L_cn);
      break;
    case L_en:
      scalar = EnumHigh(type, high);
      break;
    case L_ch:
      scalar = true;
      break;
    case L_ty:
      scalar = Part(type, 3) && IsScalar(Part(type, 3));
      break;
    default:
      break;
  }
  return scalar ? r.Succeed() : r.Fail();
}

// The size handed back is the size of the object: a class record's laid-out
// size, or for a reference the size of the class it refers to.  The result
// type is the type a value of the object has: a class record's class type, a
// reference type itself.
bool IsObject(Tree type, int32_t& size, Tree& resultType) {
  LeafRule r("IsObject");
  if (Is(type, L_cl) && Is(Part(type, 6), L_sz)) {
    size = ValueOf(Kid(Part(type, 6), 0));
    resultType = Part(type, 2);
    return r.Succeed(size, resultType);
  }
  Tree pt = Is(type, L_ty) ? Part(type, 3) : type;
  if (!Is(pt, L_pt)) return r.Fail();
  size = ReferredObjectSize(pt);
  resultType = type;
  return r.Succeed(size, resultType);
}

bool GetTypeRange(Tree type, int32_t& low, int32_t& high) {
  LeafRule r("GetTypeRange");
  if (!RangeOf(type, low, high)) return r.Fail();
  return r.Succeed(low, high);
}

bool GetItsType(Tree node, Tree& members, Tree& type, int32_t& low, int32_t& high) {
  LeafRule r("GetItsType");
  ItsType out;
  if (!Alternatives(node, out)) return r.Fail();
  members = out.members;
  type = out.type;
  low = out.low;
  high = out.high;
  return r.Succeed(members, type, low, high);
}

bool Unbounded(int32_t& low, int32_t& high) {
  high = std::numeric_limits<int32_t>::max();
  low = -1 - high;
  return true;
}

}  // namespace vyl
