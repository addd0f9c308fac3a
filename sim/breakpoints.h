// The debugger's breakpoints and watchpoints, numbered together as the user
// made them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "expression.h"

namespace vylsim {

struct Breakpoint {
  enum class Kind { Breakpoint, Watchpoint };
  int number = 0;
  Kind kind = Kind::Breakpoint;
  bool temporary = false;
  bool enabled = true;
  int hits = 0;

  // A breakpoint: where it stops, and what `info breakpoints` says of it.
  std::vector<uint16_t> addresses;
  std::string function;  // the procedure holding the first address
  std::string file;
  int line = 0;
  std::optional<Expression> condition;

  // A watchpoint: the watched expression and its value when last looked
  // at, the words that value was read from, and the frame whose variables
  // it uses (none for globals).
  std::optional<Expression> expression;
  std::string value;
  std::vector<uint16_t> read_addresses;
  std::vector<uint16_t> read_words;
  bool scoped = false;
  uint16_t scope_fp = 0;
  int scope_procedure = -1;
};

class Breakpoints {
 public:
  Breakpoints() : stops_(0x10000, false) {}

  // Adds a breakpoint or watchpoint under the next number and returns it.
  Breakpoint& add(Breakpoint breakpoint);
  Breakpoint* find(int number);
  bool remove(int number);
  void clear();
  std::vector<Breakpoint>& all() { return list_; }
  const std::vector<Breakpoint>& all() const { return list_; }
  bool has_watchpoints() const { return watchpoints_ > 0; }

  // Whether an enabled breakpoint stops at `address` (quick: looked at
  // after every instruction).
  bool stops_at(uint16_t address) const { return stops_[address]; }
  // The enabled breakpoints at `address`, by number.
  std::vector<Breakpoint*> at(uint16_t address);
  // Call after enabling or disabling one.
  void changed();

  // The table of `info breakpoints`.
  void list(std::ostream& out) const;

 private:
  std::vector<Breakpoint> list_;
  std::vector<bool> stops_;
  int next_number_ = 1;
  int watchpoints_ = 0;
};

}  // namespace vylsim
