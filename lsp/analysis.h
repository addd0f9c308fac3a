// One compilation of a document and what the features ask of it: the
// compiler's diagnostics and outline, every occurrence of a name (its
// declaration, the body of a prototyped function, each use) and which
// names are visible where.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "lsp/text.h"

namespace vyl::lsp {

// How a document is compiled: vyl::RunSession, or RunSessionHere for a
// caller that already runs on a stack of kSessionStack bytes.
using Compiler = std::function<SessionResult(MemoryHost&, const std::string&, const SessionOptions&)>;

struct Occurrence {
  SourceSpan span;
  int32_t symbol = -1;
  bool declaration = false;  // the name where it is declared (or where a prototyped function's body is)
};

class Analysis {
 public:
  Analysis(std::string text, SessionResult result);

  const Text& text() const { return text_; }
  const SourceOutline& outline() const { return result_.outline; }
  const OutlineSymbol& symbol(int32_t n) const { return result_.outline.symbols[static_cast<std::size_t>(n)]; }
  const OutlineType* type(int32_t n) const;
  const std::vector<Diagnostic>& diagnostics() const { return result_.diagnostics; }
  bool success() const { return result_.success; }
  // Where the compiler stopped reading: the start of its error, or the end
  // of the text after a success.  What lies beyond is not in the outline.
  int32_t readUpTo() const { return readUpTo_; }

  // Every occurrence, by position.
  const std::vector<Occurrence>& occurrences() const { return occurrences_; }
  // The occurrence under a cursor at `offset` (inside the name or just
  // after it), or null.
  const Occurrence* OccurrenceAt(int32_t offset) const;
  std::vector<Occurrence> OccurrencesOf(int32_t symbol) const;

  // Whether a name may be written at `offset`: a declaration whose scope
  // holds it, or a predefined name of an imported package (fields and
  // registers are reached through their object only).
  bool Visible(int32_t symbol, int32_t offset) const;
  // The names visible at `offset`, one per name, the innermost first.
  std::vector<int32_t> VisibleAt(int32_t offset) const;
  // The symbol a name written at `offset` means: its use there if the
  // compiler read it, else the innermost visible one of that name; -1.
  int32_t Resolve(std::string_view name, SourceSpan at) const;

  // Whether every occurrence of a symbol is known: the compiler read all
  // of its scope.
  bool AllOccurrencesKnown(int32_t symbol) const;
  // Whether a symbol comes from the source (it can be renamed).
  bool Declared(int32_t symbol) const { return symbol >= 0 && this->symbol(symbol).nameSpan.known(); }

 private:
  Text text_;
  SessionResult result_;
  int32_t readUpTo_ = 0;
  std::vector<Occurrence> occurrences_;
};

// Compiles `text` in memory with the outline asked for.
std::shared_ptr<const Analysis> Analyze(std::string text, const Compiler& compile);

}  // namespace vyl::lsp
