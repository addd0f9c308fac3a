// The character level of the token reader: reading the source slot one
// character ahead, line counting, the post-mortem records, starting and
// restarting the reading, and the reader's two fatal messages.
#include <string>

#include "app/app.h"
#include "runtime/runtime.h"
#include "scanner/char_classes.h"
#include "scanner/scanner_state.h"

namespace vyl {

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
  CloseSlot(slot);
  OpenSlot(slot);
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
