// Compiling a document in memory, and the occurrences and scopes of its
// names.
#include "lsp/analysis.h"

#include <algorithm>
#include <unordered_set>

namespace vyl::lsp {

namespace {

constexpr char kDocumentName[] = "document.vyl";

bool IsMemberKind(SymbolKind kind) { return kind == SymbolKind::kField || kind == SymbolKind::kRegister; }

bool Contains(SourceSpan scope, int32_t offset) {
  return scope.known() && scope.begin <= offset && (scope.end < 0 || offset <= scope.end);
}

}  // namespace

Analysis::Analysis(std::string text, SessionResult result) : text_(std::move(text)), result_(std::move(result)) {
  readUpTo_ = text_.size();
  for (const Diagnostic& d : result_.diagnostics) {
    if (d.severity == Severity::kError && d.range.known()) {
      readUpTo_ = std::min(readUpTo_, text_.OffsetOfColumn(d.range.line, d.range.column));
    }
  }
  const SourceOutline& o = result_.outline;
  for (std::size_t i = 0; i < o.symbols.size(); ++i) {
    const OutlineSymbol& s = o.symbols[i];
    const auto n = static_cast<int32_t>(i);
    if (s.nameSpan.known()) occurrences_.push_back({s.nameSpan, n, true});
    if (s.definition.known()) occurrences_.push_back({s.definition, n, true});
  }
  for (const OutlineUse& u : o.uses) occurrences_.push_back({u.span, u.symbol, false});
  // Names lie inside the text; anything else would be no place to point at.
  std::erase_if(occurrences_, [&](const Occurrence& x) {
    return x.span.begin < 0 || x.span.end < x.span.begin || x.span.end > text_.size();
  });
  // One occurrence a position: a declaration before a use at the same place.
  std::stable_sort(occurrences_.begin(), occurrences_.end(), [](const Occurrence& a, const Occurrence& b) {
    return a.span.begin != b.span.begin ? a.span.begin < b.span.begin : a.declaration > b.declaration;
  });
  occurrences_.erase(std::unique(occurrences_.begin(), occurrences_.end(),
                                 [](const Occurrence& a, const Occurrence& b) { return a.span.begin == b.span.begin; }),
                     occurrences_.end());
}

const OutlineType* Analysis::type(int32_t n) const {
  const auto& types = result_.outline.types;
  return n >= 0 && static_cast<std::size_t>(n) < types.size() ? &types[static_cast<std::size_t>(n)] : nullptr;
}

const Occurrence* Analysis::OccurrenceAt(int32_t offset) const {
  auto after = std::upper_bound(occurrences_.begin(), occurrences_.end(), offset,
                                [](int32_t at, const Occurrence& o) { return at < o.span.begin; });
  if (after == occurrences_.begin()) return nullptr;
  const Occurrence& o = *(after - 1);
  return offset <= o.span.end ? &o : nullptr;
}

std::vector<Occurrence> Analysis::OccurrencesOf(int32_t symbol) const {
  std::vector<Occurrence> found;
  for (const Occurrence& o : occurrences_) {
    if (o.symbol == symbol) found.push_back(o);
  }
  return found;
}

bool Analysis::Visible(int32_t n, int32_t offset) const {
  const OutlineSymbol& s = symbol(n);
  if (IsMemberKind(s.kind)) return false;
  if (!s.nameSpan.known()) {
    // A member of an imported package; a name used without one (a built-in
    // type, ORD) is visible everywhere, a package name in imports alone.
    if (s.owner < 0) return s.kind != SymbolKind::kPackage;
    return symbol(s.owner).kind == SymbolKind::kPackage;
  }
  SourceSpan scope = s.scope;
  if (s.kind == SymbolKind::kFunction) scope.end = -1;  // its scope tells where its body ends
  return Contains(scope, offset) && s.nameSpan.end <= offset;
}

std::vector<int32_t> Analysis::VisibleAt(int32_t offset) const {
  // The newest declaration of a name is the innermost one: locals are read
  // after the globals they hide.
  std::vector<int32_t> found;
  std::unordered_set<std::string_view> names;
  const auto& symbols = result_.outline.symbols;
  std::vector<int32_t> declared, predefined;
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    (symbols[i].nameSpan.known() ? declared : predefined).push_back(static_cast<int32_t>(i));
  }
  std::sort(declared.begin(), declared.end(),
            [&](int32_t a, int32_t b) { return symbol(a).nameSpan.begin > symbol(b).nameSpan.begin; });
  for (const auto* list : {&declared, &predefined}) {
    for (int32_t n : *list) {
      if (!Visible(n, offset) || !names.insert(symbol(n).name).second) continue;
      found.push_back(n);
    }
  }
  return found;
}

int32_t Analysis::Resolve(std::string_view name, SourceSpan at) const {
  if (const Occurrence* o = OccurrenceAt(at.begin); o && o->span.begin == at.begin && o->span.end == at.end) {
    return o->symbol;
  }
  for (int32_t n : VisibleAt(at.begin)) {
    if (symbol(n).name == name) return n;
  }
  return -1;
}

bool Analysis::AllOccurrencesKnown(int32_t n) const {
  if (success()) return true;
  const OutlineSymbol& s = symbol(n);
  // A function's own scope ends with its body; the names declared in it
  // with the function.  Classes, fields and globals are visible to the end.
  SourceSpan scope = s.scope;
  if (s.kind == SymbolKind::kField || s.kind == SymbolKind::kFunction) scope.end = -1;
  return scope.end >= 0 && scope.end <= readUpTo_;
}

std::shared_ptr<const Analysis> Analyze(std::string text, const Compiler& compile) {
  MemoryHost host;
  host.files[kDocumentName] = text;
  SessionOptions options;
  options.indexUses = true;
  options.warnings = true;
  options.format = DiagnosticsFormat::kNone;
  SessionResult result = compile(host, kDocumentName, options);
  return std::make_shared<const Analysis>(std::move(text), std::move(result));
}

}  // namespace vyl::lsp
