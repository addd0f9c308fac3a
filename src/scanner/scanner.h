// The lexical scanner: turns the source file into tokens on demand.
#pragma once

#include <cstdint>
#include <memory>

namespace vyl {

struct ScannerState;
std::shared_ptr<ScannerState> NewScannerState();

// Builds the keyword table and the automaton and reads the first token.
void ScannerStart();
// The current line number of the source.
int32_t CurrentLine();

}  // namespace vyl
