// The outline of a source: the source index's declarations and uses, and
// the predefined names they reach, copied into plain values before the
// session's tables go away.  Everything is read from the records directly,
// without the traced lookups and queries, so that collecting it changes
// nothing that the compilation wrote.
#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/session_state.h"
#include "types/types.h"

namespace vyl {

namespace {

// Bounds on walking records: the chains of a well-formed table are far
// shorter, and a record changed in place never makes the walk endless.
constexpr int kMaxTypeDepth = 32;
constexpr int kMaxChain = 1 << 16;

EntryRec* AsEntry(Tree t) { return t && t->kind == kEntry ? static_cast<EntryRec*>(t) : nullptr; }

bool IsName(int32_t id) { return id >= kFirstId && ValidId(id); }

// The name in slot 0 of a record, "" when there is none.
std::string RecordName(Tree t) {
  Tree leaf = Kid(t, 0);
  return IsLeaf(leaf) && IsName(LeafValue(leaf)) ? std::string(StringText(LeafValue(leaf))) : std::string();
}

SymbolKind KindOf(DeclKind kind) {
  switch (kind) {
    case DeclKind::kGlobal: return SymbolKind::kGlobal;
    case DeclKind::kParameter: return SymbolKind::kParameter;
    case DeclKind::kLocal: return SymbolKind::kLocal;
    case DeclKind::kField: return SymbolKind::kField;
    case DeclKind::kFunction: return SymbolKind::kFunction;
    case DeclKind::kClass: return SymbolKind::kClass;
    case DeclKind::kConstant: return SymbolKind::kConstant;
    case DeclKind::kTable: return SymbolKind::kTable;
    case DeclKind::kTypeAlias: return SymbolKind::kTypeAlias;
  }
  return SymbolKind::kGlobal;
}

// The class record of a type: a reference to a class, a device's record
// type, or the class itself (a final object's type).
Tree ClassOf(Tree type) {
  if (Is(type, L_cl)) return type;
  if (!Is(type, L_ty)) return nullptr;
  Tree d = Part(type, 3);
  if (Is(d, L_pt) && Is(Part(d, 1), L_cl)) return Part(d, 1);
  return Is(d, L_cl) ? d : nullptr;
}

// The address a predefined location names: a constant, or a byte offset
// from one; -1 for any other location.
int32_t AddressOf(Tree location) {
  if (Is(location, L_cn) && IsLeaf(Kid(location, 0))) return ValueOf(location) & 0xFFFF;
  if (Is(location, L_of) && IsLeaf(Kid(location, 0)) && Is(Part(location, 1), L_cn)) {
    return (ValueOf(location) + ValueOf(Part(location, 1))) & 0xFFFF;
  }
  return -1;
}

// The type a declaration gives its name.
Tree DeclaredType(const DeclEntry& d) {
  switch (d.kind) {
    case DeclKind::kFunction: return Part(Part(d.record, 2), 1);
    case DeclKind::kClass:
    case DeclKind::kTypeAlias: return d.record;
    default: return Part(d.record, 2);
  }
}

class OutlineBuilder {
 public:
  explicit OutlineBuilder(std::string_view source) : source_(source) {}

