// The package Hardware: the memory-mapped device registers of the target
// machine as predefined variables of record type, the named constants that
// go with them, and the interrupt vector table.
//
// Each device is a record type whose class lists the registers as int
// fields; the device variable lives at the device's fixed address, and each
// field's location is that address plus the field's byte offset.
#include <cstdint>
#include <initializer_list>

#include "env/env.h"
#include "expr/expr.h"

namespace vyl {

namespace {

struct FieldSpec {
  int32_t name;
  int32_t offset;
};

// The member table of the package being built, the last constant defined,
// and the int type every register has.
struct HardwareBuild {
  Tree members = nullptr;
  Tree last = nullptr;
  Tree intType = nullptr;
};

// The location of a field: `offset` bytes from the device's address,
// simplified (over a constant address, into the field's constant address).
Tree FieldLocation(int32_t offset, Tree addressNode) {
  Tree location = Build(L_of, Leaf(offset), {addressNode});
  MultiOpt(location);
  return location;
}

// One device with its int fields, in the order given.
bool Device(HardwareBuild& hw, int32_t name, int32_t address, int32_t size, std::initializer_list<FieldSpec> fields) {
  Tree deviceClass = nullptr, scope = nullptr, addressNode = nullptr, field = nullptr;
  if (!BasicIOclass(name, address, size, hw.last, hw.members, hw.members, deviceClass, scope, addressNode)) {
    return false;
  }
  for (const FieldSpec& f : fields) {
    if (!BasicIOfield(f.name, f.offset, deviceClass, hw.intType, addressNode, field, scope, scope, field)) {
      return false;
    }
  }
  return BasicIOparts(deviceClass, field, scope, deviceClass);
}

bool Constant(HardwareBuild& hw, const char* name, int32_t value) {
  return BasicIOconst(InternText(name), value, hw.intType, hw.last, hw.members, hw.members, hw.last);
}

bool IntType(Tree syms, Tree& intType) {
  int32_t level = 0;
  return From(kKeyInt, syms, intType, level);
}

}  // namespace

bool BasicIOclass(int32_t name, int32_t address, int32_t size, Tree /*previous: a device starts no chain*/,
                  Tree members, Tree& membersOut, Tree& deviceClass, Tree& scope, Tree& addressNode) {
  Rule r("BasicIOclass");
  // The device type is the record itself, not a reference to it.
  Tree type = Build(L_ty, Leaf(name), {nullptr, Build(L_sz, Leaf(size))});
  Tree cls = Build(L_cl, Leaf(name));
  Tree inner = nullptr;
  if (!InsertStuff(type, cls) || !InsertStuff(cls, type)) return r.Fail();
  Tree at = Constant(address);
  Tree variable = Build(L_vr, Leaf(name), {nullptr, type, Build(L_up, cls), at});
  if (!into(name, members, variable, membersOut)) return r.Fail();
  if (!openPlus(nullptr, inner) || !into(kKeyContext, inner, cls, scope)) return r.Fail();
  deviceClass = cls;
  addressNode = at;
  return r.Succeed(membersOut, deviceClass, scope, addressNode);
}

bool BasicIOfield(int32_t name, int32_t offset, Tree deviceClass, Tree fieldType, Tree addressNode, Tree previousField,
                  Tree scope, Tree& scopeOut, Tree& field) {
  Rule r("BasicIOfield");
  Tree made =
      Build(L_vr, Leaf(name), {previousField, fieldType, Build(L_up, deviceClass), FieldLocation(offset, addressNode)});
  if (!into(name, scope, made, scopeOut)) return r.Fail();
  field = made;
  return r.Succeed(scopeOut, field);
}

bool BasicIOparts(Tree deviceClass, Tree lastField, Tree scope, Tree& classOut) {
  Rule r("BasicIOparts");
  if (!ClassParts(lastField, scope, 0, deviceClass)) return r.Fail();
  classOut = deviceClass;
  return r.Succeed(classOut);
}

bool BasicIOconst(int32_t name, int32_t value, Tree type, Tree previous, Tree members, Tree& membersOut,
                  Tree& constant) {
  Rule r("BasicIOconst");
  Tree made = Build(L_df, Leaf(name), {previous, type, Constant(value)});
  if (!into(name, members, made, membersOut)) return r.Fail();
  constant = made;
  return r.Succeed(membersOut, constant);
}

bool BasicVideoSyms(Tree syms, Tree& last, Tree& members, int32_t& datum, int32_t& address) {
  Rule r("BasicVideoSyms");
  HardwareBuild hw;
  if (!IntType(syms, hw.intType)) return r.Fail();
  bool ok = true;
  int32_t name = InternText("Enables");
  datum = InternText("datum");
  ok = ok && Device(hw, name, -8, 2, {{datum, 0}});
  name = InternText("Date");
  ok = ok && Device(hw, name, -36, 4, {{InternText("hours"), 0}, {InternText("seconds"), 2}});
  name = InternText("Mouse");
  ok = ok && Device(hw, name, -20, 4, {{InternText("V"), 0}, {InternText("H"), 2}, {datum, 10}});
  name = InternText("Video");
  ok = ok && Device(hw, name, -32, 12,
                    {{InternText("top"), 0},
                     {InternText("left"), 2},
                     {InternText("bottom"), 4},
                     {InternText("right"), 6},
                     {datum, 8},
                     {address = InternText("address"), 10}});
  // The colour constants describe a 6 x 6 x 6 colour cube: red*36 + green*6 + blue.
  ok = ok && Constant(hw, "FillRect", 16384) && Constant(hw, "minRed", 1) && Constant(hw, "minGreen", 6) &&
       Constant(hw, "minBlue", 36) && Constant(hw, "white", 215) && Constant(hw, "black", 0) &&
       Constant(hw, "maxColor", 5) && Constant(hw, "Blit", 0) && Constant(hw, "DoText", 32768) &&
       Constant(hw, "ClipRect", -3) && Constant(hw, "HideRect", -1) && Constant(hw, "DiskPendBit", 8) &&
       Constant(hw, "FlopInBit", 4) && Constant(hw, "PrintOnBit", 2) && Constant(hw, "IntOnBit", 1);
  if (!ok) return r.Fail();
  last = hw.last;
  members = hw.members;
  return r.Succeed(last, members, datum, address);
}

bool BasicMoreSyms(int32_t datum, int32_t address, Tree syms, Tree last, Tree members, Tree& out) {
  Rule r("BasicMoreSyms");
  HardwareBuild hw{members, last, nullptr};
  if (!IntType(syms, hw.intType)) return r.Fail();
  bool ok = true;
  int32_t name = InternText("MMU");
  ok = ok && Device(hw, name, -48, 4,
                    {{InternText("fault"), 44},
                     {address, 46},
                     {InternText("CB"), 0},
                     {InternText("FP"), 2},
                     {InternText("PC"), 4}});
  name = InternText("SignalWait");
  ok = ok && Device(hw, name, -6, 2, {{address, 0}});
  // The printer and the keyboard share one register address.
  ok = ok && Device(hw, InternText("Print"), -10, 2, {{datum, 0}});
  ok = ok && Device(hw, InternText("KeyIn"), -10, 2, {{datum, 0}});
  name = InternText("Disk");
  ok = ok && Device(hw, name, -16, 6, {{InternText("sector"), 0}, {address, 2}, {InternText("count"), 4}});
  if (!ok) return r.Fail();

  // The interrupt vector table: 8 int entries in bytes 0 to 15, shaped as
  // the type int[8] written in source.
  Tree index = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2))});
  Tree vector = Build(L_ar, nullptr, {index, hw.intType});
  int32_t vectorName = 0, intName = 0;
  NameOfType(hw.intType, intName);
  if (!NewIdent(intName, -8, vectorName)) return r.Fail();
  Tree vectorType = Build(L_ty, Leaf(vectorName), {nullptr, Build(L_sz, Leaf(16))});
  if (!InsertStuff(Build(L_rn, nullptr, {Constant(0), Constant(7), hw.intType}), index) || !InsertStuff(vector, vectorType) ||
      !InsertStuff(vectorType, vector)) {
    return r.Fail();
  }
  Tree iVector = nullptr;
  if (!BasicIOfield(InternText("iVector"), 0, nullptr, vectorType, Constant(0), nullptr, hw.members, hw.members, iVector)) {
    return r.Fail();
  }
  SetGlobal(hw.members, 9);
  SetGlobal(nullptr, 8);
  int32_t hardware = InternText("Hardware");
  Tree package = Build(L_pk, Leaf(hardware), {nullptr, nullptr, nullptr, iVector, hw.members});
  Tree t = nullptr;
  if (!into(hardware, syms, package, t) || !BasicDangerousSyms(t, out)) return r.Fail();
  return r.Succeed(out);
}

}  // namespace vyl
