#include "values.h"

#include <cstdio>

namespace vylsim {

uint16_t MemoryView::word(uint16_t address) const {
  if (log_ != nullptr) log_->push_back(address);
  return machine_.word(address);
}

uint8_t MemoryView::byte(uint16_t address) const {
  if (log_ != nullptr) log_->push_back(address);
  return machine_.byte(address);
}

Value make_value(const Symbols& symbols, const char* type_name, uint16_t word) {
  Value value;
  value.type = symbols.type(type_name);
  value.word = word;
  return value;
}

Value value_at(const DebugType* type, uint16_t address, bool in_place_object, const MemoryView& memory) {
  Value value;
  value.type = type;
  value.address = address;
  if ((type->kind == "array" && type->length >= 0) || (type->kind == "class" && in_place_object)) {
    value.in_place = true;
  } else if (type->kind == "byte") {
    value.word = memory.byte(address);
  } else {
    value.word = memory.word(address);
  }
  return value;
}

Value variable_value(const DebugVariable& variable, const Symbols& symbols, const MemoryView& memory, uint16_t fp) {
  const DebugType* type = symbols.type(variable.type);
  if (type == nullptr) throw EvaluationError("the type '" + variable.type + "' of " + variable.name + " is not known");
  uint16_t address = static_cast<uint16_t>(variable.offset);
  if (variable.storage == "frame") {
    address = static_cast<uint16_t>(fp + variable.offset);
  } else if (variable.storage == "global") {
    // The globals lie in the start code's frame, at the base word every
    // call passes on; it holds its own address.
    address = static_cast<uint16_t>(memory.word(stack_base) + variable.offset);
  }
  return value_at(type, address, variable.inlined, memory);
}

Value constant_value(const DebugConstant& constant, const Symbols& symbols, const MemoryView& memory) {
  const DebugType* type = symbols.type(constant.type);
  if (type == nullptr) throw EvaluationError("the type '" + constant.type + "' of " + constant.name + " is not known");
  if (constant.address >= 0) {
    Value table = value_at(type, static_cast<uint16_t>(constant.address), true, memory);
    table.constant = true;
    return table;
  }
  Value value;
  value.type = type;
  value.word = static_cast<uint16_t>(constant.value);
  return value;
}

bool is_array(const Value& value) { return value.type != nullptr && value.type->kind == "array"; }

bool is_object(const Value& value) { return value.type != nullptr && value.type->kind == "class"; }

bool is_null(const Value& value) {
  if (value.type != nullptr && value.type->kind == "null") return true;
  return (is_array(value) || is_object(value)) && !value.in_place && value.word == 0;
}

std::optional<uint16_t> data_address(const Value& value) {
  if (value.in_place) return value.address;
  if (value.word == 0) return std::nullopt;
  return value.word;
}

const DebugType* element_type(const Value& array, const Symbols& symbols) {
  const DebugType* type = symbols.type(array.type->element);
  if (type == nullptr) throw EvaluationError("the element type '" + array.type->element + "' is not known");
  return type;
}

int array_length(const Value& array, const MemoryView& memory, const Symbols& symbols) {
  if (array.type->length >= 0) return array.type->length;
  const std::optional<uint16_t> data = data_address(array);
  if (!data) return 0;
  const int32_t bytes = as_signed(memory.word(static_cast<uint16_t>(*data - 2)));
  return bytes > 0 ? bytes / element_size(*element_type(array, symbols)) : 0;
}

Value element(const Value& array, int32_t index, const std::string& what, const MemoryView& memory,
              const Symbols& symbols) {
  if (!is_array(array)) {
    throw EvaluationError("cannot index " + what + ", which is not an array");
  }
  const std::optional<uint16_t> data = data_address(array);
  if (!data) throw EvaluationError(what + " is null");
  const int length = array_length(array, memory, symbols);
  if (index < 0 || index >= length) {
    if (length == 0) throw EvaluationError("index " + std::to_string(index) + " of the empty array " + what);
    throw EvaluationError("index " + std::to_string(index) + " outside 0.." + std::to_string(length - 1) + " of " +
                          what);
  }
  const DebugType* type = element_type(array, symbols);
  const uint16_t address = static_cast<uint16_t>(*data + index * element_size(*type));
  Value value = value_at(type, address, false, memory);
  value.constant = array.constant && array.in_place;
  return value;
}

Value field(const Value& object, const std::string& name, const std::string& what, const MemoryView& memory,
            const Symbols& symbols) {
  if (!is_object(object)) throw EvaluationError(what + " is not an object: it has no field " + name);
  for (const DebugField& f : object.type->fields) {
    if (f.name != name) continue;
    const std::optional<uint16_t> data = data_address(object);
    if (!data) throw EvaluationError(what + " is null");
    const DebugType* type = symbols.type(f.type);
    if (type == nullptr) throw EvaluationError("the type '" + f.type + "' of field " + name + " is not known");
    return value_at(type, static_cast<uint16_t>(*data + f.offset), false, memory);
  }
  throw EvaluationError("class " + object.type->name + " has no field " + name);
}

int32_t number_of(const Value& value) {
  if (value.type != nullptr && value.type->kind == "int") return as_signed(value.word);
  return value.word;
}

std::string format_char(uint16_t code) {
  switch (code) {
    case '\n': return "'\\n'";
    case '\r': return "'\\r'";
    case '\t': return "'\\t'";
    case '\b': return "'\\b'";
    case '\'': return "'\\''";
    case '\\': return "'\\\\'";
    default: break;
  }
  if (code >= 0x20 && code < 0x7F) return std::string("'") + static_cast<char>(code) + "'";
  if (code > 0xFF) return std::to_string(code);
  char text[8];
  std::snprintf(text, sizeof text, "'\\x%02X'", code);
  return text;
}

std::string format_address(uint16_t address) { return "0x" + hex4(address); }

namespace {

class Formatter {
 public:
  Formatter(const MemoryView& memory, const Symbols& symbols, const FormatOptions& options)
      : memory_(memory), symbols_(symbols), options_(options) {}

