// Placeholder scanner: no tokens yet.
#include "scanner/scanner.h"

namespace vyl {

struct ScannerState {
  int32_t line = 1;
};

std::shared_ptr<ScannerState> NewScannerState() { return std::make_shared<ScannerState>(); }

void ScannerStart() {}
int32_t CurrentLine() { return 1; }

}  // namespace vyl
