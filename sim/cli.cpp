#include "cli.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <optional>
#include <ostream>
#include <sstream>

#include "debugger.h"
#include "disassembler.h"
#include "layout.h"
#include "line_reader.h"
#include "loader.h"
#include "machine.h"
#include "source_file.h"

namespace vylsim {

namespace {

const char usage[] =
    "usage: vylsim [OPTIONS] FILE.ftx             run a compiled Vyl program\n"
    "       vylsim --debug [OPTIONS] FILE.ftx     run it under the debugger\n"
    "       vylsim --dis [--dbg FILE.dbg] FILE.ftx  disassemble it\n"
    "       vylsim --help                         show this text\n"
    "\n"
    "  --trace     write each instruction executed, with its source position and\n"
    "              the top of the stack, to standard error before it runs\n"
    "  --steps N   stop after N instructions (default 5000000); under --debug, the\n"
    "              most instructions one command runs before it stops the program\n"
    "  --dbg FILE  the debug info written by 'vylc -g' (default: FILE.dbg beside\n"
    "              the image, when it exists); with it positions are exact source\n"
    "              lines and columns, without it the line is the nearest marker's\n"
    "  --input FILE  the program's input (KeyIn): FILE instead of standard input\n"
    "  --debug     the debugger reads its commands (break, run, step, next, print,\n"
    "              backtrace, ...; 'help' lists them) from standard input, and\n"
    "              needs the debug info; the program's input is empty without\n"
    "              --input\n"
    "\n"
    "The program's output goes to standard output and its input (KeyIn) comes\n"
    "from standard input. The exit status is 0 when the program finishes and 1\n"
    "on a trap, an error or the step limit, reported in one line on standard\n"
    "error.\n";

struct Options {
  bool help = false;
  bool disassemble = false;
  bool trace = false;
  bool debug = false;
  uint64_t steps = default_step_limit;
  std::string file;
  std::string dbg;
  std::string input;
};

// Fills `options`, or returns what is wrong with the command line.
std::string parse(const std::vector<std::string>& args, Options& options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--dis") {
      options.disassemble = true;
    } else if (arg == "--trace") {
      options.trace = true;
    } else if (arg == "--debug") {
      options.debug = true;
    } else if (arg == "--input") {
      if (i + 1 == args.size()) return "--input needs a file";
      options.input = args[++i];
    } else if (arg == "--dbg") {
      if (i + 1 == args.size()) return "--dbg needs a file";
      options.dbg = args[++i];
    } else if (arg == "--steps") {
      if (i + 1 == args.size()) return "--steps needs a number";
      const std::string& number = args[++i];
      const char* end = number.data() + number.size();
      auto [stop, error] = std::from_chars(number.data(), end, options.steps);
      if (error != std::errc() || stop != end || options.steps == 0) {
        return "--steps needs a positive number, not '" + number + "'";
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option '" + arg + "'";
    } else if (!options.file.empty()) {
      return "only one file can be given";
    } else {
      options.file = arg;
    }
  }
  if (!options.help && options.file.empty()) return "no file given";
  if (options.disassemble && options.trace) return "--trace applies to a run, not to --dis";
  if (options.disassemble && options.debug) return "--dis and --debug do not go together";
  if (options.debug && options.trace) return "--trace applies to a run, not to --debug";
  return "";
}

// The debug info file: the one --dbg names, else NAME.dbg beside the image.
std::string debug_info_path(const Options& options) {
  if (!options.dbg.empty()) return options.dbg;
  std::string beside = options.file;
  const size_t slash = beside.find_last_of('/');
  const size_t dot = beside.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) beside.erase(dot);
  return beside + ".dbg";
}

// The debug info named by --dbg, or NAME.dbg beside the image when there is
// one.  A file that cannot be read is reported and left aside; the debugger
// cannot do without it (`required`).
std::optional<DebugInfo> find_debug_info(const Options& options, bool required, std::ostream& err) {
  const std::string path = debug_info_path(options);
  if (options.dbg.empty() && !std::ifstream(path)) {
    if (required) {
      err << "vylsim: --debug needs the debug info " << path << " (compile with 'vylc -g'), or --dbg FILE\n";
    }
    return std::nullopt;
  }
  std::string error;
  std::optional<DebugInfo> info = load_debug_info(path, error);
  if (!info) err << "vylsim: " << error << (required ? "\n" : " (positions are approximate)\n");
  return info;
}

std::optional<std::string> read_text(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Whether the debug info was written with this image: its procedures start
// where the image's procedure table says.
bool describes(const DebugInfo& info, const std::vector<uint8_t>& image) {
  const Layout layout(image);
  for (const DebugProcedure& p : info.procedures) {
    const auto& procedures = layout.procedures();
    if (p.number < 0 || static_cast<size_t>(p.number) >= procedures.size()) return false;
    if (procedures[static_cast<size_t>(p.number)].code_start != p.entry) return false;
  }
  return true;
}

int debug(const Options& options, std::vector<uint8_t> image, DebugInfo info, std::istream& in, std::ostream& out,
          std::ostream& err) {
  if (!describes(info, image)) {
    err << "vylsim: the debug info " << debug_info_path(options)
        << " does not describe this image (compiled again since?): positions and values may be wrong\n";
  }
  DebugTarget target;
  target.image = std::move(image);
  if (std::optional<SourceFile> source = find_source(info, debug_info_path(options))) {
    target.source = std::move(*source);
  } else {
    err << "vylsim: the source " << info.source << " cannot be found: lines are shown by number only\n";
  }
  if (!options.input.empty()) {
    std::optional<std::string> input = read_text(options.input);
    if (!input) {
      err << "vylsim: " << options.input << ": cannot be opened\n";
      return 1;
    }
    target.input = std::move(*input);
  }
  target.info = std::move(info);
  Debugger debugger(std::move(target), out);
  debugger.set_step_limit(options.steps);
  if (&in == &std::cin && standard_input_is_terminal()) {
    std::unique_ptr<LineReader> reader = terminal_reader("(vdb) ");
    debugger.run(*reader);
  } else {
    StreamLineReader reader(in);
    debugger.run(reader);
  }
  return 0;
}

}  // namespace

int run_cli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  Options options;
  if (const std::string problem = parse(args, options); !problem.empty()) {
    err << "vylsim: " << problem << "\n" << usage;
    return 2;
  }
  if (options.help) {
    out << usage;
    return 0;
  }
  const LoadResult loaded = load_ftx(options.file);
  if (!loaded.ok()) {
    err << "vylsim: " << loaded.error << "\n";
    return 1;
  }
  std::optional<DebugInfo> info = find_debug_info(options, options.debug, err);
  if (options.debug) {
    if (!info) return 1;
    return debug(options, loaded.image, std::move(*info), in, out, err);
  }
  if (options.disassemble) {
    std::optional<SourceFile> source;
    if (info) source = find_source(*info, debug_info_path(options));
    disassemble(loaded.image, out, info ? &*info : nullptr, source ? &*source : nullptr);
    return 0;
  }
  std::ifstream input_file;
  if (!options.input.empty()) {
    input_file.open(options.input, std::ios::binary);
    if (!input_file) {
      err << "vylsim: " << options.input << ": cannot be opened\n";
      return 1;
    }
  }
  Machine machine(loaded.image, options.input.empty() ? in : input_file, out);
  if (options.trace) machine.set_trace(&err);
  if (info) machine.set_debug_info(&*info);
  const Status status = machine.run(options.steps);
  out.flush();
  if (status == Status::Finished) return 0;
  err << "vylsim: " << machine.stop_message() << "\n";
  return 1;
}

}  // namespace vylsim
