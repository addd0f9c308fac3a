// Whole compilations described in data: every case of tests/cases/*.cases
// (the format is in tests/cases/README.md) and every ```vyl example of
// docs/*.md, which must compile.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "harness.h"
#include "outcome_check.h"

namespace vyl::test {
namespace {

namespace fs = std::filesystem;

struct Case {
  std::string name;   // file stem and line of the case, for the test's name
  std::string where;  // file:line, for failure messages
  std::vector<std::pair<std::string, std::string>> expects;
  std::string source;
};

std::vector<std::string> FileLines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Source lines end in CR LF; blank lines at the end of a case are dropped.
std::string JoinSource(std::vector<std::string> lines) {
  while (!lines.empty() && lines.back().find_first_not_of(' ') == std::string::npos) lines.pop_back();
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

void ReadCases(const fs::path& path, std::vector<Case>& out) {
  std::vector<std::string> lines = FileLines(path);
  std::vector<std::string> source;
  Case* open = nullptr;
  auto close = [&] {
    if (open) open->source = JoinSource(source);
    source.clear();
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.starts_with("===")) {
      close();
      std::string at = std::to_string(i + 1);
      out.push_back({path.stem().string() + "_" + at, path.filename().string() + ":" + at + l.substr(3), {}, ""});
      open = &out.back();
    } else if (open && source.empty() && l.starts_with("# ")) {
      open->expects.emplace_back("#", "");  // a note: it ends a run of trace lines
    } else if (open && source.empty() && l.starts_with("> ")) {
      std::size_t colon = l.find(':');
      // "error LINE at L:C: MESSAGE": the position holds a colon of its own.
      if (colon != std::string::npos && l.starts_with("> error ") && l.substr(0, colon).find(" at ") != std::string::npos) {
        colon = l.find(':', colon + 1);
      }
      std::string value = colon == std::string::npos ? "" : l.substr(colon + 1);
      if (value.starts_with(' ')) value.erase(0, 1);
      open->expects.emplace_back(l.substr(2, colon == std::string::npos ? std::string::npos : colon - 2), value);
    } else if (open) {
      source.push_back(l);
    }
  }
  close();
}

// Every ```vyl block of a Markdown file is a program that compiles.
void ReadExamples(const fs::path& path, std::vector<Case>& out) {
  std::vector<std::string> lines = FileLines(path);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != "```vyl") continue;
    std::size_t end = i + 1;
    while (end < lines.size() && lines[end] != "```") ++end;
    std::string at = std::to_string(i + 1);
    out.push_back({"doc_" + path.stem().string() + "_" + at, path.filename().string() + ":" + at, {},
                   JoinSource({lines.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                               lines.begin() + static_cast<std::ptrdiff_t>(end)})});
    i = end;
  }
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  std::vector<fs::path> files;
  for (const char* dir : {VYL_SOURCE_DIR "/tests/cases", VYL_SOURCE_DIR "/docs"}) {
    for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    if (f.extension() == ".cases") ReadCases(f, cases);
    if (f.extension() == ".md") ReadExamples(f, cases);
  }
  return cases;
}

// "20 02 'main' 04" -> {0x20, 0x02, 'm', 'a', 'i', 'n', 0x04}
std::vector<int> Bytes(const std::string& text) {
  std::vector<int> out;
  std::istringstream in(text);
  for (std::string token; in >> token;) {
    if (token.size() > 2 && token.front() == '\'' && token.back() == '\'') {
      for (char c : token.substr(1, token.size() - 2)) out.push_back(static_cast<unsigned char>(c));
    } else {
      out.push_back(std::stoi(token, nullptr, 16));
    }
  }
  return out;
}

std::vector<int> Slice(const std::vector<int>& image, std::size_t from, std::size_t count) {
  from = std::min(from, image.size());
  return {image.begin() + static_cast<std::ptrdiff_t>(from),
          image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), from + count))};
}

// Where a function's code starts: after its name bytes and their count.
std::size_t CodeStart(const std::vector<int>& image, const std::string& name) {
  std::vector<int> key(name.begin(), name.end());
  key.push_back(static_cast<int>(name.size()));
  auto it = std::search(image.begin(), image.end(), key.begin(), key.end());
  return it == image.end() ? image.size() : static_cast<std::size_t>(it - image.begin()) + key.size();
}

// The code of the statement on `line` of a function: the bytes between the
// line markers 00 00 line and 00 00 line+1.
std::vector<int> StatementCode(const std::vector<int>& image, const std::string& function, int line) {
  std::vector<int> open = {0, 0, line}, close = {0, 0, line + 1};
  auto from = std::search(image.begin() + static_cast<std::ptrdiff_t>(CodeStart(image, function)), image.end(),
                          open.begin(), open.end());
  if (from == image.end()) return {-1};
  return {from + 3, std::search(from + 3, image.end(), close.begin(), close.end())};
}

// One expected trace line: the whole line, or (`beginning`) its start.
struct TraceLine {
  std::string text;
  bool beginning = false;
};
using TraceBlock = std::vector<TraceLine>;

std::string WithoutTrailingBlanks(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
  return s;
}

std::vector<std::string> TraceLines(const std::string& trace) {
  std::vector<std::string> lines;
  std::istringstream in(trace);
  for (std::string line; std::getline(in, line);) lines.push_back(WithoutTrailingBlanks(line));
  return lines;
}

