// The differential loop: the kept cases replay on both sides, a compiler
// broken on purpose is caught and its fault reduced, and the verdicts tell
// the kinds of failure apart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "case_files.h"
#include "campaign.h"
#include "instruction.h"
#include "layout.h"
#include "reducer.h"

namespace vylfuzz {
namespace {

namespace fs = std::filesystem;

// Every case kept from a mismatch: the reference still gives its expected
// output and stop, and so does the compiled program.
TEST(DifferentialTest, KeptCasesAgree) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VYL_SOURCE_DIR) / "fuzz" / "vylfuzz" / "cases")) {
    if (entry.path().extension() != ".vyl") continue;
    std::string base = (entry.path().parent_path() / entry.path().stem()).string();
    std::string input = ReadBeside(base, ".in");
    std::string stop = ReadBeside(base, ".stop", "finished\n");
    std::string expected = ReadText(base + ".out");
    Verdict v = Compare(ReadText(entry.path()), input);
    EXPECT_EQ(std::string(StopName(v.reference.stop)) + "\n", stop) << base << ": " << v.reference.reason;
    EXPECT_EQ(v.reference.output, expected) << base;
    EXPECT_EQ(v.kind, Verdict::Agree) << base << ": " << Describe(v);
    ++count;
  }
  EXPECT_GE(count, 3);
}

// Replaces, in the code of the program's own procedures, every instruction
// `from` by `to` (both single-byte instructions).
ImageMutation Replace(vylsim::Op from, vylsim::Op to) {
  return [from, to](std::vector<uint8_t>& image) {
    vylsim::Layout layout(image);
    for (const vylsim::Procedure& p : layout.procedures()) {
      if (!p.valid || p.number <= 1) continue;  // not the start code, not _Up
      for (uint16_t at = p.code_start; at < p.code_end;) {
        vylsim::Instruction in = vylsim::decode(image, at);
        if (in.op == from) image[at] = static_cast<uint8_t>(to);
        at = static_cast<uint16_t>(at + in.length);
      }
    }
  };
}

// A compiler that gets one operator wrong is caught within a few hundred
// programs.
TEST(DifferentialTest, BrokenCompilersAreCaught) {
  const std::pair<vylsim::Op, vylsim::Op> broken[] = {
      {vylsim::Op::Le, vylsim::Op::Lt},    // <= off by one
      {vylsim::Op::Xor, vylsim::Op::Or},   // ^ as |
      {vylsim::Op::Shift, vylsim::Op::Mul},  // any shift
  };
  for (auto [from, to] : broken) {
    CampaignOptions o;
    o.programs = 300;
    o.seed = 11;
    o.mutate = Replace(from, to);
    o.reduce = false;
    o.stopAtFirst = true;
    std::ostringstream log;
    CampaignResult r = RunCampaign(o, log);
    EXPECT_EQ(r.mismatches, 1u) << vylsim::mnemonic(from) << " as " << vylsim::mnemonic(to);
    EXPECT_GT(r.firstMismatch, 0u);
  }
}

// The reducer keeps a fault and drops most of the program around it.
TEST(DifferentialTest, ReductionKeepsTheFault) {
  ImageMutation broken = Replace(vylsim::Op::Xor, vylsim::Op::Or);
  for (uint64_t i = 0;; ++i) {
    ASSERT_LT(i, 300u) << "no program shows the fault";
    Generated g = Generate(ProgramSeed(5, i));
    std::string source = Print(g.program);
    Verdict v = Compare(source, g.input, broken);
    if (v.kind != Verdict::Mismatch) continue;
    std::string reduced =
        Reduce(source, [&](const std::string& s) { return SameFailure(v, Compare(s, g.input, broken)); }, 4000);
    EXPECT_TRUE(SameFailure(v, Compare(reduced, g.input, broken)));
    EXPECT_EQ(Compare(reduced, g.input).kind, Verdict::Agree) << reduced;  // the fault is the broken compiler's
    EXPECT_LT(std::count(reduced.begin(), reduced.end(), '\n'), 40) << reduced;
    EXPECT_LT(reduced.size() * 4, source.size());
    return;
  }
}

TEST(DifferentialTest, VerdictsTellFailuresApart) {
  Verdict agree = Compare("import Hardware;\nvoid main() { Print.datum = 65; }\n", "");
  EXPECT_EQ(agree.kind, Verdict::Agree);
  EXPECT_EQ(agree.output, "A");
  EXPECT_EQ(agree.stop, "finished");

  Verdict skipped = Compare("void main() { while (true) { } }\n", "");
  EXPECT_EQ(skipped.kind, Verdict::Skipped);

  // The reference does not check that a switch group ends in a break; the
  // compiler does.
  Verdict refused = Compare("void main() { switch (1) { case 1: } }\n", "");
  EXPECT_EQ(refused.kind, Verdict::CompileFailed);
  EXPECT_NE(refused.detail.find("Missing break at end of case"), std::string::npos) << refused.detail;

  Verdict trapped = Compare("void main() { int z; z = 1 / z; }\n", "");
  EXPECT_EQ(trapped.kind, Verdict::Agree);
  EXPECT_EQ(trapped.stop, "trap");

  Verdict broken = Compare("import Hardware;\nvoid main() { int a = 2; Print.datum = 64 + (a ^ 3); }\n", "",
                           Replace(vylsim::Op::Xor, vylsim::Op::Or));
  EXPECT_EQ(broken.kind, Verdict::Mismatch);
  EXPECT_EQ(Describe(broken), "output differs");
  Verdict other = broken;
  other.stop = "trap";
  EXPECT_FALSE(SameFailure(broken, other));
  EXPECT_TRUE(SameFailure(broken, broken));
}

TEST(DifferentialTest, KeepWritesProgramsWithTheirOutput) {
  fs::path dir = fs::temp_directory_path() / ("vylfuzz_keep_" + std::to_string(::getpid()));
  CampaignOptions o;
  o.programs = 5;
  o.seed = 3;
  o.keep = dir.string();
  std::ostringstream log;
  CampaignResult r = RunCampaign(o, log);
  EXPECT_EQ(r.programs, 5u);
  EXPECT_EQ(r.mismatches, 0u) << log.str();
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".vyl") continue;
    std::string base = (entry.path().parent_path() / entry.path().stem()).string();
    ASSERT_TRUE(fs::exists(base + ".out"));
    Verdict v = Compare(ReadText(entry.path()), ReadBeside(base, ".in"));
    EXPECT_EQ(v.reference.output, ReadText(base + ".out"));
    ++kept;
  }
  EXPECT_EQ(static_cast<uint64_t>(kept), r.programs - r.skipped);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vylfuzz
