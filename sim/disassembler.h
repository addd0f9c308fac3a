// A readable listing of a program image: its size, procedure table,
// constant pool and the code of every procedure; with debug info, each
// statement's source line before its code.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

namespace vylsim {

struct DebugInfo;
class SourceFile;

// `source` may be null (or `info` and `source` both): statements are then
// shown by line number only.
void disassemble(const std::vector<uint8_t>& image, std::ostream& out, const DebugInfo* info = nullptr,
                 const SourceFile* source = nullptr);

}  // namespace vylsim
