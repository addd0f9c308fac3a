// Reads Vyl source text into a syntax tree (syntax.h): the lexical rules and
// the grammar of docs/lexical.md, docs/declarations.md, docs/statements.md
// and docs/expressions.md.  The trace directives `?` and `!` and the address
// operator `&` are not read.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "syntax.h"

namespace vylfuzz {

struct SyntaxError : std::runtime_error {
  SyntaxError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message), line(line) {}
  int line;
};

// Throws SyntaxError on anything it cannot read.
Program Parse(std::string_view source);

}  // namespace vylfuzz
