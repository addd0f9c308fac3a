#include "campaign.h"

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "reducer.h"

namespace vylfuzz {

namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// NAME.vyl, NAME.out, NAME.stop when it does not finish, NAME.in when it
// reads input: the format of tests/programs.
void WriteCase(const fs::path& dir, const std::string& name, const std::string& source, const std::string& input,
               const Outcome& expected) {
  fs::create_directories(dir);
  WriteFile(dir / (name + ".vyl"), source);
  WriteFile(dir / (name + ".out"), expected.output);
  if (expected.stop != Outcome::Finished) WriteFile(dir / (name + ".stop"), std::string(StopName(expected.stop)) + "\n");
  if (!input.empty()) WriteFile(dir / (name + ".in"), input);
}

std::string Numbered(uint64_t i) {
  std::ostringstream s;
  s << std::setw(4) << std::setfill('0') << i;
  return s.str();
}

// The message of a compile failure without its line: reductions move lines.
std::string Message(const std::string& detail) {
  size_t colon = detail.find(": ");
  return colon == std::string::npos ? detail : detail.substr(colon + 2);
}

}  // namespace

uint64_t ProgramSeed(uint64_t seed, uint64_t i) {
  uint64_t z = seed * 0x9E3779B97F4A7C15ull + i + 1;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

bool SameFailure(const Verdict& original, const Verdict& candidate) {
  if (candidate.kind != original.kind) return false;
  if (original.kind == Verdict::CompileFailed) return Message(candidate.detail) == Message(original.detail);
  if (original.kind != Verdict::Mismatch) return false;
  return candidate.stop == original.stop && candidate.reference.stop == original.reference.stop;
}

CampaignResult RunCampaign(const CampaignOptions& options, std::ostream& log) {
  CampaignResult r;
  for (uint64_t i = 0; i < options.programs; ++i) {
    uint64_t seed = options.exactSeed ? options.seed : ProgramSeed(options.seed, i);
    Generated g = Generate(seed);
    for (size_t c = 0; c < kConstructs; ++c) r.coverage[c] += g.coverage[c];
    std::string source = Print(g.program);
    Verdict v = Compare(source, g.input, options.mutate);
    ++r.programs;
    if (options.progress && r.programs % options.progress == 0) {
      log << r.programs << " programs, " << r.mismatches << " mismatches so far" << std::endl;
    }
    if (options.verbose) log << Numbered(i) << " seed " << seed << ": " << Describe(v) << "\n";
    if (v.kind == Verdict::Skipped) {
      ++r.skipped;
      continue;
    }
    if (!options.keep.empty()) WriteCase(options.keep, Numbered(i), source, g.input, v.reference);
    if (v.reference.stop == Outcome::Trap) ++r.traps;
    if (v.kind == Verdict::Agree) continue;
    ++r.mismatches;
    if (r.firstMismatch == 0) r.firstMismatch = i + 1;
    log << "program " << i << " (seed " << seed << "): " << Describe(v) << "\n";
    if (options.reduce) {
      std::string reduced = Reduce(source, [&](const std::string& candidate) {
        return SameFailure(v, Compare(candidate, g.input, options.mutate));
      });
      Verdict rv = Compare(reduced, g.input, options.mutate);
      log << "reduced to " << std::count(reduced.begin(), reduced.end(), '\n') << " lines:\n" << reduced;
      log << "expected (" << StopName(rv.reference.stop) << "):\n" << rv.reference.output << "\n";
      log << "compiled (" << rv.stop << (rv.detail.empty() ? "" : ", " + rv.detail) << "):\n" << rv.output << "\n";
      if (!options.corpus.empty()) {
        std::string name = "seed" + std::to_string(seed);
        WriteCase(options.corpus, name, reduced, g.input, rv.reference);
        log << "saved as " << (fs::path(options.corpus) / (name + ".vyl")).string() << "\n";
      }
    }
    if (options.stopAtFirst) break;
  }
  return r;
}

}  // namespace vylfuzz
