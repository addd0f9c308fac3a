// The vylsim command line: run or disassemble a compiled program.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vylsim {

// Runs vylsim with `args` (without the program name). Returns the exit status:
// 0 when the program finished (or after --dis, --help), 1 on a trap, an error,
// the step limit or a file that cannot be loaded, 2 for a bad command line.
int run_cli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace vylsim
