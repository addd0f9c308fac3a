#include "debug_info.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#if VYL_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace vylsim {

const DebugStatement* DebugInfo::statement_at(uint16_t address) const {
  const DebugStatement* found = nullptr;
  for (const DebugStatement& s : statements) {
    if (s.begin > address) break;
    // Enclosing statements come first, so the last one holding the address
    // is the innermost.
    if (address < s.end) found = &s;
  }
  return found;
}

const DebugProcedure* DebugInfo::procedure(int number) const {
  for (const DebugProcedure& p : procedures) {
    if (p.number == number) return &p;
  }
  return nullptr;
}

const DebugType* DebugInfo::type(const std::string& name) const {
  for (const DebugType& t : types) {
    if (t.name == name) return &t;
  }
  return nullptr;
}

std::optional<DebugInfo> load_debug_info(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot be opened";
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  auto info = parse_debug_info(text.str(), error);
  if (!info) error = path + ": " + error;
  return info;
}

#if VYL_HAVE_JSON
namespace {

using nlohmann::json;

SourcePosition position_of(const json& j) {
  return {j.value("line", 0), j.value("column", 0), j.value("endLine", 0), j.value("endColumn", 0)};
}

uint16_t address_of(const json& j, const char* key) { return static_cast<uint16_t>(j.at(key).get<int>() & 0xFFFF); }

}  // namespace

bool debug_info_supported() { return true; }

std::optional<DebugInfo> parse_debug_info(const std::string& text, std::string& error) {
  try {
    const json j = json::parse(text);
    if (j.value("format", "") != "vyl-debug-info") {
      error = "not a Vyl debug info file";
      return std::nullopt;
    }
    if (j.value("version", 0) != 1) {
      error = "debug info version " + std::to_string(j.value("version", 0)) + " is not known";
      return std::nullopt;
    }
    DebugInfo info;
    info.source = j.value("source", "");
    info.output = j.value("output", "");
    for (const json& s : j.at("statements")) {
      info.statements.push_back({address_of(s, "begin"), address_of(s, "end"), position_of(s), s.value("procedure", 0)});
    }
    std::stable_sort(info.statements.begin(), info.statements.end(), [](const auto& a, const auto& b) {
      return a.begin != b.begin ? a.begin < b.begin : a.end > b.end;
    });
    for (const json& p : j.at("procedures")) {
      DebugProcedure procedure{p.at("name").get<std::string>(), p.at("number").get<int>(), address_of(p, "entry"),
                               address_of(p, "end"),           position_of(p),           p.value("result", ""),
                               {}};
      for (const json& name : p.value("parameters", json::array())) procedure.parameters.push_back(name.get<std::string>());
      info.procedures.push_back(std::move(procedure));
    }
    for (const json& v : j.at("variables")) {
      info.variables.push_back({v.at("name").get<std::string>(), v.at("type").get<std::string>(),
                                v.at("kind").get<std::string>(), v.at("storage").get<std::string>(),
                                v.at("offset").get<int>(), v.value("size", 2), v.value("inline", false),
                                v.value("procedure", -1), position_of(v)});
    }
    for (const json& c : j.value("constants", json::array())) {
      info.constants.push_back({c.at("name").get<std::string>(), c.value("type", ""), c.value("value", 0),
                                c.value("address", -1), position_of(c)});
    }
    for (const json& t : j.value("types", json::array())) {
      DebugType type{t.at("name").get<std::string>(), t.at("kind").get<std::string>(), t.value("size", 0),
                     t.value("element", ""), t.value("length", -1), {}};
      for (const json& f : t.value("fields", json::array())) {
        type.fields.push_back({f.at("name").get<std::string>(), f.value("type", ""), f.value("offset", 0),
                               f.value("size", 2)});
      }
      info.types.push_back(std::move(type));
    }
    return info;
  } catch (const json::exception& e) {
    error = std::string("malformed debug info: ") + e.what();
    return std::nullopt;
  }
}
#else
bool debug_info_supported() { return false; }

std::optional<DebugInfo> parse_debug_info(const std::string&, std::string& error) {
  error = "this build cannot read debug info (it needs nlohmann-json3-dev)";
  return std::nullopt;
}
#endif

}  // namespace vylsim
