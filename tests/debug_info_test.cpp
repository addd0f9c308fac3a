// The debug info of a compilation (docs/debug-info.md): what its variables'
// storage holds.
#include <gtest/gtest.h>

#include <map>

#include "app/app.h"

namespace {

// Each variable's `inlined` flag: the storage holds the array or object
// itself rather than a reference to it.
std::map<std::string, bool> InlinedOf(const std::string& source) {
  vyl::MemoryHost host;
  host.files["prog.vyl"] = source;
  vyl::SessionOptions options;
  options.debugInfo = true;
  options.warnings = false;
  const vyl::SessionResult result = vyl::RunSession(host, "prog.vyl", options);
  EXPECT_TRUE(result.success) << result.message;
  std::map<std::string, bool> inlined;
  for (const auto& v : result.debugInfo.variables) inlined[v.name] = v.inlined;
  return inlined;
}

TEST(DebugInfo, ArraysInPlaceAndBehindReferences) {
  const std::map<std::string, bool> inlined = InlinedOf(R"(class Point { int x; }
final Point origin = new Point();
int[3] table;
String name;
char[] text;
Point head;

void main() {
  int[2][2] grid;
  byte[] bytes = new byte[4];
  String word = "Vyl";
  name = word;
  text = "abc";
  grid[1][1] = LENGTH(bytes);
}
)");
  EXPECT_EQ(inlined, (std::map<std::string, bool>{{"origin", true},
                                                  {"table", true},
                                                  {"name", false},
                                                  {"text", false},
                                                  {"head", false},
                                                  {"grid", true},
                                                  {"bytes", false},
                                                  {"word", false}}));
}

}  // namespace
