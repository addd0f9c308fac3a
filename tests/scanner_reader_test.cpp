// The token reader as the parsing rules use it: acceptance, the token-kind
// operations, the trace, the post-mortem records, reading again, and the
// messages that end a compilation.
#include <gtest/gtest.h>

#include "harness.h"
#include "scanner_support.h"

namespace vyl {
namespace {

using test::FatalOutput;
using test::Reported;

TEST(ScannerAcceptTest, AcceptTakesPunctuationAndKeywords) {
  MemoryHost host;
  host.files["prog.vyl"] = "class Foo ( 12 )";
  OpenSession session(host, "prog.vyl", true);
  int32_t id = -7;
  EXPECT_FALSE(Accept(K_if));
  EXPECT_FALSE(TokIdent(id));  // a keyword is no identifier
  EXPECT_EQ(id, -7);
  EXPECT_EQ(AcceptedTokens(), 0);
  EXPECT_TRUE(Accept(K_class));
  EXPECT_FALSE(Accept(K_class));
  EXPECT_FALSE(Accept(0));
  EXPECT_TRUE(TokIdent(id));
  EXPECT_EQ(StringText(id), "Foo");
  int32_t v = -7;
  EXPECT_FALSE(TokNumber(v));
  EXPECT_TRUE(Accept(T_LParen));
  EXPECT_FALSE(TokHex(v));
  EXPECT_FALSE(TokChar(v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(TokNumber(v));
  EXPECT_EQ(v, 12);
  EXPECT_TRUE(Accept(T_RParen));
  EXPECT_EQ(TokenCode(), T_End);
  EXPECT_EQ(AcceptedTokens(), 5);
}

TEST(ScannerAcceptTest, KeywordTestUsesTheTokenNotTheLastInternedString) {
  MemoryHost host;
  host.files["prog.vyl"] = "while x";
  OpenSession session(host, "prog.vyl", true);
  InternText("somethingElse");  // a rule interning a name of its own
  EXPECT_TRUE(Accept(K_while));
  InternText("while");
  int32_t id = 0;
  EXPECT_TRUE(TokIdent(id));
  EXPECT_EQ(StringText(id), "x");
}

TEST(ScannerAcceptTest, TokenKindOperationsHandBackValues) {
  MemoryHost host;
  host.files["prog.vyl"] = "0x1F 'c' \"hi\" 9";
  OpenSession session(host, "prog.vyl", true);
  int32_t hex = 0, chr = 0, str = 0, num = 0;
  EXPECT_FALSE(TokNumber(num));
  EXPECT_TRUE(TokHex(hex));
  EXPECT_FALSE(TokString(str));
  EXPECT_TRUE(TokChar(chr));
  EXPECT_FALSE(TokIdent(num));
  EXPECT_TRUE(TokString(str));
  EXPECT_TRUE(TokNumber(num));
  EXPECT_EQ(hex, 31);
  EXPECT_EQ(chr, 'c');
  EXPECT_EQ(StringText(str), "hi");
  EXPECT_EQ(num, 9);
  EXPECT_EQ(AcceptedTokens(), 4);
}

TEST(ScannerTraceTest, TokenTextAndKindMarkers) {
  MemoryHost host;
  host.files["prog.vyl"] = "x = 12;\r'a' \"s\" 0x10";
  {
    OpenSession session(host, "prog.vyl", true);
    SetTraceLevel(1);
    int32_t v = 0;
    ASSERT_TRUE(TokIdent(v));
    ASSERT_TRUE(Accept(T_Assign));
    ASSERT_TRUE(TokNumber(v));
    ASSERT_TRUE(Accept(T_Semi));
    ASSERT_TRUE(TokChar(v) && TokString(v) && TokHex(v));
    SetTraceLevel(0);
  }
  std::string trace;  // without the line breaks of the trace file
  for (char c : host.files["KIBdbg.txt"]) {
    if (c != '\r' && c != '\n') trace.push_back(c);
  }
  // The text of each token, with the blanks before it, is traced when the
  // next one is read ("`93" is the interning of the string "s").
  const std::string expected =
      "=ID 90\"x\"\" =\"=NUM 12\" 12\"\";\"=CHR 97\"'a'\"`93=STR 93\" \"s\"\"=HEX 16\" 0x10\"";
  EXPECT_EQ(trace.substr(0, expected.size()), expected);
}

TEST(ScannerTraceTest, TokenTextIsCutForTheTraceOnly) {
  MemoryHost host;
  host.files["prog.vyl"] = std::string(200, 'n') + ";";
  int32_t id = 0;
  {
    OpenSession session(host, "prog.vyl", true);
    SetTraceLevel(1);
    ASSERT_TRUE(TokIdent(id));
    EXPECT_EQ(StringText(id), std::string(200, 'n'));
    SetTraceLevel(0);
  }
  const std::string& trace = host.files["KIBdbg.txt"];
  EXPECT_NE(trace.find('"' + std::string(127, 'n') + '"'), std::string::npos);
}

// The running checksum after `text` has been read.
uint32_t ChecksumOf(std::string_view text) {
  uint32_t sum = 0;
  for (char c : text) {
    sum = (((sum << 1) | (sum >> 15)) & 0xFFFFu);
    sum = (sum + 3u * static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)))) & 0xFFFFu;
  }
  return sum;
}

TEST(ScannerRecordTest, EachTokenRecordsAPositionAfterReadingItsDelimiter) {
  std::string source;
  for (int i = 0; i < 100; ++i) source += "a ";
  MemoryHost host;
  host.files["prog.vyl"] = source;
  OpenSession session(host, "prog.vyl", true);
  test::ReadAll();
  // 101 tokens were read; the position 64 back is the one recorded when the
  // 38th was requested, after the first 37 tokens and their blanks.
  uint32_t pos = static_cast<uint32_t>(PreMortemPosition());
  EXPECT_EQ(pos >> 16, 37u);
  EXPECT_EQ(pos & 0xFFFFu, ChecksumOf(source.substr(0, 74)));
}

TEST(ScannerRecordTest, HistoryHoldsTheSourceReadOneCharacterAhead) {
  MemoryHost host;
  host.files["prog.vyl"] = "ab cd\r\nef";
  OpenSession session(host, "prog.vyl", true);
  EXPECT_EQ(HistoryTail(), "ab ");
  test::ReadAll();
  EXPECT_EQ(HistoryTail(), "ab cd\ref");
}

TEST(ScannerRescanTest, ReadsTheSourceAgainFromLineOne) {
  MemoryHost host;
  host.files["prog.vyl"] = "a\rb c\r\r/*\r*/d 'x'\r";
  OpenSession session(host, "prog.vyl", true);
  std::string first = test::ReadAll(true);
  EXPECT_EQ(first, "id:a@1 id:b@2 id:c@2 id:d@5 chr:120@5 end@7");
  Rescan();
  EXPECT_EQ(test::ReadAll(true), first);
  Rescan();
  NextToken();
  Rescan();
  EXPECT_EQ(test::ReadAll(true), first);
}

TEST(ScannerErrorTest, CharactersOnlyLiteralsMayHoldEndTheCompilation) {
  for (char c : std::string("_`@#$\\")) {
    std::string expected = "Invalid character in source: code " + std::to_string(c) + " ('" + c + "') in line 2";
    EXPECT_EQ(FatalOutput(std::string("a\r b") + c + "c"), Reported(expected)) << c;
  }
  EXPECT_EQ(FatalOutput("x = 0x_1"), Reported("Invalid character in source: code 95 ('_') in line 1"));
}

TEST(ScannerErrorTest, TokenBeforeAnInvalidCharacterIsStillDelivered) {
  MemoryHost host;
  host.files["prog.vyl"] = "a_b";
  OpenSession session(host, "prog.vyl", true);
  EXPECT_EQ(test::DescribeToken(false), "id:a");
  EXPECT_THROW(NextToken(), FatalReturn);
  EXPECT_EQ(host.files["prog.ftx"], Reported("Invalid character in source: code 95 ('_') in line 1"));
}

TEST(ScannerErrorTest, ForeignCharactersEndTheCompilationOutsideComments) {
  EXPECT_EQ(FatalOutput("a\x01"), Reported("Invalid character in source: code 1 in line 1"));
  EXPECT_EQ(FatalOutput("a\r\r\x1f"), Reported("Invalid character in source: code 31 in line 3"));
  EXPECT_EQ(FatalOutput("x\x7f"), Reported("Invalid character in source: code 127 in line 1"));
  EXPECT_EQ(FatalOutput("\"ab\x80\""), Reported("Invalid character in source: code 128 in line 1"));
  EXPECT_EQ(FatalOutput("\r'\xfe'"), Reported("Invalid character in source: code 254 in line 2"));
  EXPECT_EQ(FatalOutput("'\\\x05'"), Reported("Invalid character in source: code 5 in line 1"));
  EXPECT_EQ(FatalOutput("'a\x06"), Reported("Invalid character in source: code 6 in line 1"));
}

TEST(ScannerErrorTest, CommentsMayHoldAnyCharacter) {
  EXPECT_EQ(test::Tokens("// \x01 \x80 _ @ # $ ` \\\r/* \x7f\xfe _@ */ok"), "id:ok end");
  EXPECT_EQ(FatalOutput("// \x01\r/* \x02 */ x"), "");
}

TEST(ScannerErrorTest, UnterminatedBlockCommentNamesItsOpeningLine) {
  EXPECT_EQ(FatalOutput("a\r/* x\r\r"), Reported("Unterminated block comment opened in line 2"));
  EXPECT_EQ(FatalOutput("/*/"), Reported("Unterminated block comment opened in line 1"));
  EXPECT_EQ(FatalOutput("a /* x *"), Reported("Unterminated block comment opened in line 1"));
}

TEST(ScannerErrorTest, CompilationReportsTheLineOfTheMessage) {
  test::Compiled bad = test::CompileSource("\r\r  $");
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(bad.hasLine("Invalid character in source: code 36 ('$') in line 3"));
  EXPECT_EQ(bad.stderrText, "prog.vyl:3: error: Invalid character in source: code 36 ('$') in line 3\n");
  test::Compiled open = test::CompileSource("\r/* never closed\r\r*");
  EXPECT_EQ(open.stderrText, "prog.vyl:2: error: Unterminated block comment opened in line 2\n");
}

}  // namespace
}  // namespace vyl
