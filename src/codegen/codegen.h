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

}  // namespace vyl
