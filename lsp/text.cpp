// Offsets, lines and UTF-16 characters of a document.
#include "lsp/text.h"

#include <algorithm>

namespace vyl::lsp {

namespace {

// The number of bytes of the UTF-8 sequence that starts with `lead`, and the
// UTF-16 units it takes; a byte that starts no sequence is one byte, one unit.
int SequenceLength(unsigned char lead) {
  if (lead < 0xC0 || lead >= 0xF8) return 1;
  return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The bytes of the character at `i` of `bytes`: its sequence when every
// continuation byte is there, else the lead byte alone.
std::size_t CharacterBytes(std::string_view bytes, std::size_t i) {
  const auto n = static_cast<std::size_t>(SequenceLength(static_cast<unsigned char>(bytes[i])));
  if (i + n > bytes.size()) return 1;
  for (std::size_t k = 1; k < n; ++k) {
    if (!IsContinuation(static_cast<unsigned char>(bytes[i + k]))) return 1;
  }
  return n;
}

}  // namespace

Text::Text(std::string text) : text_(std::move(text)) {
  lineStarts_.push_back(0);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\r') {
      if (i + 1 < text_.size() && text_[i + 1] == '\n') ++i;
      lineStarts_.push_back(static_cast<int32_t>(i + 1));
    } else if (text_[i] == '\n') {
      lineStarts_.push_back(static_cast<int32_t>(i + 1));
    }
  }
}

int32_t Text::Utf16Length(std::string_view bytes) {
  int32_t units = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = CharacterBytes(bytes, i);
    units += n == 4 ? 2 : 1;
    i += n;
  }
  return units;
}

int32_t Text::LineEnd(int32_t line) const {
  int32_t end = line + 1 < lineCount() ? lineStarts_[static_cast<std::size_t>(line + 1)] : size();
  const int32_t begin = lineStarts_[static_cast<std::size_t>(line)];
  while (end > begin && (text_[static_cast<std::size_t>(end - 1)] == '\n' || text_[static_cast<std::size_t>(end - 1)] == '\r')) {
    --end;
  }
  return end;
}

Position Text::PositionOf(int32_t offset) const {
  offset = std::clamp(offset, 0, size());
  const auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
  const auto line = static_cast<int32_t>(after - lineStarts_.begin()) - 1;
  const int32_t begin = lineStarts_[static_cast<std::size_t>(line)];
  const auto upTo = static_cast<std::size_t>(std::min(offset, LineEnd(line)) - begin);
  // Whole characters only: an offset inside one counts from its start.
  std::string_view bytes(text_.data() + begin, static_cast<std::size_t>(LineEnd(line) - begin));
  int32_t units = 0;
  for (std::size_t i = 0; i < upTo;) {
    const std::size_t n = CharacterBytes(bytes, i);
    if (i + n > upTo) break;
    units += n == 4 ? 2 : 1;
    i += n;
  }
  return Position{line, units};
}

int32_t Text::OffsetOf(Position position) const {
  if (position.line < 0) return 0;
  if (position.line >= lineCount()) return size();
  const int32_t begin = lineStarts_[static_cast<std::size_t>(position.line)];
  const int32_t end = LineEnd(position.line);
  std::string_view bytes(text_.data() + begin, static_cast<std::size_t>(end - begin));
  int32_t units = 0;
  std::size_t i = 0;
  while (i < bytes.size() && units < position.character) {
    const std::size_t n = CharacterBytes(bytes, i);
    units += n == 4 ? 2 : 1;
    i += n;
  }
  return begin + static_cast<int32_t>(i);
}

int32_t Text::OffsetOfColumn(int32_t line, int32_t column) const {
  if (line < 1) return 0;
  if (line > lineCount()) return size();
  const int32_t begin = lineStarts_[static_cast<std::size_t>(line - 1)];
  // A column may point just past the line (a missing token at its end).
  const int32_t limit = line < lineCount() ? lineStarts_[static_cast<std::size_t>(line)] : size();
  return std::clamp(begin + column - 1, begin, limit);
}

Range Text::RangeOf(SourceSpan span) const {
  if (!span.known()) return Range{};
  return Range{PositionOf(span.begin), PositionOf(std::max(span.begin, span.end))};
}

std::string_view Text::Slice(SourceSpan span) const {
  if (!span.known() || span.begin > size() || span.end < span.begin) return {};
  const int32_t end = std::min(span.end, size());
  return std::string_view(text_).substr(static_cast<std::size_t>(span.begin), static_cast<std::size_t>(end - span.begin));
}

}  // namespace vyl::lsp
