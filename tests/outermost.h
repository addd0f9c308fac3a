// A session holding the outermost symbol table a program starts from: the
// built-in types and the predefined packages.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/app.h"
#include "env/env.h"
#include "expr/expr.h"
#include "runtime/runtime.h"

namespace vyl::test {

class OutermostTest : public ::testing::Test {
 protected:
  MemoryHost host;
  std::unique_ptr<OpenSession> session;
  Tree syms = nullptr;
  int32_t mainName = 0;

  // Opens a session on `source`; with `scan` the scanner starts on it.
  void Open(const std::string& source = "", bool scan = false) {
    session.reset();
    host.files["prog.vyl"] = source;
    session = std::make_unique<OpenSession>(host, "prog.vyl", scan);
    Tree builtins = nullptr;
    ASSERT_TRUE(BuiltinTypes(nullptr, builtins));
    ASSERT_TRUE(BasicInOutSyms(builtins, syms, mainName));
  }
  void SetUp() override { Open(); }
  void TearDown() override { session.reset(); }

  // The binding of a key (a reserved number or a string id) in `table`.
  static Tree Bound(int32_t key, Tree table) {
    Tree value = nullptr;
    int32_t level = 0;
    return From(key, table, value, level) ? value : nullptr;
  }
  Tree Key(int32_t key) const { return Bound(key, syms); }
  Tree Named(const char* name) const { return Bound(InternText(name), syms); }

  // The output file after `f` ended the run through the fatal-error path,
  // or "" when it returned.
  std::string MessageOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const FatalReturn&) {
      return host.files["prog.ftx"];
    }
    return "";
  }
};

}  // namespace vyl::test
