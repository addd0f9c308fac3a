// Completion and signature help: what the cursor is in (a comment, a name
// being typed, a selection after ".", a call's parentheses) from the
// tokens before it, and what the outline knows there.
#include <algorithm>
#include <set>

#include "lsp/builtins.h"
#include "lsp/describe.h"
#include "lsp/features.h"
#include "lsp/lexer.h"

namespace vyl::lsp {

namespace {

bool IsPunct(const std::string& text, const Token& t, char c) {
  return t.kind == TokenKind::kPunct && text[static_cast<std::size_t>(t.begin)] == c;
}

std::string NameOf(const std::string& text, const Token& t) {
  return text.substr(static_cast<std::size_t>(t.begin), static_cast<std::size_t>(t.end - t.begin));
}

// "name(${1:a}, ${2:b})" for a call with its parameters as placeholders.
std::string CallSnippet(const std::string& name, const std::vector<std::string>& parameters) {
  std::string text = name + "(";
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    text += (i ? ", ${" : "${") + std::to_string(i + 1) + ":" + parameters[i] + "}";
  }
  return text + ")$0";
}

class Items {
 public:
  explicit Items(bool snippets) : snippets_(snippets) {}

  void Symbol(const Analysis& a, int32_t n, const char* sort) {
    const OutlineSymbol& s = a.symbol(n);
    // One line of detail: a class by its name, its fields are in the hover.
    const std::string detail = s.kind == SymbolKind::kClass ? "class " + s.name : DeclarationText(a, n);
    json item = {{"label", s.name}, {"kind", CompletionKind(s.kind)}, {"detail", detail}};
    std::vector<std::string> parameters;
    bool call = false;
    if (s.kind == SymbolKind::kFunction) {
      call = true;
      for (const auto& p : s.parameters) parameters.push_back(p.name);
    } else if (s.kind == SymbolKind::kIntrinsic) {
      if (const Intrinsic* i = FindIntrinsic(s.name)) {
        call = true;
        for (const auto& p : i->parameters) parameters.emplace_back(p.name);
      }
    }
    item["documentation"] = {{"kind", "markdown"}, {"value", RoleText(a, n)}};
    Add(std::move(item), sort, call ? CallSnippet(s.name, parameters) : "");
  }

  void AddIntrinsic(const Intrinsic& i) {
    std::vector<std::string> parameters;
    for (const auto& p : i.parameters) parameters.emplace_back(p.name);
    Add({{"label", std::string(i.name)}, {"kind", 3}, {"detail", IntrinsicSignature(i)},
         {"documentation", {{"kind", "markdown"}, {"value", std::string(i.about)}}}},
        "2", CallSnippet(std::string(i.name), parameters));
  }

  void Plain(std::string_view label, int kind, const char* sort, std::string_view detail = "") {
    json item = {{"label", std::string(label)}, {"kind", kind}};
    if (!detail.empty()) item["detail"] = std::string(detail);
    Add(std::move(item), sort, "");
  }

  json Take() { return json{{"isIncomplete", false}, {"items", std::move(items_)}}; }

 private:
  void Add(json item, const char* sort, const std::string& snippet) {
    const std::string label = item["label"].get<std::string>();
    if (!labels_.insert(label).second) return;
    item["sortText"] = std::string(sort) + label;
    if (snippets_ && !snippet.empty()) {
      item["insertText"] = snippet;
      item["insertTextFormat"] = 2;
    }
    items_.push_back(std::move(item));
  }

  bool snippets_;
  std::set<std::string> labels_;
  json items_ = json::array();
};

const char* SortGroup(const OutlineSymbol& s) {
  if (s.kind == SymbolKind::kLocal || s.kind == SymbolKind::kParameter) return "0";
  return s.nameSpan.known() ? "1" : "2";
}

// The symbol a selection ending just before tokens[end] denotes, or -1:
// a name followed by any of "[...]" and ".name".  `type` gets its type.
int32_t Selection(const Analysis& a, const std::vector<Token>& tokens, std::size_t end, int32_t& type) {
  const std::string& text = a.text().str();
  struct Step {
    bool index;
    std::string name;
  };
  std::vector<Step> steps;
  std::size_t i = end;
  const Token* root = nullptr;
  while (i > 0 && !root) {
    const Token& t = tokens[i - 1];
    if (IsPunct(text, t, ']')) {
      int depth = 0;
      std::size_t k = i;
      for (; k > 0; --k) {
        const Token& u = tokens[k - 1];
        if (IsPunct(text, u, ']') || IsPunct(text, u, ')')) ++depth;
        if ((IsPunct(text, u, '[') || IsPunct(text, u, '(')) && --depth == 0) break;
      }
      if (k == 0) return -1;
      steps.push_back({true, ""});
      i = k - 1;
    } else if (t.kind == TokenKind::kName) {
      if (i >= 2 && IsPunct(text, tokens[i - 2], '.')) {
        steps.push_back({false, NameOf(text, t)});
        i -= 2;
      } else {
        root = &t;
      }
    } else {
      return -1;
    }
  }
  if (!root) return -1;
  int32_t symbol = a.Resolve(NameOf(text, *root), SourceSpan{root->begin, root->end});
  if (symbol < 0) return -1;
  type = a.symbol(symbol).type;
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
    const OutlineType* t = a.type(type);
    if (!t) return -1;
    if (step->index) {
      type = t->element;
      symbol = -1;
      continue;
    }
    auto member = std::find_if(t->members.begin(), t->members.end(),
                               [&](int32_t m) { return a.symbol(m).name == step->name; });
    if (member == t->members.end()) return -1;
    symbol = *member;
    type = a.symbol(symbol).type;
  }
  return symbol;
}

}  // namespace

