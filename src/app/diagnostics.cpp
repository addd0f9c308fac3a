// Diagnostics as standard error shows them.  The text form follows GCC and
// clang: "PATH:LINE:COL: error: MESSAGE", the source line, and a caret line
// with '^' under the column and '~' under the rest of the range; notes
// follow as "note:" lines.  The JSON form is one object a line, for tools.
#include <string>

#include "app/app.h"

#if VYL_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace vyl {

namespace {

// ANSI colours, as compilers use them.
constexpr char kBold[] = "\x1b[1m";
constexpr char kReset[] = "\x1b[0m";
constexpr char kRed[] = "\x1b[1;31m";
constexpr char kMagenta[] = "\x1b[1;35m";
constexpr char kCyan[] = "\x1b[1;36m";
constexpr char kGreen[] = "\x1b[1;32m";

std::string_view SeverityName(Severity s) {
  switch (s) {
    case Severity::kError: return "error";
    case Severity::kWarning: return "warning";
    case Severity::kNote: return "note";
  }
  return "error";
}

std::string_view SeverityColor(Severity s) {
  switch (s) {
    case Severity::kError: return kRed;
    case Severity::kWarning: return kMagenta;
    case Severity::kNote: return kCyan;
  }
  return kRed;
}

// Line n of the source (1-based) without its line end; lines end as the
// compiler counts them (CR, CR LF or LF).
std::string_view SourceLine(std::string_view source, int32_t n) {
  std::size_t begin = 0;
  for (int32_t line = 1; line < n; ++line) {
    std::size_t end = source.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) return {};
    begin = end + (source[end] == '\r' && end + 1 < source.size() && source[end + 1] == '\n' ? 2 : 1);
  }
  std::size_t end = source.find_first_of("\r\n", begin);
  return source.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
}

// The source line as shown: control characters other than tabs become
// blanks, so that the terminal shows the line as it stands.
std::string Shown(std::string_view line) {
  std::string text(line);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < ' ' && c != '\t') c = ' ';
  }
  return text;
}

// The caret line: blanks (tabs where the source has them) up to the
// column, '^', then '~' to the end of the range on that line.
std::string CaretLine(std::string_view line, const SourceRange& r) {
  std::string caret;
  auto column = static_cast<std::size_t>(r.column - 1);
  for (std::size_t i = 0; i < column; ++i) caret.push_back(i < line.size() && line[i] == '\t' ? '\t' : ' ');
  caret.push_back('^');
  std::size_t end = r.endLine == r.line ? static_cast<std::size_t>(r.endColumn - 1) : line.size();
  for (std::size_t i = column + 1; i < end && i < line.size(); ++i) caret.push_back('~');
  return caret;
}

void Format(std::string& out, const Diagnostic& d, const std::string& path, std::string_view source, bool color,
            const SourceRange* shownAlready) {
  if (color) out += kBold;
  out += path;
  if (d.range.known()) out += ":" + std::to_string(d.range.line) + ":" + std::to_string(d.range.column);
  out += ": ";
  if (color) out += std::string(kReset) + std::string(SeverityColor(d.severity));
  out += SeverityName(d.severity);
  out += ":";
  if (color) out += std::string(kReset) + kBold;
  out += " " + d.message;
  if (color) out += kReset;
  out += "\n";
  bool sameAsShown = shownAlready && shownAlready->line == d.range.line && shownAlready->column == d.range.column &&
                     shownAlready->endLine == d.range.endLine && shownAlready->endColumn == d.range.endColumn;
  if (d.range.known() && !sameAsShown) {
    std::string_view line = SourceLine(source, d.range.line);
    out += Shown(line) + "\n";
    if (color) out += kGreen;
    out += CaretLine(line, d.range);
    if (color) out += kReset;
    out += "\n";
  }
  for (const Diagnostic& note : d.notes) Format(out, note, path, source, color, &d.range);
}

}  // namespace

std::string FormatDiagnostics(const std::vector<Diagnostic>& diagnostics, const std::string& path,
                              std::string_view source, bool color) {
  std::string out;
  for (const Diagnostic& d : diagnostics) Format(out, d, path, source, color, nullptr);
  return out;
}

#if VYL_HAVE_JSON
namespace {

nlohmann::json ToJson(const Diagnostic& d, const std::string& path) {
  nlohmann::json j = {{"file", path},
                      {"line", d.range.line},
                      {"column", d.range.column},
                      {"endLine", d.range.endLine},
                      {"endColumn", d.range.endColumn},
                      {"severity", SeverityName(d.severity)},
                      {"message", d.message}};
  nlohmann::json notes = nlohmann::json::array();
  for (const Diagnostic& n : d.notes) notes.push_back(ToJson(n, path));
  j["notes"] = notes;
  return j;
}

}  // namespace

std::string FormatDiagnosticsJson(const std::vector<Diagnostic>& diagnostics, const std::string& path) {
  std::string out;
  // Source text may hold any bytes: invalid UTF-8 is replaced, not fatal.
  for (const Diagnostic& d : diagnostics) {
    out += ToJson(d, path).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  }
  return out;
}
#else
std::string FormatDiagnosticsJson(const std::vector<Diagnostic>&, const std::string&) { return {}; }
#endif

}  // namespace vyl
