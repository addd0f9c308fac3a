#include "line_reader.h"

#include <cstdlib>
#include <iostream>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#define VYL_HAVE_ISATTY 1
#else
#define VYL_HAVE_ISATTY 0
#endif

#if VYL_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace vylsim {

std::optional<std::string> StreamLineReader::read_line() {
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool standard_input_is_terminal() {
#if VYL_HAVE_ISATTY
  return isatty(STDIN_FILENO) != 0;
#else
  return false;
#endif
}

namespace {

#if VYL_HAVE_LIBEDIT
// libedit's readline(): editing keys, and the history of this session.
class EditingReader : public LineReader {
 public:
  explicit EditingReader(std::string prompt) : prompt_(std::move(prompt)) {}

  std::optional<std::string> read_line() override {
    std::cout.flush();
    char* text = readline(prompt_.c_str());
    if (text == nullptr) {
      std::cout << "\n";
      return std::nullopt;
    }
    std::string line(text);
    std::free(text);
    if (!line.empty() && line != last_) add_history(line.c_str());
    if (!line.empty()) last_ = line;
    return line;
  }
  bool interactive() const override { return true; }

 private:
  std::string prompt_;
  std::string last_;
};
#else
// Without libedit: the prompt, then a plain line.
class PromptingReader : public LineReader {
 public:
  explicit PromptingReader(std::string prompt) : prompt_(std::move(prompt)) {}

  std::optional<std::string> read_line() override {
    std::cout << prompt_ << std::flush;
    std::optional<std::string> line = StreamLineReader(std::cin).read_line();
    if (!line) std::cout << "\n";
    return line;
  }
  bool interactive() const override { return true; }

 private:
  std::string prompt_;
};
#endif

}  // namespace

std::unique_ptr<LineReader> terminal_reader(const std::string& prompt) {
#if VYL_HAVE_LIBEDIT
  return std::make_unique<EditingReader>(prompt);
#else
  return std::make_unique<PromptingReader>(prompt);
#endif
}

}  // namespace vylsim
