// Reading a compiled program (.ftx text disk image) into a memory image.
//
// The file is text: a header, messages and a symbol listing for people, then
// the memory image as lines of blank-separated decimal byte values. The image
// is the last block of consecutive lines made only of such values; it is
// loaded at address 0, and its first word is the program size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vylsim {

// Programs occupy the low half of memory; the stack starts at 8000.
inline constexpr size_t max_image_size = 0x8000;

struct LoadResult {
  std::vector<uint8_t> image;
  std::string error;  // empty when the image loaded
  bool ok() const { return error.empty(); }
};

// Extracts the image from the text of a .ftx file and checks it.
LoadResult parse_ftx(std::string_view text);

// Reads and parses a .ftx file; errors name the file.
LoadResult load_ftx(const std::string& path);

// Checks raw image bytes the way parse_ftx checks the bytes it found: the
// size word must match the byte count, and the image must fit below the stack.
LoadResult check_image(std::vector<uint8_t> bytes);

}  // namespace vylsim
