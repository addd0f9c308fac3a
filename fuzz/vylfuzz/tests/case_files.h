// The files of a kept program: NAME.vyl with NAME.out (its expected
// output), and NAME.in (its input) and NAME.stop (how it ends) when they
// are not empty and "finished".
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vylfuzz {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The file beside `base` with this extension, or `absent` without one.
inline std::string ReadBeside(const std::string& base, const char* extension, const std::string& absent = "") {
  const std::filesystem::path path = base + extension;
  return std::filesystem::exists(path) ? ReadText(path) : absent;
}

}  // namespace vylfuzz