  std::string format(const Value& value, int depth) const {
    if (value.type == nullptr) return "?";
    const std::string& kind = value.type->kind;
    if (kind == "int") {
      if (options_.hex) return format_address(value.word);
      return std::to_string(as_signed(value.word));
    }
    if (kind == "byte") return std::to_string(value.word & 0xFF);
    if (kind == "char") return format_char(value.word);
    if (kind == "boolean") {
      if (value.word <= 1) return value.word == 1 ? "true" : "false";
      return std::to_string(value.word);
    }
    if (kind == "null") return "null";
    if (kind == "void") return "void";
    if (kind == "array" || kind == "class") {
      if (is_null(value)) return "null";
      if (kind == "array" && value.type->element == "char") return text(value);
      // Behind a reference inside another value, or in a frame line, only
      // the address: objects may refer to each other in circles.
      if (!value.in_place && (options_.brief || depth > 0)) return format_address(value.word);
      return kind == "array" ? elements(value, depth) : fields(value, depth);
    }
    return std::to_string(value.word);
  }

 private:
  std::string text(const Value& array) const {
    const int length = array_length(array, memory_, symbols_);
    const uint16_t data = *data_address(array);
    std::string out = "\"";
    for (int i = 0; i < length; ++i) {
      if (static_cast<size_t>(i) == options_.max_elements) return out + "\"...";
      const uint16_t code = memory_.word(static_cast<uint16_t>(data + 2 * i));
      switch (code) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
          if (code >= 0x20 && code < 0x7F) {
            out += static_cast<char>(code);
          } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", code & 0xFF);
            out += escape;
          }
      }
    }
    return out + "\"";
  }

  std::string elements(const Value& array, int depth) const {
    const int length = array_length(array, memory_, symbols_);
    std::string out = "{";
    for (int i = 0; i < length; ++i) {
      if (i > 0) out += ", ";
      if (static_cast<size_t>(i) == options_.max_elements) return out + "...}";
      out += format(element(array, i, "", memory_, symbols_), depth + 1);
    }
    return out + "}";
  }

  std::string fields(const Value& object, int depth) const {
    std::string out = "{";
    for (const DebugField& f : object.type->fields) {
      if (out.size() > 1) out += ", ";
      out += f.name + " = " + format(field(object, f.name, "", memory_, symbols_), depth + 1);
    }
    return out + "}";
  }

  const MemoryView& memory_;
  const Symbols& symbols_;
  const FormatOptions& options_;
};

}  // namespace

std::string format_value(const Value& value, const MemoryView& memory, const Symbols& symbols,
                         const FormatOptions& options) {
  return Formatter(memory, symbols, options).format(value, 0);
}

}  // namespace vylsim
