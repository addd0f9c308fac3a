// Values of a running program as the debugger shows them: where a variable,
// element or field lies, what it holds, and its text ("-3", 'c', true, null,
// "text", {1, 2, 3}, {x = 1, next = null}).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "machine.h"
#include "symbols.h"

namespace vylsim {

// What went wrong while looking at a value: a name that is not there, an
// index outside its array, a null reference followed. The message is for
// the user as it is.
class EvaluationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads of the machine's memory. With a log, the address of every word read
// is noted, so that a watched value need only be computed again when one of
// them changes.
class MemoryView {
 public:
  explicit MemoryView(const Machine& machine, std::vector<uint16_t>* log = nullptr) : machine_(machine), log_(log) {}

  uint16_t word(uint16_t address) const;
  uint8_t byte(uint16_t address) const;

 private:
  const Machine& machine_;
  std::vector<uint16_t>* log_;
};

struct Value {
  const DebugType* type = nullptr;
  // An array or object laid out at `address` itself (a fixed-size array, a
  // final object) rather than reached through a reference.
  bool in_place = false;
  std::optional<uint16_t> address;  // where it is stored: variables, elements, fields
  uint16_t word = 0;                // a scalar's value or a reference (0 for null)
  bool constant = false;            // part of a constant table: not to be changed
};

// A value of one of the basic types.
Value make_value(const Symbols& symbols, const char* type_name, uint16_t word);
// The value stored at `address` with `type`; in place for fixed-size arrays
// and when `in_place_object` says an object lies there itself.
Value value_at(const DebugType* type, uint16_t address, bool in_place_object, const MemoryView& memory);

// A variable of a frame whose pointer is `fp` (globals and absolute ones
// ignore it), a named constant or constant table.
Value variable_value(const DebugVariable& variable, const Symbols& symbols, const MemoryView& memory, uint16_t fp);
Value constant_value(const DebugConstant& constant, const Symbols& symbols, const MemoryView& memory);

bool is_array(const Value& value);
bool is_object(const Value& value);
// Arrays and objects behind a null reference have no data.
bool is_null(const Value& value);
// The address of an array's first element or an object's first field.
std::optional<uint16_t> data_address(const Value& value);
// Elements of an array: its fixed length, or the length in bytes that the
// word before its first element holds, over the element size.
int array_length(const Value& array, const MemoryView& memory, const Symbols& symbols);
const DebugType* element_type(const Value& array, const Symbols& symbols);
// `what` names the array or object in messages ("a", "p.next").
Value element(const Value& array, int32_t index, const std::string& what, const MemoryView& memory,
              const Symbols& symbols);
Value field(const Value& object, const std::string& name, const std::string& what, const MemoryView& memory,
            const Symbols& symbols);

// The signed number of an int, the code of a char or byte, 0 or 1 for a
// boolean; references as their address.
int32_t number_of(const Value& value);

struct FormatOptions {
  // Frame lines: what lies behind a reference is not shown, only its
  // address (strings excepted).
  bool brief = false;
  bool hex = false;  // ints in hexadecimal
  size_t max_elements = 200;
};

std::string format_value(const Value& value, const MemoryView& memory, const Symbols& symbols,
                         const FormatOptions& options = {});
std::string format_char(uint16_t code);
std::string format_address(uint16_t address);  // "0xA010"

}  // namespace vylsim
