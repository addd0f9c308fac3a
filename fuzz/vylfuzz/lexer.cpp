#include "lexer.h"

#include <set>

#include "parser.h"

namespace vylfuzz {

namespace {

const std::set<std::string, std::less<>> kKeywords = {
    "final", "static", "synchronized", "import", "class", "new", "if", "else", "while", "do",
    "switch", "break", "continue", "return", "case", "default", "void", "true", "false", "null"};

// Longest first, as the scanner reads them.
const char* const kPuncts[] = {">>>", "&&", "||", "<=", ">=", "==", "!=", "<<", ">>", "(", ")", "[", "]",
                               "{",   "}",  ";",  ",",  ".",  ":",  "?",  "=",  "+",  "-", "*", "/", "%",
                               "~",   "!",  "&",  "|",  "^",  "<",  ">"};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  explicit Lexer(std::string_view src) : src_(src) {}

  std::vector<Token> All() {
    std::vector<Token> tokens;
    for (;;) {
      Token t = Next();
      tokens.push_back(t);
      if (t.kind == Tok::End) return tokens;
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& message) { throw SyntaxError(line_, message); }

  char Peek(size_t ahead = 0) const { return pos_ + ahead < src_.size() ? src_[pos_ + ahead] : '\0'; }

  void SkipBlanks() {
    while (pos_ < src_.size()) {
      char c = src_[pos_];
      if (c == '\n' || (c == '\r' && Peek(1) != '\n')) {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\b' || c == '\r') {
        ++pos_;
      } else if (c == '/' && Peek(1) == '/') {
        while (pos_ < src_.size() && src_[pos_] != '\n' && src_[pos_] != '\r') ++pos_;
      } else if (c == '/' && Peek(1) == '*') {
        size_t end = src_.find("*/", pos_ + 2);
        if (end == std::string_view::npos) Fail("unterminated block comment");
        for (size_t i = pos_; i < end; ++i) {
          if (src_[i] == '\n' || (src_[i] == '\r' && src_[i + 1] != '\n')) ++line_;
        }
        pos_ = end + 2;
      } else {
        return;
      }
    }
  }

  int Escape() {
    char c = Peek();
    ++pos_;
    if (c != '\\') {
      if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) >= 127) Fail("bad character in literal");
      return static_cast<unsigned char>(c);
    }
    char e = Peek();
    ++pos_;
    switch (e) {
      case 'n': return '\n';
      case 'r': return '\r';
      case 't': return '\t';
      case 'b': return '\b';
      case '\'': return '\'';
      case '"': return '"';
      case '\\': return '\\';
      default: Fail("unknown escape");
    }
  }

  Token Next() {
    SkipBlanks();
    Token t;
    t.line = line_;
    if (pos_ >= src_.size()) return t;
    char c = src_[pos_];
    if (IsLetter(c)) {
      size_t start = pos_;
      while (IsLetter(Peek()) || IsDigit(Peek())) ++pos_;
      t.text = std::string(src_.substr(start, pos_ - start));
      t.kind = kKeywords.count(t.text) ? Tok::Keyword : Tok::Name;
      return t;
    }
    if (IsDigit(c)) {
      t.kind = Tok::Number;
      size_t start = pos_;
      uint64_t v = 0;
      if (c == '0' && (Peek(1) == 'x' || Peek(1) == 'X')) {
        pos_ += 2;
        bool any = false;
        for (;;) {
          char h = Peek();
          int d = IsDigit(h) ? h - '0' : (h >= 'a' && h <= 'f') ? h - 'a' + 10 : (h >= 'A' && h <= 'F') ? h - 'A' + 10 : -1;
          if (d < 0) break;
          v = (v * 16 + static_cast<uint64_t>(d)) & 0xFFFFFFFFu;
          ++pos_;
          any = true;
        }
        if (!any) Fail("hexadecimal number without digits");
      } else {
        while (IsDigit(Peek())) v = (v * 10 + static_cast<uint64_t>(src_[pos_++] - '0')) & 0xFFFFFFFFu;
      }
      // Numbers are taken in 32 bits.
      t.value = static_cast<int32_t>(static_cast<uint32_t>(v));
      t.text = std::string(src_.substr(start, pos_ - start));
      return t;
    }
    if (c == '\'') {
      ++pos_;
      t.kind = Tok::Char;
      if (Peek() == '\'') Fail("empty character literal");
      t.value = Escape();
      if (Peek() != '\'') Fail("character literal not closed");
      ++pos_;
      return t;
    }
    if (c == '"') {
      ++pos_;
      t.kind = Tok::String;
      while (Peek() != '"') {
        if (pos_ >= src_.size() || Peek() == '\n' || Peek() == '\r') Fail("string not closed on its line");
        t.text.push_back(static_cast<char>(Escape()));
      }
      ++pos_;
      return t;
    }
    for (const char* p : kPuncts) {
      std::string_view s(p);
      if (s[0] == c && src_.substr(pos_, s.size()) == s) {
        pos_ += s.size();
        t.kind = Tok::Punct;
        t.text = std::string(s);
        return t;
      }
    }
    Fail(std::string("invalid character '") + c + "'");
  }

  std::string_view src_;
  size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace

std::vector<Token> Lex(std::string_view source) { return Lexer(source).All(); }

}  // namespace vylfuzz
