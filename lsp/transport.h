// The protocol's framing: a header part ("Content-Length: N", any other
// header ignored) and a blank line, then N bytes of JSON.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "lsp/server.h"

namespace vyl::lsp {

// The largest message read: a source of the largest size the compiler
// takes, every byte escaped, fits well.
constexpr std::size_t kMaxMessage = std::size_t{64} << 20;

enum class Frame { kMessage, kEnd, kMalformed };

// Reads one frame into `body`.  kEnd when the input ends (in a frame too);
// kMalformed with `problem` for a header part without a usable
// Content-Length, after which reading goes on with what follows it.
// A frame longer than `limit` is passed over, kMalformed.
Frame ReadFrame(std::istream& in, std::string& body, std::string& problem, std::size_t limit = kMaxMessage);
void WriteFrame(std::ostream& out, std::string_view body);

// Serves one client until "exit" or the end of the input; the process's
// exit status (0 after shutdown and exit).
int Serve(std::istream& in, std::ostream& out, ServerOptions options = {});

}  // namespace vyl::lsp
