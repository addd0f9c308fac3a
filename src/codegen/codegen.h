// Code generation: the back end that the start rule drives.  It turns the
// lowered program tree into the code image of the target machine (constant
// pool, start code, methods, support routine) and writes the image to the
// output as a Text Floppy Disk Image.
//
// Every generator has the signature (location, out next location, out
// fix-up list, tree): the location is threaded through as an in- and an
// out-argument, and the fix-up list collects the forward jumps still to be
// patched.  The generators are internal (codegen_internal.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "decl/decl.h"

namespace vyl {

struct CodeState;
std::shared_ptr<CodeState> NewCodeState();

// The code generator behind the start rule.
class CodeGenerator final : public BackEnd {
 public:
  bool AllocateImage() override;
  bool SetWatch(int32_t address) override;
  bool Generate(Tree program, Tree pool, int32_t procedures, Tree mainRecord, int32_t& size) override;
  bool WriteImage(int32_t size) override;
};

// The code image of the compilation (all cells, the unused ones zero).
std::span<const uint8_t> Image();

// Debug info: where the statements, procedures and variables of a compiled
// program stand in its image and in its source.  Addresses are image
// addresses; a code range [begin, end) excludes its end.
struct DebugInfo {
  struct Statement {
    int32_t codeBegin = 0;
    int32_t codeEnd = 0;
    SourceRange range;
    int32_t procedure = 0;
  };
  struct Procedure {
    std::string name;
    int32_t number = 0;
    int32_t entry = 0;  // the first instruction
    int32_t end = 0;
    SourceRange range;  // from its name to its closing brace
    std::string result;
    std::vector<std::string> parameters;  // first to last
  };
  struct Variable {
    std::string name;
    std::string type;
    std::string kind;     // "global", "parameter" or "local"
    std::string storage;  // "global" (from the global base), "frame" (from the frame) or "absolute"
    int32_t offset = 0;   // bytes
    int32_t size = 0;
    bool inlined = false;  // the storage holds the array or object itself, not a reference
    int32_t procedure = -1;
    SourceRange declared;
  };
  struct Constant {
    std::string name;
    std::string type;
    int32_t value = 0;
    int32_t address = -1;  // a constant table: the address of its first element
    SourceRange declared;
  };
  struct Field {
    std::string name;
    std::string type;
    int32_t offset = 0;
    int32_t size = 0;
  };
  struct Type {
    std::string name;
    std::string kind;  // "int", "byte", "char", "boolean", "array", "class", "null" or "void"
    int32_t size = 0;
    std::string element;  // an array's element type
    int32_t length = -1;  // a fixed array's length
    std::vector<Field> fields;
  };
  std::string source;
  std::string output;
  std::vector<Statement> statements;
  std::vector<Procedure> procedures;
  std::vector<Variable> variables;
  std::vector<Constant> constants;
  std::vector<Type> types;
};

// Collects the debug info of the compilation that just succeeded (the
// source index must have recorded statements), while its source is open.
DebugInfo CollectDebugInfo();

}  // namespace vyl
