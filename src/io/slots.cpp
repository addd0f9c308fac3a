// File slots: opening and closing the files of a compilation, and writing
// characters to the console and the output files.
#include <algorithm>

#include "io/io.h"

namespace vyl {

bool OpenInput(int slot, const std::string& name) {
  if (!ValidSlot(slot)) return false;
  Slot& s = SlotAt(slot);
  // A large file is mapped; otherwise the slot's memory is reused, so a
  // file opened again is read where it was.
  const auto limit = static_cast<std::size_t>(kReadLimit) + 1;
  s.mapped = CurrentHost().MapFile(name, limit);
  if (s.mapped) {
    s.in.clear();
    s.bytes = s.mapped->bytes();
  } else if (CurrentHost().ReadFileInto(name, limit, s.in)) {
    s.bytes = s.in;
  } else {
    s.bytes = {};
    return false;
  }
  s.name = name;
  s.truncated = s.bytes.size() > static_cast<std::size_t>(kReadLimit);
  s.pos = 0;
  s.lastWasCR = false;
  s.lookahead = 0;
  s.count = kReadLimit;
  return true;
}

bool OpenOutput(int slot, const std::string& name) {
  if (!ValidSlot(slot)) return false;
  Slot& s = SlotAt(slot);
  s.out = CurrentHost().WriteFile(name);
  if (!s.out) return false;
  s.name = name;
  s.count = 0;
  return true;
}

bool ReopenInput(int slot) {
  if (!ValidSlot(slot)) return false;
  std::string name = SlotAt(slot).name;
  CloseSlot(slot);
  return OpenInput(slot, name);
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
  s.mapped.reset();
  s.bytes = {};
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
    if (!Io().noWrap && s.count > 64 && (ch & 0xFF) < '!') c = '\r';
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

void PutText(int slot, std::string_view text) {
  if (!ValidSlot(slot) || slot == 0) {
    for (char c : text) PutChar(slot, static_cast<unsigned char>(c));
    return;
  }
  // What PutChar would write, character by character, goes out in runs
  // between the line ends.
  Slot& s = SlotAt(slot);
  if (s.count < 0) return;
  s.count += static_cast<int32_t>(text.size());
  if ((slot & 2) == 0 || !s.out) return;
  while (!text.empty()) {
    std::size_t run = 0;
    while (run < text.size() && text[run] != '\r' && text[run] != '\n') ++run;
    if (run > 0) s.out->Write(text.substr(0, run));
    if (run == text.size()) break;
    if (text[run] == '\r') s.out->Write("\r\n");
    text.remove_prefix(run + 1);
  }
}

void PutFileText(int slot, std::string_view bytes, int32_t characters) {
  if (!ValidSlot(slot) || slot == 0) {
    for (char c : bytes) {
      if (c != '\n') PutChar(slot, static_cast<unsigned char>(c));
    }
    return;
  }
  Slot& s = SlotAt(slot);
  if (s.count < 0) return;
  s.count += characters;
  if ((slot & 2) == 0 || !s.out) return;
  s.out->Write(bytes);
}

}  // namespace vyl
