// The lexical scanner: turns the source file into tokens on demand.
//
// The parsing rules look at the current token and, when they accept it, ask
// for the next one.  Keywords arrive as identifiers; Accept and the token-kind
// operations apply the keyword table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/runtime.h"

namespace vyl {

// Token codes.
enum Token : int32_t {
  T_End = -1,
  T_Ident = 2,
  T_Hex = 3,
  T_Number = 4,
  T_Char = 5,
  T_String = 6,
  // punctuation and operators
  T_LParen = 744, T_RParen = 1260, T_LBracket = 747, T_RBracket = 750,
  T_LBrace = 1155, T_RBrace = 1164, T_Semi = 1062, T_Comma = 1308,
  T_Dot = 1023, T_Colon = 1986, T_Query = 840, T_Assign = 1089,
  T_Plus = 2223, T_Minus = 2226, T_Star = 666, T_Slash = 657,
  T_Percent = 2259, T_Tilde = 660, T_Bang = 780, T_Amp = 741,
  T_Bar = 2094, T_Caret = 2127, T_AndAnd = 2031, T_OrOr = 2007,
  T_Less = 2076, T_Greater = 2082, T_LessEq = 2085, T_GreaterEq = 2079,
  T_EqEq = 2070, T_NotEq = 2073, T_Shl = 2181, T_Shr = 2187, T_Ushr = 2184,
  // keywords, in the order of the keyword table
  K_final = 987, K_static = 990, K_synchronized = 993, K_import = 1008,
  K_class = 1077, K_new = 1251, K_if = 1824, K_else = 1854,
  K_while = 1863, K_do = 1878, K_switch = 1884, K_break = 1902,
  K_continue = 1914, K_return = 1926, K_case = 1971, K_default = 1989,
  K_void = 2349, K_true = 2433, K_false = 2436, K_null = 2454,
};

struct ScannerState;
std::shared_ptr<ScannerState> NewScannerState();

// Builds the keyword table and the automaton and reads the first token.
void ScannerStart();
// Reads the source again from its beginning (line 1).
void Rescan();
// Reads the next token into the current token.
void NextToken();

// The current token: its code (a Token value; keywords have code T_Ident)
// and the value of the last token of each valued kind.
int32_t TokenCode();
// The current line number of the source.
int32_t CurrentLine();
// The value of the current token when it is an identifier, number, character
// or string (the string id, number or character code), else 0.
int32_t TokenValue();

// Positions: the spans of the current and the previous token, in byte
// offsets of the source; their lines and columns; the source text itself.
SourceSpan CurrentSpan();
SourceSpan PreviousSpan();
SourceRange RangeOf(SourceSpan span);
// The first line of the source is 1; the span of line n runs from its first
// character to its line end.
SourceSpan LineSpan(int32_t line);
std::string_view SourceText();

// The keyword that `text` spells in other letter cases ("If" -> "if"), or
// "" (also for the keyword itself).
std::string_view KeywordSpelledLike(std::string_view text);

// The keyword code of an identifier token with string id `id`, or 0.
int32_t KeywordOf(int32_t code, int32_t id);
// Accepts the current token when it is the punctuation, operator or keyword
// `code`: reads the next token and counts the accepted token.
bool Accept(int32_t code);
// Whether Accept(code) would accept the current token (nothing is read).
bool Sees(int32_t code);
// Token-kind operations: succeed when the current token has their kind (and
// is not a keyword), hand back its value, read the next token.
bool TokIdent(int32_t& id);
bool TokHex(int32_t& value);
bool TokNumber(int32_t& value);
bool TokChar(int32_t& value);
bool TokString(int32_t& id);

}  // namespace vyl
