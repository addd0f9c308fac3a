// The compiler runs on a MemoryHost whose PhaseEnd hook records the clock.
#include "in_process.h"

#include <chrono>
#include <sstream>

#include "app/app.h"
#include "scanner/scanner.h"

namespace vylbench {

namespace {

using Clock = std::chrono::steady_clock;

class TimingHost : public vyl::MemoryHost {
 public:
  std::array<Clock::time_point, kPhases> ends{};
  std::array<bool, kPhases> seen{};
  void PhaseEnd(vyl::Phase phase) override {
    auto i = static_cast<std::size_t>(phase);
    ends[i] = Clock::now();
    seen[i] = true;
  }
};

double Us(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// The size word at the start of the image: the first line of decimal byte
// values after the header.
int ImageSize(const std::string& output) {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.find_first_not_of("0123456789 ") != std::string::npos) continue;
    std::istringstream values(line);
    int hi = 0, lo = 0;
    if (values >> hi >> lo) return hi * 256 + lo;
  }
  return 0;
}

}  // namespace

Compilation CompileInProcess(const std::string& source) {
  TimingHost host;
  host.files["prog.vyl"] = source;
  Compilation c;
  auto start = Clock::now();
  vyl::SessionResult result = vyl::RunSession(host, "prog.vyl");
  auto end = Clock::now();
  c.success = result.success;
  c.message = result.message;
  c.totalUs = Us(end - start);
  auto previous = start;
  for (std::size_t i = 0; i + 1 < kPhases; ++i) {
    if (!host.seen[i]) break;
    c.phaseUs[i] = Us(host.ends[i] - previous);
    previous = host.ends[i];
  }
  c.phaseUs[kPhases - 1] = Us(end - previous);
  c.output = host.files["prog.ftx"];
  c.imageSize = c.success ? ImageSize(c.output) : 0;
  return c;
}

double ScanInProcess(const std::string& source, long& tokens) {
  vyl::MemoryHost host;
  host.files["prog.vyl"] = source;
  vyl::OpenSession session(host, "prog.vyl", true);
  tokens = 0;
  auto start = Clock::now();
  while (vyl::TokenCode() != vyl::T_End) {
    vyl::NextToken();
    ++tokens;
  }
  return Us(Clock::now() - start);
}

}  // namespace vylbench
