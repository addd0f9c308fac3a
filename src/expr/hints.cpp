// Notes that help with an error: the package that declares a name used
// without its import, a function used before its definition, a name in
// scope spelt nearly alike, a keyword written in capitals, the members of a
// class, the two types of a mismatch.
//
// Everything here walks the tables directly, without the traced lookups,
// so that a hint never changes the trace.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

EntryRec* AsEntry(Tree t) { return t && t->kind == kEntry ? static_cast<EntryRec*>(t) : nullptr; }

bool IsName(int32_t id) { return id >= kFirstId && ValidId(id); }

// Quoted as the notes quote names and types.
std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// The number of single-character edits between two short names, or a large
// number once it exceeds `limit`.
int32_t EditDistance(std::string_view a, std::string_view b, int32_t limit) {
  if (std::abs(static_cast<int32_t>(a.size()) - static_cast<int32_t>(b.size())) > limit) return limit + 1;
  std::vector<int32_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int32_t>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    int32_t diagonal = row[0];
    row[0] = static_cast<int32_t>(i);
    int32_t best = row[0];
    for (std::size_t j = 1; j <= b.size(); ++j) {
      int32_t substitute = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
      diagonal = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitute});
      best = std::min(best, row[j]);
    }
    if (best > limit) return limit + 1;
  }
  return row[b.size()];
}

// The package of the table that declares `id`, as "import NAME;".
bool NoteImport(int32_t id, Tree syms) {
  for (EntryRec* e = AsEntry(syms); e; e = AsEntry(e->next)) {
    if (!Is(e->value, L_pk) || !IsName(e->name)) continue;
    for (EntryRec* m = AsEntry(Part(e->value, 5)); m; m = AsEntry(m->next)) {
      if (m->name == id) {
        std::string package(StringText(e->name));
        AddNote(Quoted(StringText(id)) + " is declared in package " + package + ": add 'import " + package +
                ";' at the start of the program");
        return true;
      }
    }
  }
  return false;
}

bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// A definition of function `name` later in the source: a type (a name,
// perhaps with "[]"), the name, "(" ... ")", then "{".  Hands back the
// span of the name and the prototype to declare before the first use.
bool LaterDefinition(std::string_view name, SourceSpan& at, std::string& prototype) {
  std::string_view text = SourceText();
  auto from = static_cast<std::size_t>(std::max(CurrentSpan().begin, 0));
  for (std::size_t i = text.find(name, from); i != std::string_view::npos; i = text.find(name, i + 1)) {
    std::size_t end = i + name.size();
    if ((i > 0 && IsIdentifierChar(text[i - 1])) || (end < text.size() && IsIdentifierChar(text[end]))) continue;
    std::size_t open = end;
    while (open < text.size() && (text[open] == ' ' || text[open] == '\t')) ++open;
    if (open >= text.size() || text[open] != '(') continue;
    // The type before the name.
    std::size_t typeEnd = i;
    while (typeEnd > 0 && (text[typeEnd - 1] == ' ' || text[typeEnd - 1] == '\t')) --typeEnd;
    if (typeEnd == i) continue;
    std::size_t typeBegin = typeEnd;
    while (typeBegin > 0 && (IsIdentifierChar(text[typeBegin - 1]) || text[typeBegin - 1] == '[' ||
                             text[typeBegin - 1] == ']')) {
      --typeBegin;
    }
    std::string_view type = text.substr(typeBegin, typeEnd - typeBegin);
    if (type.empty() || !std::isalpha(static_cast<unsigned char>(type[0])) || type == "return" || type == "new" ||
        type == "else") {
      continue;
    }
    std::size_t close = text.find(')', open);
    if (close == std::string_view::npos) continue;
    std::size_t body = close + 1;
    while (body < text.size() && std::isspace(static_cast<unsigned char>(text[body]))) ++body;
    if (body >= text.size() || text[body] != '{') continue;
    std::string params;
    for (char c : text.substr(open + 1, close - open - 1)) {
      bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
      if (blank && (params.empty() || params.back() == ' ')) continue;
      params.push_back(blank ? ' ' : c);
    }
    while (!params.empty() && params.back() == ' ') params.pop_back();
    at = SourceSpan{static_cast<int32_t>(i), static_cast<int32_t>(end)};
    prototype = std::string(type) + " " + std::string(name) + "(" + params + ");";
    return true;
  }
  return false;
}

