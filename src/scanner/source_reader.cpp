// The character level of the token reader: reading the source slot one
// character ahead, line counting, the post-mortem records, starting and
// restarting the reading, and the reader's two fatal messages.
#include <algorithm>
#include <string>

#include "runtime/runtime.h"
#include "scanner/char_classes.h"
#include "scanner/scanner_state.h"

namespace vyl {

// ---------------------------------------------------------------------------
// The characters of an input slot

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
  if (ch == kEndOfFile && slot == SourceRole() && s.truncated) {
    s.truncated = false;
    Error("Source file is longer than 999999 characters");
  }
  s.lookahead = ch;
  return ch;
}

void ConsumeChar(int slot) {
  if (ValidSlot(slot)) SlotAt(slot).lookahead = 0;
}

namespace scan {

namespace {

// The fixed texts of the reader's messages.
constexpr char kInvalidCharacter[] = "Invalid character in source";
constexpr char kUnterminatedComment[] = "Unterminated block comment";

// Consumes the next character of the source; every consumed character goes
// to the running checksum and the history ring.
int32_t Take() {
  int32_t c = TakeChar(SourceRole());
  if (c == kEndOfFile) return kEndOfFile;
  FeedChecksum(c);
  return c;
}

}  // namespace

ScannerState& State() { return Current<ScannerState>(); }

void Advance(ScannerState& s) {
  int32_t c = s.ch;
  if (c == kEndOfFile) return;
  bool lineEnd = IsLineEnd(c);
  if (lineEnd) {
    // The line is counted when the reader moves past its end, so a token
    // delivered when its line end is read still carries its own line.
    ++s.line;
  } else if (c > 0 && c < 128 && s.text.size() < kTokenTextLimit) {
    s.text.push_back(static_cast<char>(c));
  }
  s.ch = Take();
  // The end of the file right after a line end counts as one more line end.
  if (lineEnd && s.ch == kEndOfFile) ++s.line;
}

std::string_view PendingSource(const ScannerState& s) {
  return IsLineEnd(s.ch) ? std::string_view() : PendingInput(SourceRole());
}

void AdvanceRun(ScannerState& s, std::string_view run, std::size_t n) {
  // The current character and the first n - 1 of the run join the token
  // text, the n characters of the run are taken, and the last of them
  // becomes the current character.
  auto addText = [&s](int32_t c) {
    if (c > 0 && c < 128 && s.text.size() < kTokenTextLimit) s.text.push_back(static_cast<char>(c));
  };
  addText(s.ch);
  for (std::size_t i = 0; i + 1 < n && s.text.size() < kTokenTextLimit; ++i) {
    addText(static_cast<unsigned char>(run[i]));
  }
  TakeRun(SourceRole(), n);
  FeedChecksumText(run.substr(0, n));
  s.ch = static_cast<unsigned char>(run[n - 1]);
}

void Restart(ScannerState& s) {
  s.line = 1;
  s.ch = kEndOfFile;
  s.primed = false;
  s.token = 0;
}

void ReadFirst(ScannerState& s) {
  s.ch = Take();
  s.primed = true;
}

void InvalidCharacter(int32_t ch, int32_t line) {
  std::string text = kInvalidCharacter;
  text += ": code " + std::to_string(ch);
  if (ch > ' ' && ch < 127) {
    text += " ('";
    text.push_back(static_cast<char>(ch));
    text += "')";
  }
  text += " in line " + std::to_string(line);
  RuleMessage(text, line);
}

void UnterminatedComment(int32_t openingLine) {
  std::string text = kUnterminatedComment;
  text += " opened in line " + std::to_string(openingLine);
  RuleMessage(text, openingLine);
}

}  // namespace scan

std::shared_ptr<ScannerState> NewScannerState() { return std::make_shared<ScannerState>(); }

void ScannerStart() {
  ScannerState& s = scan::State();
  scan::BuildKeywordTable(s);
  scan::Restart(s);
  NextToken();
}

void Rescan() {
  int slot = SourceRole();
  if (!ReopenInput(slot)) CannotOpen(SlotAt(slot).name);
  ScannerState& s = scan::State();
  scan::Restart(s);
  NextToken();
}

int32_t TokenCode() { return scan::State().token; }

int32_t CurrentLine() { return scan::State().line; }

int32_t TokenValue() {
  const ScannerState& s = scan::State();
  switch (s.token) {
    case T_Ident: return s.identId;
    case T_Hex: return s.hexValue;
    case T_Number: return s.numberValue;
    case T_Char: return s.charValue;
    case T_String: return s.stringId;
    default: return 0;
  }
}

}  // namespace vyl
