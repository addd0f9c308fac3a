// Texts and kinds of names.
#include "lsp/describe.h"

#include <cstdio>

#include "lsp/builtins.h"

namespace vyl::lsp {

namespace {

std::string Quoted(const std::string& name) { return "`" + name + "`"; }

std::string OwnerName(const Analysis& a, const OutlineSymbol& s) {
  return s.owner >= 0 ? a.symbol(s.owner).name : std::string();
}

// "package Hardware" for a member of an imported package.
std::string PackageOf(const Analysis& a, const OutlineSymbol& s) {
  for (int32_t owner = s.owner, depth = 0; owner >= 0 && depth < 4; owner = a.symbol(owner).owner, ++depth) {
    if (a.symbol(owner).kind == SymbolKind::kPackage) return "package " + a.symbol(owner).name;
  }
  return "";
}

std::string CodeBlock(const std::string& code) { return "```vyl\n" + code + "\n```"; }

}  // namespace

std::string Hex4(int32_t address) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(address) & 0xFFFFu);
  return buffer;
}

std::string TypeTextOf(const Analysis& a, int32_t type) {
  const OutlineType* t = a.type(type);
  return t ? t->text : "?";
}

std::string FunctionSignature(const Analysis& a, int32_t n, std::vector<std::pair<int, int>>* parameterOffsets) {
  const OutlineSymbol& s = a.symbol(n);
  std::string text = TypeTextOf(a, s.type) + " " + s.name + "(";
  for (std::size_t i = 0; i < s.parameters.size(); ++i) {
    if (i > 0) text += ", ";
    const int begin = static_cast<int>(text.size());
    text += s.parameters[i].type + " " + s.parameters[i].name;
    if (parameterOffsets) parameterOffsets->emplace_back(begin, static_cast<int>(text.size()));
  }
  return text + ")";
}

std::string DeclarationText(const Analysis& a, int32_t n) {
  const OutlineSymbol& s = a.symbol(n);
  const std::string type = TypeTextOf(a, s.type);
  switch (s.kind) {
    case SymbolKind::kFunction: return FunctionSignature(a, n);
    case SymbolKind::kClass: {
      std::string text = "class " + s.name + " {";
      if (const OutlineType* t = a.type(s.type)) {
        for (int32_t m : t->members) text += "\n  " + TypeTextOf(a, a.symbol(m).type) + " " + a.symbol(m).name + ";";
        if (!t->members.empty()) text += "\n";
      }
      return text + "}";
    }
    case SymbolKind::kTypeAlias: return "class " + s.name + " = " + type;
    case SymbolKind::kConstant:
      return "final " + type + " " + s.name + (s.hasValue ? " = " + std::to_string(s.value) : "");
    case SymbolKind::kTable: return "final " + type + " " + s.name;
    case SymbolKind::kPackage: return "import " + s.name;
    case SymbolKind::kIntrinsic:
      if (const Intrinsic* i = FindIntrinsic(s.name)) return IntrinsicSignature(*i);
      return s.name + "(...)";
    case SymbolKind::kType: return s.name;
    case SymbolKind::kDevice:
      return type == s.name ? s.name : type + " " + s.name;
    default: return type + " " + s.name;
  }
}

