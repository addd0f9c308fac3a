// The playground's WebAssembly module: the compiler's in-process session and
// the simulator, bound for JavaScript with embind.
//
// Text crosses the boundary as bytes, one JavaScript character per byte (the
// module is linked with EMBIND_STD_STRING_IS_UTF8=0): a source, an image or a
// program's output may hold any byte, and web/src/compiler.js decodes them.
//
//   compile(source)               {success, fatal, ftx, listing, console, stdout,
//                                  stderr, exitFile, trace, diagnostics, debugInfo}
//   disassemble(ftx)              {error, text, statements}
//   new Run(ftx, input, limit)    .slice(steps) → {status, output, steps, message,
//                                  reason, address, procedure}; .delete() when done
//   stackUse(source), stackSize() the stack a compilation uses, the stack there is
#include <emscripten/bind.h>
#include <emscripten/stack.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "disassembler.h"
#include "layout.h"
#include "loader.h"
#include "machine.h"

namespace {

using emscripten::val;

constexpr char kSourceName[] = "prog.vyl";
constexpr char kImageName[] = "prog.ftx";
constexpr char kDebugName[] = "prog.dbg";

std::string FileOf(const vyl::MemoryHost& host, const std::string& name) {
  auto it = host.files.find(name);
  return it == host.files.end() ? std::string() : it->second;
}

// ---------------------------------------------------------------------------
// Diagnostics: one error, warning or note with its source range (1-based,
// columns in bytes).

struct Diagnostic {
  std::string severity = "error";
  int line = 1;
  int column = 1;
  int endLine = 1;
  int endColumn = 1;
  std::string message;
  std::vector<std::string> notes;
};

const char* SeverityName(vyl::Severity severity) {
  switch (severity) {
    case vyl::Severity::kWarning:
      return "warning";
    case vyl::Severity::kNote:
      return "note";
    case vyl::Severity::kError:
      break;
  }
  return "error";
}

// The session's diagnostics (the error and the warnings) with their
// positions and notes, as the page shows them.  A range the compiler could
// not place (none is known today) starts at line 1, column 1.
std::vector<Diagnostic> DiagnosticsOf(const vyl::SessionResult& result) {
  std::vector<Diagnostic> out;
  for (const vyl::Diagnostic& d : result.diagnostics) {
    Diagnostic o;
    o.severity = SeverityName(d.severity);
    o.line = std::max(1, static_cast<int>(d.range.line));
    o.column = std::max(1, static_cast<int>(d.range.column));
    o.endLine = std::max(o.line, static_cast<int>(d.range.endLine));
    o.endColumn = std::max(1, static_cast<int>(d.range.endColumn));
    o.message = d.message;
    for (const vyl::Diagnostic& note : d.notes) o.notes.push_back(note.message);
    out.push_back(std::move(o));
  }
  return out;
}

val ToJs(const std::vector<Diagnostic>& diagnostics) {
  val list = val::array();
  for (const Diagnostic& d : diagnostics) {
    val o = val::object();
    o.set("severity", d.severity);
    o.set("line", d.line);
    o.set("column", d.column);
    o.set("endLine", d.endLine);
    o.set("endColumn", d.endColumn);
    o.set("message", d.message);
    val notes = val::array();
    for (const std::string& note : d.notes) notes.call<void>("push", note);
    o.set("notes", notes);
    list.call<void>("push", o);
  }
  return list;
}

// ---------------------------------------------------------------------------
// Compiling.

bool ImageLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line.find_first_of("0123456789") != std::string_view::npos &&
         line.find_first_not_of("0123456789 ") == std::string_view::npos;
}

// The text of an output before its image: the messages and the symbol
// listing.  The image is the last block of lines made only of byte values,
// as the simulator's loader reads it.
std::string ListingOf(const std::string& ftx) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < ftx.size();) {
    starts.push_back(at);
    std::size_t end = ftx.find('\n', at);
    at = end == std::string::npos ? ftx.size() : end + 1;
  }
  auto line = [&](std::size_t i) {
    std::size_t end = i + 1 < starts.size() ? starts[i + 1] : ftx.size();
    std::string_view text(ftx.data() + starts[i], end - starts[i]);
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
  };
  std::size_t end = starts.size();
  while (end > 0 && !ImageLine(line(end - 1))) --end;
  if (end == 0) return ftx;
  std::size_t begin = end;
  while (begin > 0 && ImageLine(line(begin - 1))) --begin;
  return ftx.substr(0, starts[begin]);
}

val Compile(const std::string& source) {
  vyl::MemoryHost host;
  host.files[kSourceName] = source;
  vyl::SessionOptions options;
  options.debugInfo = VYL_HAVE_JSON != 0;  // the debug info maps code to statements
  const vyl::SessionResult result = vyl::RunSessionHere(host, kSourceName, options);
  const std::string ftx = FileOf(host, kImageName);
  val out = val::object();
  out.set("success", result.success);
  out.set("fatal", result.fatal);
  out.set("ftx", ftx);
  out.set("listing", ListingOf(ftx));
  out.set("console", host.console);
  out.set("stdout", host.stdoutText);
  out.set("stderr", host.stderrText);
  out.set("exitFile", FileOf(host, "KIBexit.txt"));
  out.set("trace", FileOf(host, "KIBdbg.txt"));
  out.set("diagnostics", ToJs(DiagnosticsOf(result)));
  auto debug = host.files.find(kDebugName);
  out.set("debugInfo", debug == host.files.end() ? val::null() : val(debug->second));
  return out;
}

