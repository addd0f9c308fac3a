// The runtime's per-compilation state and its reset at session start.
#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

RuntimeState& Rt() { return Current<RuntimeState>(); }

std::shared_ptr<RuntimeState> NewRuntimeState() { return std::make_shared<RuntimeState>(); }

void ResetRuntime() {
  RuntimeState& rt = Rt();
  rt.arena.Clear();
  rt.treesBuilt = 0;
  rt.indexBuilds = 0;
  rt.cursor = DictCursor{};
  rt.lookups = LookupMemo{};
  rt.globals.fill(nullptr);
  rt.globalMarks.fill(0);

  StringTable& s = rt.strings;
  s.heads.fill(0);
  s.nextId = kFirstId;
  s.slot(kFirstId) = StringSlot{1, 0, 0};
  s.used = 1;
  s.store[0] = 0;
  s.hash = 0;
  s.lastInterned = 0;
  s.lastHashed = -1;

  SetTable& sets = rt.sets;
  sets.cells.assign(1, SetCellRec{});
  sets.find.clear();
  sets.used = 0;

  TraceState& t = rt.trace;
  t.runaway = 0;
  t.lastInitial = ' ';
  t.posCounter = 0;
  t.ring.fill(0);
  t.checksum = 0;
  t.history.fill(0);
  t.historyCount = 0;
  t.progressTick = 0;
  t.echoed = false;
  t.lastTraced = nullptr;
  t.anyOpen = false;
  t.column = 0;
  t.lines = 0;
  rt.notes = RunNotes{};
  RuleStack& k = rt.rules;
  k.traceLevel = 0;
  k.depth = 0;
  k.highWater = 0;
  k.accepted = 0;
  k.finished = false;
}

void SizeTreeMemory(std::size_t sourceBytes) { Rt().arena.SizeFor(sourceBytes); }

RuleStack& RulesOf(RuntimeState& state) { return state.rules; }

}  // namespace vyl
