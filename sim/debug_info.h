// Debug info written by `vylc -g` (NAME.dbg, described in docs/debug-info.md):
// where each statement, procedure and variable of a program stands in its
// image and in its source.  The simulator reads it to report exact source
// positions; the debugger to show variables by name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vylsim {

struct SourcePosition {
  int line = 0;
  int column = 0;
  int end_line = 0;
  int end_column = 0;
};

struct DebugStatement {
  uint16_t begin = 0;  // its own code, [begin, end)
  uint16_t end = 0;
  SourcePosition position;
  int procedure = 0;
};

struct DebugProcedure {
  std::string name;
  int number = 0;
  uint16_t entry = 0;
  uint16_t end = 0;
  SourcePosition position;
  std::string result;
  std::vector<std::string> parameters;
};

struct DebugVariable {
  std::string name;
  std::string type;
  std::string kind;     // "global", "parameter" or "local"
  std::string storage;  // "global", "frame" or "absolute"
  int offset = 0;
  int size = 0;
  bool inlined = false;
  int procedure = -1;
  SourcePosition position;
};

struct DebugConstant {
  std::string name;
  std::string type;
  int value = 0;
  int address = -1;  // a constant table
  SourcePosition position;
};

struct DebugField {
  std::string name;
  std::string type;
  int offset = 0;
  int size = 0;
};

struct DebugType {
  std::string name;
  std::string kind;
  int size = 0;
  std::string element;
  int length = -1;
  std::vector<DebugField> fields;
};

struct DebugInfo {
  std::string source;
  std::string output;
  std::vector<DebugStatement> statements;  // by address, enclosing ones first
  std::vector<DebugProcedure> procedures;
  std::vector<DebugVariable> variables;
  std::vector<DebugConstant> constants;
  std::vector<DebugType> types;

  // The innermost statement whose code holds `address`, or null.
  const DebugStatement* statement_at(uint16_t address) const;
  const DebugProcedure* procedure(int number) const;
  const DebugType* type(const std::string& name) const;
};

// Reads a debug info file; on failure returns nothing and says why.
std::optional<DebugInfo> load_debug_info(const std::string& path, std::string& error);
// The same from the file's text.
std::optional<DebugInfo> parse_debug_info(const std::string& text, std::string& error);
// Whether debug info can be read in this build (it needs a JSON library).
bool debug_info_supported();

}  // namespace vylsim
