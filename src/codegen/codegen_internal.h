// Shared helpers of the code generator.  Internal to src/codegen.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

#include "codegen/codegen.h"

namespace vyl {

// The code image of one compilation and its size.
// The string tables of the constant pool by string handle (aFindString).
// Tables only ever join the front of the pool's chain while literals are
// read; `synced` is the newest table already in `tables`.
struct StringTableIndex {
  Tree pool = nullptr;
  Tree synced = nullptr;
  std::unordered_map<int32_t, Tree> tables;
};

struct CodeState {
  std::vector<uint8_t> image;
  int32_t size = 0;
  StringTableIndex strings;
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
