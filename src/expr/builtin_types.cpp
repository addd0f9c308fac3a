// The types, constants and functions that exist before any source is read,
// bound in the outermost symbol table under their names and under the
// reserved keys that the other rules use to fetch them.
#include <cstdint>

#include "expr/expr.h"

namespace vyl {

namespace {

Tree Cn(int32_t v) { return Build(L_cn, Leaf(v)); }
Tree Sz(int32_t v) { return Build(L_sz, Leaf(v)); }
Tree Range(int32_t low, int32_t high, Tree base) { return Build(L_rn, nullptr, {Cn(low), Cn(high), base}); }

// The names of the built-ins, interned first and in this order.
struct Names {
  int32_t null, object, string, tjrowatle, intName, boolean, charName, byte, voidName, ord, chr, length;
};

Names InternNames() {
  Names n{};
  n.null = InternText("null");
  n.object = InternText("Object");
  n.string = InternText("String");
  n.tjrowatle = InternText("Tjrowatle");
  n.intName = InternText("int");
  n.boolean = InternText("boolean");
  n.charName = InternText("char");
  n.byte = InternText("byte");
  n.voidName = InternText("void");
  n.ord = InternText("ORD");
  n.chr = InternText("CHR");
  n.length = InternText("LENGTH");
  return n;
}

// The range of int is found on the target's own terms: doubling 1 until the
// value no longer stays positive reaches the lowest value; one below it (in
// 32-bit patterns) is the highest.
void IntRange(int32_t& low, int32_t& high) {
  uint32_t v = 1;
  while (static_cast<int32_t>(v) > 0) v <<= 1;
  low = static_cast<int32_t>(v);
  high = static_cast<int32_t>(v - 1u);
}

Tree Intrinsic(int32_t name, int32_t number) { return Build(L_fn, Leaf(name), {nullptr, Build(L_fn, Leaf(number))}); }

}  // namespace

bool BuiltinTypes(Tree syms, Tree& out) {
  Rule r("BuiltinTypes");
  const Names n = InternNames();
  Tree t = syms;
  bool ok = true;

  // The unbounded index type: the range 0 .. -1 over itself.
  Tree index = Build(L_ty, nullptr, {nullptr, Sz(2)});
  ok = ok && InsertStuff(Range(0, -1, index), index);

  int32_t low = 0, high = 0;
  IntRange(low, high);
  Tree intType = Build(L_ty, Leaf(n.intName), {index, Sz(2)});
  ok = ok && InsertStuff(Range(low, high, intType), intType);
  ok = ok && Bind(t, kKeyInt, intType) && Bind(t, n.intName, intType);

  Tree byteType = Build(L_ty, Leaf(n.byte), {intType, Sz(1)});
  ok = ok && InsertStuff(Range(0, 255, intType), byteType);
  ok = ok && Bind(t, kKeyByte, byteType) && Bind(t, n.byte, byteType);

  Tree boolType = Build(L_ty, Leaf(n.boolean), {byteType, Sz(2)});
  Tree falseDef = Build(L_df, nullptr, {nullptr, boolType, Cn(0)});
  Tree trueDef = Build(L_df, nullptr, {falseDef, boolType, Cn(1)});
  ok = ok && InsertStuff(Build(L_en, nullptr, {boolType, trueDef}), boolType);
  ok = ok && Bind(t, kKeyFalse, falseDef) && Bind(t, kKeyTrue, trueDef) && Bind(t, kKeyBoolean, boolType) &&
       Bind(t, n.boolean, boolType);

  // String is an array of char over the unbounded index type; its array
  // record links back to it.
  Tree charType = Build(L_ty, Leaf(n.charName), {boolType, Sz(2), Build(L_ch)});
  Tree chars = Build(L_ar, nullptr, {index, charType});
  Tree stringType = Build(L_ty, Leaf(n.string), {charType, Sz(2), chars, Build(L_st)});
  ok = ok && InsertStuff(stringType, chars);
  ok = ok && Bind(t, kKeyChar, charType) && Bind(t, kKeyString, stringType) && Bind(t, n.charName, charType);

  Tree voidType = Build(L_ty, Leaf(n.voidName), {stringType, Build(L_sz), Build(L_vt)});
  ok = ok && Bind(t, kKeyVoid, voidType);

  Tree nullType = Build(L_ty, Leaf(n.null), {nullptr, Sz(2), Build(L_pt, nullptr, {Build(L_nl)})});
  Tree nullDef = Build(L_df, Leaf(n.null), {voidType, nullType, Cn(0)});
  ok = ok && Bind(t, n.null, nullDef) && Bind(t, kKeyNull, nullDef);

  // Object, the template of every class, and the class Tjrowatle, which is
  // built but bound nowhere.
  Tree objectType = Build(L_ty, Leaf(n.object), {nullDef, Sz(2)});
  Tree objectClass = Build(L_cl, Leaf(n.object));
  ok = ok && InsertStuff(objectType, objectClass);
  Tree tjType = Build(L_ty, Leaf(n.tjrowatle), {Build(L_ty, Leaf(n.string), {objectType, Sz(2)}), Sz(2)});
  Tree tjClass = Build(L_cl, Leaf(n.tjrowatle), {Build(L_up, objectType)});
  ok = ok && InsertStuff(tjType, tjClass);
  ok = ok && InsertStuff(objectClass, objectType) && InsertStuff(tjClass, tjType);
  ok = ok && Bind(t, kKeyStringType, stringType) && Bind(t, kKeyObject, objectType);
  // Object's member table is the base of every class body's scope; String
  // is bound before it is taken so that fields may be of type String.
  ok = ok && Bind(t, n.string, stringType);
  ok = ok && ClassParts(nullptr, t, 0, objectClass);

  ok = ok && Bind(t, n.voidName, voidType);
  ok = ok && Bind(t, n.chr, Intrinsic(n.chr, 3)) && Bind(t, n.ord, Intrinsic(n.ord, 1)) &&
       Bind(t, n.length, Intrinsic(n.length, 2));
  // The predefined package record; its child 1 is the head of the built-in
  // declaration chain.
  ok = ok && Bind(t, kKeyPackage, Build(L_pk, nullptr, {objectType, nullptr, nullptr, nullptr}));
  if (!ok) return r.Fail();
  out = t;
  return r.Succeed(out);
}

}  // namespace vyl
