// Object and array creation: "new".
#include <cstdint>
#include <limits>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kCreatorMessages[] = {nullptr, "Class name (constructor) or array expected here",
                                            "Integer array size >0 expected here",
                                            "There is a problem with array size (missing ']')"};

Tree RangeType(int32_t high, Tree base) {
  return Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_rn, nullptr, {Constant(0), Constant(high), base})});
}

// "[" Expression "]" after the element type: a new array, always reached
// through a reference.  A constant length N allocates N elements at once; a
// computed one allocates its value times the element size at run time.
bool NewArray(Rule& r, Tree syms, Tree element, Tree& tree, Tree& type) {
  if (!Accept(T_LBracket)) return false;
  Tree intType = Bound(kKeyInt, syms);
  int32_t elementSize = 0;
  Tree length = nullptr, lengthType = nullptr;
  int32_t low = 0, high = 0;
  r.state = 2;
  if (!TypeSize(element, elementSize) || !Expression(syms, length, lengthType, low, high) ||
      !IsKeyType(syms, kKeyInt, lengthType) || high <= 0) {
    return r.Fail();
  }
  Tree innerIndex = intType, sizeTree = nullptr;
  int64_t total = elementSize;
  if (low == high) {
    innerIndex = RangeType(high - 1, intType);
    total = int64_t{elementSize} * high;
    if (total > std::numeric_limits<int32_t>::max()) return r.Fail();  // no memory holds it
  } else {
    sizeTree = Build(L_no, nullptr, {length});
  }
  Tree array = Build(L_ar, nullptr, {RangeType(-1, innerIndex), element});
  if (!InsertStuff(Build(L_ty, nullptr, {nullptr, Build(L_sz), array}), array)) return r.Fail();
  type = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), array});
  tree = Build(L_ar, Leaf(static_cast<int32_t>(total)), {nullptr, type, sizeTree});
  r.state = 3;
  if (!Accept(T_RBracket)) return r.Fail();
  return true;
}

// "(" ")" after a class: a new object of the class's size.  A class name
// gives the class type, a reference to its class record, whose size is the
// size of the class's fields.
bool NewObject(Rule& r, Tree named, Tree& tree, Tree& type) {
  int32_t size = 0;
  if (!IsObject(named, size, type)) return false;
  Tree classRecord = named;
  if (Is(named, L_ty) && Is(Part(named, 3), L_pt)) {
    classRecord = Part(Part(named, 3), 1);
    Tree sz = Part(classRecord, 6);
    if (!Is(classRecord, L_cl) || !Is(sz, L_sz)) return false;
    size = ValueOf(Kid(sz, 0));
  }
  r.state = 0;
  if (!Accept(T_LParen) || !Accept(T_RParen)) return r.Fail();
  tree = Build(L_al, Leaf(size), {classRecord});
  return true;
}

}  // namespace

// Creator ::= "new" TypeName ( "[" Expression "]" | "(" ")" )
bool Creator(Tree syms, Tree& tree, Tree& type) {
  Rule r("Creator", kCreatorMessages);
  if (!Accept(K_new)) return r.Fail();
  Tree named = nullptr;
  int32_t name = 0;
  r.state = 1;
  if (!TypeName(syms, named, name)) return r.Fail();
  r.state = 0;
  bool done = false;
  {
    Attempt alternative(r);
    done = NewArray(r, syms, named, tree, type);
  }
  if (!done) {
    Attempt alternative(r);
    done = NewObject(r, named, tree, type);
  }
  if (!done) return r.Fail();
  return r.Succeed(tree, type);
}

}  // namespace vyl
