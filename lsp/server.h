// The language server: the protocol's lifecycle, the open documents and the
// dispatch of each message to its feature.  It takes one message's text at
// a time and hands back the messages to send; the transport (transport.h)
// frames them.  No input makes it throw or stop answering.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/analysis.h"
#include "lsp/protocol.h"

namespace vyl::lsp {

struct ServerOptions {
  Compiler compile = [](MemoryHost& host, const std::string& path, const SessionOptions& options) {
    return RunSession(host, path, options);
  };
};

class Server {
 public:
  explicit Server(ServerOptions options = {});

  // Handles one message (the JSON text of one frame); the replies, in order.
  std::vector<std::string> Handle(std::string_view message);
  // A message that could not be read as a frame: the ParseError reply.
  std::string FramingError(const std::string& why);

  bool exited() const { return exited_; }
  // After "exit": 0 when "shutdown" came first, 1 otherwise.
  int exitCode() const { return shutdown_ ? 0 : 1; }

  // The analysis of an open document, or null (for tests and tools).
  std::shared_ptr<const Analysis> AnalysisOf(const std::string& uri) const;

 private:
  struct Document {
    json version;
    std::shared_ptr<const Analysis> analysis;
  };

  void Dispatch(const std::string& method, const json& id, const json& params);
  json Request(const std::string& method, const json& params);
  void Notification(const std::string& method, const json& params);
  void Open(const std::string& uri, const json& version, std::string text);
  void Publish(const std::string& uri);
  const Analysis& Require(const json& params, std::string& uri) const;

  void Reply(const json& id, json result);
  void ReplyError(const json& id, int code, const std::string& message);
  void Notify(const std::string& method, json params);

  ServerOptions options_;
  std::map<std::string, Document> documents_;
  std::vector<std::string> out_;
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;
  bool snippets_ = false;
  bool labelOffsets_ = false;
};

}  // namespace vyl::lsp
