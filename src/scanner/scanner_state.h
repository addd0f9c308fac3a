// The token reader's state for one compilation.  Internal to src/scanner.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/io.h"
#include "runtime/runtime.h"
#include "scanner/scanner.h"

namespace vyl {

// ---------------------------------------------------------------------------
// Reading a source slot (source_reader.cpp)
//
// GetChar delivers the next character of an input slot and keeps it as the
// slot's lookahead until ConsumeChar: NUL and 0xFF bytes are skipped, a line
// feed after a carriage return belongs to it and a bare one becomes a
// carriage return, and a control-D toggles the full trace.  At the end of
// the input it delivers kEndOfFile (once reporting a source that was cut
// off at the read limit).
int32_t GetChar(int slot);
void ConsumeChar(int slot);
// GetChar, then ConsumeChar unless at the end of the input.
int32_t TakeChar(int slot);
// The input that the next TakeChar calls would read, from the current
// position to the end of the opening; nothing after a GetChar that was not
// consumed.  Its leading ordinary characters are delivered unchanged.
std::string_view PendingInput(int slot);
// Takes the first n characters of PendingInput(slot), all ordinary.
void TakeRun(int slot, std::size_t n);
// Characters that GetChar delivers as they are: not NUL, control-D, line
// feed, carriage return or 0xFF.
constexpr bool IsOrdinaryInput(unsigned char ch) {
  return ch != 0 && ch != 4 && ch != '\n' && ch != '\r' && ch != 0xFF;
}
// IsOrdinaryInput as a table, for loops over many characters.
inline constexpr auto kOrdinaryInput = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = IsOrdinaryInput(static_cast<unsigned char>(c));
  return table;
}();

// The first characters read for a token: the trace shows them.
class TokenText {
 public:
  static constexpr std::size_t kLimit = 127;
  std::size_t size() const { return size_; }
  // Keeps c when there is room.
  void push_back(char c) {
    if (size_ < kLimit) chars_[size_++] = c;
  }
  void clear() { size_ = 0; }
  std::string_view view() const { return {chars_.data(), size_}; }

 private:
  std::array<char, kLimit> chars_{};
  std::size_t size_ = 0;
};

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

  // The characters read for the current token (for the trace only), at
  // most kTokenTextLimit of them.
  TokenText text;

  // Byte offsets in the source opening: where the reading of the token
  // under way began, and the current and the previous token (ends
  // exclusive).  The line starts are found when a position is asked for.
  int32_t readStart = 0;
  SourceSpan current{0, 0};
  SourceSpan previous{0, 0};
  std::vector<int32_t> lineStarts;

  // Keyword codes for the string ids firstKeyword .. lastKeyword.
  int32_t firstKeyword = 0;
  int32_t lastKeyword = -1;
  std::vector<int32_t> keywordCodes;
};

namespace scan {

constexpr std::size_t kTokenTextLimit = TokenText::kLimit;

ScannerState& State();

// Moves past the current character: counts the line it ends, keeps it in
// the token text and reads the next one.
void Advance(ScannerState& s);
// Starts reading the source again at line 1; the first NextToken then reads
// the first character (ReadFirst).
// The source still to be read, when the current character is not a line
// end (else nothing); and n Advance calls at once over its first n
// characters, which are ordinary and no line ends.
std::string_view PendingSource(const ScannerState& s);
void AdvanceRun(ScannerState& s, std::string_view run, std::size_t n);

// Advance while the current character is one that `Keep` accepts (the
// same as calling Advance that often): characters that are not line ends
// are taken from the source in runs.
template <bool (*Keep)(int32_t)>
void AdvanceWhile(ScannerState& s) {
  // The characters that are ordinary input and kept, as a table.
  static constexpr auto kRun = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = kOrdinaryInput[static_cast<std::size_t>(c)] && Keep(c);
    return table;
  }();
  while (s.ch != kEndOfFile && Keep(s.ch)) {
    std::string_view run = PendingSource(s);
    const auto* bytes = reinterpret_cast<const unsigned char*>(run.data());
    std::size_t n = 0;
    std::size_t size = run.size();
    while (n + 4 <= size && kRun[bytes[n]] && kRun[bytes[n + 1]] && kRun[bytes[n + 2]] && kRun[bytes[n + 3]]) n += 4;
    while (n < size && kRun[bytes[n]]) ++n;
    if (n == 0) {
      Advance(s);
    } else {
      AdvanceRun(s, run, n);
    }
  }
}

// The byte offset of the current character in the source opening (its
// length at the end of the file).
int32_t CharOffset(const ScannerState& s);

void Restart(ScannerState& s);
void ReadFirst(ScannerState& s);

void BuildKeywordTable(ScannerState& s);

// The two ways the token reader ends a compilation.
[[noreturn]] void InvalidCharacter(int32_t ch, int32_t line);
[[noreturn]] void UnterminatedComment(int32_t openingLine, int32_t openingOffset);

}  // namespace scan
}  // namespace vyl
