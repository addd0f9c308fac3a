#include "source_file.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vylsim {

namespace {

std::optional<std::string> read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string directory_of(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string base_name(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SourceFile::SourceFile(std::string name, const std::string& text) : name_(std::move(name)), available_(true) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
    start = end + 1;
  }
}

const std::string& SourceFile::line(int n) const {
  static const std::string none;
  if (n < 1 || n > line_count()) return none;
  return lines_[static_cast<size_t>(n - 1)];
}

std::string SourceFile::statement_text(const DebugStatement& statement) const {
  const std::string& text = line(statement.position.line);
  const size_t from = statement.position.column > 0 ? static_cast<size_t>(statement.position.column - 1) : 0;
  if (from >= text.size()) return "";
  size_t to = text.size();
  if (statement.position.end_line == statement.position.line && statement.position.end_column > 0) {
    to = std::min(to, static_cast<size_t>(statement.position.end_column - 1));
  }
  std::string piece = to > from ? text.substr(from, to - from) : "";
  while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.pop_back();
  return piece;
}

std::optional<SourceFile> find_source(const DebugInfo& info, const std::string& debug_info_path) {
  if (info.source.empty()) return std::nullopt;
  for (const std::string& path : {info.source, directory_of(debug_info_path) + base_name(info.source)}) {
    if (std::optional<std::string> text = read_file(path)) return SourceFile(info.source, *text);
  }
  return std::nullopt;
}

}  // namespace vylsim
