// In-process fixture for the code generator: a session on a memory host, a
// fresh image, tree builders for the shapes the front end hands over, and
// readers for the image bytes and the message lines.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "codegen/codegen.h"
#include "expr/expr.h"
#include "runtime/runtime.h"

namespace vyl::cgtest {

// "3F 02 24 1C" -> {0x3F, 0x02, 0x24, 0x1C}
inline std::vector<int> Hex(std::string_view text) {
  std::vector<int> out;
  std::istringstream in{std::string(text)};
  std::string byte;
  while (in >> byte) out.push_back(std::stoi(byte, nullptr, 16));
  return out;
}

inline Tree Cn(int32_t v) { return Build(L_cn, Leaf(v)); }
// A frame slot (no base) or an offset from a base address.
inline Tree Of(int32_t v, Tree base = nullptr) { return Build(L_of, Leaf(v), {base}); }
inline Tree Gl(int32_t v) { return Build(L_gl, Leaf(v)); }
// The value of the word variable at frame offset v, as Primary reads it.
inline Tree Word(int32_t v) { return Build(L_dr, nullptr, {Of(v)}); }
// A statement line: nn(line, statement).
inline Tree Line(int32_t line, Tree statement) { return Build(L_nn, Leaf(line), {statement}); }
// target = value, after `before`; `kind` is the pt / pm / mt marker.
inline Tree Assign(Tree before, Tree target, Tree value, Tree kind = nullptr) {
  return Build(L_as, nullptr, {before, target, value, kind});
}
// Pushes n zero words after `before`: n bytes of code for n <= 9.
inline Tree Zeros(int32_t n, Tree before = nullptr) { return Build(L_zz, Leaf(n), {before}); }
// A statement list that generates exactly `bytes` bytes of code.
inline Tree Filler(int32_t bytes, Tree before = nullptr) {
  Tree t = before;
  for (; bytes >= 9; bytes -= 9) t = Zeros(9, t);
  if (bytes > 0) t = Zeros(bytes, t);
  return t;
}

class CodegenTest : public ::testing::Test {
 public:
  MemoryHost host;
  std::unique_ptr<OpenSession> session;
  int32_t next = 0;
  Tree fixups = nullptr;

  void SetUp() override {
    host.files["prog.vyl"] = "";
    session = std::make_unique<OpenSession>(host);
    ASSERT_TRUE(AllocateImage());
  }
  void TearDown() override { session.reset(); }

  std::vector<int> Bytes(int32_t from, int32_t to) const {
    std::vector<int> out;
    auto image = Image();
    for (int32_t i = from; i < to; ++i) out.push_back(image[static_cast<std::size_t>(i)]);
    return out;
  }
  int32_t WordAt(int32_t addr) const {
    auto image = Image();
    return (image[static_cast<std::size_t>(addr)] << 8) | image[static_cast<std::size_t>(addr) + 1];
  }
  // Generates `tree` at `loc` and hands back the bytes written.
  std::vector<int> Generate(Tree tree, int32_t loc = 0x100) {
    next = -1;
    fixups = nullptr;
    bool ok = CodeGen(loc, next, fixups, tree);
    EXPECT_TRUE(ok);
    if (!ok) return {};
    return Bytes(loc, next);
  }
  bool Fails(Tree tree, int32_t loc = 0x100) {
    fixups = nullptr;
    return !CodeGen(loc, next, fixups, tree);
  }
  // The message lines written to the output so far.
  std::vector<std::string> Messages() const {
    std::vector<std::string> lines;
    auto it = host.files.find("prog.ftx");
    if (it == host.files.end()) return lines;
    std::string cur;
    for (char c : it->second) {
      if (c == '\r') continue;
      if (c == '\n') {
        if (!cur.empty()) lines.push_back(cur);
        cur.clear();
      } else {
        cur.push_back(c);
      }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
  }
};

}  // namespace vyl::cgtest
