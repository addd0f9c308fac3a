// The diagnostics, the document's symbols as a tree, and its names as
// semantic tokens.
#include <algorithm>

#include "lsp/describe.h"
#include "lsp/features.h"

namespace vyl::lsp {

namespace {

json OneDiagnostic(const Analysis& a, const std::string& uri, const Diagnostic& d, const Range& fallback) {
  const Text& t = a.text();
  auto rangeOf = [&](const SourceRange& r) {
    if (!r.known()) return fallback;
    return Range{t.PositionOf(t.OffsetOfColumn(r.line, r.column)), t.PositionOf(t.OffsetOfColumn(r.endLine, r.endColumn))};
  };
  const Range range = rangeOf(d.range);
  json out = {{"range", ToJson(range)},
              {"severity", d.severity == Severity::kError ? 1 : d.severity == Severity::kWarning ? 2 : 3},
              {"source", "vylc"},
              {"message", d.message}};
  if (!d.notes.empty()) {
    json related = json::array();
    for (const Diagnostic& note : d.notes) {
      related.push_back({{"location", Location(uri, note.range.known() ? rangeOf(note.range) : range)},
                         {"message", note.message}});
    }
    out["relatedInformation"] = std::move(related);
  }
  return out;
}

// The range a declaration covers: a function from its name (or its body's
// name after a prototype) to the end of its body, a class to its last
// field, anything else its name.
SourceSpan Extent(const Analysis& a, int32_t n) {
  const OutlineSymbol& s = a.symbol(n);
  SourceSpan span = s.nameSpan;
  if (s.kind == SymbolKind::kFunction) {
    if (s.definition.known()) span = s.definition;
    if (s.scope.end > span.end) span.end = s.scope.end;
  }
  if (s.kind == SymbolKind::kClass) {
    if (const OutlineType* t = a.type(s.type)) {
      for (int32_t m : t->members) span.end = std::max(span.end, a.symbol(m).nameSpan.end);
    }
  }
  return span;
}

json SymbolNode(const Analysis& a, int32_t n, SourceSpan extent) {
  const OutlineSymbol& s = a.symbol(n);
  const bool atBody = s.kind == SymbolKind::kFunction && s.definition.known() && s.scope.end >= 0;
  const SourceSpan name = atBody ? s.definition : s.nameSpan;
  std::string detail = s.kind == SymbolKind::kFunction ? FunctionSignature(a, n) : DeclarationText(a, n);
  if (s.kind == SymbolKind::kClass) detail = "class";
  return json{{"name", s.name},
              {"detail", detail},
              {"kind", DocumentSymbolKind(s.kind)},
              {"range", ToJson(a.text().RangeOf(extent))},
              {"selectionRange", ToJson(a.text().RangeOf(name))}};
}

}  // namespace

json PublishedDiagnostics(const Analysis& a, const std::string& uri, const json& version) {
  json list = json::array();
  Range error;  // notes without a place of their own point where their diagnostic does
  for (const Diagnostic& d : a.diagnostics()) list.push_back(OneDiagnostic(a, uri, d, error));
  json params = {{"uri", uri}, {"diagnostics", std::move(list)}};
  if (version.is_number_integer()) params["version"] = version;
  return params;
}

json DocumentSymbols(const Analysis& a) {
  const auto& symbols = a.outline().symbols;
  std::vector<int32_t> top;
  std::vector<std::vector<int32_t>> owned(symbols.size());
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    if (!symbols[i].nameSpan.known()) continue;
    if (symbols[i].owner < 0) {
      top.push_back(static_cast<int32_t>(i));
    } else {
      owned[static_cast<std::size_t>(symbols[i].owner)].push_back(static_cast<int32_t>(i));
    }
  }
  auto byPosition = [&](int32_t x, int32_t y) { return Extent(a, x).begin < Extent(a, y).begin; };
  std::sort(top.begin(), top.end(), byPosition);
  json out = json::array();
  for (int32_t n : top) {
    const SourceSpan extent = Extent(a, n);
    json node = SymbolNode(a, n, extent);
    // Children: a class's fields, a function's parameters and locals (those
    // of its body when a prototype came first).
    std::vector<int32_t> children;
    for (int32_t i : owned[static_cast<std::size_t>(n)]) {
      const SourceSpan name = symbols[static_cast<std::size_t>(i)].nameSpan;
      if (name.begin >= extent.begin && name.end <= extent.end) children.push_back(i);
    }
    std::sort(children.begin(), children.end(), byPosition);
    json list = json::array();
    for (int32_t c : children) list.push_back(SymbolNode(a, c, Extent(a, c)));
    node["children"] = std::move(list);
    out.push_back(std::move(node));
  }
  return out;
}

json SemanticTokensLegend() {
  return json{{"tokenTypes", SemanticTokenTypes()}, {"tokenModifiers", SemanticTokenModifiers()}};
}

json SemanticTokens(const Analysis& a) {
  json data = json::array();
  Position previous;
  for (const Occurrence& o : a.occurrences()) {
    const Range r = a.text().RangeOf(o.span);
    if (r.start.line != r.end.line || r.end.character <= r.start.character) continue;
    const OutlineSymbol& s = a.symbol(o.symbol);
    int modifiers = o.declaration ? kModDeclaration : 0;
    if (s.kind == SymbolKind::kConstant || s.kind == SymbolKind::kTable) modifiers |= kModReadonly;
    if (!s.nameSpan.known()) modifiers |= kModDefaultLibrary;
    const int32_t deltaLine = r.start.line - previous.line;
    data.push_back(deltaLine);
    data.push_back(deltaLine == 0 ? r.start.character - previous.character : r.start.character);
    data.push_back(r.end.character - r.start.character);
    data.push_back(SemanticTokenType(s.kind));
    data.push_back(modifiers);
    previous = r.start;
  }
  return json{{"data", std::move(data)}};
}

}  // namespace vyl::lsp
