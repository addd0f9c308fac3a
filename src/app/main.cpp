// vylc: compiles Vyl source files into Text Floppy Disk Images (.ftx).
#include <unistd.h>

#include <algorithm>
#include <new>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"

// The process's allocations come first from the memory reserved for its
// compilations (RunSessionsUntilExit), then from malloc: every form of
// new and delete but the aligned ones, which stay the library's.  The
// address sanitizer keeps its own, which check each pair.
#if defined(__SANITIZE_ADDRESS__)
#define VYL_OWN_NEW 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VYL_OWN_NEW 0
#endif
#endif
#ifndef VYL_OWN_NEW
#define VYL_OWN_NEW 1
#endif

#if VYL_OWN_NEW
namespace {

void* Allocate(std::size_t bytes) noexcept {
  if (bytes == 0) bytes = 1;
  if (void* p = vyl::TakeProcessMemory(bytes)) return p;
  return std::malloc(bytes);
}

void Release(void* p, std::size_t bytes) noexcept {
  if (!vyl::ReturnProcessMemory(p, bytes)) std::free(p);
}

}  // namespace

void* operator new(std::size_t bytes) {
  if (void* p = Allocate(bytes)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t bytes) { return operator new(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
// Unsized, the piece is not taken back (size 0).
void operator delete(void* p) noexcept { Release(p, 0); }
void operator delete[](void* p) noexcept { Release(p, 0); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p, 0); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p, 0); }
void operator delete(void* p, std::size_t bytes) noexcept { Release(p, bytes ? bytes : 1); }
void operator delete[](void* p, std::size_t bytes) noexcept { Release(p, bytes ? bytes : 1); }
#endif

namespace {

constexpr char kUsage[] =
    "Usage: vylc [options] FILE...\n"
    "Compiles Vyl programs into Text Floppy Disk Images.  Each FILE is compiled\n"
    "in turn; its output goes beside it with the last extension replaced by\n"
    ".ftx (FILE.ftx when it has none).  Without FILE, vylc asks for the source\n"
    "path once; an empty answer compiles KIBin.txt into KIBout.txt.\n"
    "\n"
    "Options:\n"
    "  -o FILE                    write the output to FILE (one source only)\n"
    "  -g                         write debug info (NAME.dbg beside the output)\n"
    "  -w                         no warnings\n"
    "  --diagnostics-format=FMT   diagnostics on standard error as 'text' (the\n"
    "                             default) or 'json' (one object a line)\n"
    "  --color=WHEN               colour diagnostics: 'auto' (on a terminal,\n"
    "                             unless NO_COLOR is set), 'always' or 'never'\n"
    "  -h, --help                 show this help and exit\n"
    "  -V, --version              show the version and exit\n"
    "\n"
    "Files written: the .ftx output; the trace KIBdbg.txt and the exit file\n"
    "KIBexit.txt (\"0\" after a success) in the current directory.\n"
    "Diagnostics go to standard error as PATH:LINE:COL: error: MESSAGE.\n"
    "Exit status: 0 after Success, 1 after Failed (the worst of all files),\n"
    "2 for a usage error.\n";

constexpr char kNeedsJson[] = "needs JSON support: install it with 'apt-get install -y nlohmann-json3-dev' and rebuild";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "vylc: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

struct CommandLine {
  std::vector<std::string> files;
  vyl::SessionOptions options;
  std::string color = "auto";
};

// Parses the arguments; returns -1 to go on, else the exit status.
int Parse(int argc, char** argv, CommandLine& cl) {
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (optionsEnd || a.empty() || a[0] != '-' || a == "-") {
      if (a.empty()) return Usage("the source path is empty");
      cl.files.emplace_back(a);
    } else if (a == "--") {
      optionsEnd = true;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version" || a == "-V") {
      std::printf("vylc %s\n", VYL_VERSION);
      return 0;
    } else if (a == "-o") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return Usage("-o needs a file name");
      cl.options.output = argv[++i];
    } else if (a.starts_with("-o")) {
      cl.options.output = std::string(a.substr(2));
    } else if (a == "-g") {
      cl.options.debugInfo = true;
    } else if (a == "-w") {
      cl.options.warnings = false;
    } else if (a.starts_with("--diagnostics-format=")) {
      std::string_view format = a.substr(std::strlen("--diagnostics-format="));
      if (format == "text") {
        cl.options.format = vyl::DiagnosticsFormat::kText;
      } else if (format == "json") {
        cl.options.format = vyl::DiagnosticsFormat::kJson;
      } else {
        return Usage("unknown diagnostics format '" + std::string(format) + "' (text or json)");
      }
    } else if (a.starts_with("--color=") || a.starts_with("--colour=")) {
      cl.color = std::string(a.substr(a.find('=') + 1));
      if (cl.color != "auto" && cl.color != "always" && cl.color != "never") {
        return Usage("unknown colour choice '" + cl.color + "' (auto, always or never)");
      }
    } else {
      return Usage("unknown option '" + std::string(a) + "'");
    }
  }
  if (!cl.options.output.empty() && cl.files.size() > 1) return Usage("-o names the output of one source only");
  if (!VYL_HAVE_JSON && (cl.options.debugInfo || cl.options.format == vyl::DiagnosticsFormat::kJson)) {
    std::fprintf(stderr, "vylc: %s %s\n", cl.options.debugInfo ? "-g" : "--diagnostics-format=json", kNeedsJson);
    return 2;
  }
  const char* noColor = std::getenv("NO_COLOR");
  cl.options.color = cl.color == "always" ||
                     (cl.color == "auto" && isatty(STDERR_FILENO) && !(noColor && noColor[0] != '\0'));
  return -1;
}

// The output a source would get, to refuse one that would overwrite it.
// (A ".ftx" path reads the ".vyl" beside it.)
bool OverwritesSource(const std::string& file, const vyl::SessionOptions& options) {
  std::string source = vyl::SourceNameFor(file);
  std::string output = options.output.empty() ? vyl::OutputNameFor(source) : options.output;
  return output == source;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine cl;
  if (int status = Parse(argc, argv, cl); status >= 0) return status;
  vyl::RunSessionsUntilExit(cl.files);
  if (cl.files.empty()) {
    // No path: the console asks once, and the answer serves the whole run.
    vyl::StdHost host("", true);
    int status = vyl::RunSession(host, "", cl.options).exitStatus();
    std::fflush(stdout);
    return status;
  }
  int worst = 0;
  for (const std::string& file : cl.files) {
    if (OverwritesSource(file, cl.options)) {
      std::fprintf(stderr, "vylc: error: the output of '%s' would overwrite it\n", file.c_str());
      worst = std::max(worst, 1);
      continue;
    }
    vyl::StdHost host(file, false);
    worst = std::max(worst, vyl::RunSession(host, file, cl.options).exitStatus());
    std::fflush(stdout);
  }
  return worst;
}
