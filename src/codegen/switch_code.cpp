// Switch statements: the case groups first, then the dispatch on the
// selector through a jump table indexed by (selector - lowest case).
#include <algorithm>

#include "codegen/codegen_internal.h"

namespace vyl {

namespace {

int32_t CaseValue(Tree record) { return Num(Part(record, 2)); }

}  // namespace

bool CaseRange(Tree& deflt, int32_t& count, int32_t& low, int32_t& high, Tree& values, Tree cases) {
  Rule r("CaseRange");
  deflt = nullptr;
  values = nullptr;
  std::vector<Tree> records;
  ListRecords(cases, records);
  std::vector<int32_t> seen;
  for (Tree record : records) {
    if (!Is(record, L_cs)) continue;
    if (Part(record, 2)) {
      seen.push_back(CaseValue(record));
    } else if (deflt) {
      // A second default would take over the first one's entries.
      GenMessage("Duplicate case label");
      return r.Fail();
    } else {
      deflt = record;
    }
  }
  std::sort(seen.begin(), seen.end());
  if (std::adjacent_find(seen.begin(), seen.end()) != seen.end()) {
    // Two cases with one value would share one table entry.
    GenMessage("Duplicate case label");
    return r.Fail();
  }
  count = static_cast<int32_t>(seen.size());
  low = seen.empty() ? 65536 : seen.front();
  high = seen.empty() ? -65536 : seen.back();
  for (int32_t v : seen) addset(v, values, values);
  return r.Succeed(deflt, count, low, high, values);
}

bool CaseJumps(int32_t table, int32_t low, Tree cases) {
  Rule r("CaseJumps");
  std::vector<Tree> records;
  ListRecords(cases, records);
  for (Tree record : records) {
    if (!Is(record, L_cs) || !Part(record, 2)) continue;
    int64_t entry = table + 2 * (static_cast<int64_t>(CaseValue(record)) - low);
    if (entry < table || entry >= kCodeLimit) return r.Fail();
    // The case's address is the decoration of its case node.
    if (!JumpTo(1, static_cast<int32_t>(entry), Num(record))) return r.Fail();
  }
  return r.Succeed();
}

Gen SwitchCode(int32_t loc, int32_t& next, Tree& fixups, Tree tree) {
  Tree before = nullptr;
  Tree body = nullptr;
  Tree selector = nullptr;
  int32_t start = loc;
  auto fail = [] { return Gen::Failed; };
  if (!CodeGen(loc, start, before, Part(tree, 1))) return fail();
  // A jump over the case groups to the dispatch code.
  int32_t at = start;
  int32_t dispatch = start;
  if (!ReserveSlot(start, at) || !CodeGen(at, dispatch, body, Part(tree, 3))) return fail();
  if (!JumpTo(1, start, dispatch)) return fail();
  at = dispatch;
  if (!CodeGen(dispatch, at, selector, Part(tree, 2))) return fail();

  Tree deflt = nullptr;
  Tree values = nullptr;
  int32_t count = 0;
  int32_t low = 0;
  int32_t high = 0;
  if (!CaseRange(deflt, count, low, high, values, body)) return fail();
  int64_t span = static_cast<int64_t>(high) - low;
  if (span >= 2 * static_cast<int64_t>(count) && span >= 256) {
    GenMessage("Switch cases too sparse");
    return fail();
  }
  if (high < low) {
    GenMessage("Switch has no cases");
    return fail();
  }
  // k = selector - low; k < 0 leaves k k on the stack at J1, k > high - low
  // leaves k at J2; otherwise JUMPX 2k into the table.
  int32_t j1 = 0;
  int32_t j2 = 0;
  if (!PutConstant(low, at, at) || !EmitBytes({0x1D, 0x04, 0x04, 0x20, 0x17}, at, at)) return fail();
  j1 = at;
  if (!ReserveSlot(at, at) || !PutConstant(static_cast<int32_t>(span), at, at) || !PutBy(0x16, at, at)) {
    return fail();
  }
  j2 = at;
  if (!ReserveSlot(at, at) || !EmitBytes({0x04, 0x1C, 0x0F}, at, at)) return fail();
  int32_t table = at;
  for (int64_t i = 0; i <= span; ++i) {
    if (!ReserveSlot(at, at)) return fail();
  }
  // Below the table: drop what J1 and J2 leave, then go to the default.
  int32_t drops = at;
  if (!EmitBytes({0x05, 0x05}, at, at) || !ReserveSlot(at, at)) return fail();
  int32_t exit = at;
  if (exit - start >= 8192) {
    GenMessage("Too much code in body of 'switch'");
    return fail();
  }
  if (!Decorate(exit, tree)) return fail();
  int32_t defaultTarget = deflt ? Num(deflt) : exit;
  if (!JumpTo(0, j1, drops) || !JumpTo(0, j2, drops + 1) || !JumpTo(1, drops + 2, defaultTarget)) return fail();
  for (int32_t entry = table; entry < drops; entry += 2) {
    if (!JumpTo(1, entry, defaultTarget)) return fail();
  }
  if (!CaseJumps(table, low, body)) return fail();
  // Breaks and continues inside are left for FwdJumps.
  Tree list = nullptr;
  ListMerge(before, body, list);
  ListMerge(list, selector, list);
  fixups = list;
  next = exit;
  return Gen::Ok;
}

}  // namespace vyl
