// Where the debugger's commands come from: a stream read line by line (a
// script, a pipe, a test), or a terminal, with a prompt and, when vylsim is
// built with libedit, line editing and history.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace vylsim {

class LineReader {
 public:
  virtual ~LineReader() = default;
  // The next line without its end, or nothing at the end of the input.
  virtual std::optional<std::string> read_line() = 0;
  // A person types the commands: an empty line repeats the last one.
  virtual bool interactive() const { return false; }
};

class StreamLineReader : public LineReader {
 public:
  explicit StreamLineReader(std::istream& in) : in_(in) {}
  std::optional<std::string> read_line() override;

 private:
  std::istream& in_;
};

// Whether standard input is a terminal.
bool standard_input_is_terminal();

// Reads standard input, which is a terminal, showing `prompt` on standard
// output before each line.
std::unique_ptr<LineReader> terminal_reader(const std::string& prompt);

}  // namespace vylsim
