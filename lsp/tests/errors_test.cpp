// One document edited into every kind of error the compiler reports (the
// sources of tests/cases), and into every prefix of a program as it is
// typed: each state gets its diagnostics, the error where the compiler
// points, and every request an answer.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "client.h"

namespace vyl::lsp::test {
namespace {

namespace fs = std::filesystem;

struct Case {
  std::string title;
  std::string source;
};

// The sources of a .cases file (tests/cases/README.md): the lines after a
// case's expectations, with CR LF line ends.
std::vector<Case> CasesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<Case> cases;
  std::string line;
  bool body = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("===")) {
      cases.push_back({line.substr(3), ""});
      body = false;
      continue;
    }
    if (cases.empty()) continue;
    if (!body && (line.starts_with("> ") || line.starts_with("# "))) continue;
    body = true;
    cases.back().source += line + "\r\n";
  }
  return cases;
}

std::vector<Case> AllCases() {
  std::vector<Case> all;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(VYL_SOURCE_DIR) / "tests/cases")) {
    if (entry.path().extension() == ".cases") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    for (Case& c : CasesOf(f)) all.push_back({f.stem().string() + ": " + c.title, std::move(c.source)});
  }
  return all;
}

bool Ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Every request at `count` places spread over the document: each answered,
// with a result or, for rename, a refusal.
void AskEverything(Client& c, const std::string& text, int count, const std::string& what) {
  const json document = {{"uri", Client::kUri}};
  for (const char* method : {"textDocument/documentSymbol", "textDocument/semanticTokens/full"}) {
    EXPECT_FALSE(c.Call(method, {{"textDocument", document}}).contains("error")) << what << " " << method;
  }
  const Text t(text);
  for (int i = 0; i <= count; ++i) {
    const Position p = t.PositionOf(static_cast<int32_t>(static_cast<int64_t>(text.size()) * i / count));
    json at = {{"textDocument", document}, {"position", ToJson(p)}};
    for (const char* method : {"textDocument/hover", "textDocument/definition", "textDocument/declaration",
                               "textDocument/completion", "textDocument/signatureHelp"}) {
      EXPECT_FALSE(c.Call(method, at).contains("error")) << what << " " << method << " at " << ToJson(p);
    }
    at["context"] = {{"includeDeclaration", true}};
    EXPECT_TRUE(c.Call("textDocument/references", at)["result"].is_array()) << what;
    at["newName"] = "renamed";
    const json renamed = c.Call("textDocument/rename", at);
    if (renamed.contains("error")) {
      EXPECT_EQ(renamed["error"]["code"], kRequestFailed) << what << renamed.dump();
    }
  }
}

TEST(ErrorsTest, EveryKindOfErrorIsMarkedWhereTheCompilerPoints) {
  const std::vector<Case> cases = AllCases();
  ASSERT_GT(cases.size(), 250u);
  Client c;
  c.Open("");
  int errors = 0;
  for (const Case& k : cases) {
    c.Change(k.source);
    // What the compiler itself says of the source.
    MemoryHost host;
    host.files["prog.vyl"] = k.source;
    SessionOptions options;
    options.format = DiagnosticsFormat::kNone;
    const SessionResult compiled = RunSession(host, "prog.vyl", options);
    const json published = c.Diagnostics();
    ASSERT_EQ(published.size(), compiled.diagnostics.size()) << k.title;
    for (std::size_t i = 0; i < compiled.diagnostics.size(); ++i) {
      const Diagnostic& d = compiled.diagnostics[i];
      const json& p = published[i];
      EXPECT_EQ(p["message"], d.message) << k.title;
      EXPECT_EQ(p["severity"], d.severity == Severity::kError ? 1 : 2) << k.title;
      if (d.severity == Severity::kError) ++errors;
      if (!d.range.known()) continue;
      // Byte columns are characters on an ASCII line.
      std::istringstream lines(k.source);
      std::string line;
      for (int n = 0; n < d.range.line; ++n) std::getline(lines, line);
      if (!Ascii(line)) continue;
      EXPECT_EQ(p["range"]["start"], ToJson(Position{d.range.line - 1, d.range.column - 1})) << k.title;
      if (d.range.endLine == d.range.line) {
        EXPECT_EQ(p["range"]["end"], ToJson(Position{d.range.line - 1, d.range.endColumn - 1})) << k.title;
      }
    }
    AskEverything(c, k.source, 12, k.title);
  }
  EXPECT_GT(errors, 150);
}

TEST(ErrorsTest, EveryPrefixOfAProgramAsItIsTyped) {
  std::ifstream in(fs::path(VYL_SOURCE_DIR) / "tests/programs/objects.vyl", std::ios::binary);
  std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(program.size(), 200u);
  Client c;
  c.Open("");
  const std::size_t step = std::max<std::size_t>(1, program.size() / 150);
  for (std::size_t end = 0; end <= program.size(); end += step) {
    const std::string text = program.substr(0, end);
    c.Change(text);
    EXPECT_TRUE(c.Diagnostics().is_array());
    AskEverything(c, text, 6, "prefix of " + std::to_string(end));
  }
  c.Change(program);
  for (const json& d : c.Diagnostics()) EXPECT_NE(d["severity"], 1) << d.dump();
}

}  // namespace
}  // namespace vyl::lsp::test
