// The reference interpreter: runs a checked program (semantics.h) as the
// language reference in docs/ defines it, and tells what it printed and how
// it stopped.  It shares no code with the compiler.
//
// What it models: 16-bit wrapping arithmetic at run time (constant
// expressions keep the value the checker folded, and the machine keeps its
// low 16 bits); `&&` and `||` evaluating both operands unless a constant
// decides; `continue` in `do` restarting the body; switches; arrays stored in
// place, constant tables, strings and arrays made by `new`; objects and
// null; the traps (an index outside its array, a null reference, a division
// by zero); Print.datum, KeyIn.datum and the other device registers.
//
// Order of evaluation: operands left to right, arguments first to last; an
// assignment computes its value before its target; an element or field is
// reached by first computing the array or object (and checking it against
// null), then the index (and checking it).
//
// Programs whose meaning the language leaves open stop as Invalid: reading
// a variable whose declaration has not been reached, a reference to an
// object of a frame that has returned, creating an array of no elements,
// and going past the budget below, which keeps a program well inside the
// machine (its stack, its heap and the simulator's step limit).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "semantics.h"

namespace vylfuzz {

struct Limits {
  uint64_t steps = 300000;  // statements and expression nodes evaluated
  int heapBytes = 16000;    // of the machine's 24,528
  int stackBytes = 5000;    // of its 8,190, globals included
  size_t outputBytes = 1 << 16;
};

struct Outcome {
  enum Stop { Finished, Trap, Invalid } stop = Finished;
  std::string output;
  std::string reason;  // why it trapped, or why the program has no meaning here
  uint64_t steps = 0;
};

const char* StopName(Outcome::Stop stop);  // "finished", "trap", "invalid"

Outcome Interpret(const Model& model, std::string_view input, const Limits& limits = {});

// Reads, checks and runs a source text; a program that does not read or
// check stops as Invalid.
Outcome RunReference(std::string_view source, std::string_view input = "", const Limits& limits = {});

}  // namespace vylfuzz
