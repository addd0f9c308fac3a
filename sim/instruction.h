// Instruction set of the Vyl target machine: decoding and text form.
//
// An instruction is one byte (00..3F, 70..7F), or a byte followed by a 16-bit
// operand (00 LINE, 01 LIT), or a 16-bit word whose top bits select the
// instruction and whose low bits are the operand (40..6F, 80..FF).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vylsim {

// Bytes 00..1F are single-byte instructions and map, in order, onto the first
// 32 enumerators; the rest name the instruction families.
enum class Op : uint8_t {
  Line,    // 00 hh ll  source line marker, no effect
  Lit,     // 01 hh ll  push a 16-bit constant
  Frame,   // 02        open a frame (0) or push the frame base (-1)
  Ret,     // 03        return, dropping n words below the frame
  Dup,     // 04
  Drop,    // 05
  Swap,    // 06
  Index,   // 07        checked element address; limit 0 is the byte store
  Cocall,  // 08        process transfer (FORK, COCALL); not modelled
  Sysop,   // 09        system operation
  Signal,  // 0A        not modelled
  Wait,    // 0B        not modelled
  Load,    // 0C
  Store,   // 0D
  Mmap,    // 0E        prefix of a memory-mapped LOAD or STORE
  JumpX,   // 0F        computed forward jump
  Neg,     // 10
  Not,     // 11        logical not
  Eq,      // 12
  Ne,      // 13
  Lt,      // 14
  Gt,      // 15
  Le,      // 16
  Ge,      // 17
  Shift,   // 18
  And,     // 19
  Or,      // 1A
  Xor,     // 1B
  Add,     // 1C
  Sub,     // 1D
  Mul,     // 1E
  DivMod,  // 1F
  Push,    // 20..3F    short constant -4..27
  LoadL,   // 4i ii     push frame word i
  StoreL,  // 5i ii     pop into frame word i
  Call,    // 6n nn     call procedure n
  Jump,    // 80..BF    relative jump
  JumpZ,   // C0..FF    pop, jump when zero
  Undefined,
};

struct Instruction {
  uint16_t address = 0;
  uint8_t length = 1;  // 1, 2 or 3 bytes
  Op op = Op::Undefined;
  // Line: line number; Lit, Push: the constant; LoadL, StoreL: signed word
  // index; Call: procedure number; Jump, JumpZ: target address.
  int32_t operand = 0;
  uint8_t bytes[3] = {};
};

// Decodes the instruction at `address`. Addresses wrap at 64 KB and bytes past
// the end of `memory` read as 0, so any address decodes.
Instruction decode(std::span<const uint8_t> memory, uint16_t address);

const char* mnemonic(Op op);

// "LOADL -2", "JUMPZ 01A4", "LIT 300": the mnemonic and its operand.
std::string format_operation(const Instruction& in);

// "40 02": the instruction's bytes in hexadecimal.
std::string format_bytes(const Instruction& in);

// Two's-complement reading of a 16-bit machine word.
inline int32_t as_signed(uint16_t word) { return static_cast<int16_t>(word); }

std::string hex4(uint32_t value);  // "01A4"
std::string hex2(uint32_t value);  // "0F"

}  // namespace vylsim
