// The rule protocol: entry and exit trace, KibStack brackets, error states.
//
// Every rule and every attempt opens a bracket, so the brackets work on the
// KibStack directly; only near its ends do they go through KPush and KPop,
// which report overflow and underflow.
#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

namespace {

TraceState& Tr() { return Rt().trace; }

void OpenBracket(TraceState& t, int32_t state) {
  if (t.depth >= 0 && t.depth + 2 <= kKibStackSize) {
    int32_t* top = t.kib.data() + t.depth;
    top[0] = state;
    top[1] = t.accepted;
    t.depth += 2;
    if (t.depth > t.highWater) t.highWater = t.depth;
  } else {
    KPush(state);
    KPush(t.accepted);
  }
  t.accepted = 0;
}

// Closes a bracket: the construct's accepted tokens count for the enclosing
// one, and the error state in force before it is restored.
int32_t CloseBracket(TraceState& t) {
  if (t.depth >= 2 && t.depth <= kKibStackSize) {
    t.depth -= 2;
    const int32_t* top = t.kib.data() + t.depth;
    t.accepted += top[1];
    return top[0];
  }
  int32_t accepted = KPop();
  t.accepted += accepted;
  return KPop();
}

}  // namespace

Rule::Rule(const char* name, Messages messages) : name_(name), messages_(messages) {
  if (Tr().level > 0) {
    TraceText("+");
    TraceText(name_);
    TraceLine();
  }
  OpenBracket(Tr(), 0);
  bracketed_ = true;
}

Rule::~Rule() {
  RuntimeState& rt = Rt();
  if (rt.finished || !bracketed_) return;
  if (!done_ && rt.trace.level > 0) {
    ExitTrace();
    ExitResult(false);
  }
  CloseBracket(rt.trace);
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
  if (Tr().level > 0) TraceChar(open_);
  OpenBracket(Tr(), rule_.state);
}

Attempt::~Attempt() {
  RuntimeState& rt = Rt();
  if (rt.finished || !live_) return;
  rule_.state = CloseBracket(rt.trace);
  if (rt.trace.level > 0) TraceText(open_ == '(' ? ")*" : "|");
}

}  // namespace vyl
