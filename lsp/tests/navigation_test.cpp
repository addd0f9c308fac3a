// Symbols, definitions, references, hover and rename on one program.
#include <algorithm>
#include <map>

#include "client.h"
#include "lsp/describe.h"
#include "lsp/features.h"

namespace vyl::lsp::test {
namespace {

const char* const kProgram =
    "import Hardware;\n"
    "\n"
    "class Count = int;\n"
    "class Node { Count value; Node next; }\n"
    "\n"
    "final int Max = 10;\n"
    "final int[3] primes = {2, 3, 5};\n"
    "int total;\n"
    "Node head;\n"
    "\n"
    "int twice(int a);\n"
    "\n"
    "int helper(int n) {\n"
    "  int k = n + Max;\n"
    "  return twice(k);\n"
    "}\n"
    "\n"
    "void main() {\n"
    "  Node x = new Node();\n"
    "  x.value = helper(3);\n"
    "  total = x.value + primes[1] + ORD('a');\n"
    "  Print.datum = total;\n"
    "}\n"
    "\n"
    "int twice(int b) {\n"
    "  return b + b;\n"
    "}\n";

class NavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c.Open(kProgram);
    ASSERT_TRUE(c.Diagnostics().empty()) << c.Diagnostics().dump();
  }
  // The start of the definition found from the `nth` occurrence of `name`.
  json DefinitionOf(std::string_view name, int nth, const char* method = "textDocument/definition") {
    json result = c.Result(method, c.Where(name, nth));
    return result.is_null() ? result : result["range"]["start"];
  }
  std::string HoverOf(std::string_view name, int nth) {
    json result = c.Result("textDocument/hover", c.Where(name, nth));
    return result.is_null() ? "" : result["contents"]["value"].get<std::string>();
  }
  Client c;
};

TEST_F(NavigationTest, DocumentSymbolsNameEveryDeclarationInItsPlace) {
  const json symbols = c.Result("textDocument/documentSymbol", {{"textDocument", {{"uri", Client::kUri}}}});
  std::vector<std::string> names;
  for (const json& s : symbols) names.push_back(s["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"Count", "Node", "Max", "primes", "total", "head", "helper", "main",
                                             "twice"}));
  auto find = [&](const std::string& name) {
    for (const json& s : symbols) {
      if (s["name"] == name) return s;
    }
    return json();
  };
  EXPECT_EQ(find("Node")["kind"], 5);  // Class
  EXPECT_EQ(find("Node")["children"][1]["name"], "next");
  EXPECT_EQ(find("Node")["children"][1]["kind"], 8);  // Field
  EXPECT_EQ(find("Max")["kind"], 14);                 // Constant
  EXPECT_EQ(find("total")["kind"], 13);               // Variable
  EXPECT_EQ(find("total")["detail"], "int total");
  const json helper = find("helper");
  EXPECT_EQ(helper["kind"], 12);
  EXPECT_EQ(helper["detail"], "int helper(int n)");
  ASSERT_EQ(helper["children"].size(), 2u);
  EXPECT_EQ(helper["children"][0]["name"], "n");
  EXPECT_EQ(helper["children"][1]["name"], "k");
  // The function's range holds its body; its selection is the name.
  EXPECT_EQ(helper["selectionRange"]["start"], ToJson(c.At("helper")));
  EXPECT_EQ(helper["range"]["end"]["line"], c.At("}\n\nvoid").line);
  // A prototyped function stands at its body, with the body's parameter.
  EXPECT_EQ(find("twice")["selectionRange"]["start"], ToJson(c.At("twice", 3)));
  EXPECT_EQ(find("twice")["children"][0]["name"], "b");
}

TEST_F(NavigationTest, DefinitionOfEveryKindOfName) {
  EXPECT_EQ(DefinitionOf("helper", 2), ToJson(c.At("helper")));            // a call
  EXPECT_EQ(c.Result("textDocument/definition", c.Where("helper(3)", 1, 6))["range"]["start"],
            ToJson(c.At("helper")));                                        // the cursor just after it
  EXPECT_EQ(DefinitionOf("value", 2), ToJson(c.At("value")));              // a field through an object
  EXPECT_EQ(DefinitionOf("k)", 1), ToJson(c.At("k =")));                   // a local
  EXPECT_EQ(DefinitionOf("n + Max", 1), ToJson(c.At("n)")));               // a parameter
  EXPECT_EQ(DefinitionOf("Max;", 1), ToJson(c.At("Max")));                 // a constant
  EXPECT_EQ(DefinitionOf("primes[1]", 1), ToJson(c.At("primes")));         // a table
  EXPECT_EQ(DefinitionOf("Node()", 1), ToJson(c.At("Node {")));            // a class
  EXPECT_EQ(DefinitionOf("Count value", 1), ToJson(c.At("Count")));        // an alias
  EXPECT_EQ(DefinitionOf("total;", 2), ToJson(c.At("total")));             // a global
  EXPECT_TRUE(DefinitionOf("Print", 1).is_null());                          // predefined
  EXPECT_TRUE(DefinitionOf("int total", 1).is_null());
  // A prototyped function: its body is the definition, the prototype the
  // declaration.
  EXPECT_EQ(DefinitionOf("twice(k)", 1), ToJson(c.At("twice", 3)));
  EXPECT_EQ(DefinitionOf("twice(k)", 1, "textDocument/declaration"), ToJson(c.At("twice")));
  // Nothing under a blank or a keyword.
  EXPECT_TRUE(c.Result("textDocument/definition", c.Where("\n\nclass")).is_null());
  EXPECT_TRUE(DefinitionOf("return", 1).is_null());
}

