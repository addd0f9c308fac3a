// Debug info of a compiled program: the source index's statements and
// declarations with the code and the storage they got.  Everything is read
// from the finished trees without the traced queries, so collecting it
// changes nothing that the compilation wrote.
#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "codegen/codegen_internal.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

EntryRec* AsEntry(Tree t) { return t && t->kind == kEntry ? static_cast<EntryRec*>(t) : nullptr; }

int32_t WordAt(int32_t address) {
  std::span<const uint8_t> image = Image();
  if (address < 0 || static_cast<std::size_t>(address) + 1 >= image.size()) return 0;
  return image[static_cast<std::size_t>(address)] * 256 + image[static_cast<std::size_t>(address) + 1];
}

// The size a type record gives (its `sz` node), 0 when it gives none.
int32_t SizeOf(Tree type) {
  Tree sz = Is(type, L_ty) ? Part(type, 2) : Is(type, L_cl) ? Part(type, 6) : nullptr;
  return Is(sz, L_sz) && IsLeaf(Kid(sz, 0)) ? ValueOf(sz) : 0;
}

// The number of elements of an array type descriptor with a fixed index
// range; -1 for an array reached through a reference (`T[]`, `String`).
int32_t FixedLength(Tree array) {
  Tree index = Part(array, 1);
  Tree range = Is(index, L_ty) ? Part(index, 3) : nullptr;
  if (Is(range, L_rn) && Is(Part(range, 1), L_cn) && Is(Part(range, 2), L_cn) &&
      ValueOf(Part(range, 2)) >= ValueOf(Part(range, 1))) {
    return ValueOf(Part(range, 2)) - ValueOf(Part(range, 1)) + 1;
  }
  return -1;
}

// The types of the program by name, each with what a debugger needs to
// show a value of it.
class TypeTable {
 public:
  std::string Add(Tree type, int depth = 0) {
    std::string name = TypeText(type);
    if (depth > 16 || seen_.count(name)) return name;
    seen_.insert(name);
    DebugInfo::Type t;
    t.name = name;
    t.size = SizeOf(type);
    Tree d = Is(type, L_ty) ? Part(type, 3) : type;
    switch (LabelOf(d)) {
      case L_rn: t.kind = t.size == 1 ? "byte" : "int"; break;
      case L_ch: t.kind = "char"; break;
      case L_en: t.kind = name == "boolean" ? "boolean" : "int"; break;
      case L_vt: t.kind = "void"; break;
      case L_pt:
        if (Is(Part(d, 1), L_cl)) {
          t.kind = "class";
          AddFields(Part(d, 1), t, depth);
        } else {
          t.kind = "null";
        }
        break;
      case L_ar: {
        t.kind = "array";
        t.element = Add(Part(d, 2), depth + 1);
        t.length = FixedLength(d);
        break;
      }
      case L_cl:  // an object laid out in place (a final object)
        t.kind = "class";
        AddFields(d, t, depth);
        break;
      default: t.kind = "int"; break;
    }
    types_.push_back(std::move(t));
    return name;
  }
  std::vector<DebugInfo::Type> Take() { return std::move(types_); }

 private:
  // The fields of a class record, in declaration order, from its member
  // scope (child 5).
  void AddFields(Tree classRecord, DebugInfo::Type& t, int depth) {
    std::vector<DebugInfo::Field> fields;
    for (EntryRec* e = AsEntry(Part(classRecord, 5)); e; e = AsEntry(e->next)) {
      Tree location = Part(e->value, 4);
      if (!Is(e->value, L_vr) || e->name < kFirstId || !ValidId(e->name) || !Is(location, L_of) ||
          !IsLeaf(Kid(location, 0))) {
        continue;
      }
      Tree fieldType = Part(e->value, 2);
      fields.push_back({std::string(StringText(e->name)), "", ValueOf(location), SizeOf(fieldType)});
      fields.back().type = Add(fieldType, depth + 1);
    }
    std::reverse(fields.begin(), fields.end());
    t.fields = std::move(fields);
  }
  std::set<std::string> seen_;
  std::vector<DebugInfo::Type> types_;
};

// Where a variable's location node says it is: a frame slot (`of` over no
// base or `in`), a global slot (`of` over `gl` or `bg`, or `gl` itself once
// the access optimisation has folded it) or an absolute address (`cn`).
bool StorageOf(Tree location, std::string& storage, int32_t& offset) {
  auto value = [](Tree t) { return IsLeaf(Kid(t, 0)) ? ValueOf(t) : 0; };
  if (Is(location, L_gl) && IsLeaf(Kid(location, 0))) {
    storage = "global";
    offset = ValueOf(location);
    return true;
  }
  if (Is(location, L_cn)) {
    storage = "absolute";
    offset = ValueOf(location);
    return true;
  }
  if (!Is(location, L_of) || !IsLeaf(Kid(location, 0))) return false;
  Tree base = Part(location, 1);
  offset = ValueOf(location);
  if (!base || Is(base, L_in)) {
    storage = "frame";
  } else if (Is(base, L_gl) || Is(base, L_bg)) {
    storage = "global";
    offset += value(base);
  } else if (Is(base, L_cn)) {
    storage = "absolute";
    offset += value(base);
  } else {
    return false;
  }
  return true;
}

