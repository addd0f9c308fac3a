// Placeholder until the token reader lands: the source reads as empty.
#include "scanner/scanner.h"

namespace vyl {

struct ScannerState {
  int32_t line = 1;
};

std::shared_ptr<ScannerState> NewScannerState() { return std::make_shared<ScannerState>(); }
void ScannerStart() {}
void Rescan() {}
void NextToken() {}
int32_t TokenCode() { return T_End; }
int32_t CurrentLine() { return 1; }
int32_t KeywordOf(int32_t, int32_t) { return 0; }
bool Accept(int32_t) { return false; }
bool TokIdent(int32_t&) { return false; }
bool TokHex(int32_t&) { return false; }
bool TokNumber(int32_t&) { return false; }
bool TokChar(int32_t&) { return false; }
bool TokString(int32_t&) { return false; }

}  // namespace vyl
