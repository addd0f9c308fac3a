// The differential loop: generate, compile, run, compare; reduce and keep
// what differs.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "differential.h"
#include "generator.h"

namespace vylfuzz {

struct CampaignOptions {
  uint64_t programs = 0;
  uint64_t seed = 1;
  std::string keep;    // write every program with its expected output here
  std::string corpus;  // write every mismatch, reduced, here
  bool verbose = false;
  ImageMutation mutate;  // tests only: breaks the compiled images on purpose
  bool reduce = true;
  bool stopAtFirst = false;
  bool exactSeed = false;  // one program, of `seed` itself (to replay what a campaign reported)
  uint64_t progress = 0;   // a line every so many programs (0: none)
};

struct CampaignResult {
  uint64_t programs = 0;
  uint64_t mismatches = 0;  // compile failures included
  uint64_t skipped = 0;     // programs the reference gives no meaning to
  uint64_t traps = 0;       // programs that end in a trap, as they should
  uint64_t firstMismatch = 0;  // the number of the first program that differed (1-based; 0 for none)
  Coverage coverage{};
};

// The seed of program number i of a campaign.
uint64_t ProgramSeed(uint64_t seed, uint64_t i);

// Whether `candidate` fails as `original` did: the same kind, the same stops,
// the same compiler message.
bool SameFailure(const Verdict& original, const Verdict& candidate);

CampaignResult RunCampaign(const CampaignOptions& options, std::ostream& log);

}  // namespace vylfuzz
