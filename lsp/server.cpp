// Lifecycle, documents and dispatch.
#include "lsp/server.h"

#include <algorithm>

#include "lsp/features.h"

namespace vyl::lsp {

namespace {

// A client capability, false when any step of the path is missing.
bool Capability(const json& params, std::initializer_list<const char*> path) {
  const json* at = &params;
  for (const char* key : path) {
    if (!at->is_object() || !at->contains(key)) return false;
    at = &(*at)[key];
  }
  return at->is_boolean() && at->get<bool>();
}

json Capabilities() {
  return json{
      {"positionEncoding", "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", true}}}}},
      {"documentSymbolProvider", true},
      {"definitionProvider", true},
      {"declarationProvider", true},
      {"referencesProvider", true},
      {"renameProvider", {{"prepareProvider", true}}},
      {"hoverProvider", true},
      {"completionProvider", {{"triggerCharacters", {"."}}, {"resolveProvider", false}}},
      {"signatureHelpProvider", {{"triggerCharacters", {"(", ","}}, {"retriggerCharacters", {","}}}},
      {"semanticTokensProvider", {{"legend", SemanticTokensLegend()}, {"full", true}}},
  };
}

std::string TextOf(const json& value) {
  if (!value.is_string()) throw RequestError(kInvalidParams, "the document's text is not a string");
  return value.get<std::string>();
}

}  // namespace

Server::Server(ServerOptions options) : options_(std::move(options)) {}

std::vector<std::string> Server::Handle(std::string_view message) {
  out_.clear();
  json m = json::parse(message, nullptr, false);
  if (m.is_discarded()) {
    ReplyError(nullptr, kParseError, "The message is not JSON.");
    return std::move(out_);
  }
  if (!m.is_object()) {
    ReplyError(nullptr, kInvalidRequest, "A message is a JSON object.");
    return std::move(out_);
  }
  const bool hasId = m.contains("id");
  if (hasId && !m["id"].is_number_integer() && !m["id"].is_string()) {
    ReplyError(nullptr, kInvalidRequest, "A request's id is an integer or a string.");
    return std::move(out_);
  }
  const json id = hasId ? m["id"] : json();  // a scalar: safe to copy
  if (!m.contains("method")) {
    // A response to a request of ours (we send none) is dropped; anything
    // else is no message of the protocol.
    if (hasId && (m.contains("result") || m.contains("error"))) return std::move(out_);
    if (hasId) ReplyError(id, kInvalidRequest, "The message has no method.");
    return std::move(out_);
  }
  const json& method = m["method"];
  // Params may be left out; null stands for none as well.
  static const json none = json::object();
  const json& params = m.contains("params") && !m["params"].is_null() ? m["params"] : none;
  if (!method.is_string() || Member(m, "jsonrpc") != "2.0") {
    if (hasId) ReplyError(id, kInvalidRequest, "A request has \"jsonrpc\": \"2.0\" and a method name.");
    return std::move(out_);
  }
  if (!params.is_object() && !params.is_array()) {
    if (hasId) ReplyError(id, kInvalidParams, "The params are an object or an array.");
    return std::move(out_);
  }
  Dispatch(method.get<std::string>(), hasId ? id : json(), params);
  return std::move(out_);
}

std::string Server::FramingError(const std::string& why) {
  out_.clear();
  ReplyError(nullptr, kParseError, why);
  std::string reply = std::move(out_.front());
  out_.clear();
  return reply;
}

void Server::Dispatch(const std::string& method, const json& id, const json& params) {
  const bool request = !id.is_null();
  if (!request) {
    try {
      Notification(method, params);
    } catch (const std::exception&) {
      // A notification has no reply, not even an error: it is dropped.
    }
    return;
  }
  try {
    if (method == "initialize") {
      if (initialized_) throw RequestError(kInvalidRequest, "The server is initialized already.");
      initialized_ = true;
      snippets_ = Capability(params, {"capabilities", "textDocument", "completion", "completionItem", "snippetSupport"});
      labelOffsets_ = Capability(params, {"capabilities", "textDocument", "signatureHelp", "signatureInformation",
                                          "parameterInformation", "labelOffsetSupport"});
      Reply(id, {{"capabilities", Capabilities()}, {"serverInfo", {{"name", "vyl-lsp"}, {"version", VYL_VERSION}}}});
      return;
    }
    if (!initialized_) throw RequestError(kServerNotInitialized, "The server is not initialized yet.");
    if (shutdown_) throw RequestError(kInvalidRequest, "The server is shutting down.");
    if (method == "shutdown") {
      shutdown_ = true;
      Reply(id, nullptr);
      return;
    }
    Reply(id, Request(method, params));
  } catch (const RequestError& e) {
    ReplyError(id, e.code(), e.what());
  } catch (const json::exception& e) {
    ReplyError(id, kInvalidParams, std::string("The params do not fit ") + method + ": " + e.what());
  } catch (const std::exception& e) {
    ReplyError(id, kInternalError, e.what());
  }
}

