// What the language predefines, as a person reads it: the intrinsics with
// their parameters (the compiler translates each call itself and keeps no
// signature for them), the built-in types and the packages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vyl::lsp {

struct IntrinsicParameter {
  std::string_view type;  // "" when several types are taken
  std::string_view name;
  std::string_view about;
};

struct Intrinsic {
  std::string_view name;
  std::string_view package;  // "" for ORD, CHR and LENGTH, which are always visible
  std::string_view result;   // "void" for those that stand as statements
  std::vector<IntrinsicParameter> parameters;
  std::string_view about;
};

// The intrinsic of that name, or null.
const Intrinsic* FindIntrinsic(std::string_view name);
const std::vector<Intrinsic>& Intrinsics();
// "int PEEK(int address)"; the offsets of each parameter's label in it
// (begin, end) when asked.
std::string IntrinsicSignature(const Intrinsic& intrinsic,
                               std::vector<std::pair<int, int>>* parameterOffsets = nullptr);

struct BuiltinType {
  std::string_view name;
  std::string_view about;
};
// The predefined types visible without an import.
const std::vector<BuiltinType>& BuiltinTypes();
const BuiltinType* FindBuiltinType(std::string_view name);

// What a package holds, in a sentence; "" for no package.
std::string_view PackageAbout(std::string_view name);
const std::vector<std::string_view>& PackageNames();

}  // namespace vyl::lsp
