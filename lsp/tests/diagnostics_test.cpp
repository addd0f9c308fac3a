// Diagnostics as a client sees them: the error at the exact place in the
// protocol's positions, with its notes, the warnings, and how they follow
// the document through changes, saves and closing.
#include "client.h"

namespace vyl::lsp::test {
namespace {

const char* const kBroken =
    "int total;\n"
    "void main() {\n"
    "  total = totl + 1;\n"
    "}\n";

json Errors(const json& diagnostics) {
  json errors = json::array();
  for (const json& d : diagnostics) {
    if (d["severity"] == 1) errors.push_back(d);
  }
  return errors;
}

TEST(DiagnosticsTest, AnUndefinedNameIsMarkedWhereItStands) {
  Client c;
  c.Open(kBroken);
  const json errors = Errors(c.Diagnostics());
  ASSERT_EQ(errors.size(), 1u) << c.Diagnostics().dump();
  EXPECT_EQ(errors[0]["message"], "Undefined name totl");
  EXPECT_EQ(errors[0]["range"], ToJson(Range{c.At("totl"), c.At("totl", 1, 4)}));
  EXPECT_EQ(errors[0]["source"], "vylc");
  // The notes: a near name, and where it is declared.
  const json& related = errors[0]["relatedInformation"];
  ASSERT_EQ(related.size(), 2u) << errors.dump();
  EXPECT_EQ(related[0]["message"], "did you mean 'total'?");
  EXPECT_EQ(related[0]["location"]["range"], errors[0]["range"]);  // a note without a place of its own
  EXPECT_EQ(related[1]["location"]["range"]["start"], ToJson(c.At("total")));
  EXPECT_EQ(related[1]["location"]["uri"], Client::kUri);
}

TEST(DiagnosticsTest, FixingTheDocumentClearsTheError) {
  Client c;
  c.Open(kBroken);
  ASSERT_EQ(Errors(c.Diagnostics()).size(), 1u);
  // An edit of a range, as a client that sends changes so would make it.
  c.Notify("textDocument/didChange",
           {{"textDocument", {{"uri", Client::kUri}, {"version", 2}}},
            {"contentChanges", {{{"range", ToJson(Range{c.At("totl", 1, 3), c.At("totl", 1, 4)})}, {"text", "al"}}}}});
  EXPECT_TRUE(c.Diagnostics().empty()) << c.Diagnostics().dump();
  EXPECT_EQ(c.server().AnalysisOf(Client::kUri)->text().str(), "int total;\nvoid main() {\n  total = total + 1;\n}\n");
  c.Change(kBroken);
  EXPECT_EQ(Errors(c.Diagnostics()).size(), 1u);
}

TEST(DiagnosticsTest, WarningsStandBesideAnError) {
  Client c;
  c.Open("int f() {\n  int unused;\n}\nvoid main() { g(); }\n");
  const json d = c.Diagnostics();
  ASSERT_EQ(d.size(), 3u) << d.dump();
  EXPECT_EQ(d[0]["severity"], 2);
  EXPECT_EQ(d[0]["message"], "unused variable 'unused'");
  EXPECT_EQ(d[0]["range"]["start"], ToJson(c.At("unused")));
  EXPECT_EQ(d[1]["severity"], 2);  // the end of a function with a result
  EXPECT_EQ(d[2]["severity"], 1);
  EXPECT_EQ(d[2]["range"]["start"], ToJson(c.At("g(")));
}

TEST(DiagnosticsTest, ColumnsCountUtf16UnitsAndLinesEveryLineEnd) {
  Client c;
  // A comment with characters of 2, 3 and 4 bytes before the error, and
  // lines ending in CR LF and a lone CR.
  const std::string text = "int total;\r\nvoid main() {\r  /* \xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E */ total = totl;\r\n}\r\n";
  c.Open(text);
  const json errors = Errors(c.Diagnostics());
  ASSERT_EQ(errors.size(), 1u);
  // Line 2 (from 0): "  /* " is 5 units, the three characters 4, " */ total = " 12.
  EXPECT_EQ(errors[0]["range"], ToJson(Range{{2, 21}, {2, 25}}));
}

TEST(DiagnosticsTest, SaveRepublishesAndCloseClears) {
  Client c;
  c.Open(kBroken);
  c.Notify("textDocument/didSave", {{"textDocument", {{"uri", Client::kUri}}}});
  EXPECT_EQ(Errors(c.Diagnostics()).size(), 1u);
  // A save with its text takes the text.
  c.Notify("textDocument/didSave", {{"textDocument", {{"uri", Client::kUri}}}, {"text", "void main() {}\n"}});
  EXPECT_TRUE(c.Diagnostics().empty());
  c.Change(kBroken);
  c.Notify("textDocument/didClose", {{"textDocument", {{"uri", Client::kUri}}}});
  EXPECT_TRUE(c.Diagnostics().empty());
  EXPECT_EQ(c.server().AnalysisOf(Client::kUri), nullptr);
}

}  // namespace
}  // namespace vyl::lsp::test
