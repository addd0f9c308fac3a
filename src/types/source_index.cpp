// The source index: declarations, uses and statements with their spans,
// and the readable text of types.
#include <string>

#include "types/types.h"

namespace vyl {

namespace {

Tree& MarkedSlot(SourceIndex& index, Tree record) { return index.markedUsed[AddressHash(record) >> 26]; }

}  // namespace

void NoteDeclaration(Tree record, int32_t name, DeclKind kind, Tree owner, SourceSpan span) {
  SourceIndex& index = Index();
  if (Tree& marked = MarkedSlot(index, record); marked == record) marked = nullptr;
  DeclEntry entry;
  entry.record = record;
  entry.name = name;
  entry.kind = kind;
  entry.nameSpan = span.known() ? span : index.pendingName;
  entry.scope = SourceSpan{entry.nameSpan.begin, -1};
  entry.owner = owner;
  index.pendingName = SourceSpan{};
  if (kind != DeclKind::kTypeAlias) index.declOf[record] = static_cast<int32_t>(index.decls.size());
  index.decls.push_back(entry);
}

DeclEntry* DeclarationOf(Tree record) {
  SourceIndex& index = Index();
  auto it = index.declOf.find(record);
  return it == index.declOf.end() ? nullptr : &index.decls[static_cast<std::size_t>(it->second)];
}

void NoteUse(SourceSpan span, Tree record) {
  SourceIndex& index = Index();
  if (index.recordUses) index.uses.push_back(UseEntry{span, record});
  Tree& marked = MarkedSlot(index, record);
  if (marked == record) return;
  if (DeclEntry* d = DeclarationOf(record)) {
    d->used = true;
    marked = record;
  }
}

void NoteStatement(Tree statement, Tree link, SourceSpan span) {
  SourceIndex& index = Index();
  if (!index.recordStatements || !statement) return;
  const auto number = static_cast<int32_t>(index.statements.size());
  auto [it, fresh] = index.statementOf.emplace(statement, number);
  if (!fresh) return;
  if (link) index.linkOf.emplace(link, number);
  index.statements.push_back(StatementEntry{statement, span, index.function, -1, -1});
}

void NoteCode(Tree tree, int32_t begin, int32_t end) {
  SourceIndex& index = Index();
  if (auto link = index.linkOf.find(tree); link != index.linkOf.end()) {
    index.statements[static_cast<std::size_t>(link->second)].codeBegin = end;
  }
  if (auto own = index.statementOf.find(tree); own != index.statementOf.end()) {
    StatementEntry& s = index.statements[static_cast<std::size_t>(own->second)];
    if (s.codeBegin < begin) s.codeBegin = begin;
    s.codeEnd = end;
  }
}

namespace {

std::string NameOf(Tree holder) {
  Tree name = Kid(holder, 0);
  return IsLeaf(name) && ValidId(LeafValue(name)) ? std::string(StringText(LeafValue(name))) : std::string();
}

}  // namespace

std::string TypeText(Tree type) {
  if (!Is(type, L_ty)) {
    if (Is(type, L_cl)) return NameOf(type);
    return "?";
  }
  std::string name = NameOf(type);
  Tree d = Part(type, 3);
  if (Is(d, L_ar)) {
    // An array type made by the compiler is named after its element type.
    std::string element = TypeText(Part(d, 2));
    Tree index = Part(d, 1);
    Tree range = Is(index, L_ty) ? Part(index, 3) : nullptr;
    if (Is(range, L_rn) && Is(Part(range, 1), L_cn) && Is(Part(range, 2), L_cn) &&
        ValueOf(Part(range, 2)) >= ValueOf(Part(range, 1))) {
      return element + "[" + std::to_string(int64_t{ValueOf(Part(range, 2))} - ValueOf(Part(range, 1)) + 1) + "]";
    }
    if (!name.empty() && name.find('[') == std::string::npos && name != element + "[]") return name;
    return element + "[]";
  }
  if (!name.empty()) return name;
  if (Is(d, L_cl)) return NameOf(d);
  return "?";
}

}  // namespace vyl
