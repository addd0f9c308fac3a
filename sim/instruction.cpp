#include "instruction.h"

#include <cstdio>

namespace vylsim {

namespace {

uint8_t byte_at(std::span<const uint8_t> memory, uint32_t address) {
  address &= 0xFFFF;
  return address < memory.size() ? memory[address] : 0;
}

// Sign-extends the low `bits` bits of `value`.
int32_t sign_extend(uint32_t value, int bits) {
  const uint32_t sign = 1u << (bits - 1);
  value &= (1u << bits) - 1;
  return static_cast<int32_t>(value ^ sign) - static_cast<int32_t>(sign);
}

const char* const single_byte_names[32] = {
    "LINE", "LIT",   "FRAME", "RET",  "DUP",   "DROP", "SWAP", "INDEX",
    "COCALL", "SYSOP", "SIGNAL", "WAIT", "LOAD", "STORE", "MMAP", "JUMPX",
    "NEG",  "NOT",   "EQ",    "NE",   "LT",    "GT",   "LE",   "GE",
    "SHIFT", "AND",  "OR",    "XOR",  "ADD",   "SUB",  "MUL",  "DIVMOD",
};

}  // namespace

Instruction decode(std::span<const uint8_t> memory, uint16_t address) {
  Instruction in;
  in.address = address;
  const uint8_t first = byte_at(memory, address);
  const uint8_t second = byte_at(memory, address + 1u);
  const uint32_t word = (uint32_t{first} << 8) | second;

  if (first <= 0x01) {
    const uint32_t value = (uint32_t{second} << 8) | byte_at(memory, address + 2u);
    in.op = first == 0x00 ? Op::Line : Op::Lit;
    in.length = 3;
    in.operand = first == 0x00 ? static_cast<int32_t>(value) : sign_extend(value, 16);
  } else if (first < 0x20) {
    in.op = static_cast<Op>(first);
  } else if (first < 0x40) {
    in.op = Op::Push;
    in.operand = first < 0x3C ? first - 0x20 : first - 0x40;
  } else if (first < 0x60) {
    in.op = first < 0x50 ? Op::LoadL : Op::StoreL;
    in.length = 2;
    in.operand = sign_extend(word, 12);
  } else if (first < 0x70) {
    in.op = Op::Call;
    in.length = 2;
    in.operand = static_cast<int32_t>(word & 0x0FFF);
  } else if (first < 0x80) {
    in.op = Op::Undefined;
  } else {
    in.op = first < 0xC0 ? Op::Jump : Op::JumpZ;
    in.length = 2;
    in.operand = static_cast<int32_t>((address + 2u + static_cast<uint32_t>(sign_extend(word, 14))) & 0xFFFF);
  }
  for (int i = 0; i < in.length; ++i) in.bytes[i] = byte_at(memory, address + static_cast<uint32_t>(i));
  return in;
}

const char* mnemonic(Op op) {
  const auto index = static_cast<size_t>(op);
  if (index < 32) return single_byte_names[index];
  switch (op) {
    case Op::Push: return "PUSHS";
    case Op::LoadL: return "LOADL";
    case Op::StoreL: return "STOREL";
    case Op::Call: return "CALL";
    case Op::Jump: return "JUMP";
    case Op::JumpZ: return "JUMPZ";
    default: return "???";
  }
}

std::string format_operation(const Instruction& in) {
  std::string text = mnemonic(in.op);
  switch (in.op) {
    case Op::Line:
    case Op::Lit:
    case Op::Push:
    case Op::LoadL:
    case Op::StoreL:
    case Op::Call:
      text += ' ' + std::to_string(in.operand);
      break;
    case Op::Jump:
    case Op::JumpZ:
      text += ' ' + hex4(static_cast<uint32_t>(in.operand));
      break;
    default:
      break;
  }
  return text;
}

std::string format_bytes(const Instruction& in) {
  std::string text;
  for (int i = 0; i < in.length; ++i) {
    if (i > 0) text += ' ';
    text += hex2(in.bytes[i]);
  }
  return text;
}

std::string hex4(uint32_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(value & 0xFFFF));
  return buffer;
}

std::string hex2(uint32_t value) {
  char buffer[4];
  std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(value & 0xFF));
  return buffer;
}

}  // namespace vylsim
