// Selectors: array indexing and field selection, which turn a designation
// (a record, its type and its access tree) into the designation of an
// element or a member.
//
// Access trees share the location nodes of the variables they reach: a
// variable's offset is written into its location node in place when its
// scope is laid out, after the statements that use it have been parsed.
// The trees built here therefore refer to those nodes and never copy or
// rewrite them (the address simplifications would rewrite them in place and
// read offsets not yet given out); the code generator simplifies access
// trees when it generates them.
#include <cstdint>
#include <limits>
#include <string>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "expr/value_ranges.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kSelectorMessages[] = {nullptr, "Compatible index expression expected here",
                                             "Badly formed index expression (or missing ']')",
                                             "Incompatible array type", "Member name expected after '.'"};

int32_t Clamped(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// "[" Expression "]" applied to an array.  An index whose range lies inside
// the array needs no run-time check: a constant one becomes a fixed offset
// (of), any other an added byte index (ad); an index that may lie outside
// is checked against the array's size in bytes (rx), which for an array of
// any length is negative (the length is read at run time).
bool Index(Rule& r, Tree syms, Tree record, Tree type, Tree access, Tree& newAccess, Tree& newRecord,
           Tree& newType, Tree& extra, ValueRange& range) {
  if (!Accept(T_LBracket)) return false;
  Tree index = nullptr, indexType = nullptr;
  ValueRange indexRange;
  r.state = 1;
  const int32_t indexBegin = CurrentSpan().begin;
  if (!Expression(syms, index, indexType, indexRange.low, indexRange.high)) return r.Fail();
  const SourceSpan indexSpan = SpanFrom(indexBegin);
  r.state = 2;
  if (!Accept(T_RBracket)) return r.Fail();
  int32_t size = 0, isReference = 0, high = 0, elementSize = 0;
  Tree array = Part(type, 3);
  r.state = 3;
  if (!Is(type, L_ty) || !Is(array, L_ar) || !IsPointer(type, size, isReference) ||
      !ArrayBounds(type, high, elementSize)) {
    return r.Fail();
  }
  Tree elementType = Part(array, 2);

  Tree base = access;
  int64_t count = int64_t{high} + 1;
  if (high < 0) {
    // The variable holds a reference to the array; a constant table is
    // reached directly.
    if (!Is(record, L_df)) base = Build(L_dr, nullptr, {access});
    count = high;
  }
  int64_t limit = count;
  if (elementSize > 1) {
    // A constant index is scaled at once.  (Simplifying the scaled index
    // goes no further than a product of two constants: a variable in the
    // index keeps its shared location node untouched.)
    index = Build(L_mp, nullptr, {index, Constant(elementSize)});
    MultiOpt(index);
    limit = count * elementSize;
  }
  if (isReference) base = Build(L_un, nullptr, {base});

  if (indexRange.low < 0 || indexRange.high > high) {
    if (high >= 0 && indexRange.IsConstant()) {
      // The check compares the offset in bytes, computed in 16 bits.
      const int64_t offset = int64_t{indexRange.low} * (elementSize > 1 ? elementSize : 1);
      const char* check = offset >= -32768 && offset <= 32767
                              ? "the index is checked when the program runs, and the check traps"
                              : "the index is checked when the program runs, on its offset in bytes wrapped to 16 bits";
      Warn("index " + std::to_string(indexRange.low) + " is outside the array (" + TypeText(type) + ", 0.." +
               std::to_string(high) + ")",
           indexSpan, {{check, SourceSpan{}}});
    }
    newAccess = Build(L_rx, Leaf(Clamped(limit)), {base, index});
  } else if (indexRange.IsConstant()) {
    newAccess = Build(L_of, Leaf(Clamped(int64_t{elementSize} * indexRange.low)), {base});
  } else {
    newAccess = Build(L_ad, nullptr, {base, index});
  }
  newRecord = Build(L_ax, type, {record, newAccess});
  newType = elementType;
  // The element's members, for a selection that follows (a[i].next).
  Tree members = nullptr, itsType = nullptr;
  ValueRange itsRange;
  extra = GetItsType(elementType, members, itsType, itsRange.low, itsRange.high) ? members : nullptr;
  if (!GetTypeRange(elementType, range.low, range.high)) range = FullRange();
  return true;
}

// "." Identifier applied to an object: the member found in its member table.
// An object reached through a reference, which may be null, is checked as
// an array reached through one is (un): a field of null would be the first
// bytes of memory.  A constant, a final object and a device are reached
// directly.
bool Field(Rule& r, Tree members, Tree record, Tree type, Tree access, Tree& newAccess, Tree& newRecord,
           Tree& newType, Tree& extra, ValueRange& range) {
  if (!Accept(T_Dot)) return false;
  int32_t name = 0;
  Tree member = nullptr;
  r.state = 4;
  if (!Identifier(name)) return r.Fail();
  if (!(member = Bound(name, members))) {
    PinMessage(PreviousSpan());
    NoteMembers(type, members);
    return r.Fail();
  }
  NoteUse(PreviousSpan(), member);
  // A variable holds a reference to its object, or is the object (a final
  // object, a device); a constant is the object.
  Tree base = access;
  if (!Is(record, L_df)) {
    base = Build(L_dr, nullptr, {access});
    int32_t size = 0, isReference = 0;
    if (IsPointer(type, size, isReference) && isReference) base = Build(L_un, nullptr, {base});
  }
  r.state = 0;
  if (!MemberGet(record, base, newAccess, extra, newType, range.low, range.high, member)) return r.Fail();
  newRecord = member;
  return true;
}

}  // namespace

// Selector ::= "[" Expression "]" | "." Identifier
bool Selector(Tree syms, Tree members, Tree record, Tree type, Tree access, Tree& newAccess, Tree& newRecord,
              Tree& newType, Tree& extra, int32_t& low, int32_t& high) {
  Rule r("Selector", kSelectorMessages);
  ValueRange range;
  bool found = false;
  {
    Attempt alternative(r);
    found = Index(r, syms, record, type, access, newAccess, newRecord, newType, extra, range);
  }
  if (!found) {
    Attempt alternative(r);
    found = Field(r, members, record, type, access, newAccess, newRecord, newType, extra, range);
  }
  if (!found) return r.Fail();
  low = range.low;
  high = range.high;
  return r.Succeed(newAccess, newRecord, newType, low, high);
}

// The access tree, member table, type and range of a class member reached
// from `base`.  A field laid out at an offset within its object is reached
// through the object (ki marks it as a member access); any other field (a
// device register) has a fixed location of its own.  A constant has no
// access tree.
bool MemberGet(Tree, Tree base, Tree& access, Tree& extra, Tree& type, int32_t& low, int32_t& high, Tree member) {
  Rule r("MemberGet");
  access = nullptr;
  if (Is(member, L_vr) && KidCount(member) >= 4) {
    if (!GetItsType(member, extra, type, low, high)) return r.Fail();
    Tree location = Kid(member, 4);
    if (Is(location, L_of) && !Part(location, 1)) {
      access = Build(L_ki, nullptr, {Build(L_of, Kid(location, 0), {base})});
    } else {
      access = location;
    }
  } else if (Is(member, L_cn)) {
    type = nullptr;
    extra = nullptr;
    low = high = ValueOf(member);
  } else if (Is(member, L_df) && KidCount(member) >= 3) {
    if (!GetItsType(member, extra, type, low, high)) return r.Fail();
  } else {
    return r.Fail();
  }
  return r.Succeed(access, type, low, high);
}

}  // namespace vyl
