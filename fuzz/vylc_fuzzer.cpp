// libFuzzer target: compiles arbitrary bytes as a source file, in-process on
// an in-memory host, and stops on any run whose outcome is not told the same
// way by the console, the exit status, the exit file and the output file.
// Crashes, hangs, sanitizer reports and host stack overflows stop it anyway.
//
// The sessions run on one worker thread with the session stack size, made
// once: a new thread with a stack that large for every input would cost more
// than most compilations under the sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/app.h"
#include "session_worker.h"
#include "harness.h"
#include "outcome_check.h"

namespace {

std::string Take(const vyl::MemoryHost& host, const std::string& name) {
  auto it = host.files.find(name);
  return it == host.files.end() ? std::string() : it->second;
}

// What tests/harness.cpp's CompileSource gives, with the session run on the
// worker.
vyl::test::Compiled CompileOnWorker(std::string_view source) {
  vyl::fuzz::SessionWorker& worker = vyl::fuzz::SessionWorker::Get();
  vyl::MemoryHost host;
  host.files["prog.vyl"] = std::string(source);
  vyl::test::Compiled c;
  worker.Run([&] { c.result = vyl::RunSessionHere(host, "prog.vyl"); });
  c.status = c.result.exitStatus();
  c.output = Take(host, "prog.ftx");
  c.trace = Take(host, "KIBdbg.txt");
  c.exitFile = Take(host, "KIBexit.txt");
  c.console = host.console;
  c.stdoutText = host.stdoutText;
  c.stderrText = host.stderrText;
  c.image = vyl::test::ImageOf(c.output);
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view source(reinterpret_cast<const char*>(data), size);
  vyl::test::Compiled c = CompileOnWorker(source);
  std::string fault = vyl::test::OutcomeFault(c);
  if (!fault.empty()) {
    std::fprintf(stderr, "vylc_fuzzer: %s\n--- output ---\n%s\n--- console ---\n%s\n", fault.c_str(),
                 c.output.c_str(), c.console.c_str());
    std::abort();
  }
  return 0;
}