json Completion(const Analysis& a, Position at, bool snippets) {
  const std::string& text = a.text().str();
  const int32_t offset = a.text().OffsetOf(at);
  std::vector<Token> tokens = Tokenize(text, offset);
  Items items(snippets);
  if (InCommentOrLiteral(tokens, offset)) return items.Take();
  // The name being typed, and the tokens before it.
  int32_t word = offset;
  while (word > 0 && IsNameChar(text[static_cast<std::size_t>(word - 1)])) --word;
  if (word < offset && !IsNameStart(text[static_cast<std::size_t>(word)])) return items.Take();  // a number
  while (!tokens.empty() && tokens.back().begin >= word) tokens.pop_back();

  if (!tokens.empty() && IsPunct(text, tokens.back(), '.')) {
    // A member: of an object, a device, an array element, or a package.
    int32_t type = -1;
    const int32_t symbol = Selection(a, tokens, tokens.size() - 1, type);
    if (symbol >= 0 && a.symbol(symbol).kind == SymbolKind::kPackage) {
      for (std::size_t i = 0; i < a.outline().symbols.size(); ++i) {
        if (a.outline().symbols[i].owner == symbol) items.Symbol(a, static_cast<int32_t>(i), "1");
      }
    } else if (const OutlineType* t = a.type(type)) {
      for (int32_t m : t->members) items.Symbol(a, m, "1");
    }
    return items.Take();
  }
  if (!tokens.empty() && tokens.back().kind == TokenKind::kName && NameOf(text, tokens.back()) == "import") {
    for (std::string_view p : PackageNames()) items.Plain(p, 9, "0", PackageAbout(p));
    return items.Take();
  }
  for (int32_t n : a.VisibleAt(offset)) items.Symbol(a, n, SortGroup(a.symbol(n)));
  for (const BuiltinType& t : BuiltinTypes()) items.Plain(t.name, 25, "2", t.about);
  for (const Intrinsic& i : Intrinsics()) {
    if (i.package.empty()) items.AddIntrinsic(i);
  }
  for (std::string_view k : Keywords()) items.Plain(k, 14, "3");
  return items.Take();
}

json SignatureHelp(const Analysis& a, Position at, bool labelOffsets) {
  const std::string& text = a.text().str();
  const int32_t offset = a.text().OffsetOf(at);
  const std::vector<Token> tokens = Tokenize(text, offset);
  if (InCommentOrLiteral(tokens, offset)) return nullptr;
  // The innermost parenthesis still open after a name; commas at its level.
  int depth = 0;
  int commas = 0;
  std::size_t i = tokens.size();
  for (; i > 0; --i) {
    const Token& t = tokens[i - 1];
    if (t.kind != TokenKind::kPunct) continue;
    const char c = text[static_cast<std::size_t>(t.begin)];
    if (c == ')' || c == ']' || c == '}') {
      ++depth;
    } else if (c == '(' || c == '[' || c == '{') {
      if (depth > 0) {
        --depth;
        continue;
      }
      if (c == '{') return nullptr;  // a block: no call goes on across it
      if (c == '(' && i >= 2 && tokens[i - 2].kind == TokenKind::kName) {
        const Token& name = tokens[i - 2];
        const std::string called = NameOf(text, name);
        const int32_t n = a.Resolve(called, SourceSpan{name.begin, name.end});
        std::vector<std::pair<int, int>> offsets;
        std::string label;
        if (n >= 0 && a.symbol(n).kind == SymbolKind::kFunction) {
          label = FunctionSignature(a, n, &offsets);
        } else if (const Intrinsic* intrinsic = FindIntrinsic(called);
                   intrinsic && (n < 0 || a.symbol(n).kind == SymbolKind::kIntrinsic)) {
          label = IntrinsicSignature(*intrinsic, &offsets);
        }
        if (!label.empty()) {
          json parameters = json::array();
          for (auto [b, e] : offsets) {
            parameters.push_back(
                {{"label", labelOffsets ? json::array({b, e}) : json(label.substr(static_cast<std::size_t>(b),
                                                                                  static_cast<std::size_t>(e - b)))}});
          }
          const int active = offsets.empty() ? 0 : std::min<int>(commas, static_cast<int>(offsets.size()) - 1);
          return json{{"signatures", json::array({{{"label", label}, {"parameters", std::move(parameters)}}})},
                      {"activeSignature", 0},
                      {"activeParameter", active}};
        }
      }
      commas = 0;  // a group that is no call: look further out
    } else if (depth == 0 && c == ',') {
      ++commas;
    } else if (depth == 0 && c == ';') {
      return nullptr;
    }
  }
  return nullptr;
}

}  // namespace vyl::lsp
