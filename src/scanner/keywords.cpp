// The keyword table and the operations through which the parsing rules take
// tokens: Accept for punctuation, operators and keywords, and one operation
// per valued token kind.
#include <algorithm>
#include <string_view>

#include "runtime/runtime.h"
#include "scanner/scanner_state.h"

namespace vyl {

namespace {

struct Keyword {
  std::string_view text;
  int32_t code;
};

// Interned first and in this order, the keywords get the string ids 30 to 87.
constexpr Keyword kKeywords[] = {
    {"final", K_final},   {"static", K_static},     {"synchronized", K_synchronized},
    {"import", K_import}, {"class", K_class},       {"new", K_new},
    {"if", K_if},         {"else", K_else},         {"while", K_while},
    {"do", K_do},         {"switch", K_switch},     {"break", K_break},
    {"continue", K_continue}, {"return", K_return}, {"case", K_case},
    {"default", K_default},   {"void", K_void},     {"true", K_true},
    {"false", K_false},   {"null", K_null},
};

// Takes a valued token: its value, its trace marker, the next token.
bool TakeValued(int32_t kind, int32_t value, const char* marker, int32_t& out) {
  ScannerState& s = scan::State();
  if (s.token != kind) return false;
  if (kind == T_Ident && KeywordOf(T_Ident, value) != 0) return false;
  out = value;
  if (Tracing()) {
    TraceText(marker);
    TraceChar(' ');
    TraceNumber(value);
  }
  NextToken();
  ++AcceptedTokens();
  return true;
}

}  // namespace

std::string_view KeywordSpelledLike(std::string_view text) {
  for (const Keyword& k : kKeywords) {
    if (k.text.size() != text.size() || k.text == text) continue;
    bool same = true;
    for (std::size_t i = 0; i < text.size() && same; ++i) {
      same = (text[i] | 0x20) == k.text[i];
    }
    if (same) return k.text;
  }
  return {};
}

namespace scan {

void BuildKeywordTable(ScannerState& s) {
  int32_t ids[std::size(kKeywords)];
  for (std::size_t i = 0; i < std::size(kKeywords); ++i) ids[i] = InternText(kKeywords[i].text, 1);
  s.firstKeyword = *std::min_element(std::begin(ids), std::end(ids));
  s.lastKeyword = *std::max_element(std::begin(ids), std::end(ids));
  s.keywordCodes.assign(static_cast<std::size_t>(s.lastKeyword - s.firstKeyword + 1), 0);
  for (std::size_t i = 0; i < std::size(kKeywords); ++i) {
    s.keywordCodes[static_cast<std::size_t>(ids[i] - s.firstKeyword)] = kKeywords[i].code;
  }
}

}  // namespace scan

int32_t KeywordOf(int32_t code, int32_t id) {
  const ScannerState& s = scan::State();
  if (code != T_Ident || id < s.firstKeyword || id > s.lastKeyword) return 0;
  return s.keywordCodes[static_cast<std::size_t>(id - s.firstKeyword)];
}

bool Sees(int32_t code) {
  const ScannerState& s = scan::State();
  // The keyword test looks at the identifier of the current token itself,
  // not at whatever string a rule interned after it was read.
  return code != 0 && (s.token == code || KeywordOf(s.token, s.identId) == code);
}

bool Accept(int32_t code) {
  if (!Sees(code)) return false;
  NextToken();
  ++AcceptedTokens();
  return true;
}

bool TokIdent(int32_t& id) { return TakeValued(T_Ident, scan::State().identId, "=ID", id); }
bool TokHex(int32_t& value) { return TakeValued(T_Hex, scan::State().hexValue, "=HEX", value); }
bool TokNumber(int32_t& value) { return TakeValued(T_Number, scan::State().numberValue, "=NUM", value); }
bool TokChar(int32_t& value) { return TakeValued(T_Char, scan::State().charValue, "=CHR", value); }
bool TokString(int32_t& id) { return TakeValued(T_String, scan::State().stringId, "=STR", id); }

}  // namespace vyl
