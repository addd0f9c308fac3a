// One differential run: a source compiled by the in-process compiler and run
// on the simulator, against the reference interpreter.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "interpreter.h"

namespace vylfuzz {

struct Verdict {
  enum Kind {
    Agree,          // same output, same stop
    Skipped,        // the reference gives the program no meaning (Outcome::Invalid)
    CompileFailed,  // the compiler refused a program the reference runs
    Mismatch,       // the output or the stop differ
  } kind = Agree;
  Outcome reference;
  std::string stop;    // how the compiled program stopped: finished, trap, error, step limit
  std::string output;  // what it printed
  std::string detail;  // the compiler's message, or the machine's stop message
};

const char* KindName(Verdict::Kind kind);

// Changes a compiled image before it runs: the tests break the compiler on
// purpose this way and check that the comparison notices.
using ImageMutation = std::function<void(std::vector<uint8_t>& image)>;

Verdict Compare(const std::string& source, const std::string& input, const ImageMutation& mutate = {});

// The mismatch of a verdict in one line: "output differs", "stop: trap
// against finished", or the compiler's message.
std::string Describe(const Verdict& v);

}  // namespace vylfuzz
