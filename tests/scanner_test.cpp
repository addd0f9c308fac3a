// The token reader: token streams with their values and lines, the
// token-kind operations the rules use, the trace, the post-mortem records,
// reading again, and the messages that end a compilation.
#include "fixture.h"

namespace vyl::test {
namespace {

// One token as text: "id:NAME", "kw:CODE", "num:V", "hex:V", "chr:V",
// "str:TEXT" (bytes outside 32..126 as \NNN), the code of any other token,
// and "end"; with `lines`, "@LINE" follows each.
std::string Describe(bool lines) {
  int32_t code = TokenCode(), value = TokenValue();
  std::string d = std::to_string(code);
  if (code == T_Ident) d = "id:" + std::string(StringText(value));
  if (code == T_Ident && KeywordOf(code, value)) d = "kw:" + std::to_string(KeywordOf(code, value));
  if (code == T_Number) d = "num:" + std::to_string(value);
  if (code == T_Hex) d = "hex:" + std::to_string(value);
  if (code == T_Char) d = "chr:" + std::to_string(value);
  if (code == T_End) d = "end";
  if (code == T_String) {
    d = "str:";
    for (unsigned char c : StringText(value)) {
      d += c >= 32 && c < 127 ? std::string(1, static_cast<char>(c)) : "\\" + std::to_string(c);
    }
  }
  return lines ? d + "@" + std::to_string(CurrentLine()) : d;
}

// The rest of the source in the open session, added to `out`.
std::string ReadAll(bool lines = false) {
  std::string out = Describe(lines);
  for (int guard = 0; TokenCode() != T_End && guard < 100000; ++guard) {
    NextToken();
    out.append(" ").append(Describe(lines));
  }
  return out;
}

// All tokens of `source`; when the reader ends the compilation, the tokens
// delivered before it, "|" and the message.
std::string Tokens(std::string_view source, bool lines = false) {
  MemoryHost host;
  host.files["prog.vyl"] = std::string(source);
  std::string out;
  try {
    OpenSession session(host, "prog.vyl", /*startScanner=*/true);
    out = Describe(lines);
    for (int guard = 0; TokenCode() != T_End && guard < 100000; ++guard) {
      NextToken();
      out.append(" ").append(Describe(lines));
    }
    return out;
  } catch (const FatalReturn&) {
    std::string text = host.files["prog.ftx"];
    EXPECT_TRUE(text.starts_with("\r\n") && text.ends_with("\r\nNested error")) << text;
    return (out.empty() ? "| " : out + " | ") + text.substr(2, text.size() - 16);
  }
}

TEST(ScannerTest, TokenStreams) {
  const std::pair<const char*, const char*> cases[] = {
      {"x=12;", "id:x 1089 num:12 1062 end"},
      {"?x", "840 id:x end"},
      {"", "end"},
      {"x = y", "id:x 1089 id:y end"},  // the last token without a line end
      {"( ) [ ] { } ; , . : ? = + - * / % ~ ! & | ^ && || < > <= >= == != << >> >>>",
       "744 1260 747 750 1155 1164 1062 1308 1023 1986 840 1089 2223 2226 666 657 2259 660 780 741 "
       "2094 2127 2031 2007 2076 2082 2085 2079 2070 2073 2181 2187 2184 end"},
      {"([{}]);,.:?+-*%~^", "744 747 1155 1164 750 1260 1062 1308 1023 1986 840 2223 2226 666 2259 660 2127 end"},
      {"a<<=b", "id:a 2181 1089 id:b end"},  // the longest match
      {">>>= >>= <<< >>>>", "2184 1089 2187 1089 2181 2076 2184 2082 end"},
      {"++ -- += -> ::", "2223 2223 2226 2226 2223 1089 2226 2082 1986 1986 end"},
      {"&&& ||| === !== <== >==", "2031 741 2007 2094 2070 1089 2073 1089 2085 1089 2079 1089 end"},
      {"final static synchronized import class new if else while do switch break continue return case default "
       "void true false null",
       "kw:987 kw:990 kw:993 kw:1008 kw:1077 kw:1251 kw:1824 kw:1854 kw:1863 kw:1878 kw:1884 kw:1902 kw:1914 "
       "kw:1926 kw:1971 kw:1989 kw:2349 kw:2433 kw:2436 kw:2454 end"},
      {"If ELSE Class iF nulls dO", "id:If id:ELSE id:Class id:iF id:nulls id:dO end"},
      {"a1b2 Zz9 q ab.cd", "id:a1b2 id:Zz9 id:q id:ab 1023 id:cd end"},
      {"a\tb\x0b" "c\x0c" "d\x08" "e f", "id:a id:b id:c id:d id:e id:f end"},  // blanks of every kind
      {"0 007 65535 0X1f 0x7fFF 0xABCDEF", "num:0 num:7 num:65535 hex:31 hex:32767 hex:11259375 end"},
      {"12ab 0x1fg 00x1 10x", "num:12 id:ab hex:31 id:g num:0 id:x1 num:10 id:x end"},
      {"4294967295 4294967296 4294967297 2147483648 99999999999",  // values wrap in 32 bits
       "num:-1 num:0 num:1 num:-2147483648 num:1215752191 end"},
      {"0xFFFFFFFF 0x100000000 0x123456789 0xfffffffffffffffff", "hex:-1 hex:0 hex:591751049 hex:-1 end"},
      {"123456789012345678901234567890", "num:1312754386 end"},
      {"a 0x; b", "id:a id:b end"},  // "0x" and the character after it vanish
      {"a 0xg b", "id:a id:b end"},
      {"a 0X", "id:a end"},
      {"'a' '\\'' '\\n' '\\\"' '\\\\' '\\r' '\\t' '\\b' '\"' ' ' '_' '@'",
       "chr:97 chr:39 chr:10 chr:34 chr:92 chr:13 chr:9 chr:8 chr:34 chr:32 chr:95 chr:64 end"},
      {"x='y';", "id:x 1089 chr:121 1062 end"},
      {"'' x", "id:x end"},  // a malformed literal and the character that does not fit vanish
      {"'ab;x", "1062 id:x end"},
      {"'\\q;x", "1062 id:x end"},
      {"a '", "id:a end"},
      {"\"a\\nb\"", "str:a\\138b end"},  // escapes are stored as 128 + their code
      {"\"\\\"\\\\\\'\\r\\n\\t\\b\"", "str:\"\\'\\141\\138\\137\\136 end"},
      {"\"it's _@#$`\" \"\"", "str:it's _@#$` str: end"},
      {"x \"abc", "id:x end"},
      {"\"a\\qb;", "id:b 1062 end"},  // up to the bad escape's letter
      {"a//b\rc", "id:a id:c end"},
      {"a /* x */ b a/**/b", "id:a id:b id:a id:b end"},
      {"/* a */ */", "666 657 end"},  // a block comment ends at the first close
      {"/*/ x */ y", "id:y end"},
      {"/* ** / ***/ z", "id:z end"},
      {"/* // */ w", "id:w end"},
      {"// \x01 \x80 _ @ # $ ` \\\r/* \x7f\xfe _@ */ok", "id:ok end"},  // comments hold anything
  };
  for (auto [source, tokens] : cases) EXPECT_EQ(Tokens(source), tokens) << source;
}

TEST(ScannerTest, LinesOfTokens) {
  const std::pair<const char*, const char*> cases[] = {
      {"a 0x\rb", "id:a@1 id:b@2 end@2"},
      {"'a\rb", "id:b@2 end@2"},
      {"'\r'x'", "chr:120@2 end@2"},
      {"x \"ab\rc", "id:x@1 id:c@2 end@2"},
      {"a\r// one\r// two\rb", "id:a@1 id:b@4 end@4"},
      {"a // to the end", "id:a@1 end@1"},
      {"a /*\r\r*/ b\rc /* \r */\rd", "id:a@1 id:b@3 id:c@4 id:d@6 end@6"},  // lines in comments count once
      {"a\r", "id:a@1 end@3"},  // the end right after a line end counts one more line
      {"a\r\r", "id:a@1 end@4"},
      {"a", "id:a@1 end@1"},
      {"a\r ", "id:a@1 end@2"},
      {"\r", "end@3"},
      {"a // c\r", "id:a@1 end@3"},
      {"a\r\n// c\r\nb", "id:a@1 id:b@3 end@3"},
  };
  for (auto [source, tokens] : cases) EXPECT_EQ(Tokens(source, true), tokens) << source;
  // (Every line end style reads as CR: session_test.)
}

TEST(ScannerTest, MessagesThatEndTheCompilation) {
  // Only literals and comments may hold these; the token before is delivered.
  for (char c : std::string("_`@#$\\")) {
    EXPECT_EQ(Tokens(std::string("a\r b") + c + "c"),
              "id:a id:b | Invalid character in source: code " + std::to_string(c) + " ('" + c + "') in line 2");
  }
  const std::pair<const char*, const char*> cases[] = {
      {"x = 0x_1", "id:x 1089 | Invalid character in source: code 95 ('_') in line 1"},
      {"a\x01", "id:a | Invalid character in source: code 1 in line 1"},
      {"a\r\r\x1f", "id:a | Invalid character in source: code 31 in line 3"},
      {"x\x7f", "id:x | Invalid character in source: code 127 in line 1"},
      {"\"ab\x80\"", "| Invalid character in source: code 128 in line 1"},
      {"\r'\xfe'", "| Invalid character in source: code 254 in line 2"},
      {"'\\\x05'", "| Invalid character in source: code 5 in line 1"},
      {"'a\x06", "| Invalid character in source: code 6 in line 1"},
      {"a\r/* x\r\r", "id:a | Unterminated block comment opened in line 2"},
      {"/*/", "| Unterminated block comment opened in line 1"},
      {"a /* x *", "id:a | Unterminated block comment opened in line 1"},
  };
  for (auto [source, message] : cases) EXPECT_EQ(Tokens(source), message) << source;
}

using ScannerSessionTest = SessionTest;

TEST_F(ScannerSessionTest, KeywordsHoldTheFirstStringIds) {
  Open("", true, false);
  EXPECT_EQ(StringText(30), "final");
  EXPECT_EQ(StringText(87), "null");
  EXPECT_EQ(std::make_pair(KeywordOf(T_Ident, 30), KeywordOf(T_Ident, 87)), std::make_pair(987, 2454));
  for (int32_t id : {27, 31, 90, -5}) EXPECT_EQ(KeywordOf(T_Ident, id), 0) << id;
  EXPECT_EQ(KeywordOf(T_Number, 30), 0);
}

TEST_F(ScannerSessionTest, TokenKindOperationsHandBackValues) {
  Open("class Foo ( 0x1F 'c' \"hi\" 9 ) while x x \"x\"", true, false);
  int32_t id = -7, v = -7, s = 0;
  EXPECT_FALSE(Accept(K_if));
  EXPECT_FALSE(TokIdent(id));  // a keyword is no identifier
  EXPECT_EQ(std::make_pair(id, AcceptedTokens()), std::make_pair(-7, 0));
  EXPECT_TRUE(Accept(K_class));
  EXPECT_FALSE(Accept(K_class) || Accept(0));
  EXPECT_TRUE(TokIdent(id));
  EXPECT_EQ(StringText(id), "Foo");
  EXPECT_TRUE(Accept(T_LParen));
  EXPECT_FALSE(TokNumber(v) || TokChar(v) || TokString(v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(TokHex(v) && v == 31);
  EXPECT_TRUE(TokChar(v) && v == 'c');
  EXPECT_TRUE(TokString(s) && StringText(s) == "hi");
  EXPECT_TRUE(TokNumber(v) && v == 9);
  EXPECT_TRUE(Accept(T_RParen));
  InternText("somethingElse");  // the keyword test uses the token, not the last interned string
  EXPECT_TRUE(Accept(K_while));
  int32_t id2 = 0, str = 0;
  ASSERT_TRUE(TokIdent(id) && TokIdent(id2) && TokString(str));
  EXPECT_EQ(id, id2);  // identifiers and strings are interned apart
  EXPECT_NE(id, str);
  EXPECT_EQ(StringText(str), "x");
  EXPECT_EQ(TokenCode(), T_End);
  EXPECT_EQ(AcceptedTokens(), 12);
}

TEST_F(ScannerSessionTest, TheTraceShowsTokenTextsAndKinds) {
  Open("x = 12;\r'a' \"s\" 0x10 " + std::string(200, 'n') + ";", true, false);
  SetTraceLevel(1);
  int32_t v = 0;
  ASSERT_TRUE(TokIdent(v) && Accept(T_Assign) && TokNumber(v) && Accept(T_Semi));
  ASSERT_TRUE(TokChar(v) && TokString(v) && TokHex(v) && TokIdent(v));
  EXPECT_EQ(StringText(v), std::string(200, 'n'));
  SetTraceLevel(0);
  session.reset();
  std::string trace;  // without the line breaks of the trace file
  for (char c : host.files["KIBdbg.txt"]) {
    if (c != '\r' && c != '\n') trace.push_back(c);
  }
  // The text of each token, with the blanks before it, is traced when the
  // next one is read ("`93" is the interning of the string "s"); a long
  // text is cut for the trace only.
  const std::string expected = "=ID 90\"x\"\" =\"=NUM 12\" 12\"\";\"=CHR 97\"'a'\"`93=STR 93\" \"s\"\"=HEX 16\" 0x10\"";
  EXPECT_EQ(trace.substr(0, expected.size()), expected);
  EXPECT_NE(trace.find("\" " + std::string(126, 'n') + '"'), std::string::npos);  // 127 characters
}

// The image lines, written a chunk at a time in the file's form, leave the
// file, the positions and the history as the messages one by one would.
TEST_F(ScannerSessionTest, ByteValuesWriteWhatTheirMessagesWrite) {
  for (std::size_t count : {std::size_t{10}, std::size_t{1500}, std::size_t{40000}}) {
    std::vector<uint8_t> values(count);
    for (std::size_t i = 0; i < count; ++i) values[i] = static_cast<uint8_t>(i * 37 + i / 7);
    struct Written {
      std::string file, history;
      int32_t position;
    } written[2];
    for (int way = 0; way < 2; ++way) {
      Open("", false, false);
      Msg("head");
      if (way == 0) {
        MsgByteValues(values);
      } else {
        for (std::size_t i = 0; i < count; ++i) {
          if (i % 16 == 0) MsgLineEnd();
          Msg(" ");
          MsgNumber(values[i]);
        }
      }
      written[way].position = PreMortemPosition();
      written[way].history = HistoryTail();
      session.reset();
      written[way].file = host.files["prog.ftx"];
    }
    EXPECT_EQ(written[0].file, written[1].file) << count;
    EXPECT_EQ(written[0].position, written[1].position) << count;
    EXPECT_EQ(written[0].history, written[1].history) << count;
    EXPECT_EQ(written[0].file.substr(0, 16), "head\r\n 0 37 74 1") << count;
  }
}

TEST_F(ScannerSessionTest, PostMortemRecordsHistoryAndRescan) {
  std::string source;
  for (int i = 0; i < 100; ++i) source += "a ";
  Open(source, true, false);
  ReadAll();
  // 101 tokens were read; the position 64 back is the one recorded when the
  // 38th was requested, after the first 37 tokens and their blanks: its
  // count, and the running checksum of those 74 characters.
  uint32_t sum = 0;
  for (char c : source.substr(0, 74)) sum = ((sum << 1 | sum >> 15) + 3u * static_cast<uint32_t>(c)) & 0xFFFFu;
  uint32_t pos = static_cast<uint32_t>(PreMortemPosition());
  EXPECT_EQ(pos >> 16, 37u);
  EXPECT_EQ(pos & 0xFFFFu, sum);
  // The history holds the source read, one character ahead.
  Open("ab cd\r\nef", true, false);
  EXPECT_EQ(HistoryTail(), "ab ");
  ReadAll();
  EXPECT_EQ(HistoryTail(), "ab cd\ref");
  // Rescan reads the source again from line 1.
  Open("a\rb c\r\r/*\r*/d 'x'\r", true, false);
  const std::string first = ReadAll(true);
  EXPECT_EQ(first, "id:a@1 id:b@2 id:c@2 id:d@5 chr:120@5 end@7");
  Rescan();
  EXPECT_EQ(ReadAll(true), first);
  Rescan();
  NextToken();
  Rescan();
  EXPECT_EQ(ReadAll(true), first);
}

}  // namespace
}  // namespace vyl::test
