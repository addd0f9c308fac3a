// Character classes of the source text, as the token reader sees them.
//
// The file reader has already turned every line end into a carriage return
// and dropped NUL bytes, 0xFF and control-D; kEndOfFile stands for the end of
// the source.  Internal to src/scanner.
#pragma once

#include <cstdint>

namespace vyl::scan {

constexpr bool IsLineEnd(int32_t c) { return c == '\r' || c == '\n'; }

// Space, backspace, tab, vertical tab and form feed separate tokens.
constexpr bool IsBlank(int32_t c) { return c == ' ' || c == 8 || c == 9 || c == 11 || c == 12; }

constexpr bool IsLetter(int32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

constexpr bool IsDigit(int32_t c) { return c >= '0' && c <= '9'; }

constexpr bool IsHexDigit(int32_t c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

constexpr uint32_t HexDigitValue(int32_t c) {
  return static_cast<uint32_t>(IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
}

// Characters that have no place anywhere in a source outside comments: the
// control characters other than blanks and line ends, DEL, and bytes 128 up.
constexpr bool IsForeign(int32_t c) {
  return (c >= 0 && c < 32 && !IsBlank(c) && !IsLineEnd(c)) || (c >= 127 && c <= 254);
}

// Characters that only literals and comments may hold.
constexpr bool IsLiteralOnly(int32_t c) {
  return c == '_' || c == '`' || c == '@' || c == '#' || c == '$' || c == '\\';
}

// The code of a character escape \c in a character literal: the control
// code for r n t b, the character itself for " \ ', and -1 for no escape.
constexpr int32_t CharEscape(int32_t c) {
  switch (c) {
    case '"': return 34;
    case '\\': return 92;
    case '\'': return 39;
    case 'r': return 13;
    case 'n': return 10;
    case 't': return 9;
    case 'b': return 8;
    default: return -1;
  }
}

// In string literals the control escapes are stored with 128 added, so that
// they stay apart from the characters a line end would give.
constexpr int32_t StringEscape(int32_t c) {
  int32_t code = CharEscape(c);
  return code >= 0 && code < ' ' ? code + 128 : code;
}

}  // namespace vyl::scan
