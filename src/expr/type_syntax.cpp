// Types as written in source: a type name followed by any number of array
// brackets.
#include <cstdint>
#include <limits>

#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

Tree Cn(int32_t v) { return Build(L_cn, Leaf(v)); }
Tree Sz(int32_t v) { return Build(L_sz, Leaf(v)); }

constexpr const char* kTypeNameMessages[] = {nullptr, "Type name expected here"};
constexpr const char* kATypeMessages[] = {nullptr, "Array size must be >0", "Missing ']' (or bad array size value)"};

}  // namespace

// TypeName ::= QualIdent   (a name that denotes a type or a class)
bool TypeName(Tree syms, Tree& type, int32_t& name) {
  Rule r("TypeName", kTypeNameMessages);
  Tree access = nullptr, extra = nullptr;
  int32_t modifiers = 0, size = 0;
  if (!QualIdent(0, syms, name, type, access, extra, modifiers)) return r.Fail();
  if (access || !TypeSize(type, size)) {
    r.state = 1;
    return r.Fail();
  }
  return r.Succeed(type, name);
}

// aType ::= TypeName { "[" [ ConstExpn ] "]" }
//
// Each bracket pair makes an array of the type so far: T[N] holds N elements
// in place (N times T's size), T[] is a 2-byte reference to an array of any
// length stored elsewhere.  So int[3][4] is 4 elements of int[3], 24 bytes.
bool aType(Tree syms, Tree& type) {
  Rule r("aType", kATypeMessages);
  Tree record = nullptr, current = nullptr, intType = nullptr;
  int32_t name = 0, level = 0, elementSize = 0;
  if (!TypeName(syms, record, name)) return r.Fail();
  // The type is the binding of the name (a class name gives its class type).
  if (!From(name, syms, current, level) || !TypeSize(current, elementSize)) return r.Fail();
  if (!From(kKeyInt, syms, intType, level)) return r.Fail();
  Tree unboundedIndex = KidCount(intType) >= 1 ? Kid(intType, 1) : nullptr;
  int32_t elementName = name;
  while (Accept(T_LBracket)) {
    Tree sizeTree = nullptr, sizeType = nullptr, index = nullptr;
    int32_t count = 0, size = 0, arrayName = 0;
    bool known = false;
    {
      Attempt optional(r);
      known = ConstExpn(syms, sizeTree, sizeType, count);
    }
    if (known) {
      if (count <= 0) {
        r.state = 1;
        return r.Fail();
      }
      int64_t bytes = int64_t{count} * elementSize;
      if (bytes > std::numeric_limits<int32_t>::max()) {  // no memory holds it
        r.state = 2;
        return r.Fail();
      }
      size = static_cast<int32_t>(bytes);
      index = Build(L_ty, nullptr, {nullptr, Sz(2), Build(L_rn, nullptr, {Cn(0), Cn(count - 1), intType})});
      if (!NewIdent(elementName, -count, arrayName)) return r.Fail();
    } else {
      size = 2;
      index = unboundedIndex;
      if (!NewIdent(elementName, 1, arrayName)) return r.Fail();
    }
    if (!Accept(T_RBracket)) {
      r.state = 2;
      return r.Fail();
    }
    Tree array = Build(L_ar, nullptr, {index, current});
    Tree arrayType = Build(L_ty, Leaf(arrayName), {nullptr, Sz(size), array});
    if (!InsertStuff(arrayType, array)) return r.Fail();
    current = arrayType;
    elementName = arrayName;
    elementSize = size;
  }
  type = current;
  return r.Succeed(type);
}

}  // namespace vyl
