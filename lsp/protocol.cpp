// JSON forms of the protocol's values.
#include "lsp/protocol.h"

#include <limits>

namespace vyl::lsp {

json ToJson(Position p) { return json{{"line", p.line}, {"character", p.character}}; }

json ToJson(Range r) { return json{{"start", ToJson(r.start)}, {"end", ToJson(r.end)}}; }

json Location(const std::string& uri, Range r) { return json{{"uri", uri}, {"range", ToJson(r)}}; }

const json& Member(const json& object, const char* key) {
  static const json none;
  if (!object.is_object()) return none;
  auto it = object.find(key);
  return it == object.end() ? none : *it;
}

json VersionOf(const json& value) { return value.is_number_integer() ? value : json(); }

namespace {

int32_t Coordinate(const json& value, const char* name) {
  const json& v = value.at(name);
  if (!v.is_number_integer()) throw RequestError(kInvalidParams, std::string("position.") + name + " is not an integer");
  // uinteger values past int32 stand for "the end" as well as any other.
  if (v.is_number_unsigned()) {
    return static_cast<int32_t>(std::min<uint64_t>(v.get<uint64_t>(), std::numeric_limits<int32_t>::max()));
  }
  const int64_t n = v.get<int64_t>();
  if (n < 0) throw RequestError(kInvalidParams, std::string("position.") + name + " is negative");
  return static_cast<int32_t>(std::min<int64_t>(n, std::numeric_limits<int32_t>::max()));
}

}  // namespace

Position PositionFrom(const json& value) {
  if (!value.is_object()) throw RequestError(kInvalidParams, "position is not an object");
  return Position{Coordinate(value, "line"), Coordinate(value, "character")};
}

std::string UriFrom(const json& params) {
  const json& uri = params.at("textDocument").at("uri");
  if (!uri.is_string()) throw RequestError(kInvalidParams, "textDocument.uri is not a string");
  return uri.get<std::string>();
}

std::string Dump(const json& message) { return message.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace vyl::lsp
