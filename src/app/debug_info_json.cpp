// The debug info file (NAME.dbg): the DebugInfo of a compilation as one
// JSON object, described in docs/debug-info.md.
#include <string>

#include "app/app.h"

#if VYL_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace vyl {

#if VYL_HAVE_JSON
namespace {

using nlohmann::ordered_json;

void Position(ordered_json& j, const SourceRange& r) {
  j["line"] = r.line;
  j["column"] = r.column;
  j["endLine"] = r.endLine;
  j["endColumn"] = r.endColumn;
}

}  // namespace

std::string DebugInfoJson(const DebugInfo& info) {
  ordered_json j;
  j["format"] = "vyl-debug-info";
  j["version"] = 1;
  j["source"] = info.source;
  j["output"] = info.output;
  ordered_json statements = ordered_json::array();
  for (const auto& s : info.statements) {
    ordered_json e = {{"begin", s.codeBegin}, {"end", s.codeEnd}};
    Position(e, s.range);
    e["procedure"] = s.procedure;
    statements.push_back(std::move(e));
  }
  j["statements"] = std::move(statements);
  ordered_json procedures = ordered_json::array();
  for (const auto& p : info.procedures) {
    ordered_json e = {{"name", p.name}, {"number", p.number}, {"entry", p.entry}, {"end", p.end}};
    Position(e, p.range);
    e["result"] = p.result;
    e["parameters"] = p.parameters;
    procedures.push_back(std::move(e));
  }
  j["procedures"] = std::move(procedures);
  ordered_json variables = ordered_json::array();
  for (const auto& v : info.variables) {
    ordered_json e = {{"name", v.name},     {"type", v.type},     {"kind", v.kind},       {"storage", v.storage},
                      {"offset", v.offset}, {"size", v.size},     {"inline", v.inlined}};
    if (v.procedure >= 0) e["procedure"] = v.procedure;
    Position(e, v.declared);
    variables.push_back(std::move(e));
  }
  j["variables"] = std::move(variables);
  ordered_json constants = ordered_json::array();
  for (const auto& c : info.constants) {
    ordered_json e = {{"name", c.name}, {"type", c.type}};
    if (c.address >= 0) {
      e["address"] = c.address;
    } else {
      e["value"] = c.value;
    }
    Position(e, c.declared);
    constants.push_back(std::move(e));
  }
  j["constants"] = std::move(constants);
  ordered_json types = ordered_json::array();
  for (const auto& t : info.types) {
    ordered_json e = {{"name", t.name}, {"kind", t.kind}, {"size", t.size}};
    if (t.kind == "array") {
      e["element"] = t.element;
      if (t.length >= 0) e["length"] = t.length;
    }
    if (!t.fields.empty()) {
      ordered_json fields = ordered_json::array();
      for (const auto& f : t.fields) {
        fields.push_back({{"name", f.name}, {"type", f.type}, {"offset", f.offset}, {"size", f.size}});
      }
      e["fields"] = std::move(fields);
    }
    types.push_back(std::move(e));
  }
  j["types"] = std::move(types);
  return j.dump(1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}
#else
std::string DebugInfoJson(const DebugInfo&) { return {}; }
#endif

}  // namespace vyl
