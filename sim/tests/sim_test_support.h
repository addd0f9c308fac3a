// Helpers for the simulator tests: assembling small images laid out like the
// compiler's, and running bare code fragments.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "machine.h"

namespace vylsim::test {

using Bytes = std::vector<uint8_t>;

// The support routine that takes a new reference (procedure 1 in compiled
// programs): increments the header count of a non-null, non-constant block.
inline const Bytes up_code = {0x20, 0x02, 0x40, 0x00, 0xC0, 0x12, 0x40, 0x00, 0x24, 0x1D, 0x04, 0x0C, 0x30,
                              0x10, 0x19, 0x11, 0xC0, 0x06, 0x04, 0x0C, 0x21, 0x1C, 0x06, 0x0D, 0x20, 0x03};

// An image: size word, procedure table, constant pool, start code, then each
// procedure as name bytes, a length byte and its code. Procedures are
// numbered from 1 in the order they are added.
struct Program {
  Bytes start;
  std::vector<std::pair<std::string, Bytes>> procedures;
  std::vector<Bytes> tables;

  struct Built {
    Bytes image;
    std::vector<uint16_t> table_addresses;  // first element of each table
    std::vector<uint16_t> code_addresses;   // index 0 is the start code
  };

  Built build() const {
    Built built;
    Bytes& image = built.image;
    const size_t count = 1 + procedures.size();
    image.assign(2 + 2 * count, 0);
    for (const Bytes& table : tables) {
      image.insert(image.end(), {0xFF, 0xF0, static_cast<uint8_t>(table.size() >> 8),
                                 static_cast<uint8_t>(table.size())});
      built.table_addresses.push_back(static_cast<uint16_t>(image.size()));
      image.insert(image.end(), table.begin(), table.end());
    }
    set_entry(image, 0, image.size());
    built.code_addresses.push_back(static_cast<uint16_t>(image.size()));
    image.insert(image.end(), start.begin(), start.end());
    for (size_t n = 0; n < procedures.size(); ++n) {
      const auto& [name, code] = procedures[n];
      image.insert(image.end(), name.begin(), name.end());
      image.push_back(static_cast<uint8_t>(name.size()));
      set_entry(image, n + 1, image.size());
      built.code_addresses.push_back(static_cast<uint16_t>(image.size()));
      image.insert(image.end(), code.begin(), code.end());
    }
    image[0] = static_cast<uint8_t>(image.size() >> 8);
    image[1] = static_cast<uint8_t>(image.size());
    return built;
  }

  Bytes image() const { return build().image; }

 private:
  static void set_entry(Bytes& image, size_t number, size_t code_address) {
    const size_t entry = code_address - 2;
    image[2 + 2 * number] = static_cast<uint8_t>(entry >> 8);
    image[3 + 2 * number] = static_cast<uint8_t>(entry);
  }
};

// A machine over an image, with in-memory input and output.
struct Rig {
  explicit Rig(const Bytes& image, const std::string& input = "") : in(input), machine(image, in, out) {}

  // Steps until PC reaches `address` or the machine stops.
  Status run_to(uint16_t address, uint64_t max_steps = 100000) {
    while (machine.status() == Status::Running && machine.pc() != address && machine.steps() < max_steps) {
      machine.step();
    }
    return machine.status();
  }

  // The words pushed above the two start-up words (base and sentinel).
  std::vector<uint16_t> pushed() const {
    const std::vector<uint16_t> stack = machine.stack();
    return stack.size() > 2 ? std::vector<uint16_t>(stack.begin() + 2, stack.end()) : std::vector<uint16_t>{};
  }

  std::istringstream in;
  std::ostringstream out;
  Machine machine;
};

// An image whose start code is `code` and nothing else: the code starts at 0004.
inline Bytes fragment_image(const Bytes& code) { return Program{code, {}, {}}.image(); }

inline constexpr uint16_t fragment_start = 4;

// Runs `code` as the start code up to its last byte and returns what it left
// on the stack above the start-up words. Fails the calling test when the
// machine stops on the way.
inline std::vector<uint16_t> effect(const Bytes& code, const std::string& input = "") {
  Rig rig(fragment_image(code), input);
  if (rig.run_to(static_cast<uint16_t>(fragment_start + code.size())) != Status::Running) {
    ADD_FAILURE() << rig.machine.stop_message();
  }
  return rig.pushed();
}

}  // namespace vylsim::test
