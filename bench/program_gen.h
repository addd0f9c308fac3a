// Generates large valid Vyl programs and the same computation as a C program,
// for measuring the compiler against a C compiler.
//
// A program is `functions` worker functions of `statements` statement groups
// each (assignments with arithmetic, comparisons, if/else, loops with break,
// switches, calls and array indexing), driver functions that call 32 workers
// each and add their results to a global sum, and a main that calls the
// drivers and prints the sum after each one.  The Vyl and the C text compute
// the same values: the C side keeps every variable in 16 bits, as the target
// machine does, so both print the same lines.
#pragma once

#include <cstddef>
#include <string>

namespace vylbench {

// The forms of program: the workers above, and programs that stress one
// thing each (program_shapes.cpp): long dense expressions, many small
// functions, long switch tables, many globals and strings.
enum class Form { kWorkers, kDense, kSmallFunctions, kSwitches, kGlobals };

struct ProgramShape {
  Form form = Form::kWorkers;
  int functions = 64;   // worker functions (the units of the other forms)
  int statements = 32;  // statement groups per worker (lines, cases, globals per unit)
  // When non-zero, comment lines are spread between the functions until the
  // source has exactly this many characters (the C text gets the same lines).
  std::size_t padTo = 0;
};

enum class Language { kVyl, kC };

std::string GenerateProgram(const ProgramShape& shape, Language language);

// The name of a form ("workers", "dense", "small-functions", "switches",
// "globals"), and the form of a name (false for none).
const char* FormName(Form form);
bool FormNamed(const std::string& name, Form& form);

// The smallest program: an empty main.
std::string EmptyProgram(Language language);

}  // namespace vylbench
