// A readable listing of a program image: its size, procedure table,
// constant pool and the code of every procedure.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

namespace vylsim {

void disassemble(const std::vector<uint8_t>& image, std::ostream& out);

}  // namespace vylsim
