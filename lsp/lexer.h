// A light reading of Vyl tokens for what the compiler's index cannot tell:
// whether a position is inside a comment or a literal, the name being typed,
// and the calls and selections around the cursor.  It never fails: any text
// is some sequence of tokens.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vyl::lsp {

enum class TokenKind { kName, kNumber, kString, kChar, kComment, kPunct };

struct Token {
  TokenKind kind = TokenKind::kPunct;
  int32_t begin = 0;
  int32_t end = 0;
  bool open = false;  // a comment or literal that runs on at its end (line comment, unterminated)
};

// The tokens of `text` that start before `limit`.
std::vector<Token> Tokenize(std::string_view text, int32_t limit);

// Whether `offset` lies inside a comment or a string or character literal.
bool InCommentOrLiteral(const std::vector<Token>& tokens, int32_t offset);

bool IsNameStart(char c);
bool IsNameChar(char c);
bool IsKeyword(std::string_view word);
// The keywords, in the order docs/lexical.md lists them.
std::span<const std::string_view> Keywords();
// A name a declaration may take: a letter, then letters and digits, and no
// keyword.
bool IsValidName(std::string_view word);

}  // namespace vyl::lsp