  SourceOutline Build() {
    const SourceIndex& index = Index();
    // The declarations first, so that owners and types can name them.
    for (const DeclEntry& d : index.decls) {
      OutlineSymbol s;
      s.name = IdText(d.name);
      s.kind = KindOf(d.kind);
      s.nameSpan = d.nameSpan;
      s.scope = d.scope;
      s.definition = d.definition;
      s.used = d.used;
      const auto n = Add(std::move(s));
      if (d.kind == DeclKind::kTypeAlias) {
        aliases_.emplace(d.record, n);
        continue;
      }
      symbolOf_.emplace(d.record, n);
      if (d.kind == DeclKind::kClass) {
        if (Tree cl = ClassOf(d.record)) classSymbol_.emplace(cl, n);
      }
    }
    for (std::size_t i = 0; i < index.decls.size(); ++i) {
      Tree owner = index.decls[i].owner;
      if (!owner) continue;
      auto it = Is(owner, L_cl) ? classSymbol_.find(owner) : symbolOf_.find(owner);
      if (it == (Is(owner, L_cl) ? classSymbol_.end() : symbolOf_.end())) continue;
      out_.symbols[i].owner = it->second;
      if (index.decls[i].kind == DeclKind::kField) fieldsOf_[it->second].push_back(static_cast<int32_t>(i));
    }
    for (std::size_t i = 0; i < index.decls.size(); ++i) Complete(index.decls[i], static_cast<int32_t>(i));
    // The uses, one per span (a name read again after the parser backed up
    // is the same use), in source order.
    std::map<int32_t, OutlineUse> uses;
    for (const UseEntry& u : index.uses) {
      if (!u.record || !u.span.known()) continue;
      const int32_t symbol = SymbolOfUse(u);
      if (symbol >= 0) uses[u.span.begin] = OutlineUse{u.span, symbol};
    }
    for (auto& [begin, use] : uses) out_.uses.push_back(use);
    return std::move(out_);
  }

 private:
  int32_t Add(OutlineSymbol s) {
    out_.symbols.push_back(std::move(s));
    return static_cast<int32_t>(out_.symbols.size() - 1);
  }

  // The type, the parameters and the value of a declaration.
  void Complete(const DeclEntry& d, int32_t n) {
    const int32_t type = TypeIndex(DeclaredType(d), 0);
    out_.symbols[static_cast<std::size_t>(n)].type = type;
    OutlineSymbol& s = out_.symbols[static_cast<std::size_t>(n)];
    if (d.kind == DeclKind::kFunction) {
      Tree p = Part(Part(d.record, 2), 2);
      for (int k = 0; Is(p, L_vr) && k < kMaxChain; ++k, p = Part(p, 1)) {
        s.parameters.push_back({TypeText(Part(p, 2)), RecordName(p)});
      }
    }
    Tree value = Part(d.record, 3);
    if (d.kind == DeclKind::kConstant && Is(value, L_cn)) {
      s.hasValue = true;
      s.value = ValueOf(value);
    }
  }

  int32_t SymbolOfUse(const UseEntry& u) {
    const auto begin = static_cast<std::size_t>(u.span.begin);
    const std::string_view text =
        begin < source_.size() ? source_.substr(begin, static_cast<std::size_t>(u.span.end - u.span.begin))
                               : std::string_view();
    for (auto [it, end] = aliases_.equal_range(u.record); it != end; ++it) {
      if (out_.symbols[static_cast<std::size_t>(it->second)].name == text) return it->second;
    }
    if (auto it = symbolOf_.find(u.record); it != symbolOf_.end()) return it->second;
    return Predefined(u.record, -1);
  }

