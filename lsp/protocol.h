// The protocol's values in JSON (nlohmann::json): positions and ranges,
// the error codes, and the text of a message.
#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>

#include "lsp/text.h"

namespace vyl::lsp {

using json = nlohmann::json;

enum ErrorCode : int {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
  kRequestFailed = -32803,
};

// A request that is answered with an error response.
class RequestError : public std::runtime_error {
 public:
  RequestError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

json ToJson(Position p);
json ToJson(Range r);
json Location(const std::string& uri, Range r);
// The member `key` of an object, or null.  Values from a client are read in
// place, never copied whole: a copy of a deeply nested value would recurse
// as deep as it is.
const json& Member(const json& object, const char* key);
// A document version: an integer, or null for anything else.
json VersionOf(const json& value);

// A position from a request's parameters; InvalidParams when it is none.
Position PositionFrom(const json& value);
// The textDocument.uri of a request's parameters.
std::string UriFrom(const json& params);

// A message's text.  Text that is not UTF-8 (a document's bytes may be
// anything) is sent with replacement characters.
std::string Dump(const json& message);

}  // namespace vyl::lsp
