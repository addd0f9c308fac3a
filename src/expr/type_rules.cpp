// The rules every other part applies to types: the kind predicates, the
// common type of two operands, array bounds, conversions and assignment
// compatibility.  Types are compared by tree equality.  The predicates never
// report: their callers choose the message.
#include <cstdint>

#include "expr/expr.h"
#include "expr/expr_support.h"

namespace vyl {

namespace {

// A reference type: a `ty` whose descriptor is a `pt`.
bool IsReferenceType(Tree type) { return Is(type, L_ty) && Is(Part(type, 3), L_pt); }

Tree Referenced(Tree type) { return Part(Part(type, 3), 1); }

bool IsNullType(Tree type) { return IsReferenceType(type) && Is(Referenced(type), L_nl); }

// An array over the unbounded index type (written with empty brackets).
bool IsOpenArray(Tree type) {
  int32_t high = 0, elementSize = 0;
  return ArrayBounds(type, high, elementSize) && high < 0;
}

// Whether a type is an array type, told from its tree alone (untraced).
bool HasArrayRecord(Tree type) { return Is(Is(type, L_ty) && KidCount(type) >= 3 ? Kid(type, 3) : type, L_ar); }

// The element type of an array type.
Tree ElementType(Tree type) { return Part(Is(type, L_ty) && KidCount(type) >= 3 ? Kid(type, 3) : type, 2); }

constexpr const char* kCoerceMessages[] = {nullptr, "Huh (Coerce)?"};

}  // namespace

bool IsBool(Tree syms, Tree type) {
  LeafRule r("IsBool");
  return IsKeyType(syms, kKeyBoolean, type) ? r.Succeed() : r.Fail();
}

// Sign 1 for int, 0 and -1 for the numeric types of keys 5 and 6.
bool IsNumeric(Tree syms, Tree type, int32_t& sign) {
  LeafRule r("IsNumeric");
  if (IsKeyType(syms, kKeyInt, type)) {
    sign = 1;
  } else if (IsKeyType(syms, kKeyNumeric0, type)) {
    sign = 0;
  } else if (IsKeyType(syms, kKeyNumericCommon, type)) {
    sign = -1;
  } else {
    return r.Fail();
  }
  return r.Succeed(sign);
}

// Whether a value of the type is a reference (2 bytes), and otherwise the
// type's size.
bool IsPointer(Tree type, int32_t& size, int32_t& isReference) {
  LeafRule r("IsPointer");
  if (IsOpenArray(type) || IsReferenceType(type)) {
    size = 2;
    isReference = 1;
    return r.Succeed(size, isReference);
  }
  if (!TypeSize(type, size)) return r.Fail();
  isReference = 0;
  return r.Succeed(size, isReference);
}

// The common type of two operands, when they are comparable.
bool Comparable(Tree syms, Tree a, Tree b, Tree& common) {
  LeafRule r("Comparable");
  int32_t sign = 0, level = 0;
  if (Equal(a, b)) {
    common = a;
    return r.Succeed(common);
  }
  if (IsNumeric(syms, a, sign) && IsNumeric(syms, b, sign)) {
    if (!From(kKeyNumericCommon, syms, common, level)) return r.Fail();
    return r.Succeed(common);
  }
  if (IsNullType(a) && (IsReferenceType(b) || IsOpenArray(b))) {
    common = b;
    return r.Succeed(common);
  }
  if (IsNullType(b) && (IsReferenceType(a) || IsOpenArray(a))) {
    common = a;
    return r.Succeed(common);
  }
  if (!IsReferenceType(a) || !IsReferenceType(b)) {
    // Arrays of any length of one element type: a global's, a local's and
    // a new array's types are built apart.  A String is a String's only.
    // (Tried last, and only on two array types, so that the trace of what
    // was compared before is as it was.)
    if (HasArrayRecord(a) && HasArrayRecord(b) && IsOpenArray(a) && IsOpenArray(b) && IsKeyType(syms, kKeyString, a) == IsKeyType(syms, kKeyString, b) &&
        Equal(ElementType(a), ElementType(b))) {
      common = a;
      return r.Succeed(common);
    }
    return r.Fail();
  }
  Tree c = nullptr;
  if (!Comparable(syms, Referenced(a), Referenced(b), c)) return r.Fail();
  if (Equal(c, Referenced(a))) {
    common = a;
  } else if (Equal(c, Referenced(b))) {
    common = b;
  } else {
    // A reference to the common type, named after it with "^"; not bound.
    int32_t cName = 0, name = 0;
    NameOfType(c, cName);
    if (!NewIdent(cName, 2, name)) return r.Fail();
    common = Build(L_ty, Leaf(name), {nullptr, Build(L_sz, Leaf(2)), Build(L_pt, nullptr, {c})});
  }
  return r.Succeed(common);
}

// The highest index of an array type (-1 for an array of any length) and
// the size of its elements.
bool ArrayBounds(Tree type, int32_t& high, int32_t& elementSize) {
  LeafRule r("ArrayBounds");
  Tree array = type;
  if (Is(type, L_ty) && KidCount(type) >= 3) array = Kid(type, 3);
  if (!Is(array, L_ar) || KidCount(array) < 2) return r.Fail();
  int32_t low = 0;
  if (!TypeSize(Kid(array, 2), elementSize) || !GetTypeRange(Kid(array, 1), low, high)) return r.Fail();
  return r.Succeed(high, elementSize);
}

// The expression `expr` of type `source` as a value of type `target`: itself
// when no conversion is needed, else wrapped in an `mt` conversion record.
bool Coerce(Tree target, Tree source, Tree expr, Tree& result) {
  Rule r("Coerce", kCoerceMessages);
  int32_t targetHigh = 0, sourceHigh = 0, size = 0;
  if (Equal(target, source)) {
    result = expr;
    return r.Succeed(result);
  }
  if (ArrayBounds(target, targetHigh, size) && ArrayBounds(source, sourceHigh, size)) {
    if (targetHigh != sourceHigh) {
      r.state = 1;
      return r.Fail();
    }
    result = expr;
    return r.Succeed(result);
  }
  result = Build(L_mt, target, {expr, Build(L_ty, source)});
  return r.Succeed(result);
}

// Whether a value of type `source` may be stored into a place of type
// `target`.
bool Assignable(Tree syms, Tree target, Tree source) {
  Rule r("Assignable");
  int32_t targetSign = 0, sourceSign = 0, targetHigh = 0, sourceHigh = 0, size = 0;
  if (Equal(target, source)) return r.Succeed();
  if (IsNumeric(syms, target, targetSign) && IsNumeric(syms, source, sourceSign) && targetSign < sourceSign) {
    return r.Succeed();
  }
  if (ArrayBounds(target, targetHigh, size)) {
    if (targetHigh < 0) return r.Succeed();  // any value fits an array of any length
    if (ArrayBounds(source, sourceHigh, size) && sourceHigh == targetHigh) return r.Succeed();
  }
  if (IsNullType(source) && (IsReferenceType(target) || IsOpenArray(target))) return r.Succeed();
  if (IsReferenceType(target) && IsReferenceType(source) && Equal(Referenced(target), Referenced(source))) {
    return r.Succeed();
  }
  return r.Fail();
}

}  // namespace vyl
