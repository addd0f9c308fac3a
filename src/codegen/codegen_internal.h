// The code generator's own interface: the emitters, the generators and
// their shared helpers.  Internal to src/codegen (and its tests).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "codegen/codegen.h"
#include "expr/expr.h"

namespace vyl {


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

// ---------------------------------------------------------------------------
// Expression code

bool CodExGen1(int32_t loc, int32_t& next, Tree& fixups, Tree tree);
bool CodExGen2(int32_t loc, int32_t& next, Tree& fixups, Tree tree);

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
bool PointerKill(int32_t loc, int32_t& next, Tree list);

// ---------------------------------------------------------------------------
// Constant pool

bool ConstantPool(int32_t count, int32_t loc, int32_t& next, Tree tree);

// The trace of a tree that no generator accepts.
bool TreeSee(Tree tree);

// ---------------------------------------------------------------------------
// The disk image (disk_image.cpp)

// Writes image cells 0 .. size-1 to the output, 16 values per line.
bool WriteImage(int32_t size);

// The code image of one compilation and its size.
struct CodeState {
  std::vector<uint8_t> image;
  int32_t size = 0;
};
CodeState& Code();

// Code cells lie below the reserved words: 7FF6 (watch address), 7FF8,
// 7FFA (last line marker), 7FFC (line being generated), 7FFE (trap tail).
constexpr int32_t kCodeLimit = kWatchWord;

// The outcome of a generator alternative.  A generator that does not
// recognise a tree's shape answers NotMine and emits nothing, so that the
// caller tries its next alternative; once the shape is recognised, a failure
// is final (the code is not generated a second time a different way).
enum class Gen { NotMine, Ok, Failed };

inline Gen GenOf(bool ok) { return ok ? Gen::Ok : Gen::Failed; }

// The number a node or leaf stands for (ValueOf of its slot 0).
inline int32_t Num(Tree t) { return ValueOf(t); }

// The text of an interned string id held in a tree's slot 0.
std::string NameText(Tree nameHolder);

// ---------------------------------------------------------------------------
// Emission helpers (emit.cpp)

// A 16-bit code word: two PutBy calls (never the reserved-word store).
bool EmitWord(int32_t value, int32_t loc, int32_t& next);
// The 00 byte that opens a line marker: left as the zeroed image holds it,
// not written (the emission watch still counts it).
bool MarkerZero(int32_t loc, int32_t& next);
// Consecutive code bytes.
bool EmitBytes(std::initializer_list<int32_t> bytes, int32_t loc, int32_t& next);
// Reserves a 2-byte jump slot at loc (left zero until patched).
bool ReserveSlot(int32_t loc, int32_t& next);
// The reserved words: read and write 7FFA, 7FFC, 7FFE.
int32_t ReservedWord(int32_t addr);
void SetReservedWord(int32_t addr, int32_t value);
// A jump patched into a reserved slot, refused when the displacement does
// not fit the 14-bit field.
bool JumpChecked(int32_t kind, int32_t slot, int32_t target);
bool JumpFits(int32_t slot, int32_t target);

// ---------------------------------------------------------------------------
// Generator alternatives with their three outcomes

// The generator that takes a node of a label: CodeGen tries them in this
// order, and one that cannot take the label fails at once.
enum class Generator { kStatement, kOperand, kOperator, kOwn };
Generator GeneratorOf(int32_t label);

Gen StatementCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree);
Gen SwitchCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree);
Gen OperandCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree);
Gen OperatorCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree);

// The null check of `un` (op 04) and the range check of `rx` (op 07), with
// the trap tail shared within a method.
bool TrapCheck(int32_t op, int32_t loc, int32_t& next);

// ---------------------------------------------------------------------------
// Fix-up lists (jumps.cpp)

// A late jump record: `ex`, `nx` or `rt` with its target, the list of the
// statements before it and the address of its reserved slot.
Tree JumpRecord(int32_t label, Tree target, Tree before, int32_t slot);
// A case record: the decorated `cs` node, its statements' list, its value.
Tree CaseRecord(Tree caseNode, Tree statements, Tree value);
// The records of a list in order, older statements first (both halves of
// each `no` pair); `cs` records are not entered.
void ListRecords(Tree list, std::vector<Tree>& out);

// The message lines of the generator (not fatal by themselves: the failure
// goes up to the method, which names itself, and to the start rule).
void GenMessage(const std::string& text);
// A tree that no alternative accepts.
bool Oops(Tree tree);

}  // namespace vyl
