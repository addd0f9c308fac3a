// The token reader: one function per kind of token, over the character
// level of source_reader.cpp.
//
// The reader always holds the character after the current token (it has
// been read to find where the token ends).  Keywords are delivered as
// identifiers; Accept and the token-kind operations apply the keyword table.
//
// A malformed literal produces no token: it vanishes together with the
// character that did not fit, and the parsing rules then report what they
// expected.
#include "io/io.h"  // kEndOfFile
#include "runtime/runtime.h"
#include "scanner/char_classes.h"
#include "scanner/scanner_state.h"

namespace vyl {

namespace {

using namespace scan;

// Drops the character that does not fit the literal being read.  A line end
// and the end of the file stay where they are: they separate tokens anyway.
// Characters that no source may hold end the compilation instead.
void DropMisfit(ScannerState& s, bool insideLiteral) {
  int32_t c = s.ch;
  if (c == kEndOfFile || IsLineEnd(c)) return;
  if (IsForeign(c) || (!insideLiteral && IsLiteralOnly(c))) InvalidCharacter(c, s.line);
  Advance(s);
}

// A letter followed by letters and digits.
void ReadIdentifier(ScannerState& s) {
  initbl();
  while (IsLetter(s.ch) || IsDigit(s.ch)) {
    AddChar(s.ch);
    Advance(s);
  }
  Intern(1, s.identId);
  s.token = T_Ident;
}

// Hexadecimal digits after 0x or 0X; the value wraps in 32 bits.
void ReadHexDigits(ScannerState& s) {
  if (!IsHexDigit(s.ch)) {
    DropMisfit(s, false);
    return;
  }
  uint32_t value = 0;
  while (IsHexDigit(s.ch)) {
    value = value * 16u + HexDigitValue(s.ch);
    Advance(s);
  }
  s.hexValue = static_cast<int32_t>(value);
  s.token = T_Hex;
}

// Decimal digits (leading zeros allowed, still decimal), or a hexadecimal
// number after 0x.  The value wraps in 32 bits.  A letter right after the
// digits starts the next token.
void ReadNumber(ScannerState& s) {
  if (s.ch == '0') {
    Advance(s);
    if (s.ch == 'x' || s.ch == 'X') {
      Advance(s);
      ReadHexDigits(s);
      return;
    }
  }
  uint32_t value = 0;
  while (IsDigit(s.ch)) {
    value = value * 10u + static_cast<uint32_t>(s.ch - '0');
    Advance(s);
  }
  s.numberValue = static_cast<int32_t>(value);
  s.token = T_Number;
}

// 'c' or '\e' with an escape letter e of " \ ' r n t b.
void ReadCharacter(ScannerState& s) {
  Advance(s);  // the opening quote
  int32_t value;
  if (s.ch == '\\') {
    Advance(s);
    value = CharEscape(s.ch);
    if (value < 0) return DropMisfit(s, true);
  } else if (s.ch == '\'' || s.ch == kEndOfFile || IsLineEnd(s.ch) || IsForeign(s.ch)) {
    return DropMisfit(s, true);
  } else {
    value = s.ch;
  }
  Advance(s);
  if (s.ch != '\'') return DropMisfit(s, true);
  Advance(s);
  s.charValue = value;
  s.token = T_Char;
}

// "..." on one line, with the escapes of character literals; the control
// escapes are stored as the control code plus 128.  "" is the empty string.
void ReadString(ScannerState& s) {
  Advance(s);  // the opening quote
  initbl();
  for (;;) {
    int32_t c = s.ch;
    if (c == '"') break;
    if (c == kEndOfFile || IsLineEnd(c) || IsForeign(c)) return DropMisfit(s, true);
    if (c == '\\') {
      Advance(s);
      c = StringEscape(s.ch);
      if (c < 0) return DropMisfit(s, true);
    }
    AddChar(c);
    Advance(s);
  }
  Advance(s);  // the closing quote
  Intern(2, s.stringId);
  s.token = T_String;
}

constexpr bool NotLineEnd(int32_t c) { return !IsLineEnd(c); }
constexpr bool NotStar(int32_t c) { return c != '*'; }
constexpr bool Separator(int32_t c) { return IsBlank(c) || IsLineEnd(c); }

void SkipLineComment(ScannerState& s) { AdvanceWhile<NotLineEnd>(s); }

// Runs to the first "*/" after the opening "/*".
void SkipBlockComment(ScannerState& s, int32_t openingLine, int32_t openingOffset) {
  Advance(s);  // the '*' of the opening
  for (;;) {
    AdvanceWhile<NotStar>(s);
    if (s.ch == kEndOfFile) UnterminatedComment(openingLine, openingOffset);
    Advance(s);
    if (s.ch == '/') {
      Advance(s);
      return;
    }
  }
}

// Moves past the current character when it is `c`.
bool Follows(ScannerState& s, int32_t c) {
  if (s.ch != c) return false;
  Advance(s);
  return true;
}

// Punctuation and operators, longest match first.  Returns false when the
// current character starts none of them.
bool ReadOperator(ScannerState& s) {
  int32_t token = 0;
  switch (s.ch) {
    case '(': token = T_LParen; break;
    case ')': token = T_RParen; break;
    case '[': token = T_LBracket; break;
    case ']': token = T_RBracket; break;
    case '{': token = T_LBrace; break;
    case '}': token = T_RBrace; break;
    case ';': token = T_Semi; break;
    case ',': token = T_Comma; break;
    case '.': token = T_Dot; break;
    case ':': token = T_Colon; break;
    case '?': token = T_Query; break;
    case '+': token = T_Plus; break;
    case '-': token = T_Minus; break;
    case '*': token = T_Star; break;
    case '%': token = T_Percent; break;
    case '~': token = T_Tilde; break;
    case '^': token = T_Caret; break;
    case '=': case '!': case '&': case '|': case '<': case '>': break;
    default: return false;
  }
  int32_t first = s.ch;
  Advance(s);
  switch (first) {
    case '=': token = Follows(s, '=') ? T_EqEq : T_Assign; break;
    case '!': token = Follows(s, '=') ? T_NotEq : T_Bang; break;
    case '&': token = Follows(s, '&') ? T_AndAnd : T_Amp; break;
    case '|': token = Follows(s, '|') ? T_OrOr : T_Bar; break;
    case '<':
      token = Follows(s, '<') ? T_Shl : Follows(s, '=') ? T_LessEq : T_Less;
      break;
    case '>':
      if (Follows(s, '>')) {
        token = Follows(s, '>') ? T_Ushr : T_Shr;
      } else {
        token = Follows(s, '=') ? T_GreaterEq : T_Greater;
      }
      break;
    default: break;
  }
  s.token = token;
  return true;
}

// Reads what starts at the current character: a token, or a comment or a
// malformed literal (which leave the token code 0).
void ReadNext(ScannerState& s) {
  AdvanceWhile<Separator>(s);
  s.readStart = CharOffset(s);
  int32_t c = s.ch;
  if (c == kEndOfFile) {
    s.token = T_End;
  } else if (IsLetter(c)) {
    ReadIdentifier(s);
  } else if (IsDigit(c)) {
    ReadNumber(s);
  } else if (c == '\'') {
    ReadCharacter(s);
  } else if (c == '"') {
    ReadString(s);
  } else if (c == '/') {
    int32_t line = s.line;
    Advance(s);
    if (s.ch == '/') {
      SkipLineComment(s);
    } else if (s.ch == '*') {
      SkipBlockComment(s, line, s.readStart);
    } else {
      s.token = T_Slash;
    }
  } else if (!ReadOperator(s)) {
    InvalidCharacter(c, s.line);
  }
}

}  // namespace

void NextToken() {
  ScannerState& s = scan::State();
  RecordPosition();
  if (Tracing()) {
    TraceChar('"');
    TraceText(s.text.view());
    TraceChar('"');
  }
  s.text.clear();
  s.token = 0;
  s.previous = s.current;
  if (!s.primed) scan::ReadFirst(s);
  while (s.token == 0) ReadNext(s);
  s.current = SourceSpan{s.readStart, CharOffset(s)};
}

}  // namespace vyl
