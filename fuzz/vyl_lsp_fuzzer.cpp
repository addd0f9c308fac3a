// libFuzzer target for the language server: arbitrary bytes as what a
// client writes to vyl-lsp's standard input, served in-process to the end.
// It stops on a crash, a hang, a sanitizer report, or replies that are not
// frames of JSON-RPC messages (lsp/tests/stream_check.h).
//
// The server compiles documents on one worker thread with the session
// stack size, made once, as vylc_fuzzer does.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/app.h"
#include "session_worker.h"
#include "stream_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vyl::fuzz::SessionWorker& worker = vyl::fuzz::SessionWorker::Get();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string fault;
  // The whole server runs on the worker, so that it compiles on the
  // worker's stack.
  worker.Run([&] {
    fault = vyl::lsp::test::StreamFault(input, [](vyl::MemoryHost& host, const std::string& path,
                                                  const vyl::SessionOptions& options) {
      return vyl::RunSessionHere(host, path, options);
    });
  });
  if (!fault.empty()) {
    std::fprintf(stderr, "vyl_lsp_fuzzer: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
