// How a name is shown: the declaration a person would write for it, a line
// on what it is and where it belongs, and the protocol's kinds for it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "lsp/analysis.h"

namespace vyl::lsp {

// The text of a type ("?" when it is not known).
std::string TypeTextOf(const Analysis& a, int32_t type);
// "int helper(int n)"; the offsets of each parameter in it when asked.
std::string FunctionSignature(const Analysis& a, int32_t symbol,
                              std::vector<std::pair<int, int>>* parameterOffsets = nullptr);
// "int total", "int helper(int n)", "class Count = int", "final int Max = 10".
std::string DeclarationText(const Analysis& a, int32_t symbol);
// "global variable", "parameter of helper", "register of Print at FFF6".
std::string RoleText(const Analysis& a, int32_t symbol);
// Hover contents in Markdown.
std::string HoverMarkdown(const Analysis& a, int32_t symbol);
// An address as the docs write it: four hexadecimal digits.
std::string Hex4(int32_t address);

// The protocol's SymbolKind, CompletionItemKind and semantic token type
// (an index into SemanticTokenTypes()) of a symbol kind.
int DocumentSymbolKind(SymbolKind kind);
int CompletionKind(SymbolKind kind);
int SemanticTokenType(SymbolKind kind);
const std::vector<std::string>& SemanticTokenTypes();
const std::vector<std::string>& SemanticTokenModifiers();
// Bits of SemanticTokenModifiers().
enum TokenModifier : int { kModDeclaration = 1, kModReadonly = 2, kModDefaultLibrary = 4 };

}  // namespace vyl::lsp
