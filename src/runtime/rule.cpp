// The rule protocol: entry and exit trace, KibStack brackets, error states.
// The brackets themselves are inline (runtime.h); here are their slow paths
// near the ends of the KibStack and everything that traces.
#include <string>

#include "runtime/runtime.h"

namespace vyl {

namespace rules {

void OpenSlowly(RuleStack& k, int32_t state) {
  KPush(state);
  KPush(k.accepted);
  k.accepted = 0;
}

int32_t CloseSlowly(RuleStack& k) {
  int32_t accepted = KPop();
  k.accepted += accepted;
  return KPop();
}

}  // namespace rules

// The entry and exit texts are traced as one piece each, so that the
// progress echo shows "+Name" and "-Name" whole.
void Rule::EntryTrace() {
  std::string text = "+";
  text += name_;
  TraceText(text);
  TraceLine();
}

bool Rule::Miss() {
  if (state > 0) {
    std::size_t i = static_cast<std::size_t>(state);
    if (i < messages_.size() && messages_[i] != nullptr) RuleMessage(messages_[i]);
    Error("Nested error");
  }
  if (AcceptedTokens() > 0) Error(" syntax error");
  return false;
}

bool Rule::Fail() {
  Miss();
  if (Tracing()) {
    ExitTrace();
    TraceText("  ----");
    ExitResult(false);
  }
  done_ = true;
  return false;
}

void Rule::Report(std::string_view text) { RuleMessage(text); }

void Rule::ExitTrace() {
  std::string text = "-";
  text += name_;
  TraceText(text);
}

void Rule::ExitResult(bool ok) {
  TraceChar(' ');
  TraceBool(ok);
  TraceLine();
}

void Rule::TraceOut(Tree t) {
  TraceChar(' ');
  TraceArg(t);
}

void Rule::TraceOut(int32_t v) {
  TraceChar(' ');
  TraceNumber(v);
}

}  // namespace vyl
