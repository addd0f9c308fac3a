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
    if (s.lookahead == 0 && s.count > 0 && s.pos < s.bytes.size()) {
      auto ch = static_cast<unsigned char>(s.bytes[s.pos]);
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
  if (s.lookahead != 0 || s.count <= 0 || s.pos >= s.bytes.size()) return {};
  std::size_t limit = std::min(s.bytes.size() - s.pos, static_cast<std::size_t>(s.count));
  return {s.bytes.data() + s.pos, limit};
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
    if (s.pos >= s.bytes.size()) {
      ch = kEndOfFile;
      s.count = 0;
      break;
    }
    ch = static_cast<unsigned char>(s.bytes[s.pos++]);
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

int32_t CharOffset(const ScannerState& s) {
  const Slot& slot = SlotAt(SourceRole());
  if (s.ch == kEndOfFile) return static_cast<int32_t>(std::min(slot.bytes.size(), static_cast<std::size_t>(kReadLimit)));
  return static_cast<int32_t>(slot.pos) - 1;
}

void Advance(ScannerState& s) {
  int32_t c = s.ch;
  if (c == kEndOfFile) return;
  bool lineEnd = IsLineEnd(c);
  if (lineEnd) {
    // The line is counted when the reader moves past its end, so a token
    // delivered when its line end is read still carries its own line.
    ++s.line;
  } else if (c > 0 && c < 128) {
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
    if (c > 0 && c < 128) s.text.push_back(static_cast<char>(c));
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
  s.readStart = 0;
  s.current = SourceSpan{0, 0};
  s.previous = SourceSpan{0, 0};
  s.lineStarts.clear();
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
  int32_t at = CharOffset(State());
  PinMessage(SourceSpan{at, at + 1});
  RuleMessage(text, line);
}

void UnterminatedComment(int32_t openingLine, int32_t openingOffset) {
  std::string text = kUnterminatedComment;
  text += " opened in line " + std::to_string(openingLine);
  PinMessage(SourceSpan{openingOffset, openingOffset + 2});
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

// ---------------------------------------------------------------------------
// Positions

SourceSpan CurrentSpan() { return scan::State().current; }
SourceSpan PreviousSpan() { return scan::State().previous; }

std::string_view SourceText() {
  const Slot& slot = SlotAt(SourceRole());
  return slot.bytes.substr(0, std::min(slot.bytes.size(), static_cast<std::size_t>(kReadLimit)));
}

namespace {

// The offsets at which lines start.  A line ends at a carriage return (with
// the line feed right after it) or at a line feed alone, as the reader
// counts lines.
const std::vector<int32_t>& LineStarts() {
  ScannerState& s = scan::State();
  if (s.lineStarts.empty()) {
    std::string_view text = SourceText();
    s.lineStarts.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r') {
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        s.lineStarts.push_back(static_cast<int32_t>(i + 1));
      } else if (text[i] == '\n') {
        s.lineStarts.push_back(static_cast<int32_t>(i + 1));
      }
    }
  }
  return s.lineStarts;
}

void LineAndColumn(int32_t offset, int32_t& line, int32_t& column) {
  const std::vector<int32_t>& starts = LineStarts();
  auto after = std::upper_bound(starts.begin(), starts.end(), offset);
  line = static_cast<int32_t>(after - starts.begin());
  column = offset - *(after - 1) + 1;
}

}  // namespace

SourceRange RangeOf(SourceSpan span) {
  SourceRange r;
  if (!span.known()) return r;
  LineAndColumn(span.begin, r.line, r.column);
  LineAndColumn(std::max(span.begin, span.end), r.endLine, r.endColumn);
  return r;
}

SourceSpan LineSpan(int32_t line) {
  const std::vector<int32_t>& starts = LineStarts();
  if (line < 1 || static_cast<std::size_t>(line) > starts.size()) return {};
  std::string_view text = SourceText();
  auto begin = static_cast<std::size_t>(starts[static_cast<std::size_t>(line - 1)]);
  std::size_t end = begin;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  return SourceSpan{static_cast<int32_t>(begin), static_cast<int32_t>(end)};
}

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
