// The token reader's state for one compilation.  Internal to src/scanner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scanner/scanner.h"

namespace vyl {

struct ScannerState {
  // The character after the text scanned so far.  It has already been
  // consumed from the source slot (and fed to the checksum), exactly one
  // character ahead of the token delivered; kEndOfFile at the end.
  int32_t ch = 0;
  bool primed = false;  // ch holds the first character of the current reading
  int32_t line = 1;

  int32_t token = 0;  // the current token's code; 0 while a token is read
  // The value of the last token of each valued kind.
  int32_t identId = 0;
  int32_t hexValue = 0;
  int32_t numberValue = 0;
  int32_t charValue = 0;
  int32_t stringId = 0;

  // The characters read for the current token (for the trace only).
  std::string text;

  // Keyword codes for the string ids firstKeyword .. lastKeyword.
  int32_t firstKeyword = 0;
  int32_t lastKeyword = -1;
  std::vector<int32_t> keywordCodes;
};

namespace scan {

constexpr std::size_t kTokenTextLimit = 127;

ScannerState& State();

// Moves past the current character: counts the line it ends, keeps it in
// the token text and reads the next one.
void Advance(ScannerState& s);
// Starts reading the source again at line 1; the first NextToken then reads
// the first character (ReadFirst).
void Restart(ScannerState& s);
void ReadFirst(ScannerState& s);

void BuildKeywordTable(ScannerState& s);

// The two ways the token reader ends a compilation.
[[noreturn]] void InvalidCharacter(int32_t ch, int32_t line);
[[noreturn]] void UnterminatedComment(int32_t openingLine);

}  // namespace scan
}  // namespace vyl
