// A scripted client for the server's tests: drives a Server in-process,
// message by message, and keeps what it published.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/server.h"

namespace vyl::lsp::test {

class Client {
 public:
  // Initialized, with snippets in completions unless asked otherwise.
  explicit Client(bool initialize = true, json capabilities = DefaultCapabilities());
  static json DefaultCapabilities();

  // A request's whole response message.
  json Call(const std::string& method, json params);
  // A request's result; a test failure when it is an error.
  json Result(const std::string& method, json params);
  // A request's error code; a test failure when it succeeded.
  int ErrorCode(const std::string& method, json params);
  void Notify(const std::string& method, json params);
  // Sends raw text as one message; the replies.
  std::vector<json> Send(std::string_view text);

  void Open(const std::string& text, const std::string& uri = kUri);
  void Change(const std::string& text, const std::string& uri = kUri);
  // The diagnostics last published for a document.
  json Diagnostics(const std::string& uri = kUri) const;

  // Position of the `nth` occurrence of `needle` in the document's text,
  // plus `shift` characters (ASCII texts).
  Position At(std::string_view needle, int nth = 1, int shift = 0) const;
  json Where(std::string_view needle, int nth = 1, int shift = 0) const;

  Server& server() { return server_; }
  static constexpr const char* kUri = "file:///work/doc.vyl";

 private:
  void Take(const std::vector<std::string>& replies);

  Server server_;
  int nextId_ = 1;
  std::map<std::string, std::string> texts_;
  std::map<std::string, json> diagnostics_;
  std::vector<json> responses_;
};

}  // namespace vyl::lsp::test
