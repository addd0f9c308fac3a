// The debug info of a program arranged for a debugger's questions: which
// statement and procedure an address belongs to, where a source line's code
// starts, which variables a procedure sees and what a type name means.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "debug_info.h"

namespace vylsim {

class Symbols {
 public:
  explicit Symbols(DebugInfo info);

  const DebugInfo& info() const { return info_; }
  // The source file as the compiler was given it ("prog.vyl").
  const std::string& source_name() const { return info_.source; }

  // The innermost statement holding `address`, or null.
  const DebugStatement* statement_at(uint16_t address) const;
  // The procedure whose code holds `address` (entry <= address < end).
  const DebugProcedure* procedure_at(uint16_t address) const;
  const DebugProcedure* procedure_named(const std::string& name) const;
  const DebugProcedure* procedure(int number) const { return info_.procedure(number); }

  // The source line an address is shown at: its statement's line; in code
  // between statements, the line of the statement about to start; before a
  // procedure's first statement (its prologue) the procedure's own line, and
  // after its last one the line of its closing brace. 0 when nothing tells.
  int line_at(uint16_t address) const;

  // Where the code of source line `line` starts: the beginnings of the
  // statements on that line that no other statement on it encloses.
  std::vector<uint16_t> line_addresses(int line) const;
  // `line` when code starts on it, else the next line where code starts
  // (within the procedure holding `line`, if any); 0 when there is none.
  int line_with_code(int line) const;
  // The first statement of a procedure's body (after its prologue), or its
  // entry when it has no statement.
  uint16_t body_start(const DebugProcedure& procedure) const;
  // Whether `address` begins a statement.
  bool starts_statement(uint16_t address) const;

  // Parameters in order, the locals of a procedure, the globals.
  std::vector<const DebugVariable*> parameters(int procedure) const;
  std::vector<const DebugVariable*> locals(int procedure) const;
  std::vector<const DebugVariable*> globals() const;
  // A name as the code of `procedure` sees it: its parameters and locals
  // first, then the globals (procedure -1 sees only the globals).
  const DebugVariable* variable(const std::string& name, int procedure) const;
  const DebugConstant* constant(const std::string& name) const;

  // A type by name; the basic types (int, byte, char, boolean, null, void)
  // exist even when the program's debug info does not list them.
  const DebugType* type(const std::string& name) const;

 private:
  DebugInfo info_;
  std::vector<int> innermost_;  // per address: index into info_.statements, -1 for none
  std::vector<std::unique_ptr<DebugType>> basic_types_;
};

// How many bytes an element of this type takes in an array: a byte one, an
// array laid out in place its whole size, anything else (a value or a
// reference) one word.
int element_size(const DebugType& element);

}  // namespace vylsim