// The visible name nearest to `id` in spelling, if it is near enough.
void NoteNearName(int32_t id, Tree syms) {
  std::string_view wanted = StringText(id);
  const int32_t limit = wanted.size() <= 3 ? 1 : 2;
  int32_t best = limit + 1;
  EntryRec* found = nullptr;
  std::vector<int32_t> seen;
  for (EntryRec* e = AsEntry(syms); e; e = AsEntry(e->next)) {
    if (!IsName(e->name) || e->name == id || std::find(seen.begin(), seen.end(), e->name) != seen.end()) continue;
    seen.push_back(e->name);
    std::string_view candidate = StringText(e->name);
    if (!std::isalpha(static_cast<unsigned char>(candidate.empty() ? '0' : candidate[0]))) continue;
    int32_t d = EditDistance(wanted, candidate, limit);
    if (d < best && d < static_cast<int32_t>(candidate.size())) {
      best = d;
      found = e;
    }
  }
  if (!found) return;
  AddNote("did you mean " + Quoted(StringText(found->name)) + "?");
  if (const DeclEntry* d = DeclarationOf(found->value); d && d->nameSpan.known()) {
    AddNote(Quoted(StringText(found->name)) + " is declared here", d->nameSpan);
  }
}

}  // namespace

void NoteUndefinedName(int32_t id, Tree syms) {
  std::string_view name = StringText(id);
  if (std::string_view keyword = KeywordSpelledLike(name); !keyword.empty()) {
    AddNote("keywords are written in lower case: " + Quoted(keyword));
    return;
  }
  if (NoteImport(id, syms)) return;
  SourceSpan at;
  std::string prototype;
  if (LaterDefinition(name, at, prototype)) {
    AddNote(Quoted(name) + " is defined later; a function must be declared before its first use", at);
    AddNote("declare it before this use with the prototype '" + prototype + "'");
    return;
  }
  NoteNearName(id, syms);
}

void NoteMembers(Tree type, Tree members) {
  std::vector<std::string> names;
  for (EntryRec* e = AsEntry(members); e; e = AsEntry(e->next)) {
    if (IsName(e->name) && Is(e->value, L_vr)) names.emplace_back(StringText(e->name));
  }
  std::reverse(names.begin(), names.end());  // in declaration order
  std::string text = Quoted(TypeText(type));
  if (names.empty()) {
    text += " has no fields";
  } else {
    text += names.size() == 1 ? " has the field " : " has the fields ";
    for (std::size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + names[i];
  }
  AddNote(text);
}

void NoteTypes(std::string_view target, Tree targetType, std::string_view value, Tree valueType) {
  AddNote(std::string(target) + " has type " + Quoted(TypeText(targetType)) + ", " + std::string(value) +
          " has type " + Quoted(TypeText(valueType)));
}

void WarnArrayConversion(Tree target, Tree source, SourceSpan span) {
  Tree to = Is(target, L_ty) ? Part(target, 3) : nullptr;
  Tree from = Is(source, L_ty) ? Part(source, 3) : nullptr;
  if (!Is(to, L_ar) || !Is(from, L_ar) || Equal(Part(to, 2), Part(from, 2))) return;
  Warn("the array " + Quoted(TypeText(source)) + " is used as " + Quoted(TypeText(target)) +
           ", an array of another element type",
       span, {{"its bytes are read as elements of the other type", SourceSpan{}}});
}

SourceSpan SpanFrom(int32_t begin) { return SourceSpan{begin, std::max(begin, PreviousSpan().end)}; }

}  // namespace vyl
