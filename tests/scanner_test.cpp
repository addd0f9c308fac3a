// The token reader: token streams with their values and line numbers.
#include <gtest/gtest.h>

#include "scanner_support.h"

namespace vyl {
namespace {

using test::Tokens;
using test::TokensWithLines;

TEST(ScannerStreamTest, StatementGivesTokensWithValues) {
  EXPECT_EQ(Tokens("x=12;"), "id:x 1089 num:12 1062 end");
  EXPECT_EQ(Tokens("?x"), "840 id:x end");
  EXPECT_EQ(Tokens(""), "end");
  // The last token of a file without a final line end is still delivered.
  EXPECT_EQ(Tokens("x = y"), "id:x 1089 id:y end");
}

TEST(ScannerStreamTest, EveryOperatorHasItsCode) {
  EXPECT_EQ(Tokens("( ) [ ] { } ; , . : ? = + - * / % ~ ! & | ^ && || < > <= >= == != << >> >>>"),
            "744 1260 747 750 1155 1164 1062 1308 1023 1986 840 1089 2223 2226 666 657 2259 660 780 741 "
            "2094 2127 2031 2007 2076 2082 2085 2079 2070 2073 2181 2187 2184 end");
  // The same without blanks between single-character tokens.
  EXPECT_EQ(Tokens("([{}]);,.:?+-*%~^"), "744 747 1155 1164 750 1260 1062 1308 1023 1986 840 2223 2226 666 2259 660 2127 end");
}

TEST(ScannerStreamTest, OperatorsTakeTheLongestMatch) {
  EXPECT_EQ(Tokens("a<<=b"), "id:a 2181 1089 id:b end");
  EXPECT_EQ(Tokens(">>>= >>= <<< >>>>"), "2184 1089 2187 1089 2181 2076 2184 2082 end");
  EXPECT_EQ(Tokens("++ -- += -> ::"), "2223 2223 2226 2226 2223 1089 2226 2082 1986 1986 end");
  EXPECT_EQ(Tokens("&&& ||| === !== <== >=="), "2031 741 2007 2094 2070 1089 2073 1089 2085 1089 2079 1089 end");
  EXPECT_EQ(Tokens("a/b"), "id:a 657 id:b end");
}

TEST(ScannerStreamTest, KeywordsAreExactSpellings) {
  EXPECT_EQ(Tokens("final static synchronized import class new if else while do switch break "
                   "continue return case default void true false null"),
            "kw:987 kw:990 kw:993 kw:1008 kw:1077 kw:1251 kw:1824 kw:1854 kw:1863 kw:1878 kw:1884 "
            "kw:1902 kw:1914 kw:1926 kw:1971 kw:1989 kw:2349 kw:2433 kw:2436 kw:2454 end");
  EXPECT_EQ(Tokens("If ELSE Class iF nulls dO"), "id:If id:ELSE id:Class id:iF id:nulls id:dO end");
}

TEST(ScannerStreamTest, KeywordsHoldTheFirstStringIds) {
  MemoryHost host;
  host.files["prog.vyl"] = "";
  OpenSession session(host, "prog.vyl", true);
  const char* words[] = {"final", "static", "synchronized", "import", "class", "new", "if",
                         "else", "while", "do", "switch", "break", "continue", "return",
                         "case", "default", "void", "true", "false", "null"};
  const int32_t codes[] = {987, 990, 993, 1008, 1077, 1251, 1824, 1854, 1863, 1878,
                           1884, 1902, 1914, 1926, 1971, 1989, 2349, 2433, 2436, 2454};
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(StringText(30 + 3 * k), words[k]);
    EXPECT_EQ(KeywordOf(T_Ident, 30 + 3 * k), codes[k]) << words[k];
    EXPECT_EQ(KeywordOf(T_Number, 30 + 3 * k), 0);
  }
  EXPECT_EQ(KeywordOf(T_Ident, 27), 0);
  EXPECT_EQ(KeywordOf(T_Ident, 31), 0);
  EXPECT_EQ(KeywordOf(T_Ident, 90), 0);
  EXPECT_EQ(KeywordOf(T_Ident, -5), 0);
}

TEST(ScannerStreamTest, IdentifiersAreLettersAndDigits) {
  EXPECT_EQ(Tokens("a1b2 Zz9 q"), "id:a1b2 id:Zz9 id:q end");
  EXPECT_EQ(Tokens("ab.cd"), "id:ab 1023 id:cd end");
  // A blank of every kind separates tokens.
  EXPECT_EQ(Tokens("a\tb\x0b" "c\x0c" "d\x08" "e f"), "id:a id:b id:c id:d id:e id:f end");
}

TEST(ScannerNumberTest, DecimalAndHexadecimalValues) {
  EXPECT_EQ(Tokens("0 007 65535 0X1f 0x7fFF 0xABCDEF"),
            "num:0 num:7 num:65535 hex:31 hex:32767 hex:11259375 end");
  // Digits followed by a letter: the number, then an identifier.
  EXPECT_EQ(Tokens("12ab 0x1fg 00x1 10x"), "num:12 id:ab hex:31 id:g num:0 id:x1 num:10 id:x end");
}

TEST(ScannerNumberTest, ValuesWrapIn32Bits) {
  EXPECT_EQ(Tokens("4294967295 4294967296 4294967297 2147483648 99999999999"),
            "num:-1 num:0 num:1 num:-2147483648 num:1215752191 end");
  EXPECT_EQ(Tokens("0xFFFFFFFF 0x100000000 0x123456789 0xfffffffffffffffff"),
            "hex:-1 hex:0 hex:591751049 hex:-1 end");
  EXPECT_EQ(Tokens("123456789012345678901234567890"), "num:1312754386 end");
}

TEST(ScannerNumberTest, HexPrefixWithoutDigitVanishes) {
  // "0x" and the character after it give no token.
  EXPECT_EQ(Tokens("a 0x; b"), "id:a id:b end");
  EXPECT_EQ(Tokens("a 0xg b"), "id:a id:b end");
  EXPECT_EQ(TokensWithLines("a 0x\rb"), "id:a@1 id:b@2 end@2");
  EXPECT_EQ(Tokens("a 0X"), "id:a end");
}

TEST(ScannerLiteralTest, CharacterLiterals) {
  EXPECT_EQ(Tokens("'a' '\\'' '\\n' '\\\"' '\\\\' '\\r' '\\t' '\\b' '\"' ' ' '_' '@'"),
            "chr:97 chr:39 chr:10 chr:34 chr:92 chr:13 chr:9 chr:8 chr:34 chr:32 chr:95 chr:64 end");
  EXPECT_EQ(Tokens("x='y';"), "id:x 1089 chr:121 1062 end");
}

TEST(ScannerLiteralTest, MalformedCharacterLiteralsVanish) {
  // The literal and the character that does not fit it are dropped.
  EXPECT_EQ(Tokens("'' x"), "id:x end");
  EXPECT_EQ(Tokens("'ab;x"), "1062 id:x end");
  EXPECT_EQ(Tokens("'\\q;x"), "1062 id:x end");
  EXPECT_EQ(Tokens("a '"), "id:a end");
  EXPECT_EQ(TokensWithLines("'a\rb"), "id:b@2 end@2");
  EXPECT_EQ(TokensWithLines("'\r'x'"), "chr:120@2 end@2");
}

TEST(ScannerLiteralTest, StringLiteralsStoreEscapes) {
  EXPECT_EQ(Tokens("\"a\\nb\""), "str:a\\138b end");
  EXPECT_EQ(Tokens("\"\\\"\\\\\\'\\r\\n\\t\\b\""), "str:\"\\'\\141\\138\\137\\136 end");
  EXPECT_EQ(Tokens("\"it's _@#$`\" \"\""), "str:it's _@#$` str: end");
  EXPECT_EQ(Tokens("s=\"\";"), "id:s 1089 str: 1062 end");
}

TEST(ScannerLiteralTest, StringsAndIdentifiersAreInternedApart) {
  MemoryHost host;
  host.files["prog.vyl"] = "x \"x\" x \"x\" \"\"";
  OpenSession session(host, "prog.vyl", true);
  int32_t id1 = 0, s1 = 0, id2 = 0, s2 = 0, empty = 0;
  ASSERT_TRUE(TokIdent(id1) && TokString(s1) && TokIdent(id2) && TokString(s2) && TokString(empty));
  EXPECT_EQ(id1, id2);
  EXPECT_EQ(s1, s2);
  EXPECT_NE(id1, s1);
  EXPECT_EQ(StringText(s1), "x");
  int32_t len = -1;
  length(empty, len);
  EXPECT_EQ(len, 0);
}

TEST(ScannerLiteralTest, MalformedStringLiteralsVanish) {
  EXPECT_EQ(TokensWithLines("x \"ab\rc"), "id:x@1 id:c@2 end@2");
  EXPECT_EQ(Tokens("x \"abc"), "id:x end");
  // A bad escape drops the literal up to the escape letter; reading goes on
  // after it.
  EXPECT_EQ(Tokens("\"a\\qb;"), "id:b 1062 end");
}

TEST(ScannerCommentTest, LineComments) {
  EXPECT_EQ(TokensWithLines("a\r// one\r// two\rb"), "id:a@1 id:b@4 end@4");
  EXPECT_EQ(TokensWithLines("a // to the end"), "id:a@1 end@1");
  EXPECT_EQ(Tokens("a//b\rc"), "id:a id:c end");
}

TEST(ScannerCommentTest, BlockCommentsEndAtTheFirstClose) {
  EXPECT_EQ(Tokens("a /* x */ b"), "id:a id:b end");
  EXPECT_EQ(Tokens("a/**/b"), "id:a id:b end");
  EXPECT_EQ(Tokens("/* a */ */"), "666 657 end");
  EXPECT_EQ(Tokens("/*/ x */ y"), "id:y end");
  EXPECT_EQ(Tokens("/* ** / ***/ z"), "id:z end");
  EXPECT_EQ(Tokens("/* // */ w"), "id:w end");
}

TEST(ScannerCommentTest, LinesInsideBlockCommentsCountOnce) {
  EXPECT_EQ(TokensWithLines("a /*\r\r*/ b\rc /* \r */\rd"), "id:a@1 id:b@3 id:c@4 id:d@6 end@6");
}

TEST(ScannerLineTest, TokenAtItsLineEndKeepsItsLine) {
  MemoryHost host;
  host.files["prog.vyl"] = "a\rb";
  OpenSession session(host, "prog.vyl", true);
  EXPECT_EQ(test::DescribeToken(true), "id:a@1");
  NextToken();
  EXPECT_EQ(test::DescribeToken(true), "id:b@2");
}

TEST(ScannerLineTest, EndOfFileAfterALineEndCountsOneMoreLine) {
  EXPECT_EQ(TokensWithLines("a\r"), "id:a@1 end@3");
  EXPECT_EQ(TokensWithLines("a\r\r"), "id:a@1 end@4");
  EXPECT_EQ(TokensWithLines("a"), "id:a@1 end@1");
  EXPECT_EQ(TokensWithLines("a\r "), "id:a@1 end@2");
  EXPECT_EQ(TokensWithLines("\r"), "end@3");
  EXPECT_EQ(TokensWithLines("a // c\r"), "id:a@1 end@3");
}

TEST(ScannerLineTest, EveryLineEndStyleReadsAlike) {
  const char* lf = "class A {\n  int x; // note\n\n  /* two\n lines */ char c = 'q';\n}\n";
  std::string cr, crlf;
  for (const char* p = lf; *p; ++p) {
    cr += *p == '\n' ? "\r" : std::string(1, *p);
    crlf += *p == '\n' ? "\r\n" : std::string(1, *p);
  }
  std::string expected =
      "kw:1077@1 id:A@1 1155@1 id:int@2 id:x@2 1062@2 id:char@5 id:c@5 1089@5 chr:113@5 1062@5 1164@6 end@8";
  EXPECT_EQ(TokensWithLines(lf), expected);
  EXPECT_EQ(TokensWithLines(cr), expected);
  EXPECT_EQ(TokensWithLines(crlf), expected);
  EXPECT_EQ(TokensWithLines("a\r\n// c\r\nb"), "id:a@1 id:b@3 end@3");
}

}  // namespace
}  // namespace vyl
