// The entry of the predefined environment and the packages of intrinsic
// procedures: Dangerous (memory access, processes, system calls),
// Semaphores and Files.  The intrinsics ORD, LENGTH and CHR belong to no
// package: they are built with the built-in types.
#include <cstdint>
#include <initializer_list>

#include "env/env.h"
#include "expr/expr.h"

namespace vyl {

namespace {

struct IntrinsicSpec {
  const char* name;
  int32_t number;
};

// A package's member table and its last member record.
struct PackageBuild {
  Tree members = nullptr;
  Tree last = nullptr;
};

// Binds the intrinsics in order, each linked to the one defined before it.
// `debug` is set to the record of DEBUG when it is among them: the system
// calls that follow DEBUG are linked to it, not to each other.
bool Intrinsics(PackageBuild& p, std::initializer_list<IntrinsicSpec> specs) {
  Tree previous = nullptr, debug = nullptr;
  for (const IntrinsicSpec& s : specs) {
    int32_t name = InternText(s.name);
    Tree link = debug ? debug : previous;
    Tree record = Build(L_fn, Leaf(name), {link, Build(L_fn, Leaf(s.number))});
    if (!into(name, p.members, record, p.members)) return false;
    if (s.number == 0) debug = record;  // DEBUG
    previous = record;
    p.last = record;
  }
  return true;
}

// An opaque 2-byte type, bound under its name and a reserved key.
bool OpaqueType(PackageBuild& p, const char* text, int32_t key) {
  int32_t name = InternText(text);
  Tree type = Build(L_ty, Leaf(name), {nullptr, Build(L_sz, Leaf(2)), Build(L_no)});
  return into(key, p.members, type, p.members) && into(name, p.members, type, p.members);
}

// The package record, bound under its name in the outermost table.
bool Package(const PackageBuild& p, const char* text, Tree previous, Tree syms, Tree& out, Tree& package) {
  int32_t name = InternText(text);
  package = Build(L_pk, Leaf(name), {previous, nullptr, nullptr, p.last, p.members});
  return into(name, syms, package, out);
}

}  // namespace

bool BasicInOutSyms(Tree syms, Tree& out, int32_t& mainName) {
  Rule r("BasicInOutSyms");
  mainName = InternText("main");
  Tree last = nullptr, hardware = nullptr, t = nullptr;
  int32_t datum = 0, address = 0;
  if (!BasicVideoSyms(syms, last, hardware, datum, address) ||
      !BasicMoreSyms(datum, address, syms, last, hardware, t) || !BasicClassSyms(t, out)) {
    return r.Fail();
  }
  return r.Succeed(out, mainName);
}

bool BasicDangerousSyms(Tree syms, Tree& out) {
  Rule r("BasicDangerousSyms");
  PackageBuild p;
  Tree package = nullptr;
  if (!Intrinsics(p, {{"PEEK", 4},
                      {"POKE", 5},
                      {"mmPEEK", 6},
                      {"mmPOKE", 7},
                      {"FORK", 8},
                      {"COCALL", 9},
                      {"DEBUG", 0},
                      {"SysOp0", 20},
                      {"SysOp1", 21},
                      {"SysOp2", 22}}) ||
      // Importing Dangerous enables the address-of operator.
      !into(kKeyAddressOf, p.members, Build(L_no), p.members) ||
      !Package(p, "Dangerous", nullptr, syms, out, package)) {
    return r.Fail();
  }
  return r.Succeed(out);
}

bool BasicClassSyms(Tree syms, Tree& out) {
  Rule r("BasicClassSyms");
  PackageBuild semaphores, files;
  Tree semaphorePackage = nullptr, filePackage = nullptr, t = nullptr;
  if (!OpaqueType(semaphores, "Semaphore", kKeySemaphore) || !Intrinsics(semaphores, {{"Signal", 10}, {"Wait", 11}}) ||
      !Package(semaphores, "Semaphores", nullptr, syms, t, semaphorePackage)) {
    return r.Fail();
  }
  if (!OpaqueType(files, "FileId", kKeyFileId) ||
      !Intrinsics(files, {{"Open", 14}, {"Close", 15}, {"Read", 16}, {"Write", 17}, {"Seek", 18}, {"FileInfo", 19}}) ||
      !Package(files, "Files", semaphorePackage, t, out, filePackage)) {
    return r.Fail();
  }
  return r.Succeed(out);
}

}  // namespace vyl