TEST_F(NavigationTest, ReferencesWithAndWithoutTheDeclaration) {
  json params = c.Where("total;", 2);
  params["context"] = {{"includeDeclaration", true}};
  json refs = c.Result("textDocument/references", params);
  std::vector<json> starts;
  for (const json& r : refs) starts.push_back(r["range"]["start"]);
  EXPECT_EQ(starts, (std::vector<json>{ToJson(c.At("total")), ToJson(c.At("total", 2)), ToJson(c.At("total", 3))}));
  params["context"] = {{"includeDeclaration", false}};
  EXPECT_EQ(c.Result("textDocument/references", params).size(), 2u);
  // A field's references follow the field, not other names alike.
  params = c.Where("value", 3);
  params["context"] = {{"includeDeclaration", true}};
  EXPECT_EQ(c.Result("textDocument/references", params).size(), 3u);
  // The prototype, the body and the call of a function.
  params = c.Where("twice");
  params["context"] = {{"includeDeclaration", true}};
  EXPECT_EQ(c.Result("textDocument/references", params).size(), 3u);
  // A predefined register: its uses.
  params = c.Where("datum");
  params["context"] = {{"includeDeclaration", true}};
  EXPECT_EQ(c.Result("textDocument/references", params).size(), 1u);
}

TEST_F(NavigationTest, HoverShowsTheDeclarationAndWhatItIs) {
  EXPECT_EQ(HoverOf("total;", 2), "```vyl\nint total\n```\n\nglobal variable");
  EXPECT_EQ(HoverOf("helper(3)", 1), "```vyl\nint helper(int n)\n```\n\nfunction");
  EXPECT_EQ(HoverOf("value", 2), "```vyl\nint value\n```\n\nfield of `Node`");
  EXPECT_EQ(HoverOf("k)", 1), "```vyl\nint k\n```\n\nlocal variable of `helper`");
  EXPECT_EQ(HoverOf("n + Max", 1), "```vyl\nint n\n```\n\nparameter of `helper`");
  EXPECT_EQ(HoverOf("Max;", 1), "```vyl\nfinal int Max = 10\n```\n\nnamed constant");
  EXPECT_EQ(HoverOf("primes[1]", 1), "```vyl\nfinal int[3] primes\n```\n\nconstant table");
  EXPECT_EQ(HoverOf("Count", 1), "```vyl\nclass Count = int\n```\n\ntype alias");
  EXPECT_EQ(HoverOf("Node()", 1), "```vyl\nclass Node {\n  int value;\n  Node next;\n}\n```\n\nclass");
  EXPECT_EQ(HoverOf("datum", 1), "```vyl\nint datum\n```\n\nregister of `Print` at FFF6");
  EXPECT_NE(HoverOf("Print", 1).find("device at FFF6, package Hardware"), std::string::npos);
  EXPECT_EQ(HoverOf("ORD", 1).rfind("```vyl\nint ORD(v)\n```", 0), 0u);
  EXPECT_NE(HoverOf("Hardware", 1).find("import Hardware"), std::string::npos);
  EXPECT_EQ(HoverOf("int total", 1).rfind("```vyl\nint\n```\n\n2 bytes", 0), 0u);
  // The hover's range is the name's.
  const json hover = c.Result("textDocument/hover", c.Where("helper(3)", 1, 3));
  EXPECT_EQ(hover["range"], ToJson(Range{c.At("helper(3)"), c.At("helper(3)", 1, 6)}));
  EXPECT_EQ(HoverOf(" ", 1), "");
}

TEST_F(NavigationTest, HoverOnPredefinedNamesOfOtherPackages) {
  c.Change("import Dangerous;\nimport Files;\nvoid main() {\n  FileId f = Open(\"A\");\n  POKE(0, 1);\n}\n");
  EXPECT_NE(HoverOf("Open", 1).find("FileId Open(String name)"), std::string::npos);
  EXPECT_NE(HoverOf("Open", 1).find("(package Files)"), std::string::npos);
  EXPECT_NE(HoverOf("FileId f", 1).find("type of package Files"), std::string::npos);
  EXPECT_NE(HoverOf("POKE", 1).find("void POKE(int address, value)"), std::string::npos);
}