// The bytes of the module's stack that compiling `source` touches at its
// deepest: the unused stack is filled with a pattern first and searched for
// the lowest byte that changed (the stack grows down).
double StackUse(const std::string& source) {
  constexpr unsigned char kPattern = 0xA5;
  constexpr uintptr_t kMargin = 4096;  // below the current frame, left alone
  const uintptr_t end = emscripten_stack_get_end();
  const uintptr_t top = emscripten_stack_get_current() - kMargin;
  std::memset(reinterpret_cast<void*>(end), kPattern, top - end);
  {
    vyl::MemoryHost host;
    host.files[kSourceName] = source;
    vyl::RunSessionHere(host, kSourceName);
  }
  auto* p = reinterpret_cast<volatile unsigned char*>(end);
  while (reinterpret_cast<uintptr_t>(p) < top && *p == kPattern) ++p;
  return static_cast<double>(emscripten_stack_get_base() - reinterpret_cast<uintptr_t>(p));
}

double StackSize() { return static_cast<double>(emscripten_stack_get_base() - emscripten_stack_get_end()); }

// ---------------------------------------------------------------------------
// The disassembly and the code of each source line.

// The code ranges of the statements, from the LINE markers: the compiler
// puts the marker of line n before the code of the statement on line n
// (tests/cases: "the bytes between the line markers 00 00 LINE and
// 00 00 LINE+1"), so each range runs from a marker to the next one in its
// procedure, or to the procedure's end: {from, to (exclusive), line}.  The
// code before a procedure's first marker (its frame and the initial values of
// its locals) belongs to no statement.
val StatementsOf(const std::vector<uint8_t>& image) {
  const vylsim::Layout layout(image);
  const std::vector<vylsim::LineMarker>& markers = layout.markers();
  val list = val::array();
  for (const vylsim::Procedure* procedure : layout.by_address()) {
    auto next = std::lower_bound(markers.begin(), markers.end(), procedure->code_start,
                                 [](const vylsim::LineMarker& m, uint16_t a) { return m.address < a; });
    for (; next != markers.end() && next->address < procedure->code_end; ++next) {
      auto after = std::next(next);
      const bool last = after == markers.end() || after->address >= procedure->code_end;
      val range = val::object();
      range.set("from", next->address);
      range.set("to", last ? procedure->code_end : after->address);
      range.set("line", next->line);
      list.call<void>("push", range);
    }
  }
  return list;
}

val Disassemble(const std::string& ftx) {
  const vylsim::LoadResult loaded = vylsim::parse_ftx(ftx);
  val out = val::object();
  out.set("error", loaded.error);
  if (!loaded.ok()) {
    out.set("text", std::string());
    out.set("statements", val::array());
    return out;
  }
  std::ostringstream text;
  vylsim::disassemble(loaded.image, text);
  out.set("text", text.str());
  out.set("statements", StatementsOf(loaded.image));
  return out;
}

// ---------------------------------------------------------------------------
// Running: a program runs in slices of steps, so that a caller in a Web
// Worker can hear a Stop between two slices.

class Run {
 public:
  Run(const std::string& ftx, const std::string& input, double stepLimit)
      : input_(input), limit_(static_cast<uint64_t>(std::max(0.0, stepLimit))) {
    vylsim::LoadResult loaded = vylsim::parse_ftx(ftx);
    error_ = loaded.error;
    if (loaded.ok()) machine_ = std::make_unique<vylsim::Machine>(loaded.image, input_, output_);
  }

  // Runs at most `steps` more instructions, and reports the state and the
  // output printed since the last slice.  `message` is the simulator's
  // one-line account of a stop (as vylsim prints it), `reason` its cause.
  val Slice(double steps) {
    val out = val::object();
    if (!machine_) {
      out.set("status", std::string("load error"));
      out.set("message", error_);
      out.set("output", std::string());
      out.set("reason", error_);
      out.set("steps", 0);
      out.set("address", val::null());
      out.set("procedure", val::null());
      return out;
    }
    vylsim::Machine& m = *machine_;
    const uint64_t target = std::min(limit_, m.steps() + static_cast<uint64_t>(std::max(0.0, steps)));
    while (m.status() == vylsim::Status::Running && m.steps() < target) m.step();
    // At the limit, the machine's own run ends it with its step-limit message.
    if (m.status() == vylsim::Status::Running && m.steps() >= limit_) m.run(limit_);
    const bool stopped = m.status() != vylsim::Status::Running && m.status() != vylsim::Status::Finished;
    out.set("status", std::string(vylsim::status_name(m.status())));
    out.set("message", stopped ? m.stop_message() : std::string());
    out.set("reason", stopped ? m.reason() : std::string());
    out.set("output", output_.str());
    output_.str("");
    out.set("steps", static_cast<double>(m.steps()));
    const uint16_t address = stopped ? m.stop_address() : m.pc();
    out.set("address", address);
    const vylsim::Procedure* procedure = m.layout().procedure_at(address);
    out.set("procedure", procedure ? val(procedure->name) : val::null());
    return out;
  }

 private:
  std::istringstream input_;
  std::ostringstream output_;
  uint64_t limit_;
  std::string error_;
  std::unique_ptr<vylsim::Machine> machine_;
};

}  // namespace

EMSCRIPTEN_BINDINGS(vylweb) {
  emscripten::function("compile", &Compile);
  emscripten::function("disassemble", &Disassemble);
  emscripten::function("stackUse", &StackUse);
  emscripten::function("stackSize", &StackSize);
  emscripten::constant("version", std::string(VYL_VERSION));
  emscripten::constant("defaultStepLimit", static_cast<double>(vylsim::default_step_limit));
  emscripten::class_<Run>("Run").constructor<std::string, std::string, double>().function("slice", &Run::Slice);
}
