// Helpers for the token reader tests: run the reader in-process over a
// source held in memory and describe the tokens it delivers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/app.h"
#include "runtime/runtime.h"
#include "scanner/scanner.h"

namespace vyl::test {

// One token as text: "id:NAME", "kw:CODE", "num:V", "hex:V", "chr:V",
// "str:TEXT" (bytes outside 32..126 as \NNN), the code of any other token,
// and "end"; with `lines`, "@LINE" follows each.
inline std::string DescribeToken(bool lines) {
  int32_t code = TokenCode();
  int32_t value = TokenValue();
  std::string d;
  switch (code) {
    case T_Ident:
      d = KeywordOf(code, value) ? "kw:" + std::to_string(KeywordOf(code, value))
                                 : "id:" + std::string(StringText(value));
      break;
    case T_Number: d = "num:" + std::to_string(value); break;
    case T_Hex: d = "hex:" + std::to_string(value); break;
    case T_Char: d = "chr:" + std::to_string(value); break;
    case T_String:
      d = "str:";
      for (char c : StringText(value)) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 32 && u < 127) {
          d.push_back(c);
        } else {
          d += "\\" + std::to_string(u);
        }
      }
      break;
    case T_End: d = "end"; break;
    default: d = std::to_string(code); break;
  }
  if (lines) d += "@" + std::to_string(CurrentLine());
  return d;
}

// Reads the rest of the source in the open session.
inline std::string ReadAll(bool lines = false) {
  std::string out;
  for (int guard = 0; guard < 100000; ++guard) {
    if (!out.empty()) out.push_back(' ');
    out += DescribeToken(lines);
    if (TokenCode() == T_End) break;
    NextToken();
  }
  return out;
}

// All tokens of `source`, from the start of the reader to the end token.
inline std::string Tokens(std::string_view source, bool lines = false) {
  MemoryHost host;
  host.files["prog.vyl"] = std::string(source);
  OpenSession session(host, "prog.vyl", /*startScanner=*/true);
  return ReadAll(lines);
}

inline std::string TokensWithLines(std::string_view source) { return Tokens(source, true); }

// Reads `source` to its end and returns the output file when the reader
// ended the compilation, "" when it did not.
inline std::string FatalOutput(std::string_view source) {
  MemoryHost host;
  host.files["prog.vyl"] = std::string(source);
  try {
    OpenSession session(host, "prog.vyl", /*startScanner=*/true);
    ReadAll();
  } catch (const FatalReturn&) {
    return host.files["prog.ftx"];
  }
  return "";
}

// The output file of a compilation that the reader ended with `message`.
inline std::string Reported(std::string_view message) {
  return "\r\n" + std::string(message) + "\r\nNested error";
}

}  // namespace vyl::test
