// What every byte stream must give the server, for the fuzz target and the
// replay of its corpus: it is served to the end without a crash, and what
// comes back is frames of JSON-RPC messages.
#pragma once

#include <string>
#include <string_view>

#include "lsp/analysis.h"

namespace vyl::lsp::test {

// "" when the server served `input` as it must; otherwise what was wrong.
std::string StreamFault(std::string_view input, const Compiler& compile);

}  // namespace vyl::lsp::test
