// Tokens as the compiler reads them (docs/lexical.md), without values.
#include "lsp/lexer.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vyl::lsp {

namespace {

constexpr std::array<std::string_view, 20> kKeywords = {
    "final", "static", "synchronized", "import", "class", "new",     "if",   "else",  "while", "do",
    "switch", "break", "continue",     "return", "case",  "default", "void", "true", "false", "null"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

}  // namespace

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

std::span<const std::string_view> Keywords() { return kKeywords; }

bool IsKeyword(std::string_view word) { return std::find(kKeywords.begin(), kKeywords.end(), word) != kKeywords.end(); }

bool IsValidName(std::string_view word) {
  return !word.empty() && IsNameStart(word[0]) && std::all_of(word.begin(), word.end(), IsNameChar) &&
         !IsKeyword(word);
}

std::vector<Token> Tokenize(std::string_view text, int32_t limit) {
  std::vector<Token> tokens;
  const std::size_t n = text.size();
  const auto stop = static_cast<std::size_t>(std::clamp<int32_t>(limit, 0, static_cast<int32_t>(n)));
  std::size_t i = 0;
  while (i < stop) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\b' || IsLineEnd(c)) {
      ++i;
      continue;
    }
    Token t;
    t.begin = static_cast<int32_t>(i);
    if (c == '/' && i + 1 < n && text[i + 1] == '/') {
      t.kind = TokenKind::kComment;
      t.open = true;  // the cursor at its end is still inside
      while (i < n && !IsLineEnd(text[i])) ++i;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      t.kind = TokenKind::kComment;
      const std::size_t close = text.find("*/", i + 2);
      t.open = close == std::string_view::npos;
      i = t.open ? n : close + 2;
    } else if (c == '"' || c == '\'') {
      // On one line; a backslash escapes the next character.
      t.kind = c == '"' ? TokenKind::kString : TokenKind::kChar;
      t.open = true;
      for (++i; i < n && !IsLineEnd(text[i]); ++i) {
        if (text[i] == '\\' && i + 1 < n && !IsLineEnd(text[i + 1])) {
          ++i;
        } else if (text[i] == c) {
          ++i;
          t.open = false;
          break;
        }
      }
    } else if (IsNameStart(c)) {
      t.kind = TokenKind::kName;
      while (i < n && IsNameChar(text[i])) ++i;
    } else if (IsDigit(c)) {
      // Digits, or a hexadecimal number; a letter after them starts a name.
      t.kind = TokenKind::kNumber;
      if (c == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        i += 2;
        while (i < n && std::isxdigit(static_cast<unsigned char>(text[i]))) ++i;
      } else {
        while (i < n && IsDigit(text[i])) ++i;
      }
    } else {
      t.kind = TokenKind::kPunct;
      ++i;
    }
    t.end = static_cast<int32_t>(i);
    tokens.push_back(t);
  }
  return tokens;
}

bool InCommentOrLiteral(const std::vector<Token>& tokens, int32_t offset) {
  for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
    if (it->begin >= offset) continue;
    if (it->kind != TokenKind::kComment && it->kind != TokenKind::kString && it->kind != TokenKind::kChar) {
      return false;
    }
    return offset < it->end || (offset == it->end && it->open);
  }
  return false;
}

}  // namespace vyl::lsp
