// Reading the words of a debugger command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "values.h"

namespace vylsim {

std::string trim(const std::string& text);
// The blank-separated words.
std::vector<std::string> words(const std::string& text);
// A whole decimal number, or nothing.
std::optional<int> parse_number(const std::string& text);
// The count of step, next, up... (1 when none is given); throws CommandError
// when it is not a positive number.
int count_argument(const std::string& args);
// The format before an expression ("/x", "/d"), taken off `args`.
FormatOptions format_of(std::string& args);

}  // namespace vylsim
