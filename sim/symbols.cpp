#include "symbols.h"

#include <algorithm>

namespace vylsim {

namespace {

bool encloses(const DebugStatement& outer, const DebugStatement& inner) {
  return outer.begin <= inner.begin && inner.end <= outer.end;
}

}  // namespace

Symbols::Symbols(DebugInfo info) : info_(std::move(info)) {
  uint32_t extent = 0;
  for (const DebugStatement& s : info_.statements) extent = std::max<uint32_t>(extent, s.end);
  innermost_.assign(extent, -1);
  // Enclosing statements come first, so a nested one overwrites its part.
  for (size_t i = 0; i < info_.statements.size(); ++i) {
    const DebugStatement& s = info_.statements[i];
    for (uint32_t a = s.begin; a < s.end; ++a) innermost_[a] = static_cast<int>(i);
  }
  for (const char* kind : {"int", "byte", "char", "boolean", "null", "void"}) {
    auto type = std::make_unique<DebugType>();
    type->name = kind;
    type->kind = kind;
    type->size = type->kind == "byte" ? 1 : type->kind == "void" ? 0 : 2;
    basic_types_.push_back(std::move(type));
  }
}

const DebugStatement* Symbols::statement_at(uint16_t address) const {
  if (address >= innermost_.size() || innermost_[address] < 0) return nullptr;
  return &info_.statements[static_cast<size_t>(innermost_[address])];
}

const DebugProcedure* Symbols::procedure_at(uint16_t address) const {
  for (const DebugProcedure& p : info_.procedures) {
    if (p.entry <= address && address < p.end) return &p;
  }
  return nullptr;
}

const DebugProcedure* Symbols::procedure_named(const std::string& name) const {
  for (const DebugProcedure& p : info_.procedures) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

int Symbols::line_at(uint16_t address) const {
  if (const DebugStatement* s = statement_at(address)) return s->position.line;
  const DebugProcedure* procedure = procedure_at(address);
  if (procedure == nullptr) return 0;
  const DebugStatement* first = nullptr;
  const DebugStatement* next = nullptr;
  for (const DebugStatement& s : info_.statements) {
    if (s.procedure != procedure->number) continue;
    if (first == nullptr) first = &s;
    if (s.begin > address) {
      next = &s;
      break;
    }
  }
  if (first == nullptr || address < first->begin) return procedure->position.line;
  if (next != nullptr) return next->position.line;
  return procedure->position.end_line;
}

std::vector<uint16_t> Symbols::line_addresses(int line) const {
  std::vector<uint16_t> addresses;
  for (const DebugStatement& s : info_.statements) {
    if (s.position.line != line) continue;
    const bool nested = std::any_of(info_.statements.begin(), info_.statements.end(), [&](const DebugStatement& o) {
      return &o != &s && o.position.line == line && encloses(o, s) && !(o.begin == s.begin && o.end == s.end && &o > &s);
    });
    if (!nested) addresses.push_back(s.begin);
  }
  std::sort(addresses.begin(), addresses.end());
  addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
  return addresses;
}

int Symbols::line_with_code(int line) const {
  const DebugProcedure* within = nullptr;
  for (const DebugProcedure& p : info_.procedures) {
    if (p.position.line > 0 && p.position.line <= line && line <= p.position.end_line) within = &p;
  }
  int best = 0;
  for (const DebugStatement& s : info_.statements) {
    if (within != nullptr && s.procedure != within->number) continue;
    if (s.position.line >= line && (best == 0 || s.position.line < best)) best = s.position.line;
  }
  return best;
}

uint16_t Symbols::body_start(const DebugProcedure& procedure) const {
  for (const DebugStatement& s : info_.statements) {
    if (s.procedure == procedure.number) return s.begin;
  }
  return procedure.entry;
}

bool Symbols::starts_statement(uint16_t address) const {
  const DebugStatement* s = statement_at(address);
  return s != nullptr && s->begin == address;
}

std::vector<const DebugVariable*> Symbols::parameters(int procedure) const {
  std::vector<const DebugVariable*> result;
  const DebugProcedure* p = info_.procedure(procedure);
  if (p == nullptr) return result;
  for (const std::string& name : p->parameters) {
    for (const DebugVariable& v : info_.variables) {
      if (v.kind == "parameter" && v.procedure == procedure && v.name == name) {
        result.push_back(&v);
        break;
      }
    }
  }
  return result;
}

std::vector<const DebugVariable*> Symbols::locals(int procedure) const {
  std::vector<const DebugVariable*> result;
  for (const DebugVariable& v : info_.variables) {
    if (v.kind == "local" && v.procedure == procedure) result.push_back(&v);
  }
  return result;
}

std::vector<const DebugVariable*> Symbols::globals() const {
  std::vector<const DebugVariable*> result;
  for (const DebugVariable& v : info_.variables) {
    if (v.kind == "global") result.push_back(&v);
  }
  return result;
}

const DebugVariable* Symbols::variable(const std::string& name, int procedure) const {
  const DebugVariable* global = nullptr;
  for (const DebugVariable& v : info_.variables) {
    if (v.name != name) continue;
    if (v.kind == "global") {
      if (global == nullptr) global = &v;
    } else if (procedure >= 0 && v.procedure == procedure) {
      return &v;
    }
  }
  return global;
}

const DebugConstant* Symbols::constant(const std::string& name) const {
  for (const DebugConstant& c : info_.constants) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

const DebugType* Symbols::type(const std::string& name) const {
  if (const DebugType* t = info_.type(name)) return t;
  for (const auto& t : basic_types_) {
    if (t->name == name) return t.get();
  }
  return nullptr;
}

int element_size(const DebugType& element) {
  if (element.kind == "byte") return 1;
  if (element.kind == "array" && element.length >= 0) return element.size;
  return 2;
}

}  // namespace vylsim
