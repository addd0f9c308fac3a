#include "cli.h"

#include <charconv>
#include <fstream>
#include <optional>
#include <ostream>

#include "disassembler.h"
#include "loader.h"
#include "machine.h"

namespace vylsim {

namespace {

const char usage[] =
    "usage: vylsim [--trace] [--steps N] [--dbg FILE.dbg] FILE.ftx   run a compiled Vyl program\n"
    "       vylsim --dis [--dbg FILE.dbg] FILE.ftx                    disassemble it\n"
    "       vylsim --help                                             show this text\n"
    "\n"
    "  --trace     write each instruction executed, with its source position and\n"
    "              the top of the stack, to standard error before it runs\n"
    "  --steps N   stop after N instructions (default 5000000)\n"
    "  --dbg FILE  the debug info written by 'vylc -g' (default: FILE.dbg beside\n"
    "              the image, when it exists); with it positions are exact source\n"
    "              lines and columns, without it the line is the nearest marker's\n"
    "\n"
    "The program's output goes to standard output and its input (KeyIn) comes\n"
    "from standard input. The exit status is 0 when the program finishes and 1\n"
    "on a trap, an error or the step limit, reported in one line on standard\n"
    "error.\n";

struct Options {
  bool help = false;
  bool disassemble = false;
  bool trace = false;
  uint64_t steps = default_step_limit;
  std::string file;
  std::string dbg;
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
  return "";
}

// The debug info named by --dbg, or NAME.dbg beside the image when there is
// one.  A file that cannot be read is reported and left aside.
std::optional<DebugInfo> find_debug_info(const Options& options, std::ostream& err) {
  std::string path = options.dbg;
  if (path.empty()) {
    std::string beside = options.file;
    const size_t slash = beside.find_last_of('/');
    const size_t dot = beside.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) beside.erase(dot);
    beside += ".dbg";
    if (!std::ifstream(beside)) return std::nullopt;
    path = beside;
  }
  std::string error;
  std::optional<DebugInfo> info = load_debug_info(path, error);
  if (!info) err << "vylsim: " << error << " (positions are approximate)\n";
  return info;
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
  std::optional<DebugInfo> debug = find_debug_info(options, err);
  if (options.disassemble) {
    disassemble(loaded.image, out);
    return 0;
  }
  Machine machine(loaded.image, in, out);
  if (options.trace) machine.set_trace(&err);
  if (debug) machine.set_debug_info(&*debug);
  const Status status = machine.run(options.steps);
  out.flush();
  if (status == Status::Finished) return 0;
  err << "vylsim: " << machine.stop_message() << "\n";
  return 1;
}

}  // namespace vylsim
