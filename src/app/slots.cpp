// File slots: character-level input and output for the source, the output
// file, the trace, the exit file and the console.
#include <algorithm>

#include "app/session_state.h"
#include "runtime/runtime.h"

namespace vyl {

FilesState& Files() { return Current<FilesState>(); }
Host& CurrentHost() { return *Files().host; }
void PhaseEnd(Phase phase) { CurrentHost().PhaseEnd(phase); }

namespace {

Slot& SlotAt(int slot) { return Files().slots[static_cast<std::size_t>(slot)]; }
bool ValidSlot(int slot) { return slot >= 0 && slot < kSlots; }

}  // namespace

// The file name for a slot kind.  Source and output names come from the
// chosen path: a ".ftx" source name reads the ".vyl" file beside it, and the
// output of a ".vyl" source is the ".ftx" of the same name.  Other names are
// fixed.
std::string ChooseFileName(int kind) {
  std::string& name = Files().nameBuffer;
  if (name.empty()) name = CurrentHost().AskSourceFile(kSourceFilter);
  static constexpr std::string_view kTemplate = ".vyl.ftx.dbg";
  const std::string_view source = kTemplate.substr(1, 3);
  const std::string_view output = kTemplate.substr(5, 3);
  if (name.size() >= 5 && name[name.size() - 4] == '.') {
    std::string_view ext = std::string_view(name).substr(name.size() - 3);
    if (kind == 1) {
      if (ext == output) name.replace(name.size() - 3, 3, source);
      return name;
    }
    if (kind == 2 && ext == source) {
      name.replace(name.size() - 3, 3, output);
      return name;
    }
  }
  switch (kind) {
    case 1: return "KIBin.txt";
    case 2: return "KIBout.txt";
    case 3: return "KIBdbg.txt";
    case 4: return "Libry.txt";
    default: return "KIBexit.txt";
  }
}

void OpenSlot(int kind) {
  if (kind < 1 || kind > 6) return;
  std::string name = ChooseFileName(kind);
  Slot& s = SlotAt(kind);
  bool input = kind == 1 || kind == 4 || kind == 5;
  bool opened = false;
  if (input) {
    auto text = CurrentHost().ReadFile(name, static_cast<std::size_t>(kReadLimit) + 1);
    if (text) {
      s.truncated = text->size() > static_cast<std::size_t>(kReadLimit);
      s.in = std::move(*text);
      s.pos = 0;
      s.lastWasCR = false;
      s.lookahead = 0;
      s.count = kReadLimit;
      opened = true;
    }
  } else {
    s.out = CurrentHost().WriteFile(name);
    if (s.out) {
      s.count = 0;
      opened = true;
    }
  }
  if (kind == 1 && opened) Files().sourceName = name;
  if (opened || kind >= 5) return;
  std::string line = "Error: Can't open " + name + "\n";
  CurrentHost().StdoutText(line);
  NoteFatal("Can't open " + name);
  throw FatalReturn{};
}

void CloseSlot(int slot) {
  if (!ValidSlot(slot)) return;
  Slot& s = SlotAt(slot);
  s.lookahead = kEndOfFile;
  if (s.count < 0) return;
  if (s.out) {
    s.out->Close();
    s.out.reset();
  }
  s.in.clear();
  s.count = -1 - s.count;
}

void PutChar(int slot, int32_t ch) {
  if (!ValidSlot(slot)) return;
  Slot& s = SlotAt(slot);
  if (s.count < 0) return;
  ++s.count;
  char c = static_cast<char>(ch & 0xFF);
  if (slot == 0) {
    // The console wraps at the first blank after column 64.
    if (!Files().noWrap && s.count > 64 && (ch & 0xFF) < '!') c = '\r';
    if (static_cast<unsigned char>(c) < ' ') {
      CurrentHost().ConsoleChar('\n');
      s.count = 0;
    } else {
      CurrentHost().ConsoleChar(c);
    }
    return;
  }
  if ((slot & 2) == 0 || !s.out) return;
  if (c == '\n') return;
  s.out->Put(c);
  if (c == '\r') s.out->Put('\n');
}

void TracePut(int slot, int32_t ch) {
  PutChar(slot, ch);
  FilesState& f = Files();
  if (slot == f.traceRole) {
    ++f.traceColumn;
    if (f.traceColumn > 64 && (ch & 0xFF) < '!' && (ch & 0xFF) != '\r') TraceLine();
    CountTraceChar();
  } else if (slot == f.outputRole) {
    FeedChecksum(ch);
  }
}

void PutText(int slot, std::string_view text) {
  if (!ValidSlot(slot) || slot == 0) {
    for (char c : text) PutChar(slot, static_cast<unsigned char>(c));
    return;
  }
  // What PutChar would write, character by character, goes out in pieces.
  Slot& s = SlotAt(slot);
  char buffer[512];
  std::size_t used = 0;
  for (char c : text) {
    if (s.count < 0) break;
    ++s.count;
    if ((slot & 2) == 0 || !s.out || c == '\n') continue;
    if (used + 2 > sizeof buffer) {
      s.out->Write(std::string_view(buffer, used));
      used = 0;
    }
    buffer[used++] = c;
    if (c == '\r') buffer[used++] = '\n';
  }
  if (used > 0) s.out->Write(std::string_view(buffer, used));
}

void TracePutText(int slot, std::string_view text) {
  FilesState& f = Files();
  if (!ValidSlot(slot) || slot == 0 || slot == f.traceRole || slot != f.outputRole) {
    for (char c : text) TracePut(slot, static_cast<unsigned char>(c));
    return;
  }
  // The message output: every character is written and fed to the checksum.
  PutText(slot, text);
  for (char c : text) FeedChecksum(static_cast<unsigned char>(c));
}

int32_t TakeChar(int slot) {
  if (ValidSlot(slot)) {
    // An ordinary character of an input opening, with nothing looked ahead.
    Slot& s = SlotAt(slot);
    if (s.lookahead == 0 && s.count > 0 && s.pos < s.in.size()) {
      auto ch = static_cast<unsigned char>(s.in[s.pos]);
      if (ch != 0 && ch != 4 && ch != '\n' && ch != 0xFF) {
        --s.count;
        ++s.pos;
        s.lastWasCR = ch == '\r';
        return ch;
      }
    }
  }
  int32_t c = GetChar(slot);
  if (c != kEndOfFile) ConsumeChar(slot);
  return c;
}

std::string_view PendingInput(int slot) {
  if (!ValidSlot(slot)) return {};
  Slot& s = SlotAt(slot);
  if (s.lookahead != 0 || s.count <= 0 || s.pos >= s.in.size()) return {};
  std::size_t limit = std::min(s.in.size() - s.pos, static_cast<std::size_t>(s.count));
  return {s.in.data() + s.pos, limit};
}

void TakeRun(int slot, std::size_t n) {
  if (!ValidSlot(slot) || n == 0) return;
  Slot& s = SlotAt(slot);
  s.pos += n;
  s.count -= static_cast<int32_t>(n);
  s.lastWasCR = false;
}

int32_t GetChar(int slot) {
  if (!ValidSlot(slot)) return kEndOfFile;
  Slot& s = SlotAt(slot);
  if (s.lookahead != 0) return s.lookahead;
  int32_t ch = 0;
  while (ch == 0) {
    if (s.count <= 0) {
      ch = kEndOfFile;
      break;
    }
    --s.count;
    if (s.pos >= s.in.size()) {
      ch = kEndOfFile;
      s.count = 0;
      break;
    }
    ch = static_cast<unsigned char>(s.in[s.pos++]);
    bool afterCR = s.lastWasCR;
    s.lastWasCR = ch == '\r';
    if (ch == 0xFF) {
      ch = 0;
    } else if (ch == '\n') {
      // A line feed after a carriage return belongs to it; a bare one ends
      // the line by itself.
      ch = afterCR ? 0 : '\r';
      s.lastWasCR = false;
    } else if (ch == 4) {
      int32_t level = TraceLevel();
      if (level == 0) SetTraceLevel(2);
      if (level == 2) SetTraceLevel(0);
      ch = 0;
    }
  }
  if (ch == kEndOfFile && slot == Files().sourceRole && s.truncated) {
    s.truncated = false;
    Error("Source file is longer than 999999 characters");
  }
  s.lookahead = ch;
  return ch;
}

void ConsumeChar(int slot) {
  if (ValidSlot(slot)) SlotAt(slot).lookahead = 0;
}

bool SourceTruncated(int slot) { return ValidSlot(slot) && SlotAt(slot).truncated; }

int SourceRole() { return Files().sourceRole; }
int OutputRole() { return Files().outputRole; }
int TraceRole() { return Files().traceRole; }
bool TraceIsFile() { return Files().traceRole != 0; }
int32_t& TraceColumn() { return Files().traceColumn; }
int32_t& TraceLines() { return Files().traceLines; }
bool& ConsoleNoWrap() { return Files().noWrap; }

}  // namespace vyl
