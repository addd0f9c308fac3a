// vylgen: writes a generated Vyl program, or its C translation, to standard
// output.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "program_gen.h"

namespace {

constexpr char kUsage[] =
    "Usage: vylgen [--c] [--empty] [--shape FORM] [--functions N] [--statements N] [--pad CHARS]\n"
    "Writes a generated Vyl program (or with --c its C translation) to standard output.\n"
    "  --shape FORM    workers (the default), dense, small-functions, switches or globals\n"
    "  --functions N   worker functions, or units of the other forms (default 64)\n"
    "  --statements N  statement groups per worker; lines, cases or globals per unit (default 32)\n"
    "  --pad CHARS     spread comment lines until the Vyl source has CHARS characters\n"
    "  --empty         an empty main only\n";

bool Number(const char* text, long lo, long hi, long& out) {
  char* end = nullptr;
  out = std::strtol(text, &end, 10);
  return end && *end == '\0' && end != text && out >= lo && out <= hi;
}

}  // namespace

int main(int argc, char** argv) {
  vylbench::ProgramShape shape;
  auto language = vylbench::Language::kVyl;
  bool empty = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    long v = 0;
    if (a == "--c") {
      language = vylbench::Language::kC;
    } else if (a == "--empty") {
      empty = true;
    } else if (a == "--shape" && i + 1 < argc && vylbench::FormNamed(argv[i + 1], shape.form)) {
      ++i;
    } else if (a == "--functions" && i + 1 < argc && Number(argv[i + 1], 0, 4000, v)) {
      shape.functions = static_cast<int>(v);
      ++i;
    } else if (a == "--statements" && i + 1 < argc && Number(argv[i + 1], 1, 1500, v)) {
      shape.statements = static_cast<int>(v);
      ++i;
    } else if (a == "--pad" && i + 1 < argc && Number(argv[i + 1], 0, 100000000, v)) {
      shape.padTo = static_cast<std::size_t>(v);
      ++i;
    } else {
      std::fputs(kUsage, a == "--help" ? stdout : stderr);
      return a == "--help" ? 0 : 2;
    }
  }
  std::string text = empty ? vylbench::EmptyProgram(language) : vylbench::GenerateProgram(shape, language);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}
