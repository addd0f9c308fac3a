// vylfuzz: random valid programs, compiled and run on the simulator, against
// the reference interpreter.  See README.md, "Random programs".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "campaign.h"
#include "generator.h"
#include "interpreter.h"

namespace {

constexpr const char* kUsage =
    "usage: vylfuzz --programs N --seed S [--keep DIR] [--corpus DIR] [--verbose]\n"
    "       vylfuzz --show SEED                  print the program of one seed\n"
    "       vylfuzz --replay SEED [--corpus DIR]  compare (and reduce) the program of one seed\n"
    "       vylfuzz --check FILE [--input FILE]   compare one program with the reference\n"
    "       vylfuzz --reference FILE [--input FILE]  run a program on the reference interpreter\n"
    "\n"
    "--programs N   generate, compile, run and compare N programs (seeds derived from S)\n"
    "--keep DIR     write each program as DIR/NNNN.vyl with its expected output NNNN.out\n"
    "               (and NNNN.in, NNNN.stop when it has input or ends in a trap)\n"
    "--corpus DIR   write each mismatch, reduced, as DIR/NAME.vyl, .out, .stop, .in\n"
    "--verbose      one line per program\n"
    "--no-reduce    report mismatches without reducing them\n"
    "--coverage     count the constructs the programs held\n"
    "--progress N   a line every N programs\n"
    "Prints 'N programs, M mismatches'; exits 1 on any mismatch.\n";

std::string ReadFile(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Usage(const char* message) {
  if (message) std::fprintf(stderr, "vylfuzz: %s\n", message);
  std::fputs(kUsage, stderr);
  return 2;
}

bool Number(const char* text, uint64_t& out) {
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0') return false;
  out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  vylfuzz::CampaignOptions options;
  bool programsGiven = false;
  std::string reference, input, show, replay, check;
  bool coverage = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--programs" || arg == "--seed" || arg == "--progress") {
      const char* v = value();
      uint64_t n = 0;
      if (!v || !Number(v, n)) return Usage(("a number must follow " + arg).c_str());
      if (arg == "--programs") {
        options.programs = n;
        programsGiven = true;
      } else if (arg == "--seed") {
        options.seed = n;
      } else {
        options.progress = n;
      }
    } else if (arg == "--keep" || arg == "--corpus" || arg == "--reference" || arg == "--input" || arg == "--show" ||
               arg == "--replay" || arg == "--check") {
      const char* v = value();
      if (!v) return Usage(("a value must follow " + arg).c_str());
      if (arg == "--keep") options.keep = v;
      else if (arg == "--corpus") options.corpus = v;
      else if (arg == "--reference") reference = v;
      else if (arg == "--input") input = v;
      else if (arg == "--replay") replay = v;
      else if (arg == "--check") check = v;
      else show = v;
    } else if (arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "--no-reduce") {
      options.reduce = false;
    } else if (arg == "--coverage") {
      coverage = true;
    } else {
      return Usage(("unknown argument " + arg).c_str());
    }
  }
  if (!show.empty()) {
    uint64_t seed = 0;
    if (!Number(show.c_str(), seed)) return Usage("--show takes a seed");
    std::cout << vylfuzz::Print(vylfuzz::Generate(seed).program);
    return 0;
  }
  if (!replay.empty()) {
    if (!Number(replay.c_str(), options.seed)) return Usage("--replay takes a seed");
    options.programs = 1;
    options.exactSeed = true;
    programsGiven = true;
  }
  if (!check.empty()) {
    bool ok = false;
    std::string source = ReadFile(check, ok);
    if (!ok) return Usage(("cannot read " + check).c_str());
    std::string in;
    if (!input.empty()) in = ReadFile(input, ok);
    vylfuzz::Verdict v = vylfuzz::Compare(source, in);
    std::cout << vylfuzz::Describe(v) << "\nexpected (" << vylfuzz::StopName(v.reference.stop) << "):\n"
              << v.reference.output << "\ncompiled (" << v.stop << (v.detail.empty() ? "" : ", " + v.detail) << "):\n"
              << v.output << "\n";
    return v.kind == vylfuzz::Verdict::Agree ? 0 : 1;
  }
  if (!reference.empty()) {
    bool ok = false;
    std::string source = ReadFile(reference, ok);
    if (!ok) return Usage(("cannot read " + reference).c_str());
    std::string in;
    if (!input.empty()) {
      in = ReadFile(input, ok);
      if (!ok) return Usage(("cannot read " + input).c_str());
    }
    vylfuzz::Outcome o = vylfuzz::RunReference(source, in);
    std::cout << o.output;
    std::cerr << vylfuzz::StopName(o.stop) << (o.reason.empty() ? "" : ": " + o.reason) << "\n";
    return o.stop == vylfuzz::Outcome::Finished ? 0 : o.stop == vylfuzz::Outcome::Trap ? 1 : 2;
  }
  if (!programsGiven) return Usage("--programs is required");
  vylfuzz::CampaignResult r = vylfuzz::RunCampaign(options, std::cout);
  if (coverage) {
    for (size_t c = 0; c < vylfuzz::kConstructs; ++c) {
      std::cout << r.coverage[c] << "\t" << vylfuzz::ConstructName(static_cast<vylfuzz::Construct>(c)) << "\n";
    }
  }
  std::cout << r.skipped << " skipped, " << r.traps << " ending in a trap\n";
  std::cout << r.programs << " programs, " << r.mismatches << " mismatches\n";
  return r.mismatches == 0 ? 0 : 1;
}
