#include "loader.h"

#include <fstream>
#include <optional>
#include <sstream>

namespace vylsim {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The byte values of an image line, or nothing when the line holds anything
// other than blank-separated decimal numbers 0..255 (an empty line included).
std::optional<std::vector<uint8_t>> image_line(std::string_view line) {
  std::vector<uint8_t> values;
  size_t i = 0;
  while (i < line.size()) {
    if (is_blank(line[i])) {
      ++i;
      continue;
    }
    unsigned value = 0;
    size_t start = i;
    while (i < line.size() && is_digit(line[i])) {
      value = value * 10 + static_cast<unsigned>(line[i] - '0');
      if (value > 255) return std::nullopt;
      ++i;
    }
    if (i == start || (i < line.size() && !is_blank(line[i]))) return std::nullopt;
    values.push_back(static_cast<uint8_t>(value));
  }
  if (values.empty()) return std::nullopt;
  return values;
}

}  // namespace

LoadResult parse_ftx(std::string_view text) {
  // Walk the lines, keeping the bytes of the current block of image lines; a
  // line of any other kind ends the block, so what remains at the end of the
  // file is the last block.
  std::vector<uint8_t> block;
  bool in_block = false;
  bool found = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;

    if (auto values = image_line(line)) {
      if (!in_block) block.clear();
      block.insert(block.end(), values->begin(), values->end());
      in_block = true;
      found = true;
    } else {
      in_block = false;
    }
  }
  if (!found) {
    return {{}, "no memory image: the file has no line of decimal byte values (did the compilation fail?)"};
  }
  return check_image(std::move(block));
}

LoadResult check_image(std::vector<uint8_t> bytes) {
  const size_t count = bytes.size();
  if (count < 4) {
    return {{}, "memory image of " + std::to_string(count) + " bytes is too short to hold a program"};
  }
  if (count > max_image_size) {
    return {{}, "memory image of " + std::to_string(count) + " bytes is larger than " +
                    std::to_string(max_image_size) + " bytes and would overlap the stack"};
  }
  const size_t size_word = (size_t{bytes[0]} << 8) | bytes[1];
  if (size_word != count) {
    return {{}, "memory image holds " + std::to_string(count) + " bytes but its size word says " +
                    std::to_string(size_word)};
  }
  return {std::move(bytes), ""};
}

LoadResult load_ftx(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {{}, path + ": cannot open file"};
  std::ostringstream text;
  text << file.rdbuf();
  LoadResult result = parse_ftx(text.str());
  if (!result.ok()) result.error = path + ": " + result.error;
  return result;
}

}  // namespace vylsim
