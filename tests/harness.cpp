#include "harness.h"

#include <fstream>
#include <sstream>

namespace vyl::test {

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    std::erase(line, '\r');
    lines.push_back(line);
  }
  return lines;
}

bool NumbersOnly(const std::string& line) {
  return line.find_first_of("0123456789") != std::string::npos &&
         line.find_first_not_of("0123456789 ") == std::string::npos;
}

std::string Take(MemoryHost& host, const std::string& name) {
  auto it = host.files.find(name);
  return it == host.files.end() ? std::string() : it->second;
}

}  // namespace

std::vector<int> ImageOf(std::string_view output) {
  std::vector<std::string> lines = SplitLines(output);
  std::size_t end = lines.size();
  while (end > 0 && !NumbersOnly(lines[end - 1])) --end;
  std::size_t begin = end;
  while (begin > 0 && NumbersOnly(lines[begin - 1])) --begin;
  std::vector<int> bytes;
  for (std::size_t i = begin; i < end; ++i) {
    std::istringstream in(lines[i]);
    for (int v; in >> v;) bytes.push_back(v);
  }
  return bytes;
}

std::vector<std::string> Compiled::lines() const { return SplitLines(output); }

bool Compiled::hasLine(std::string_view message) const {
  for (const std::string& l : lines()) {
    if (l == message) return true;
  }
  return false;
}

Compiled RunOn(MemoryHost& host, const std::string& path) {
  Compiled c;
  c.result = RunSession(host, path);
  c.status = c.result.exitStatus();
  c.output = Take(host, c.result.outputName);
  c.trace = Take(host, "KIBdbg.txt");
  c.exitFile = Take(host, "KIBexit.txt");
  c.console = host.console;
  c.stdoutText = host.stdoutText;
  c.stderrText = host.stderrText;
  c.image = ImageOf(c.output);
  return c;
}

Compiled CompileSource(std::string_view source, const std::string& path) {
  MemoryHost host;
  host.files[path] = std::string(source);
  return RunOn(host, path);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace vyl::test