const char* KindName(DeclKind kind) {
  switch (kind) {
    case DeclKind::kParameter: return "parameter";
    case DeclKind::kLocal: return "local";
    default: return "global";
  }
}

int32_t NumberOf(Tree function) { return Is(function, L_fn) ? ValueOf(Part(function, 4)) : 0; }

}  // namespace

DebugInfo CollectDebugInfo() {
  SourceIndex& index = Index();
  DebugInfo info;
  TypeTable types;

  for (const StatementEntry& s : index.statements) {
    if (s.codeBegin < 0 || s.codeEnd <= s.codeBegin) continue;
    info.statements.push_back({s.codeBegin, s.codeEnd, RangeOf(s.span), NumberOf(s.function)});
  }
  std::sort(info.statements.begin(), info.statements.end(), [](const auto& a, const auto& b) {
    return std::pair(a.codeBegin, -a.codeEnd) < std::pair(b.codeBegin, -b.codeEnd);
  });

  // Procedures: the start code, the support routine and every function.
  std::map<int32_t, DebugInfo::Procedure> procedures;
  const int32_t imageEnd = WordAt(0);
  int32_t firstMethod = imageEnd;
  for (const ProcedureEntry& p : index.procedures) {
    procedures[p.number] = {"", p.number, p.entry, p.end, {}, "", {}};
    firstMethod = std::min(firstMethod, p.start);
  }
  procedures[0] = {"(start)", 0, WordAt(2) + 2, firstMethod, {}, "void", {}};
  const int32_t up = WordAt(4) + 2;
  procedures[1] = {"_Up", 1, up, imageEnd, {}, "void", {}};
  for (const auto& [number, p] : procedures) {
    if (number >= 2 && p.entry < up) procedures[0].end = std::min(procedures[0].end, p.entry);
  }
  for (const DeclEntry& d : index.decls) {
    if (d.kind != DeclKind::kFunction) continue;
    auto it = procedures.find(NumberOf(d.record));
    if (it == procedures.end()) continue;
    it->second.name = IdText(d.name);
    it->second.range = RangeOf(d.scope.end >= 0 ? d.scope : d.nameSpan);
    it->second.result = types.Add(Part(Part(d.record, 2), 1));
  }

  std::map<int32_t, std::vector<std::pair<int32_t, std::string>>> parameters;
  for (const DeclEntry& d : index.decls) {
    switch (d.kind) {
      case DeclKind::kGlobal:
      case DeclKind::kParameter:
      case DeclKind::kLocal: {
        Tree location = Part(d.record, 4);
        if (!Is(d.record, L_vr)) break;
        DebugInfo::Variable v;
        v.name = IdText(d.name);
        Tree type = Part(d.record, 2);
        v.type = types.Add(type);
        v.kind = KindName(d.kind);
        if (!StorageOf(location, v.storage, v.offset)) break;
        Tree descriptor = Is(type, L_ty) ? Part(type, 3) : nullptr;
        v.inlined = Is(type, L_cl) || (Is(descriptor, L_ar) && FixedLength(descriptor) >= 0);
        v.size = SizeOf(type);
        v.procedure = d.owner ? NumberOf(d.owner) : -1;
        v.declared = RangeOf(d.nameSpan);
        if (v.procedure >= 0 && d.kind == DeclKind::kParameter) {
          parameters[v.procedure].emplace_back(d.nameSpan.begin, v.name);
        }
        info.variables.push_back(std::move(v));
        break;
      }
      case DeclKind::kConstant:
      case DeclKind::kTable: {
        DebugInfo::Constant c;
        c.name = IdText(d.name);
        c.type = types.Add(Part(d.record, 2));
        Tree value = Part(d.record, 3);
        if (Is(value, L_cn)) c.value = ValueOf(value);
        if (Is(value, L_tk) && IsLeaf(Kid(value, 0))) c.address = ValueOf(value);
        c.declared = RangeOf(d.nameSpan);
        info.constants.push_back(std::move(c));
        break;
      }
      default: break;
    }
  }
  for (auto& [number, list] : parameters) {
    std::sort(list.begin(), list.end());
    for (auto& [at, name] : list) procedures[number].parameters.push_back(name);
  }
  for (auto& [number, p] : procedures) {
    if (!p.name.empty()) info.procedures.push_back(std::move(p));
  }
  info.types = types.Take();
  return info;
}

}  // namespace vyl
