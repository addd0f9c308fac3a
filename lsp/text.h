// A document's text with the two ways of pointing into it: the byte offsets
// of the compiler (and its 1-based lines and byte columns) and the
// protocol's positions, 0-based lines and characters counted in UTF-16 code
// units.  Lines end at LF, CR LF or a lone CR, for both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"

namespace vyl::lsp {

struct Position {
  int32_t line = 0;
  int32_t character = 0;
  bool operator==(const Position&) const = default;
};

struct Range {
  Position start;
  Position end;
  bool operator==(const Range&) const = default;
};

class Text {
 public:
  explicit Text(std::string text = "");

  const std::string& str() const { return text_; }
  int32_t size() const { return static_cast<int32_t>(text_.size()); }
  int32_t lineCount() const { return static_cast<int32_t>(lineStarts_.size()); }

  // The position of a byte offset (clamped into the text; an offset inside
  // a character's bytes counts as its start).
  Position PositionOf(int32_t offset) const;
  // The byte offset of a position: a character past the end of its line
  // means the line's end, a line past the last one the end of the text.
  int32_t OffsetOf(Position position) const;
  // The byte offset of the compiler's 1-based line and byte column.
  int32_t OffsetOfColumn(int32_t line, int32_t column) const;
  Range RangeOf(SourceSpan span) const;
  // The bytes of a span ("" for a span outside the text).
  std::string_view Slice(SourceSpan span) const;

  // The UTF-16 length of some bytes of UTF-8 (a stray byte counts as one).
  static int32_t Utf16Length(std::string_view bytes);

 private:
  int32_t LineEnd(int32_t line) const;  // before its line break
  std::string text_;
  std::vector<int32_t> lineStarts_;
};

}  // namespace vyl::lsp
