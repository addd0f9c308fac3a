// Interned strings and scoped name dictionaries.
//
// All text lives in one character store; a string is known by its id (a
// multiple of 3 from 30 up).  Equal characters with the same category always
// give the same id.
#include <cstring>

#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

namespace {

StringTable& St() { return Rt().strings; }

int32_t LengthOf(int32_t id) {
  StringTable& s = St();
  return s.slot(id + 3).start - 1 - s.slot(id).start;
}

}  // namespace

bool ValidId(int32_t id) { return id >= kFirstId && id < St().nextId && id % 3 == 0; }

bool initbl() {
  StringTable& s = St();
  if (s.used >= kStoreSize || s.nextId >= kIdLimit) return false;
  StringSlot& next = s.slot(s.nextId);
  next.chain = 0;
  next.category = 0;
  s.used = next.start;
  s.hash = 0;
  return true;
}

bool AddChar(int32_t c) {
  if (c == 13 || c == 10 || c == -1) return false;
  StringTable& s = St();
  // One byte stays free for the terminator.  Text is never dropped silently:
  // a full store ends the compilation.
  if (s.used >= kStoreSize - 1) Error("***Character store full***");
  unsigned char byte = static_cast<unsigned char>(c & 0xFF);
  s.store[static_cast<std::size_t>(s.used++)] = byte;
  s.hash = (2 * s.hash + byte) % 1024;
  s.lastHashed = byte;
  return true;
}

bool Intern(int32_t category, int32_t& id) {
  StringTable& s = St();
  StringSlot& pending = s.slot(s.nextId);
  s.store[static_cast<std::size_t>(s.used)] = 0;
  pending.category = category;
  int32_t len = s.used - pending.start;
  const unsigned char* text = &s.store[static_cast<std::size_t>(pending.start)];
  uint32_t h = s.hash % 1024;
  int32_t found = 0;
  for (int32_t k = s.heads[h]; k != 0; k = s.slot(k).chain) {
    const StringSlot& cand = s.slot(k);
    if (cand.category == category && LengthOf(k) == len &&
        std::memcmp(&s.store[static_cast<std::size_t>(cand.start)], text, static_cast<std::size_t>(len)) == 0) {
      found = k;
      break;
    }
  }
  if (found) {
    s.used = pending.start;
    id = found;
  } else {
    if (s.nextId + 3 > kIdLimit) Error("***String table full***");
    id = s.nextId;
    pending.chain = s.heads[h];
    s.heads[h] = id;
    s.nextId += 3;
    s.used += 1;  // past the terminator
    s.slot(s.nextId).start = s.used;
  }
  s.hash = 0;
  s.lastInterned = id;
  if (Tracing()) {
    TraceChar('`');
    TraceNumber(id);
  }
  return true;
}

bool length(int32_t id, int32_t& len) {
  len = ValidId(id) ? LengthOf(id) : 0;
  if (Tracing()) {
    TraceText("*length: ");
    TraceNumber(id);
    TraceText(" ");
    TraceNumber(len);
    TraceText(" ");
  }
  return true;
}

std::string_view StringText(int32_t id) {
  if (!ValidId(id)) return {};
  StringTable& s = St();
  return {reinterpret_cast<const char*>(&s.store[static_cast<std::size_t>(s.slot(id).start)]),
          static_cast<std::size_t>(LengthOf(id))};
}

int32_t LastInterned() { return St().lastInterned; }
int32_t NextFreeId() { return St().nextId; }
int32_t CharsUsed() { return St().used; }

int32_t InternText(std::string_view text, int32_t category) {
  initbl();
  for (char c : text) AddChar(static_cast<unsigned char>(c));
  int32_t id = 0;
  Intern(category, id);
  return id;
}

void PrintString(int32_t id, int32_t quoted) {
  std::string_view text = StringText(id);
  if (quoted == 0) {
    Msg(text);
    return;
  }
  bool plain = true;
  for (char c : text) {
    bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!ok) plain = false;
  }
  if (!plain) TraceChar('`');
  TraceText(text);
  if (!plain) TraceChar('`');
}

// ---------------------------------------------------------------------------
// Name dictionaries: newest entry first; a level marker opens a scope.

namespace {

void TraceName(int32_t name) {
  TraceNumber(name);
  if (ValidId(name)) {
    TraceChar(' ');
    PrintString(name, 1);
  }
}

}  // namespace

bool into(int32_t name, Tree dict, Tree value, Tree& out) {
  int32_t level = DictLevel(dict);
  if (name == 0) {
    out = NewEntry(level + 1, 0, nullptr, dict);
    Rt().trace.anyOpen = true;
    if (Tracing()) {
      TraceText("*open+ ");
      TraceNumber(level + 1);
      TraceLine();
    }
    return true;
  }
  // Levels never grow along a list (an entry takes the level of the list
  // it extends, a marker one more), so the entries of the current level are
  // the leading ones, and the name is bound among them exactly when its
  // newest entry has the current level.
  if (const EntryRec* same = NewestEntry(name, dict); same && same->level == level) {
    out = nullptr;
    if (Tracing()) {
      TraceText("*into: ");
      TraceName(name);
      TraceText(" =F,");
      TraceLine();
    }
    return false;
  }
  out = NewEntry(level, name, value, dict);
  if (Tracing()) {
    TraceText("*into: ");
    TraceName(name);
    TraceChar(' ');
    TraceNumber(level);
    TraceChar(' ');
    TraceArg(value);
    TraceLine();
  }
  return true;
}

bool openPlus(Tree dict, Tree& out) { return into(0, dict, nullptr, out); }

namespace {

// The trace of a lookup: "*From: NAME DICT =VALUE;" or "... =F", the
// dictionary and the value found as rule arguments; the line ends there.
void TraceLookup(std::string_view what, int32_t key, bool keyIsName, Tree dict, const Tree* found) {
  TraceText(what);
  if (keyIsName) {
    TraceName(key);
  } else {
    TraceNumber(key);
  }
  TraceChar(' ');
  TraceArg(dict);
  if (found) {
    TraceText(" =");
    TraceArg(*found);
  } else {
    TraceText(" =F");
  }
  TraceLine();
}

}  // namespace

bool From(int32_t name, Tree dict, Tree& value, int32_t& level) {
  if (const EntryRec* entry = NewestEntry(name, dict)) {
    value = entry->value;
    level = entry->level;
    if (TraceLevel() > 1) TraceLookup("*From: ", name, true, dict, &value);
    return true;
  }
  value = nullptr;
  level = 0;
  if (TraceLevel() > 1) TraceLookup("*From: ", name, true, dict, nullptr);
  return false;
}

bool ixFrom(int32_t index, Tree dict, Tree& value, int32_t& level, int32_t& name) {
  // Enumerations ask for index 0, 1, 2, ... of one list: the walk goes on
  // from the entry found last when it can.
  DictCursor& cursor = Rt().cursor;
  Tree e = dict;
  int32_t i = 0;
  if (cursor.dict == dict && dict && cursor.index <= index) {
    e = cursor.entry;
    i = cursor.index;
  }
  for (; e && i < index; ++i) e = static_cast<EntryRec*>(e)->next;
  if (index >= 0 && e) cursor = DictCursor{dict, e, index};
  if (TraceLevel() > 1) TraceLookup("*ixFrom: ", index, false, dict, e && index >= 0 ? &e : nullptr);
  if (!e || index < 0) {
    value = nullptr;
    level = 0;
    name = 0;
    return false;
  }
  auto* entry = static_cast<EntryRec*>(e);
  value = entry->value;
  level = entry->level;
  name = entry->name;
  return true;
}

}  // namespace vyl
