// Where a name is declared and used, what it is, and renaming it.
#include <algorithm>

#include "lsp/describe.h"
#include "lsp/features.h"
#include "lsp/lexer.h"

namespace vyl::lsp {

namespace {

const Occurrence* At(const Analysis& a, Position at) { return a.OccurrenceAt(a.text().OffsetOf(at)); }

// The symbol of each use, in source order, with the declared symbols
// numbered by their order in the outline and the predefined ones by name:
// what a rename must leave as it was.
std::vector<std::string> Meanings(const Analysis& a) {
  std::vector<std::string> meanings;
  for (const OutlineUse& u : a.outline().uses) {
    const OutlineSymbol& s = a.symbol(u.symbol);
    meanings.push_back(s.nameSpan.known() ? std::to_string(u.symbol) : "=" + s.name);
  }
  return meanings;
}

}  // namespace

json Definition(const Analysis& a, const std::string& uri, Position at, bool declaration) {
  const Occurrence* o = At(a, at);
  if (!o) return nullptr;
  const OutlineSymbol& s = a.symbol(o->symbol);
  if (!s.nameSpan.known()) return nullptr;  // predefined: declared nowhere in the source
  // The definition of a prototyped function is its body.
  const SourceSpan span = !declaration && s.definition.known() ? s.definition : s.nameSpan;
  return Location(uri, a.text().RangeOf(span));
}

json References(const Analysis& a, const std::string& uri, Position at, bool includeDeclaration) {
  json out = json::array();
  const Occurrence* o = At(a, at);
  if (!o) return out;
  for (const Occurrence& each : a.OccurrencesOf(o->symbol)) {
    if (each.declaration && !includeDeclaration) continue;
    out.push_back(Location(uri, a.text().RangeOf(each.span)));
  }
  return out;
}

json Hover(const Analysis& a, Position at) {
  const Occurrence* o = At(a, at);
  if (!o) return nullptr;
  return json{{"contents", {{"kind", "markdown"}, {"value", HoverMarkdown(a, o->symbol)}}},
              {"range", ToJson(a.text().RangeOf(o->span))}};
}

namespace {

// The symbol under the cursor if it may be renamed; otherwise why not.
const Occurrence& Renameable(const Analysis& a, Position at) {
  const Occurrence* o = At(a, at);
  if (!o) throw RequestError(kRequestFailed, "There is no name here to rename.");
  if (!a.Declared(o->symbol)) {
    throw RequestError(kRequestFailed, "'" + a.symbol(o->symbol).name + "' is predefined and cannot be renamed.");
  }
  if (!a.AllOccurrencesKnown(o->symbol)) {
    throw RequestError(kRequestFailed, "'" + a.symbol(o->symbol).name +
                                           "' may be used after the first error, where the compiler stopped "
                                           "reading: fix the error first.");
  }
  return *o;
}

}  // namespace

json PrepareRename(const Analysis& a, Position at) {
  const Occurrence& o = Renameable(a, at);
  return json{{"range", ToJson(a.text().RangeOf(o.span))}, {"placeholder", a.symbol(o.symbol).name}};
}

json Rename(const Analysis& a, const std::string& uri, Position at, const std::string& newName,
            const Compiler& compile) {
  const Occurrence& o = Renameable(a, at);
  if (!IsValidName(newName)) {
    throw RequestError(kInvalidParams, "'" + newName + "' is not a name: a letter, then letters and digits, no keyword.");
  }
  std::vector<Occurrence> all = a.OccurrencesOf(o.symbol);
  // The renamed text must mean what the text meant: compile it and compare
  // the meaning of every use (a new name may hide another or be hidden).
  std::string renamed = a.text().str();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    renamed.replace(static_cast<std::size_t>(it->span.begin), static_cast<std::size_t>(it->span.end - it->span.begin),
                    newName);
  }
  std::shared_ptr<const Analysis> after = Analyze(std::move(renamed), compile);
  const bool sameOutcome = after->success() == a.success() && Meanings(*after) == Meanings(a) &&
                           after->outline().symbols.size() == a.outline().symbols.size();
  if (!sameOutcome) {
    throw RequestError(kRequestFailed, "Renaming '" + a.symbol(o.symbol).name + "' to '" + newName +
                                           "' would change what the program means.");
  }
  json edits = json::array();
  for (const Occurrence& each : all) {
    edits.push_back({{"range", ToJson(a.text().RangeOf(each.span))}, {"newText", newName}});
  }
  return json{{"changes", {{uri, std::move(edits)}}}};
}

}  // namespace vyl::lsp
