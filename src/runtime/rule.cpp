// The rule protocol: entry and exit trace, KibStack brackets, error states.
#include "runtime/runtime.h"

namespace vyl {

namespace {

void OpenBracket(int32_t state) {
  KPush(state);
  KPush(AcceptedTokens());
  AcceptedTokens() = 0;
}

// Closes a bracket: the construct's accepted tokens count for the enclosing
// one, and the error state in force before it is restored.
int32_t CloseBracket() {
  int32_t accepted = KPop();
  AcceptedTokens() += accepted;
  return KPop();
}

}  // namespace

Rule::Rule(const char* name, Messages messages) : name_(name), messages_(messages) {
  if (Tracing()) {
    TraceText("+");
    TraceText(name_);
    TraceLine();
  }
  OpenBracket(0);
  bracketed_ = true;
}

Rule::~Rule() noexcept(false) {
  if (SessionFinished() || !bracketed_) return;
  if (!done_ && Tracing()) {
    ExitTrace();
    ExitResult(false);
  }
  CloseBracket();
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
  TraceText("-");
  TraceText(name_);
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

Attempt::Attempt(Rule& r, char open) : rule_(r), open_(open), live_(true) {
  if (Tracing()) TraceChar(open_);
  OpenBracket(rule_.state);
}

Attempt::~Attempt() noexcept(false) {
  if (SessionFinished() || !live_) return;
  rule_.state = CloseBracket();
  if (Tracing()) TraceText(open_ == '(' ? ")*" : "|");
}

}  // namespace vyl