std::string RoleText(const Analysis& a, int32_t n) {
  const OutlineSymbol& s = a.symbol(n);
  const std::string owner = OwnerName(a, s);
  const std::string package = PackageOf(a, s);
  const std::string at = s.address >= 0 ? " at " + Hex4(s.address) : "";
  switch (s.kind) {
    case SymbolKind::kGlobal: return "global variable";
    case SymbolKind::kParameter: return "parameter of " + Quoted(owner);
    case SymbolKind::kLocal: return "local variable of " + Quoted(owner);
    case SymbolKind::kField: return "field of " + Quoted(owner);
    case SymbolKind::kFunction: return "function";
    case SymbolKind::kClass: return "class";
    case SymbolKind::kTypeAlias: return "type alias";
    case SymbolKind::kConstant: return package.empty() ? "named constant" : "constant of " + package;
    case SymbolKind::kTable: return "constant table";
    case SymbolKind::kPackage: return std::string(PackageAbout(s.name));
    case SymbolKind::kDevice:
      return (a.type(s.type) && !a.type(s.type)->members.empty() ? "device" : "variable") + at +
             (package.empty() ? "" : ", " + package);
    case SymbolKind::kRegister: return "register of " + Quoted(owner) + at;
    case SymbolKind::kIntrinsic: {
      const Intrinsic* i = FindIntrinsic(s.name);
      std::string about = i ? std::string(i->about) : "intrinsic";
      return package.empty() ? about : about + " (" + package + ")";
    }
    case SymbolKind::kType: {
      if (const BuiltinType* t = FindBuiltinType(s.name)) return std::string(t->about);
      return package.empty() ? "type" : "type of " + package;
    }
  }
  return "";
}

std::string HoverMarkdown(const Analysis& a, int32_t n) {
  const OutlineSymbol& s = a.symbol(n);
  std::string text = CodeBlock(DeclarationText(a, n)) + "\n\n" + RoleText(a, n);
  if (s.kind == SymbolKind::kDevice) {
    if (const OutlineType* t = a.type(s.type); t && !t->members.empty()) {
      text += "\n\n| register | address |\n|---|---|";
      for (int32_t m : t->members) text += "\n| `" + a.symbol(m).name + "` | " + Hex4(a.symbol(m).address) + " |";
    }
  }
  if (s.kind == SymbolKind::kIntrinsic) {
    if (const Intrinsic* i = FindIntrinsic(s.name)) {
      for (const IntrinsicParameter& p : i->parameters) {
        if (!p.about.empty()) text += "\n\n`" + std::string(p.name) + "`: " + std::string(p.about);
      }
    }
  }
  return text;
}

int DocumentSymbolKind(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::kClass: return 5;         // Class
    case SymbolKind::kField:
    case SymbolKind::kRegister: return 8;      // Field
    case SymbolKind::kFunction:
    case SymbolKind::kIntrinsic: return 12;    // Function
    case SymbolKind::kConstant: return 14;     // Constant
    case SymbolKind::kTable: return 18;        // Array
    case SymbolKind::kTypeAlias:
    case SymbolKind::kType: return 26;         // TypeParameter
    case SymbolKind::kPackage: return 4;       // Package
    default: return 13;                        // Variable
  }
}

int CompletionKind(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::kClass: return 7;         // Class
    case SymbolKind::kField: return 5;         // Field
    case SymbolKind::kRegister: return 10;     // Property
    case SymbolKind::kFunction:
    case SymbolKind::kIntrinsic: return 3;     // Function
    case SymbolKind::kConstant:
    case SymbolKind::kTable: return 21;        // Constant
    case SymbolKind::kTypeAlias:
    case SymbolKind::kType: return 25;         // TypeParameter
    case SymbolKind::kPackage: return 9;       // Module
    default: return 6;                         // Variable
  }
}

const std::vector<std::string>& SemanticTokenTypes() {
  static const std::vector<std::string> types = {"namespace", "type",     "class",    "parameter",
                                                 "variable",  "property", "function"};
  return types;
}

const std::vector<std::string>& SemanticTokenModifiers() {
  static const std::vector<std::string> modifiers = {"declaration", "readonly", "defaultLibrary"};
  return modifiers;
}

int SemanticTokenType(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::kPackage: return 0;
    case SymbolKind::kTypeAlias:
    case SymbolKind::kType: return 1;
    case SymbolKind::kClass: return 2;
    case SymbolKind::kParameter: return 3;
    case SymbolKind::kField:
    case SymbolKind::kRegister: return 5;
    case SymbolKind::kFunction:
    case SymbolKind::kIntrinsic: return 6;
    default: return 4;
  }
}

}  // namespace vyl::lsp
