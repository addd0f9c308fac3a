#include "breakpoints.h"

#include <algorithm>
#include <ostream>

namespace vylsim {

namespace {

std::string pad(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

}  // namespace

Breakpoint& Breakpoints::add(Breakpoint breakpoint) {
  breakpoint.number = next_number_++;
  list_.push_back(std::move(breakpoint));
  changed();
  return list_.back();
}

Breakpoint* Breakpoints::find(int number) {
  for (Breakpoint& b : list_) {
    if (b.number == number) return &b;
  }
  return nullptr;
}

bool Breakpoints::remove(int number) {
  const auto it = std::find_if(list_.begin(), list_.end(), [&](const Breakpoint& b) { return b.number == number; });
  if (it == list_.end()) return false;
  list_.erase(it);
  changed();
  return true;
}

void Breakpoints::clear() {
  list_.clear();
  changed();
}

std::vector<Breakpoint*> Breakpoints::at(uint16_t address) {
  std::vector<Breakpoint*> found;
  for (Breakpoint& b : list_) {
    if (b.enabled && std::find(b.addresses.begin(), b.addresses.end(), address) != b.addresses.end()) {
      found.push_back(&b);
    }
  }
  return found;
}

void Breakpoints::changed() {
  std::fill(stops_.begin(), stops_.end(), false);
  watchpoints_ = 0;
  for (const Breakpoint& b : list_) {
    if (b.kind == Breakpoint::Kind::Watchpoint) {
      if (b.enabled) ++watchpoints_;
      continue;
    }
    if (!b.enabled) continue;
    for (uint16_t address : b.addresses) stops_[address] = true;
  }
}

void Breakpoints::list(std::ostream& out) const {
  if (list_.empty()) {
    out << "No breakpoints or watchpoints.\n";
    return;
  }
  out << "Num     Type        Disp Enb Address  What\n";
  for (const Breakpoint& b : list_) {
    const bool watch = b.kind == Breakpoint::Kind::Watchpoint;
    std::string row = pad(std::to_string(b.number), 8) + pad(watch ? "watchpoint" : "breakpoint", 12) +
                      pad(b.temporary ? "del" : "keep", 5) + pad(b.enabled ? "y" : "n", 4);
    if (watch) {
      row += pad("", 9) + b.expression->text();
    } else {
      row += pad(b.addresses.empty() ? "" : hex4(b.addresses.front()), 9);
      row += "in " + b.function + " at " + b.file + ":" + std::to_string(b.line);
    }
    out << row << "\n";
    if (b.condition) out << "        stop only if " << b.condition->text() << "\n";
    if (b.hits > 0) {
      out << "        " << (watch ? "watchpoint" : "breakpoint") << " already hit " << b.hits << " time"
          << (b.hits == 1 ? "" : "s") << "\n";
    }
    if (b.addresses.size() > 1) {
      out << "        also at";
      for (size_t i = 1; i < b.addresses.size(); ++i) out << " " << hex4(b.addresses[i]);
      out << "\n";
    }
  }
}

}  // namespace vylsim
