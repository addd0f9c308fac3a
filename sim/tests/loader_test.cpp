// Finding the memory image in the text of a .ftx file.
#include <gtest/gtest.h>

#include "loader.h"

namespace vylsim {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Loader, ReadsTheImageAfterTheListing) {
  const LoadResult result = parse_ftx(
      "Text Floppy Disk Image\r\n! @\r\n! + 0 I count\r\n"
      "\r\n 0 18 0 5 1 2 3 4 5 6 7 8 9 10 11 12\r\n 13 14\r\n");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.image, (Bytes{0, 18, 0, 5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
}

TEST(Loader, AcceptsLineFeedsAloneAndTabs) {
  const LoadResult result = parse_ftx("Text Floppy Disk Image\n\n 0 6\t0 4 32 3");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.image, (Bytes{0, 6, 0, 4, 32, 3}));
}

TEST(Loader, TakesTheLastBlockOfValueLines) {
  const LoadResult result = parse_ftx("Text Floppy Disk Image\r\n 1 2 3\r\n! @\r\n 0 4\r\n 0 2\r\n");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.image, (Bytes{0, 4, 0, 2}));
}

TEST(Loader, LinesWithOtherTextOrLargeValuesAreNotImageLines) {
  const LoadResult result = parse_ftx(" 0 4 0 2\r\n 0 4 0 256\r\n 0 4 0 2x\r\n");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.image, (Bytes{0, 4, 0, 2}));
}

TEST(Loader, FileWithoutAnImageIsAnError) {
  const LoadResult result = parse_ftx("Text Floppy Disk Image\r\n\r\nUndefined variable count\r\n");
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.error.find("no memory image"), std::string::npos) << result.error;
}

TEST(Loader, SizeWordMustMatchTheBytes) {
  const LoadResult result = parse_ftx(" 0 9 0 4 32 3\r\n");
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error, "memory image holds 6 bytes but its size word says 9");
  EXPECT_FALSE(parse_ftx(" 0 3 0\r\n").ok());
}

TEST(Loader, ImageMustStayBelowTheStack) {
  Bytes bytes(0x8001, 0);
  EXPECT_FALSE(check_image(bytes).ok());
}

TEST(Loader, MissingFileNamesTheFile) {
  const LoadResult result = load_ftx("/nonexistent/prog.ftx");
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error, "/nonexistent/prog.ftx: cannot open file");
}

}  // namespace
}  // namespace vylsim
