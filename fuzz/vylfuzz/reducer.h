// Reduces a program that shows a fault to a small one that still shows it:
// it deletes declarations, fields, locals and statements, replaces
// statements by the statements they control and expressions by their
// operands or by literals, as long as the program keeps failing.
#pragma once

#include <functional>
#include <string>

namespace vylfuzz {

// `fails` tells whether a candidate source still shows the fault.  At most
// `budget` candidates are tried.  Returns the smallest source found.
std::string Reduce(const std::string& source, const std::function<bool(const std::string&)>& fails,
                   size_t budget = 20000);

}  // namespace vylfuzz
