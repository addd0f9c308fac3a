// The reducer: what it deletes and simplifies, with a fault it must keep
// told by the reference alone (no compiler involved).
#include <gtest/gtest.h>

#include <algorithm>

#include "interpreter.h"
#include "reducer.h"

namespace vylfuzz {
namespace {

size_t Lines(const std::string& s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '\n')); }

// The "fault": the program prints an X.
bool PrintsX(const std::string& source) {
  Outcome o = RunReference(source);
  return o.stop != Outcome::Invalid && o.output.find('X') != std::string::npos;
}

constexpr const char* kProgram = R"(import Hardware;

class Unused { int a; int b; }

int counter;
final int[] T = {1, 2, 3};

void noise(int n) {
  int i = 0;
  while (i < n) {
    counter = counter + T[i % 3];
    i = i + 1;
  }
}

int pick(int n) {
  if (n > 2) return 88;
  return 0;
}

void main() {
  int k = 5;
  noise(3);
  noise(2);
  if (counter > 100) Print.datum = 63;
  while (k > 0) {
    k = k - 1;
    noise(pick(k));
    if (k == 1) Print.datum = 88 + counter - counter;
  }
  Print.datum = 10;
}
)";

TEST(ReducerTest, DeletesWhatTheFaultDoesNotNeed) {
  ASSERT_TRUE(PrintsX(kProgram));
  std::string reduced = Reduce(kProgram, PrintsX);
  EXPECT_TRUE(PrintsX(reduced));
  EXPECT_LT(Lines(reduced), 8u) << reduced;
  EXPECT_EQ(reduced.find("Unused"), std::string::npos) << reduced;  // a declaration nothing uses
  EXPECT_EQ(reduced.find("noise"), std::string::npos) << reduced;   // statements and functions
  EXPECT_EQ(reduced.find("while"), std::string::npos) << reduced;   // a loop replaced by its body
}

TEST(ReducerTest, KeepsTheOriginalWhenNothingCanGo) {
  const std::string minimal = "import Hardware;\n\nvoid main() {\n  Print.datum = 88;\n}\n";
  EXPECT_EQ(Reduce(minimal, PrintsX), minimal);
}

TEST(ReducerTest, SimplifiesExpressionsToTheirOperands) {
  // Any program printing a character from 'A' on: the terms the value
  // does not need go, the braces give way to their value.
  auto printsLetter = [](const std::string& source) {
    Outcome o = RunReference(source);
    return o.stop == Outcome::Finished && !o.output.empty() && o.output[0] >= 'A';
  };
  const std::string source =
      "import Hardware;\nint g = 3;\nvoid main() {\n  Print.datum = (g * 20 + 10) - (g - 3) + {g, 2} * g;\n}\n";
  std::string reduced = Reduce(source, printsLetter);
  EXPECT_TRUE(printsLetter(reduced));
  EXPECT_EQ(reduced.find("{g"), std::string::npos) << reduced;
  EXPECT_EQ(reduced.find("g - 3"), std::string::npos) << reduced;
  EXPECT_LT(reduced.size() + 20, source.size()) << reduced;
}

TEST(ReducerTest, StopsAtItsBudget) {
  size_t calls = 0;
  Reduce(kProgram, [&](const std::string& s) {
    ++calls;
    return PrintsX(s);
  }, 10);
  EXPECT_LE(calls, 10u);
}

}  // namespace
}  // namespace vylfuzz
