// The one in-process fixture: a session on a memory host with the outermost
// symbol table (the built-in types and the predefined packages), a fresh
// code image, readers for the image and the messages, and builders for the
// trees the front end hands to the code generator.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "codegen/codegen_internal.h"
#include "env/env.h"
#include "expr/expr.h"
#include "runtime/runtime.h"
#include "scanner/scanner.h"

namespace vyl::test {

constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();

// "3F 02 24 1C" -> {0x3F, 0x02, 0x24, 0x1C}
inline std::vector<int> Hex(std::string_view text) {
  std::vector<int> out;
  std::istringstream in{std::string(text)};
  for (std::string byte; in >> byte;) out.push_back(std::stoi(byte, nullptr, 16));
  return out;
}

inline Tree Cn(int32_t v) { return Build(L_cn, Leaf(v)); }
// A frame slot (no base) or an offset from a base address.
inline Tree Of(int32_t v, Tree base = nullptr) { return Build(L_of, Leaf(v), {base}); }
inline Tree Gl(int32_t v) { return Build(L_gl, Leaf(v)); }
// The value of the word variable at frame offset v.
inline Tree Word(int32_t v) { return Build(L_dr, nullptr, {Of(v)}); }
// A statement line: nn(line, statement).
inline Tree Line(int32_t line, Tree statement) { return Build(L_nn, Leaf(line), {statement}); }
// target = value after `before`; `kind` is the pt / pm / mt marker.
inline Tree Assign(Tree before, Tree target, Tree value, Tree kind = nullptr) {
  return Build(L_as, nullptr, {before, target, value, kind});
}
// local(offset) = value: 2 or 4 bytes of code.
inline Tree Set(int32_t offset, int32_t value, Tree before = nullptr) { return Assign(before, Of(offset), Cn(value)); }
// Pushes n zero words after `before`: n bytes of code for n <= 9.
inline Tree Zeros(int32_t n, Tree before = nullptr) { return Build(L_zz, Leaf(n), {before}); }
// A statement list that generates exactly `bytes` bytes of code.
inline Tree Filler(int32_t bytes, Tree before = nullptr) {
  for (; bytes >= 9; bytes -= 9) before = Zeros(9, before);
  return bytes > 0 ? Zeros(bytes, before) : before;
}

class SessionTest : public ::testing::Test {
 protected:
  MemoryHost host;
  std::unique_ptr<OpenSession> session;
  Tree syms = nullptr;  // the outermost table
  int32_t next = 0;
  Tree fixups = nullptr;

  void SetUp() override { Open(); }
  void TearDown() override { session.reset(); }

  // Opens a session on `source`; with `scan` the scanner starts on it, with
  // `outermost` the built-in types and packages are bound in `syms`.
  void Open(const std::string& source = "", bool scan = false, bool outermost = true) {
    session.reset();
    host.files["prog.vyl"] = source;
    session = std::make_unique<OpenSession>(host, "prog.vyl", scan);
    ASSERT_TRUE(AllocateImage());
    syms = nullptr;
    if (!outermost) return;
    Tree builtins = nullptr;
    int32_t mainName = 0;
    ASSERT_TRUE(BuiltinTypes(nullptr, builtins) && BasicInOutSyms(builtins, syms, mainName));
  }

  // The binding of a key (a reserved number or a string id) in `table`.
  static Tree Bound(int32_t key, Tree table) {
    Tree value = nullptr;
    int32_t level = 0;
    return From(key, table, value, level) ? value : nullptr;
  }
  Tree Key(int32_t key) const { return Bound(key, syms); }
  Tree Named(const char* name) const { return Bound(InternText(name), syms); }
  Tree Int() const { return Key(kKeyInt); }

  // The message that ended `f` through the fatal-error path ("" when it
  // returned): the last message line of the output.
  std::string MessageOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const FatalReturn&) {
      std::string out = host.files["prog.ftx"];
      if (out.ends_with("\r\nNested error")) out.erase(out.size() - 14);
      std::size_t cut = out.rfind("\r\n");
      return cut == std::string::npos ? out : out.substr(cut + 2);
    }
    return "";
  }
  // The message lines written to the output so far.
  std::vector<std::string> Messages() const {
    std::vector<std::string> lines;
    std::istringstream in(host.files.count("prog.ftx") ? host.files.at("prog.ftx") : "");
    for (std::string l; std::getline(in, l);) {
      if (!l.empty() && l.back() == '\r') l.pop_back();
      if (!l.empty()) lines.push_back(l);
    }
    return lines;
  }

  std::vector<int> Bytes(int32_t from, int32_t to) const {
    auto image = Image();
    return {image.begin() + from, image.begin() + to};
  }
  int32_t WordAt(int32_t addr) const { return Bytes(addr, addr + 2)[0] << 8 | Bytes(addr, addr + 2)[1]; }
  // Generates `tree` at `loc` and hands back the bytes written.
  std::vector<int> Generate(Tree tree, int32_t loc = 0x100) {
    next = -1;
    fixups = nullptr;
    bool ok = CodeGen(loc, next, fixups, tree);
    EXPECT_TRUE(ok);
    return ok ? Bytes(loc, next) : std::vector<int>{};
  }
  bool Fails(Tree tree, int32_t loc = 0x100) {
    fixups = nullptr;
    return !CodeGen(loc, next, fixups, tree);
  }
};

}  // namespace vyl::test
