// The source text of a program, line by line, for showing where it stands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "debug_info.h"

namespace vylsim {

class SourceFile {
 public:
  SourceFile() = default;
  // `name` is what messages call the file ("prog.vyl").
  SourceFile(std::string name, const std::string& text);

  bool available() const { return available_; }
  const std::string& name() const { return name_; }
  int line_count() const { return static_cast<int>(lines_.size()); }
  // Line `n` (from 1) without its line end; empty outside the file.
  const std::string& line(int n) const;
  // The text of a statement as far as its first line goes: from its column
  // to its end when it ends on that line, else to the end of the line.
  std::string statement_text(const DebugStatement& statement) const;

 private:
  std::string name_;
  std::vector<std::string> lines_;
  bool available_ = false;
};

// Reads the program's source: the debug info's `source` path as it is
// (relative to the working directory), else the file of that name beside the
// debug info file. Nothing when neither can be read.
std::optional<SourceFile> find_source(const DebugInfo& info, const std::string& debug_info_path);

}  // namespace vylsim
