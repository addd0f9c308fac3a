// The generator: what it writes is valid, means something, ends, reads back
// as written, and exercises every construct.
#include <gtest/gtest.h>

#include "generator.h"
#include "interpreter.h"
#include "parser.h"
#include "semantics.h"

namespace vylfuzz {
namespace {

TEST(GeneratorTest, EveryConstructAtLeastOncePerThousandPrograms) {
  Coverage total{};
  for (uint64_t seed = 1; seed <= 1000; ++seed) {
    Coverage c = Generate(seed).coverage;
    for (size_t i = 0; i < kConstructs; ++i) total[i] += c[i];
  }
  for (size_t i = 0; i < kConstructs; ++i) {
    EXPECT_GT(total[i], 0u) << ConstructName(static_cast<Construct>(i)) << " never written";
  }
}

TEST(GeneratorTest, TheSameSeedWritesTheSameProgram) {
  for (uint64_t seed : {3u, 77u, 1234u}) {
    Generated a = Generate(seed), b = Generate(seed);
    EXPECT_EQ(Print(a.program), Print(b.program));
    EXPECT_EQ(a.input, b.input);
  }
  EXPECT_NE(Print(Generate(1).program), Print(Generate(2).program));
}

// Reading a printed program back and printing it again gives the same text:
// the printer parenthesises what precedence needs and the reader reads it
// as the compiler does.
TEST(GeneratorTest, ProgramsReadBackAsWritten) {
  for (uint64_t seed = 1; seed <= 60; ++seed) {
    std::string text = Print(Generate(seed).program);
    Program again;
    ASSERT_NO_THROW(again = Parse(text)) << "seed " << seed;
    ASSERT_EQ(Print(again), text) << "seed " << seed;
  }
}

TEST(GeneratorTest, PrinterParenthesisesByPrecedence) {
  auto e = MakeBinary(Op::Sub, MakeName("a"), MakeBinary(Op::Sub, MakeName("b"), MakeName("c")));
  EXPECT_EQ(Print(*e), "a - (b - c)");
  e = MakeBinary(Op::Mul, MakeBinary(Op::Add, MakeName("a"), MakeNumber(1)), MakeUnary(Op::Neg, MakeName("b")));
  EXPECT_EQ(Print(*e), "(a + 1) * -b");
  e = MakeBinary(Op::Eq, MakeBinary(Op::Lt, MakeName("a"), MakeName("b")), MakeBool(true));
  EXPECT_EQ(Print(*e), "(a < b) == true");  // comparisons do not chain
  e = MakeBinary(Op::BitAnd, MakeName("x"), MakeBinary(Op::Shl, MakeNumber(1), MakeNumber(2)));
  EXPECT_EQ(Print(*e), "x & 1 << 2");
  e = MakeUnary(Op::Neg, MakeUnary(Op::Neg, MakeNumber(5)));
  EXPECT_EQ(Print(*e), "--5");  // read as two minus signs
  EXPECT_EQ(Print(*MakeString("a\"b\\c\n")), "\"a\\\"b\\\\c\\n\"");
  EXPECT_EQ(Print(*MakeChar('\'')), "'\\''");
}

// Every program means something (the reference gives it a meaning within
// its budget) but for a few that allocate or run more than the budget.
TEST(GeneratorTest, ProgramsMeanSomethingAndEnd) {
  int invalid = 0, traps = 0;
  const int n = 150;
  for (uint64_t seed = 1; seed <= n; ++seed) {
    Generated g = Generate(seed);
    Outcome o = RunReference(Print(g.program), g.input);
    if (o.stop == Outcome::Invalid) {
      ++invalid;
      // Refused for its size, never for what it says.
      EXPECT_TRUE(o.reason.find("budget") != std::string::npos) << "seed " << seed << ": " << o.reason;
    }
    if (o.stop == Outcome::Trap) ++traps;
  }
  EXPECT_LE(invalid, n / 30);
  // Most programs run to their end; some trap, as they may.
  EXPECT_LE(traps, n / 5);
  EXPECT_GE(traps, 1);
}

}  // namespace
}  // namespace vylfuzz