json Server::Request(const std::string& method, const json& params) {
  std::string uri;
  if (method == "textDocument/documentSymbol") return DocumentSymbols(Require(params, uri));
  if (method == "textDocument/semanticTokens/full") return SemanticTokens(Require(params, uri));
  if (method == "textDocument/hover") return Hover(Require(params, uri), PositionFrom(params.at("position")));
  if (method == "textDocument/definition" || method == "textDocument/declaration") {
    const Analysis& a = Require(params, uri);
    return Definition(a, uri, PositionFrom(params.at("position")), method == "textDocument/declaration");
  }
  if (method == "textDocument/references") {
    const Analysis& a = Require(params, uri);
    const json& declaration = Member(Member(params, "context"), "includeDeclaration");
    return References(a, uri, PositionFrom(params.at("position")), declaration.is_boolean() && declaration.get<bool>());
  }
  if (method == "textDocument/prepareRename") return PrepareRename(Require(params, uri), PositionFrom(params.at("position")));
  if (method == "textDocument/rename") {
    const Analysis& a = Require(params, uri);
    const json& name = params.at("newName");
    if (!name.is_string()) throw RequestError(kInvalidParams, "newName is not a string");
    return Rename(a, uri, PositionFrom(params.at("position")), name.get<std::string>(), options_.compile);
  }
  if (method == "textDocument/completion") {
    return Completion(Require(params, uri), PositionFrom(params.at("position")), snippets_);
  }
  if (method == "textDocument/signatureHelp") {
    return SignatureHelp(Require(params, uri), PositionFrom(params.at("position")), labelOffsets_);
  }
  throw RequestError(kMethodNotFound, "Unknown method " + method);
}

void Server::Notification(const std::string& method, const json& params) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shutdown_) return;
  if (method == "textDocument/didOpen") {
    const json& document = params.at("textDocument");
    Open(UriFrom(params), VersionOf(Member(document, "version")), TextOf(document.at("text")));
  } else if (method == "textDocument/didChange") {
    // The server asks for whole texts; a change with a range (from a
    // client that sends them anyway) is applied to the text as it stands.
    const std::string uri = UriFrom(params);
    const json& changes = params.at("contentChanges");
    if (!changes.is_array() || changes.empty()) return;
    auto it = documents_.find(uri);
    std::string text = it == documents_.end() ? std::string() : it->second.analysis->text().str();
    for (const json& change : changes) {
      std::string replacement = TextOf(change.at("text"));
      if (!change.contains("range")) {
        text = std::move(replacement);
        continue;
      }
      const Text before(text);
      const int32_t begin = before.OffsetOf(PositionFrom(change["range"].at("start")));
      const int32_t end = std::max(begin, before.OffsetOf(PositionFrom(change["range"].at("end"))));
      text.replace(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin), replacement);
    }
    Open(uri, VersionOf(Member(params.at("textDocument"), "version")), std::move(text));
  } else if (method == "textDocument/didSave") {
    const std::string uri = UriFrom(params);
    if (params.contains("text")) {
      const json version = documents_.count(uri) ? documents_[uri].version : json();
      Open(uri, version, TextOf(params["text"]));
    } else if (documents_.count(uri)) {
      Publish(uri);
    }
  } else if (method == "textDocument/didClose") {
    const std::string uri = UriFrom(params);
    if (documents_.erase(uri)) Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
  }
  // initialized, $/cancelRequest, $/setTrace and any other notification:
  // nothing to do.
}

void Server::Open(const std::string& uri, const json& version, std::string text) {
  documents_[uri] = Document{version, Analyze(std::move(text), options_.compile)};
  Publish(uri);
}

void Server::Publish(const std::string& uri) {
  const Document& d = documents_.at(uri);
  Notify("textDocument/publishDiagnostics", PublishedDiagnostics(*d.analysis, uri, d.version));
}

const Analysis& Server::Require(const json& params, std::string& uri) const {
  if (!params.is_object()) throw RequestError(kInvalidParams, "The params are an object.");
  uri = UriFrom(params);
  auto it = documents_.find(uri);
  if (it == documents_.end()) throw RequestError(kInvalidParams, "The document " + uri + " is not open.");
  return *it->second.analysis;
}

std::shared_ptr<const Analysis> Server::AnalysisOf(const std::string& uri) const {
  auto it = documents_.find(uri);
  return it == documents_.end() ? nullptr : it->second.analysis;
}

void Server::Reply(const json& id, json result) {
  out_.push_back(Dump(json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}));
}

void Server::ReplyError(const json& id, int code, const std::string& message) {
  out_.push_back(Dump(json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}}));
}

void Server::Notify(const std::string& method, json params) {
  out_.push_back(Dump(json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}}));
}

}  // namespace vyl::lsp
