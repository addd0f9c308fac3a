// The tokens of a Vyl source (docs/lexical.md), for the reader of
// parser.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vylfuzz {

enum class Tok { Name, Keyword, Number, Char, String, Punct, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // the name, keyword, punctuation or string contents
  int64_t value = 0;
  int line = 1;
};

// The tokens of a source, the last one End; throws SyntaxError on a
// character or literal the language does not allow.
std::vector<Token> Lex(std::string_view source);

}  // namespace vylfuzz
