// The intrinsics, types and packages of docs/packages.md and docs/types.md.
#include "lsp/builtins.h"

#include <algorithm>

namespace vyl::lsp {

const std::vector<Intrinsic>& Intrinsics() {
  static const std::vector<Intrinsic> all = {
      {"ORD", "", "int", {{"", "v", "a char, boolean, byte or int"}}, "The int value of v."},
      {"CHR", "", "char", {{"int", "n", "masked into 0 .. 255"}}, "The char of n."},
      {"LENGTH", "", "int", {{"", "a", "an array variable or String"}}, "The number of elements of a."},
      {"PEEK", "Dangerous", "int", {{"int", "address", ""}}, "The word at address."},
      {"POKE", "Dangerous", "void", {{"int", "address", ""}, {"", "value", "a 2-byte value"}}, "Stores the word value at address."},
      {"mmPEEK", "Dangerous", "int", {{"int", "address", ""}}, "The word at address, through the memory mapping."},
      {"mmPOKE", "Dangerous", "void", {{"int", "address", ""}, {"", "value", "a 2-byte value"}},
       "Stores the word value at address, through the memory mapping."},
      {"FORK", "Dangerous", "int", {{"int", "address", "a value not known when compiling (not a constant)"}}, "Starts a process."},
      {"COCALL", "Dangerous", "void", {{"int", "address", ""}}, "Calls a coroutine."},
      {"DEBUG", "Dangerous", "void", {}, "Stops in the machine's debugger."},
      {"SysOp0", "Dangerous", "int", {{"int", "a", ""}}, "A system operation."},
      {"SysOp1", "Dangerous", "int", {{"int", "a", ""}, {"", "b", "any value"}}, "A system operation."},
      {"SysOp2", "Dangerous", "int", {{"int", "a", ""}, {"", "b", "any value"}, {"", "c", "any value"}}, "A system operation."},
      {"Signal", "Semaphores", "void", {{"Semaphore", "s", "a Semaphore variable"}}, "Signals the semaphore."},
      {"Wait", "Semaphores", "void", {{"Semaphore", "s", "a Semaphore variable"}}, "Waits on the semaphore."},
      {"Open", "Files", "FileId", {{"String", "name", "a char array or String"}}, "Opens the file of that name."},
      {"Close", "Files", "void", {{"FileId", "f", ""}}, "Closes the file."},
      {"Read", "Files", "int", {{"FileId", "f", ""}, {"", "data", "an array variable"}}, "Reads into data."},
      {"Write", "Files", "int", {{"FileId", "f", ""}, {"", "data", "an array (a string too)"}}, "Writes data."},
      {"Seek", "Files", "void", {{"FileId", "f", ""}, {"int", "sector", ""}}, "Moves to a sector of the file."},
      {"FileInfo", "Files", "int", {{"FileId", "f", ""}}, "What is known of the file."},
  };
  return all;
}

const Intrinsic* FindIntrinsic(std::string_view name) {
  const auto& all = Intrinsics();
  auto it = std::find_if(all.begin(), all.end(), [&](const Intrinsic& i) { return i.name == name; });
  return it == all.end() ? nullptr : &*it;
}

std::string IntrinsicSignature(const Intrinsic& intrinsic, std::vector<std::pair<int, int>>* parameterOffsets) {
  std::string text = std::string(intrinsic.result) + " " + std::string(intrinsic.name) + "(";
  for (std::size_t i = 0; i < intrinsic.parameters.size(); ++i) {
    const IntrinsicParameter& p = intrinsic.parameters[i];
    if (i > 0) text += ", ";
    const int begin = static_cast<int>(text.size());
    if (!p.type.empty()) text += std::string(p.type) + " ";
    text += p.name;
    if (parameterOffsets) parameterOffsets->emplace_back(begin, static_cast<int>(text.size()));
  }
  return text + ")";
}

const std::vector<BuiltinType>& BuiltinTypes() {
  static const std::vector<BuiltinType> all = {
      {"int", "2 bytes, -32768 .. 32767; arithmetic wraps around modulo 2^16."},
      {"byte", "1 byte, 0 .. 255; read from byte arrays and tables, converted with ORD."},
      {"char", "2 bytes, character codes 0 .. 255."},
      {"boolean", "2 bytes, false or true."},
      {"String", "A reference to an array of char of any length: the same type as char[]."},
  };
  return all;
}

const BuiltinType* FindBuiltinType(std::string_view name) {
  const auto& all = BuiltinTypes();
  auto it = std::find_if(all.begin(), all.end(), [&](const BuiltinType& t) { return t.name == name; });
  return it == all.end() ? nullptr : &*it;
}

const std::vector<std::string_view>& PackageNames() {
  static const std::vector<std::string_view> names = {"Hardware", "Dangerous", "Semaphores", "Files"};
  return names;
}

std::string_view PackageAbout(std::string_view name) {
  if (name == "Hardware") return "The machine's device registers at fixed addresses, the interrupt vector table and their constants.";
  if (name == "Dangerous") return "PEEK, POKE, mmPEEK, mmPOKE, FORK, COCALL, DEBUG, SysOp0 to SysOp2, and the address operator &.";
  if (name == "Semaphores") return "The type Semaphore, Signal and Wait.";
  if (name == "Files") return "The type FileId, Open, Close, Read, Write, Seek and FileInfo.";
  return "";
}

}  // namespace vyl::lsp
