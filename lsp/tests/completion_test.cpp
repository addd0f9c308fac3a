// Completion and signature help at the places a person types them: in a
// body half written (the compiler stopped at the error the cursor makes),
// after ".", after "import", in comments, inside calls.
#include <algorithm>

#include "client.h"

namespace vyl::lsp::test {
namespace {

const char* const kHead =
    "import Hardware;\n"
    "class Node { int value; Node next; }\n"
    "final int Max = 10;\n"
    "int total;\n"
    "Node head;\n"
    "int sum(int a, int b) {\n"
    "  int inner = a;\n"
    "  return inner + b;\n"
    "}\n";

class CompletionTest : public ::testing::Test {
 protected:
  // Opens kHead followed by `rest`; completion at the end of `at` in it.
  json ItemsAt(const std::string& rest, std::string_view at, Client& client) {
    client.Open(std::string(kHead) + rest);
    return client.Result("textDocument/completion", client.Where(at, 1, static_cast<int>(at.size())))["items"];
  }
  json ItemsAt(const std::string& rest, std::string_view at) { return ItemsAt(rest, at, c); }
  static std::vector<std::string> Labels(const json& items) {
    std::vector<std::string> labels;
    for (const json& i : items) labels.push_back(i["label"]);
    std::sort(labels.begin(), labels.end());
    return labels;
  }
  static json Item(const json& items, const std::string& label) {
    for (const json& i : items) {
      if (i["label"] == label) return i;
    }
    return json();
  }
  static bool Has(const json& items, const std::string& label) { return !Item(items, label).is_null(); }
  json SignatureAt(const std::string& rest, std::string_view at) {
    c.Open(std::string(kHead) + rest);
    return c.Result("textDocument/signatureHelp", c.Where(at, 1, static_cast<int>(at.size())));
  }
  Client c;
};

TEST_F(CompletionTest, AfterADotTheMembersOfWhatStandsBefore) {
  EXPECT_EQ(Labels(ItemsAt("void main() {\n  Print.", "Print.")), (std::vector<std::string>{"datum"}));
  EXPECT_EQ(Labels(ItemsAt("void main() {\n  Node x = head;\n  x.", "x.")), (std::vector<std::string>{"next", "value"}));
  EXPECT_EQ(Labels(ItemsAt("void main() {\n  head.next.next.v", "next.next.")),
            (std::vector<std::string>{"next", "value"}));
  EXPECT_EQ(Labels(ItemsAt("void main() {\n  Node[4] all;\n  all[sum(1, 2)].", "].")),
            (std::vector<std::string>{"next", "value"}));
  EXPECT_EQ(Labels(ItemsAt("void main() {\n  Video.le", "Video.")),
            (std::vector<std::string>{"address", "bottom", "datum", "left", "right", "top"}));
  const json hardware = ItemsAt("void main() {\n  Hardware.", "Hardware.");
  EXPECT_TRUE(Has(hardware, "Print"));
  EXPECT_TRUE(Has(hardware, "iVector"));
  EXPECT_TRUE(Has(hardware, "FillRect"));
  // The detail of a member names its type, the documentation its place.
  const json datum = Item(ItemsAt("void main() {\n  KeyIn.", "KeyIn."), "datum");
  EXPECT_EQ(datum["detail"], "int datum");
  EXPECT_EQ(datum["documentation"]["value"], "register of `KeyIn` at FFF6");
  // Nothing has members: an int, an unknown name.
  EXPECT_TRUE(ItemsAt("void main() {\n  total.", "total.").empty());
  EXPECT_TRUE(ItemsAt("void main() {\n  nothing.", "nothing.").empty());
}

TEST_F(CompletionTest, ElsewhereTheNamesInScopeKeywordsAndTypes) {
  const json items = ItemsAt("void main() {\n  int local = 1;\n  to", "  to");
  for (const char* name : {"local", "total", "head", "Max", "sum", "Node", "Print", "FillRect", "while", "return",
                           "int", "String", "ORD", "LENGTH"}) {
    EXPECT_TRUE(Has(items, name)) << name;
  }
  // Not the names of another function's body, nor fields and registers.
  for (const char* name : {"inner", "a", "value", "datum"}) EXPECT_FALSE(Has(items, name)) << name;
  // Locals sort before globals, and those before predefined names and keywords.
  EXPECT_LT(Item(items, "local")["sortText"], Item(items, "total")["sortText"]);
  EXPECT_LT(Item(items, "total")["sortText"], Item(items, "Print")["sortText"]);
  EXPECT_LT(Item(items, "Print")["sortText"], Item(items, "while")["sortText"]);
  EXPECT_EQ(Item(items, "while")["kind"], 14);  // Keyword
}

TEST_F(CompletionTest, CallsComeWithTheirParametersAsSnippets) {
  const json items = ItemsAt("void main() {\n  total = s", "= s");
  EXPECT_EQ(Item(items, "sum")["insertText"], "sum(${1:a}, ${2:b})$0");
  EXPECT_EQ(Item(items, "sum")["insertTextFormat"], 2);
  EXPECT_EQ(Item(items, "sum")["detail"], "int sum(int a, int b)");
  EXPECT_EQ(Item(items, "CHR")["insertText"], "CHR(${1:n})$0");
  // A client without snippets gets plain names.
  Client plain(true, json::object());
  const json names = ItemsAt("void main() {\n  total = s", "= s", plain);
  EXPECT_FALSE(Item(names, "sum").contains("insertText"));
}

TEST_F(CompletionTest, IntrinsicsOfImportedPackages) {
  c.Open("import Dangerous;\nvoid main() {\n  PO\n}\n");
  const json items = c.Result("textDocument/completion", c.Where("PO", 1, 2))["items"];
  EXPECT_EQ(Item(items, "POKE")["insertText"], "POKE(${1:address}, ${2:value})$0");
  EXPECT_EQ(Item(items, "POKE")["detail"], "void POKE(int address, value)");
  EXPECT_FALSE(Has(items, "Open"));  // Files is not imported
}

TEST_F(CompletionTest, PackagesAfterImport) {
  c.Open("import \n");
  EXPECT_EQ(Labels(c.Result("textDocument/completion", c.Where("import ", 1, 7))["items"]),
            (std::vector<std::string>{"Dangerous", "Files", "Hardware", "Semaphores"}));
}

TEST_F(CompletionTest, NothingInCommentsAndLiterals) {
  EXPECT_TRUE(ItemsAt("void main() {\n  // to", "// to").empty());
  EXPECT_TRUE(ItemsAt("void main() {\n  /* to", "/* to").empty());
  EXPECT_TRUE(ItemsAt("void main() {\n  String s = \"to", "\"to").empty());
  EXPECT_TRUE(ItemsAt("void main() {\n  total = 12", "= 12").empty());  // a number
}

TEST_F(CompletionTest, SignatureHelpInsideACall) {
  json help = SignatureAt("void main() {\n  total = sum(", "sum(");
  ASSERT_FALSE(help.is_null());
  EXPECT_EQ(help["signatures"][0]["label"], "int sum(int a, int b)");
  EXPECT_EQ(help["signatures"][0]["parameters"][1]["label"], json::array({15, 20}));
  EXPECT_EQ(help["activeParameter"], 0);
  help = SignatureAt("void main() {\n  total = sum(Max, ", "Max, ");
  EXPECT_EQ(help["activeParameter"], 1);
  // The innermost call, past nested parentheses and brackets.
  help = SignatureAt("void main() {\n  total = sum((1 + 2) * 3, sum(Max, (4)", "(4)");
  EXPECT_EQ(help["activeParameter"], 1);
  help = SignatureAt("void main() {\n  total = sum(1, ORD(", "ORD(");
  EXPECT_EQ(help["signatures"][0]["label"], "int ORD(v)");
  help = SignatureAt("void main() {\n  total = sum(1, ORD('a') ", "ORD('a') ");
  EXPECT_EQ(help["signatures"][0]["label"], "int sum(int a, int b)");
  EXPECT_EQ(help["activeParameter"], 1);
}

TEST_F(CompletionTest, NoSignatureOutsideACall) {
  EXPECT_TRUE(SignatureAt("void main() {\n  total = sum(1, 2);", "2);").is_null());
  EXPECT_TRUE(SignatureAt("void main() {\n  if (total ", "total ").is_null());
  EXPECT_TRUE(SignatureAt("void main() {\n  total = (", "= (").is_null());
  EXPECT_TRUE(SignatureAt("void main() {\n  total = sum(1, \",(", ",(").is_null());  // in a string
}

TEST_F(CompletionTest, SignatureLabelsAsTextForClientsWithoutOffsets) {
  Client plain(true, json::object());
  plain.Open(std::string(kHead) + "void main() {\n  total = sum(1, ");
  const json help = plain.Result("textDocument/signatureHelp", plain.Where("sum(1, ", 1, 7));
  EXPECT_EQ(help["signatures"][0]["parameters"][1]["label"], "int b");
}

}  // namespace
}  // namespace vyl::lsp::test
