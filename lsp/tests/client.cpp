// The scripted client.
#include "client.h"

namespace vyl::lsp::test {

Client::Client(bool initialize, json capabilities) {
  if (initialize) {
    Result("initialize", {{"processId", nullptr}, {"rootUri", nullptr}, {"capabilities", std::move(capabilities)}});
    Notify("initialized", json::object());
  }
}

json Client::DefaultCapabilities() {
  return {{"textDocument",
           {{"completion", {{"completionItem", {{"snippetSupport", true}}}}},
            {"signatureHelp", {{"signatureInformation", {{"parameterInformation", {{"labelOffsetSupport", true}}}}}}}}}};
}

void Client::Take(const std::vector<std::string>& replies) {
  for (const std::string& text : replies) {
    json m = json::parse(text);
    if (m.contains("method") && m["method"] == "textDocument/publishDiagnostics") {
      diagnostics_[m["params"]["uri"].get<std::string>()] = m["params"];
    } else {
      responses_.push_back(std::move(m));
    }
  }
}

std::vector<json> Client::Send(std::string_view text) {
  std::vector<json> all;
  for (const std::string& reply : server_.Handle(text)) all.push_back(json::parse(reply));
  return all;
}

json Client::Call(const std::string& method, json params) {
  const int id = nextId_++;
  responses_.clear();
  Take(server_.Handle(Dump({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}})));
  EXPECT_EQ(responses_.size(), 1u) << method;
  if (responses_.empty()) return json();
  EXPECT_EQ(responses_.back()["id"], id);
  return responses_.back();
}

json Client::Result(const std::string& method, json params) {
  json response = Call(method, std::move(params));
  EXPECT_FALSE(response.contains("error")) << method << ": " << response.dump();
  return response.value("result", json());
}

int Client::ErrorCode(const std::string& method, json params) {
  json response = Call(method, std::move(params));
  EXPECT_TRUE(response.contains("error")) << method << ": " << response.dump();
  return response.contains("error") ? response["error"]["code"].get<int>() : 0;
}

void Client::Notify(const std::string& method, json params) {
  responses_.clear();
  Take(server_.Handle(Dump({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}})));
  EXPECT_TRUE(responses_.empty()) << method << " was answered: " << responses_.front().dump();
}

void Client::Open(const std::string& text, const std::string& uri) {
  texts_[uri] = text;
  Notify("textDocument/didOpen", {{"textDocument", {{"uri", uri}, {"languageId", "vyl"}, {"version", 1}, {"text", text}}}});
}

void Client::Change(const std::string& text, const std::string& uri) {
  texts_[uri] = text;
  Notify("textDocument/didChange",
         {{"textDocument", {{"uri", uri}, {"version", nextId_++}}}, {"contentChanges", {{{"text", text}}}}});
}

json Client::Diagnostics(const std::string& uri) const {
  auto it = diagnostics_.find(uri);
  return it == diagnostics_.end() ? json() : it->second["diagnostics"];
}

Position Client::At(std::string_view needle, int nth, int shift) const {
  const std::string& text = texts_.at(kUri);
  std::size_t at = std::string::npos;
  for (int i = 0; i < nth; ++i) at = text.find(needle, at == std::string::npos ? 0 : at + 1);
  EXPECT_NE(at, std::string::npos) << needle;
  Position p;
  for (std::size_t i = 0; i < at; ++i) {
    if (text[i] == '\n') {
      ++p.line;
      p.character = 0;
    } else {
      ++p.character;
    }
  }
  p.character += shift;
  return p;
}

json Client::Where(std::string_view needle, int nth, int shift) const {
  return {{"textDocument", {{"uri", kUri}}}, {"position", ToJson(At(needle, nth, shift))}};
}

}  // namespace vyl::lsp::test
