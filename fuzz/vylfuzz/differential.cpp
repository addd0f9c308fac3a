#include "differential.h"

#include "app/app.h"
#include "loader.h"
#include "machine.h"

namespace vylfuzz {

const char* KindName(Verdict::Kind kind) {
  switch (kind) {
    case Verdict::Agree: return "agree";
    case Verdict::Skipped: return "skipped";
    case Verdict::CompileFailed: return "compile failed";
    case Verdict::Mismatch: return "mismatch";
  }
  return "?";
}

Verdict Compare(const std::string& source, const std::string& input, const ImageMutation& mutate) {
  Verdict v;
  v.reference = RunReference(source, input);
  if (v.reference.stop == Outcome::Invalid) {
    v.kind = Verdict::Skipped;
    v.detail = v.reference.reason;
    return v;
  }
  vyl::MemoryHost host;
  host.files["prog.vyl"] = source;
  vyl::SessionResult compiled = vyl::RunSession(host, "prog.vyl");
  if (!compiled.success) {
    v.kind = Verdict::CompileFailed;
    v.detail = "line " + std::to_string(compiled.messageLine) + ": " + compiled.message;
    return v;
  }
  vylsim::LoadResult loaded = vylsim::parse_ftx(host.files["prog.ftx"]);
  if (!loaded.ok()) {
    v.kind = Verdict::CompileFailed;
    v.detail = "the output does not load: " + loaded.error;
    return v;
  }
  if (mutate) mutate(loaded.image);
  vylsim::RunResult run = vylsim::run_image(loaded.image, input);
  v.stop = vylsim::status_name(run.status);
  v.output = std::move(run.output);
  v.detail = std::move(run.message);
  bool same = v.output == v.reference.output && v.stop == StopName(v.reference.stop);
  v.kind = same ? Verdict::Agree : Verdict::Mismatch;
  return v;
}

std::string Describe(const Verdict& v) {
  switch (v.kind) {
    case Verdict::Agree: return "agree";
    case Verdict::Skipped: return "skipped: " + v.detail;
    case Verdict::CompileFailed: return "compile failed: " + v.detail;
    case Verdict::Mismatch: break;
  }
  std::string ref = StopName(v.reference.stop);
  if (v.stop != ref) {
    std::string d = "stop: " + v.stop + " against " + ref;
    if (!v.detail.empty()) d += " (" + v.detail + ")";
    return d;
  }
  return "output differs";
}

}  // namespace vylfuzz
