// vylc: compiles one Vyl source file into a Text Floppy Disk Image (.ftx).
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"

namespace {

constexpr char kUsage[] =
    "Usage: vylc [FILE.vyl]\n"
    "Compiles a Vyl program into a Text Floppy Disk Image (FILE.ftx).\n"
    "Without FILE, vylc asks for the source path on the console; an empty\n"
    "answer compiles KIBin.txt into KIBout.txt.\n"
    "\n"
    "Files written: the .ftx output, the trace KIBdbg.txt and the exit file\n"
    "KIBexit.txt (\"0\" after a success) in the current directory.\n"
    "Exit status: 0 after Success, 1 after Failed, 2 for a usage error.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  bool havePath = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(a, "--version") == 0 || std::strcmp(a, "-V") == 0) {
      std::printf("vylc %s\n", VYL_VERSION);
      return 0;
    }
    if (std::strcmp(a, "--") == 0 && i + 1 == argc - 1 && !havePath) {
      path = argv[++i];
      havePath = true;
      continue;
    }
    if (a[0] == '-' && a[1] != '\0') {
      std::fprintf(stderr, "vylc: unknown option '%s'\n%s", a, kUsage);
      return 2;
    }
    if (havePath) {
      std::fprintf(stderr, "vylc: only one source file may be given\n%s", kUsage);
      return 2;
    }
    path = a;
    havePath = true;
  }
  if (havePath && path.empty()) {
    std::fprintf(stderr, "vylc: the source path is empty\n%s", kUsage);
    return 2;
  }
  vyl::StdHost host(path, !havePath);
  vyl::SessionResult result = vyl::RunSession(host, path);
  std::fflush(stdout);
  return result.exitStatus();
}