TEST_F(NavigationTest, RenameEditsEveryOccurrence) {
  json params = c.Where("total;", 2);
  const json prepared = c.Result("textDocument/prepareRename", params);
  EXPECT_EQ(prepared["placeholder"], "total");
  EXPECT_EQ(prepared["range"]["start"], ToJson(c.At("total;", 2)));
  params["newName"] = "sum";
  const json edits = c.Result("textDocument/rename", params)["changes"][Client::kUri];
  ASSERT_EQ(edits.size(), 3u);
  for (const json& e : edits) EXPECT_EQ(e["newText"], "sum");
  // A field, through the class.
  params = c.Where("next");
  params["newName"] = "link";
  EXPECT_EQ(c.Result("textDocument/rename", params)["changes"][Client::kUri].size(), 1u);
  // A function with a prototype: prototype, call and body.
  params = c.Where("twice(k)");
  params["newName"] = "double";
  EXPECT_EQ(c.Result("textDocument/rename", params)["changes"][Client::kUri].size(), 3u);
}

TEST_F(NavigationTest, RenameRefusesWhatWouldChangeTheProgram) {
  json params = c.Where("k)");
  params["newName"] = "total";  // fine: helper does not use the global total
  EXPECT_EQ(c.Result("textDocument/rename", params)["changes"][Client::kUri].size(), 2u);
  params["newName"] = "n";  // the parameter's name: declared twice
  EXPECT_EQ(c.ErrorCode("textDocument/rename", params), kRequestFailed);
  params = c.Where("x.value", 1);
  params["newName"] = "total";  // main uses the global total: the local would hide it
  EXPECT_EQ(c.ErrorCode("textDocument/rename", params), kRequestFailed);
  params["newName"] = "while";
  EXPECT_EQ(c.ErrorCode("textDocument/rename", params), kInvalidParams);
  params["newName"] = "my_name";
  EXPECT_EQ(c.ErrorCode("textDocument/rename", params), kInvalidParams);
  params = c.Where("Print");
  params["newName"] = "Printer";
  EXPECT_EQ(c.ErrorCode("textDocument/rename", params), kRequestFailed);
  EXPECT_EQ(c.ErrorCode("textDocument/prepareRename", c.Where("Print")), kRequestFailed);
  EXPECT_EQ(c.ErrorCode("textDocument/prepareRename", c.Where("return")), kRequestFailed);
}

TEST_F(NavigationTest, RenameAfterAnErrorOnlyWhereEveryUseWasRead) {
  std::string text = kProgram;
  text.replace(text.find("Print.datum = total;"), 20, "Print.datum = totl;");
  c.Change(text);
  ASSERT_FALSE(c.Diagnostics().empty());
  json params = c.Where("k)");  // helper's body was read whole
  params["newName"] = "m";
  EXPECT_EQ(c.Result("textDocument/rename", params)["changes"][Client::kUri].size(), 2u);
  params = c.Where("total");  // a global: uses after the error are not known
  params["newName"] = "sum";
  EXPECT_EQ(c.ErrorCode("textDocument/rename", params), kRequestFailed);
}

// Semantic tokens, decoded: (line, character, length, type, modifiers).
TEST_F(NavigationTest, SemanticTokensGiveEveryNameItsKind) {
  const json data = c.Result("textDocument/semanticTokens/full", {{"textDocument", {{"uri", Client::kUri}}}})["data"];
  ASSERT_EQ(data.size() % 5, 0u);
  std::map<std::pair<int, int>, std::pair<int, int>> tokens;
  int line = 0, character = 0;
  for (std::size_t i = 0; i < data.size(); i += 5) {
    line += data[i].get<int>();
    character = data[i].get<int>() == 0 ? character + data[i + 1].get<int>() : data[i + 1].get<int>();
    tokens[{line, character}] = {data[i + 3].get<int>(), data[i + 4].get<int>()};
  }
  auto at = [&](std::string_view name, int nth) {
    const Position p = c.At(name, nth);
    return tokens.count({p.line, p.character}) ? tokens[{p.line, p.character}] : std::pair(-1, -1);
  };
  const json legend = SemanticTokensLegend();
  auto type = [&](const char* name) {
    const auto& types = legend["tokenTypes"];
    return static_cast<int>(std::find(types.begin(), types.end(), name) - types.begin());
  };
  EXPECT_EQ(at("helper", 1), std::pair(type("function"), int{kModDeclaration}));
  EXPECT_EQ(at("helper", 2), std::pair(type("function"), 0));
  EXPECT_EQ(at("Max", 2), std::pair(type("variable"), int{kModReadonly}));
  EXPECT_EQ(at("Print", 1), std::pair(type("variable"), int{kModDefaultLibrary}));
  EXPECT_EQ(at("datum", 1), std::pair(type("property"), int{kModDefaultLibrary}));
  EXPECT_EQ(at("value", 2), std::pair(type("property"), 0));
  EXPECT_EQ(at("n)", 1), std::pair(type("parameter"), int{kModDeclaration}));
  EXPECT_EQ(at("Node", 1), std::pair(type("class"), int{kModDeclaration}));
  EXPECT_EQ(at("Count", 2), std::pair(type("type"), 0));
  EXPECT_EQ(at("Hardware", 1), std::pair(type("namespace"), int{kModDefaultLibrary}));
  EXPECT_EQ(at("int total", 1), std::pair(type("type"), int{kModDefaultLibrary}));
}

}  // namespace
}  // namespace vyl::lsp::test
