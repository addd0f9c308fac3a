// A session for the declaration rules: the outermost table with the
// reserved keys the start rule seeds, and the scanner on a source.
#pragma once

#include <string>

#include "codegen/codegen.h"
#include "decl/decl.h"
#include "outermost.h"
#include "scanner/scanner.h"

namespace vyl::test {

class DeclTest : public OutermostTest {
 protected:
  Tree chain = nullptr;
  Tree counter = nullptr;   // key -5
  Tree pool = nullptr;      // key -6
  Tree location = nullptr;  // key -4, the top level's

  // Opens `source` and seeds the reserved keys as the start rule does: the
  // procedure counter, then on level 1 the empty context, the break
  // context, the table pool and the top-level location (offset 6).
  void Start(const std::string& source) {
    Open(source, true);
    chain = nullptr;
    counter = Build(L_fn, Leaf(1));
    pool = Build(L_tk, nullptr, {nullptr, nullptr});
    location = Build(L_lc, Leaf(6), {Build(L_dl, Leaf(1)), nullptr});
    ASSERT_TRUE(into(kKeyProcCounter, syms, counter, syms));
    ASSERT_TRUE(openPlus(syms, syms));
    ASSERT_TRUE(into(kKeyContext, syms, nullptr, syms));
    ASSERT_TRUE(into(kKeyBreak, syms, Build(L_no), syms));
    ASSERT_TRUE(into(kKeyTablePool, syms, pool, syms));
    ASSERT_TRUE(into(kKeyLocation, syms, location, syms));
  }

  // Parses the imports and the declarations of `source`, as the start rule
  // does; `syms` and `chain` hold the results.
  void Declare(const std::string& source) {
    Start(source);
    while (ImportDeclaration(syms, chain, chain, syms)) {
    }
    while (TypeDeclaration(nullptr, syms, chain, chain, syms)) {
    }
  }

  // The message lines the declarations of `source` ended with ("" when
  // they ended without a fatal error).
  std::string DeclareMessage(const std::string& source) {
    return MessageOf([&] { Declare(source); });
  }

  static Tree Part(Tree t, int i) { return KidCount(t) >= i ? Kid(t, i) : nullptr; }
  static int32_t Value(Tree t) { return ValueOf(t); }
  // The offset a location record or `of` node holds.
  static int32_t Offset(Tree t) { return ValueOf(Kid(t, 0)); }
};

// The output of a rule that ended the run with `message`.
inline std::string RuleOutput(const std::string& message) { return "\r\n" + message + "\r\nNested error"; }

}  // namespace vyl::test
