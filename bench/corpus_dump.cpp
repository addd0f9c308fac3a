// corpus_dump: compiles each source in-process and writes everything the
// compilation produced (output, trace and exit files, console, standard
// output and error, exit status) into OUTDIR/NAME/.  The host's clock stands
// still, so the console holds no progress echo and two builds of the
// compiler can be compared byte for byte with diff -r.
//
//   corpus_dump OUTDIR FILE.vyl...
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/app.h"

namespace {

void Write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("Usage: corpus_dump OUTDIR FILE.vyl...\n", stderr);
    return 2;
  }
  std::filesystem::path outDir = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::filesystem::path source = argv[i];
    std::ifstream in(source, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    vyl::MemoryHost host;
    std::string name = source.filename().string();
    host.files[name] = text;
    vyl::SessionResult result = vyl::RunSession(host, name);
    std::filesystem::path dir = outDir / source.stem();
    std::filesystem::create_directories(dir);
    for (const auto& [file, contents] : host.files) {
      if (file != name) Write(dir / file, contents);
    }
    Write(dir / "console.txt", host.console);
    Write(dir / "stdout.txt", host.stdoutText);
    Write(dir / "stderr.txt", host.stderrText);
    Write(dir / "status.txt", std::to_string(result.exitStatus()) + "\n");
  }
  return 0;
}