bool LineMatches(const std::string& line, const TraceLine& want) {
  std::string text = WithoutTrailingBlanks(want.text);
  return want.beginning ? line.starts_with(text) : line == text;
}

// How many lines of `block` match the trace from line `at` on.
std::size_t Matched(const std::vector<std::string>& lines, std::size_t at, const TraceBlock& block) {
  std::size_t n = 0;
  while (n < block.size() && at + n < lines.size() && LineMatches(lines[at + n], block[n])) ++n;
  return n;
}

// Each block of trace lines appears in the trace, line after line, each
// after the one before it.
void ExpectTraceBlocks(const std::string& trace, const std::vector<TraceBlock>& blocks) {
  std::vector<std::string> lines = TraceLines(trace);
  std::size_t from = 0;
  for (const TraceBlock& block : blocks) {
    std::size_t best = from, bestCount = 0, at = from;
    for (; at < lines.size(); ++at) {
      std::size_t n = Matched(lines, at, block);
      if (n == block.size()) break;
      if (n > bestCount) best = at, bestCount = n;
    }
    if (at < lines.size()) {
      from = at + block.size();
      continue;
    }
    std::ostringstream why;
    why << "trace lines not found after trace line " << from + 1 << ":\n";
    for (const TraceLine& l : block) why << "  " << (l.beginning ? "(beginning) " : "") << l.text << "\n";
    why << "the nearest, from trace line " << best + 1 << " (" << bestCount << " matching):\n";
    for (std::size_t i = best; i < lines.size() && i < best + block.size() + 2; ++i) why << "  " << lines[i] << "\n";
    ADD_FAILURE() << why.str();
    return;
  }
}

void PrintTo(const Case& k, std::ostream* os) { *os << k.where; }

class CaseTest : public ::testing::TestWithParam<Case> {};

TEST_P(CaseTest, Compiles) {
  const Case& k = GetParam();
  SCOPED_TRACE(k.where);
  Compiled c = CompileSource(k.source);
  bool fails = false;
  std::map<std::string, std::string> bytes;  // byte expectations, joined by key
  std::vector<std::string> order;
  std::vector<TraceBlock> traceBlocks(1);
  for (const auto& [key, value] : k.expects) {
    if (key == "trace line" || key == "trace line beginning") {
      traceBlocks.back().push_back({value, key == "trace line beginning"});
      continue;
    }
    if (!traceBlocks.back().empty()) traceBlocks.emplace_back();
    if (key == "#") {
      continue;
    } else if (key.starts_with("error ")) {
      // "error LINE" or "error LINE AT LINE:COLUMN": the line the message is
      // raised in, and where standard error says it points.
      fails = true;
      std::istringstream where(key.substr(6));
      int line = 0;
      std::string at, position;
      where >> line >> at >> position;
      EXPECT_EQ(c.result.message, value);
      EXPECT_EQ(c.result.messageLine, line);
      std::string tail = value == "syntax error" ? "\r\n syntax error" : "\r\n" + value + "\r\nNested error";
      EXPECT_TRUE(c.output.ends_with(tail)) << c.output;
      std::string shown = c.stderrText.substr(0, c.stderrText.find('\n'));
      if (at == "at") {
        EXPECT_EQ(shown, "prog.vyl:" + position + ": error: " + value);
      } else {
        EXPECT_TRUE(shown.starts_with("prog.vyl:") && shown.ends_with(": error: " + value)) << shown;
      }
    } else if (key == "fails") {
      fails = true;
    } else if (key == "line") {
      EXPECT_TRUE(c.hasLine(value)) << value << "\n" << c.output;
    } else if (key == "trace") {
      EXPECT_NE(c.trace.find(value), std::string::npos) << value;
    } else if (key == "no trace") {
      EXPECT_EQ(c.trace.find(value), std::string::npos) << value;
    } else {
      if (!bytes.count(key)) order.push_back(key);
      bytes[key] += " " + value.substr(0, value.find("//"));
    }
  }
  EXPECT_EQ(c.status, fails ? 1 : 0) << c.output;
  EXPECT_TRUE(!fails || c.image.empty());
  EXPECT_EQ(OutcomeFault(c), "");
  if (traceBlocks.back().empty()) traceBlocks.pop_back();
  ExpectTraceBlocks(c.trace, traceBlocks);
  for (const std::string& key : order) {
    std::vector<int> expected = Bytes(bytes[key]);
    std::istringstream in(key);
    std::string kind, name;
    in >> kind;
    if (kind == "image") {
      EXPECT_EQ(c.image, expected);
    } else if (kind == "bytes") {  // bytes ADDRESS: from that address on
      in >> name;
      EXPECT_EQ(Slice(c.image, std::stoul(name, nullptr, 0), expected.size()), expected) << key;
    } else if (kind == "func") {  // func NAME: the start of its code
      in >> name;
      EXPECT_EQ(Slice(c.image, CodeStart(c.image, name), expected.size()), expected) << key;
    } else if (kind == "code") {  // code NAME LINE: one statement
      int line = 0;
      in >> name >> line;
      EXPECT_EQ(StatementCode(c.image, name, line), expected) << key;
    } else {
      ADD_FAILURE() << "unknown expectation " << key;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Data, CaseTest, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace vyl::test
