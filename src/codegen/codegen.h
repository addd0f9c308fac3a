// Code generation: the code image and the target encoding, the generation
// driver, expression and statement code, variable access and its
// optimisations, the constant pool, the symbol listing and the lowering of
// declarations into the generated tree.
//
// Every generator has the signature (location, out next location, out
// fix-up list, tree): the location is threaded through as an in- and an
// out-argument, and the fix-up list collects the forward jumps still to be
// patched.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "runtime/runtime.h"

namespace vyl {

struct CodeState;
std::shared_ptr<CodeState> NewCodeState();

// ---------------------------------------------------------------------------
// The code image and the emit procedures

constexpr int32_t kImageCells = 32768;
constexpr int32_t kWatchWord = 0x7FF6;     // emission watch address
constexpr int32_t kMarkerWord = 0x7FFA;    // address just past the last line marker
constexpr int32_t kLineWord = 0x7FFC;      // source line of the statement being generated
constexpr int32_t kTrapTailWord = 0x7FFE;  // address of the shared trap tail, 0 = none

// Allocates the image of kImageCells zero cells (releasing any earlier one).
bool AllocateImage();
bool HaveImage();
std::span<const uint8_t> Image();

bool PutBy(int32_t value, int32_t loc, int32_t& next);
bool PutIntger(int32_t value, int32_t loc, int32_t& next);
bool Put6Bytes(int32_t b1, int32_t b2, int32_t b3, int32_t b4, int32_t b5, int32_t b6, int32_t loc,
               int32_t& next);
bool PutConstant(int32_t value, int32_t loc, int32_t& next);
// Writes a 2-byte jump at loc: kind 0 JUMPZ, kind 1 JUMP.
bool JumpTo(int32_t kind, int32_t loc, int32_t target);
bool GetMemInt(int32_t loc, int32_t& value);
bool DoLibe(int32_t loc, int32_t& next);

// ---------------------------------------------------------------------------
// The generation driver

bool CodeGen(int32_t loc, int32_t& next, Tree& fixups, Tree tree);
bool NewProcNo(int32_t& number, Tree counter);
bool UpdateLoc(int32_t increment, int32_t& old, Tree counter);
bool Decorate(int32_t value, Tree tree);
bool ClassParts(Tree members, Tree scope, int32_t size, Tree classRecord);
bool InsertStuff(Tree item, Tree owner);

// ---------------------------------------------------------------------------
// Expression code

bool CodExGen1(int32_t loc, int32_t& next, Tree& fixups, Tree tree);
bool CodExGen2(int32_t loc, int32_t& next, Tree& fixups, Tree tree);
bool ShiftBits(int32_t value, int32_t count, int32_t& result);

// ---------------------------------------------------------------------------
// Statement code and jumps

bool CoStmGen(int32_t loc, int32_t& next, Tree& fixups, Tree tree);
bool FwdJumps(Tree fixups);
bool FwdExit(int32_t& address, Tree target);
bool CaseRange(Tree& deflt, int32_t& count, int32_t& low, int32_t& high, Tree& values, Tree cases);
bool CaseJumps(int32_t table, int32_t low, Tree cases);
bool ListMerge(Tree a, Tree b, Tree& out);

// ---------------------------------------------------------------------------
// Variable access and optimisation

enum AccessMode : int32_t {
  kStoreByte = -2,
  kStoreWord = -1,
  kAddressOnly = 0,
  kLoadWord = 1,
  kLoadByte = 2,
};

bool GenVarAcc(int32_t mode, int32_t loc, int32_t& next, Tree& fixups, Tree access);
bool MultiOpt(Tree tree);
bool VarOptimize(int32_t& changed, Tree tree);
bool PointList(int32_t isReference, Tree syms, Tree variable);
bool PointerKill(int32_t loc, int32_t& next, Tree list);
bool OptDeref(Tree tree);
bool ZerOptimiz(Tree tree);

// Type queries.
bool TypeSize(Tree type, int32_t& size);
bool NameOfType(Tree type, int32_t& name);
bool IsScalar(Tree type);
bool IsObject(Tree type, int32_t& size, Tree& resultType);
bool GetTypeRange(Tree type, int32_t& low, int32_t& high);
bool GetItsType(Tree node, Tree& members, Tree& type, int32_t& low, int32_t& high);
bool Unbounded(int32_t& low, int32_t& high);

// ---------------------------------------------------------------------------
// Constant pool and strings

bool ConstantPool(int32_t count, int32_t loc, int32_t& next, Tree tree);
bool StringConstant(int32_t id, Tree syms, Tree& table);
bool aFindString(int32_t id, Tree& table, Tree chain);

// ---------------------------------------------------------------------------
// Symbol listing

bool ShoSyms(Tree scope, int32_t name, int32_t level);
bool TreeSee(Tree tree);

// ---------------------------------------------------------------------------
// Declaration lowering

bool CopyOver(Tree syms, int32_t pass, Tree link, Tree& chain, Tree& statements, Tree decls);

}  // namespace vyl