  // A symbol for a predefined record: a package (with all its members), a
  // device or the vector table, a register, a constant, an intrinsic or a
  // type; -1 for any other record.
  int32_t Predefined(Tree record, int32_t owner) {
    if (auto it = symbolOf_.find(record); it != symbolOf_.end()) return it->second;
    OutlineSymbol s;
    s.owner = owner;
    switch (LabelOf(record)) {
      case L_pk: s.kind = SymbolKind::kPackage; break;
      case L_vr: {
        Tree up = Part(record, 3);
        s.kind = Is(Kid(up, 0), L_cl) && !ClassOf(Part(record, 2)) ? SymbolKind::kRegister : SymbolKind::kDevice;
        s.address = AddressOf(Part(record, 4));
        break;
      }
      case L_df:
        s.kind = SymbolKind::kConstant;
        if (Is(Part(record, 3), L_cn)) {
          s.hasValue = true;
          s.value = ValueOf(Part(record, 3));
        }
        break;
      case L_fn: s.kind = SymbolKind::kIntrinsic; break;
      case L_ty: s.kind = SymbolKind::kType; break;
      default: return -1;
    }
    s.name = s.kind == SymbolKind::kType ? TypeText(record) : RecordName(record);
    if (s.name.empty()) return -1;
    const int32_t n = Add(std::move(s));
    symbolOf_.emplace(record, n);
    switch (LabelOf(record)) {
      case L_pk: {
        out_.packages.push_back(n);
        std::vector<Tree> members;
        int k = 0;
        for (EntryRec* e = AsEntry(Part(record, 5)); e && k < kMaxChain; e = AsEntry(e->next), ++k) {
          if (IsName(e->name)) members.push_back(e->value);
        }
        for (auto it = members.rbegin(); it != members.rend(); ++it) Predefined(*it, n);
        break;
      }
      case L_vr:
      case L_df: {
        // A device owns its registers: they are made with its type.
        if (Tree cl = ClassOf(Part(record, 2))) classSymbol_.emplace(cl, n);
        const int32_t type = TypeIndex(Part(record, 2), 0);
        out_.symbols[static_cast<std::size_t>(n)].type = type;
        break;
      }
      default: break;
    }
    return n;
  }

  int32_t TypeIndex(Tree type, int depth) {
    if (!type || depth > kMaxTypeDepth) return -1;
    if (auto it = typeOf_.find(type); it != typeOf_.end()) return it->second;
    const auto n = static_cast<int32_t>(out_.types.size());
    out_.types.push_back(OutlineType{TypeText(type), -1, {}});
    typeOf_.emplace(type, n);
    Tree d = Is(type, L_ty) ? Part(type, 3) : nullptr;
    if (Is(d, L_ar)) {
      const int32_t element = TypeIndex(Part(d, 2), depth + 1);
      out_.types[static_cast<std::size_t>(n)].element = element;
    }
    if (Tree cl = ClassOf(type)) {
      std::vector<int32_t> members = MembersOf(cl);
      out_.types[static_cast<std::size_t>(n)].members = std::move(members);
    }
    return n;
  }

  // The fields of a class, or the registers of a device, in declaration
  // order: those the source declared, then those of its member table.
  std::vector<int32_t> MembersOf(Tree cl) {
    const auto owner = classSymbol_.find(cl);
    const int32_t ownerSymbol = owner == classSymbol_.end() ? -1 : owner->second;
    const auto fields = fieldsOf_.find(ownerSymbol);
    std::vector<int32_t> members = fields == fieldsOf_.end() ? std::vector<int32_t>() : fields->second;
    std::vector<Tree> scoped;
    std::vector<int32_t> names;
    int k = 0;
    for (EntryRec* e = AsEntry(Part(cl, 5)); e && k < kMaxChain; e = AsEntry(e->next), ++k) {
      if (!IsName(e->name) || !Is(e->value, L_vr)) continue;
      if (std::find(names.begin(), names.end(), e->name) != names.end()) continue;  // hidden by a newer one
      names.push_back(e->name);
      scoped.push_back(e->value);
    }
    for (auto it = scoped.rbegin(); it != scoped.rend(); ++it) {
      const int32_t symbol = Predefined(*it, ownerSymbol);
      if (symbol >= 0 && std::find(members.begin(), members.end(), symbol) == members.end()) {
        members.push_back(symbol);
      }
    }
    return members;
  }

  std::string_view source_;
  SourceOutline out_;
  std::unordered_map<Tree, int32_t> symbolOf_;
  std::unordered_map<Tree, int32_t> classSymbol_;  // a class record -> its class or device
  std::unordered_multimap<Tree, int32_t> aliases_;  // the type an alias names -> the alias
  std::unordered_map<int32_t, std::vector<int32_t>> fieldsOf_;  // a class's declared fields
  std::unordered_map<Tree, int32_t> typeOf_;
};

}  // namespace

SourceOutline CollectOutline(std::string_view source) { return OutlineBuilder(source).Build(); }

}  // namespace vyl
