#include "command_text.h"

#include <cctype>
#include <charconv>

#include "debugger.h"

namespace vylsim {

std::string trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::string word;
  for (const char c : text + " ") {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) result.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return result;
}

std::optional<int> parse_number(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

int count_argument(const std::string& args) {
  if (trim(args).empty()) return 1;
  const std::optional<int> n = parse_number(trim(args));
  if (!n || *n < 1) throw CommandError("a count must be a positive number, not '" + trim(args) + "'");
  return *n;
}

FormatOptions format_of(std::string& args) {
  FormatOptions options;
  if (!args.starts_with("/")) return options;
  size_t end = 1;
  while (end < args.size() && std::isalpha(static_cast<unsigned char>(args[end]))) ++end;
  const std::string letters = args.substr(1, end - 1);
  if (letters == "x") options.hex = true;
  else if (letters != "d") throw CommandError("unknown format '/" + letters + "' (there are /x and /d)");
  args = trim(args.substr(end));
  return options;
}

}  // namespace vylsim
