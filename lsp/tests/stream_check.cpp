// Serving a stream and checking the frames that come back.
#include "stream_check.h"

#include <sstream>

#include "lsp/transport.h"

namespace vyl::lsp::test {

std::string StreamFault(std::string_view input, const Compiler& compile) {
  std::istringstream in{std::string(input)};
  std::ostringstream out;
  ServerOptions options;
  options.compile = compile;
  const int status = Serve(in, out, options);
  if (status != 0 && status != 1) return "exit status " + std::to_string(status);
  std::istringstream back(out.str());
  std::string body, problem;
  for (;;) {
    const Frame frame = ReadFrame(back, body, problem);
    if (frame == Frame::kEnd) break;
    if (frame == Frame::kMalformed) return "a reply is no frame: " + problem;
    const json m = json::parse(body, nullptr, false);
    if (m.is_discarded() || !m.is_object() || m.value("jsonrpc", json()) != "2.0") return "a reply is no message: " + body;
    const bool response = m.contains("id");
    if (response == m.contains("method")) return "a reply is neither response nor notification: " + body;
    if (response && m.contains("result") == m.contains("error")) return "a response has no result or error: " + body;
  }
  return "";
}

}  // namespace vyl::lsp::test
