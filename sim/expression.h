// The debugger's expressions: Vyl's own notation for reading a stopped
// program's values.
//
//   names (parameters and locals of the selected frame, globals, named
//   constants and constant tables), literals (12, 0x1F, 'c', true, null),
//   a[i], p.x, ORD(c), CHR(n), LENGTH(a), unary - + ~ !, and the binary
//   operators with Vyl's precedence: * / %, + -, << >> >>>, &, ^, |, the
//   comparisons, && and ||. At the top, `target = value` assigns.
//
// Arithmetic is the machine's: 16 bits, wrapping, division truncated toward
// zero. char and byte values take part in it as their codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "machine.h"
#include "symbols.h"
#include "values.h"

namespace vylsim {

// Where an expression's names are looked up and its memory read.
struct Scope {
  Scope(const Symbols& s, const Machine& m) : symbols(s), machine(m) {}

  const Symbols& symbols;
  const Machine& machine;
  bool live = false;             // the program runs: its variables exist
  Machine* writable = nullptr;   // needed by assignments
  const DebugProcedure* procedure = nullptr;  // of the selected frame
  uint16_t fp = 0;                            // of the selected frame
  std::vector<uint16_t>* reads = nullptr;     // notes the addresses read, when set
  bool used_frame = false;                    // set when a parameter or local was read
};

struct ExpressionNode;

class Expression {
 public:
  // Throws EvaluationError for text that is not an expression.
  static Expression parse(const std::string& text);

  const std::string& text() const { return text_; }
  // Whether it is an assignment, `target = value`.
  bool assigns() const;
  // Throws EvaluationError when the value cannot be had.
  Value evaluate(Scope& scope) const;

 private:
  std::string text_;
  std::shared_ptr<const ExpressionNode> root_;
};

// The value of `text` in `scope`, formatted: what `print` shows.
std::string evaluate_to_text(const std::string& text, Scope& scope, const FormatOptions& options = {});

}  // namespace vylsim
