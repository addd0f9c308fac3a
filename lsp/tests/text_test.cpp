// Positions: bytes, the compiler's lines and columns, the protocol's UTF-16
// characters; and the light token reading the completion relies on.
#include <gtest/gtest.h>

#include "lsp/lexer.h"
#include "lsp/text.h"

namespace vyl::lsp {
namespace {

TEST(TextTest, LinesEndAtLfCrLfAndLoneCr) {
  const Text t("a\nbc\r\nd\re");
  EXPECT_EQ(t.lineCount(), 4);
  EXPECT_EQ(t.PositionOf(2), (Position{1, 0}));
  EXPECT_EQ(t.PositionOf(4), (Position{1, 2}));  // the CR of CR LF belongs to the line's end
  EXPECT_EQ(t.PositionOf(5), (Position{1, 2}));
  EXPECT_EQ(t.PositionOf(6), (Position{2, 0}));
  EXPECT_EQ(t.PositionOf(8), (Position{3, 0}));
  EXPECT_EQ(t.OffsetOf({2, 0}), 6);
  EXPECT_EQ(t.OffsetOf({3, 1}), 9);
}

TEST(TextTest, CharactersCountInUtf16Units) {
  // "é" is 2 bytes and one unit, "€" 3 bytes and one unit, "𝄞" 4 bytes and two units.
  const std::string line = "// \xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E x";
  const Text t(line);
  EXPECT_EQ(Text::Utf16Length(line), 9);
  const int32_t x = static_cast<int32_t>(line.find('x'));
  EXPECT_EQ(t.PositionOf(x), (Position{0, 8}));
  EXPECT_EQ(t.OffsetOf({0, 8}), x);
  EXPECT_EQ(t.OffsetOf({0, 4}), 5);   // after "é"
  EXPECT_EQ(t.PositionOf(4), (Position{0, 3}));  // inside "é": its start
}

TEST(TextTest, StrayBytesCountAsOneUnitEach) {
  const Text t("\xFF\xC3 x");  // a byte that starts nothing, a lead byte without its continuation
  EXPECT_EQ(t.PositionOf(3), (Position{0, 3}));
  EXPECT_EQ(t.OffsetOf({0, 3}), 3);
}

TEST(TextTest, PositionsOutsideTheTextAreClamped) {
  const Text t("ab\ncd");
  EXPECT_EQ(t.OffsetOf({0, 99}), 2);  // past its line: the line's end
  EXPECT_EQ(t.OffsetOf({7, 0}), 5);   // past the last line: the end
  EXPECT_EQ(t.PositionOf(-4), (Position{0, 0}));
  EXPECT_EQ(t.PositionOf(99), (Position{1, 2}));
  EXPECT_EQ(t.Slice({4, 9}), "d");
  EXPECT_EQ(t.Slice({9, 12}), "");
}

TEST(TextTest, CompilerColumnsAreBytesFromOne) {
  const Text t("int a;\r\n  b = 1;");
  EXPECT_EQ(t.OffsetOfColumn(2, 3), 10);
  EXPECT_EQ(t.OffsetOfColumn(2, 99), t.size());  // a missing token after the last one
  EXPECT_EQ(t.OffsetOfColumn(1, 7), 6);
  EXPECT_EQ(t.OffsetOfColumn(0, 1), 0);
}

TEST(LexerTest, CommentsAndLiteralsHoldTheCursor) {
  const std::string s = "a = \"x // y\"; // c\nb = '\\''; /* d\n e */ f";
  const auto tokens = Tokenize(s, static_cast<int32_t>(s.size()));
  auto in = [&](std::string_view at, int shift) {
    return InCommentOrLiteral(tokens, static_cast<int32_t>(s.find(at)) + shift);
  };
  EXPECT_TRUE(in("x //", 0));
  EXPECT_FALSE(in("\"x", 0));     // before the opening quote
  EXPECT_FALSE(in("; //", 0));    // just after the closing quote
  EXPECT_TRUE(in("// c", 4));     // the end of a line comment
  EXPECT_FALSE(in("\nb", 1));
  EXPECT_TRUE(in("\\'", 1));      // an escaped quote does not close
  EXPECT_TRUE(in(" e */", 0));
  EXPECT_FALSE(in(" f", 1));
}

TEST(LexerTest, UnterminatedLiteralsRunToTheirLineEnd) {
  const std::string s = "x = \"abc\ny /* z";
  const auto tokens = Tokenize(s, static_cast<int32_t>(s.size()));
  EXPECT_TRUE(InCommentOrLiteral(tokens, 8));    // end of the open string
  EXPECT_FALSE(InCommentOrLiteral(tokens, 10));  // the next line
  EXPECT_TRUE(InCommentOrLiteral(tokens, static_cast<int32_t>(s.size())));
}

TEST(LexerTest, NamesNumbersAndKeywords) {
  const std::string s = "12ab 0x1Fg";
  const auto tokens = Tokenize(s, 99);
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0].kind, TokenKind::kNumber);
  EXPECT_EQ(tokens[1].kind, TokenKind::kName);  // digits, then a name
  EXPECT_EQ(tokens[2].end, 9);
  EXPECT_TRUE(IsValidName("total2"));
  EXPECT_FALSE(IsValidName("2total"));
  EXPECT_FALSE(IsValidName("while"));
  EXPECT_FALSE(IsValidName("my_var"));
  EXPECT_TRUE(IsValidName("While"));
}

}  // namespace
}  // namespace vyl::lsp
