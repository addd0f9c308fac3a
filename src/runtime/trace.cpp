// The trace and message printers, the post-mortem records, the KibStack and
// the fatal-error path.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

namespace {

TraceState& Tr() { return Rt().trace; }

void EchoProgress(std::string_view s) {
  if (!TraceIsFile()) return;
  int64_t now = CurrentHost().Milliseconds() / 16;
  TraceState& t = Tr();
  if (now <= t.progressTick) return;
  if (t.echoed) PutChar(0, '\r');
  for (char c : s) PutChar(0, static_cast<unsigned char>(c));
  t.echoed = true;
  t.progressTick = now + 120;
}

// The characters that `ch` puts into the trace: a trace file gets a
// carriage return as CR LF and drops a line feed.
int32_t TraceWidth(int32_t ch) {
  if (!TraceIsFile()) return 1;
  ch &= 0xFF;
  return ch == '\r' ? 2 : ch == '\n' ? 0 : 1;
}

}  // namespace

int32_t& TraceColumn() { return Tr().column; }
int32_t& TraceLines() { return Tr().lines; }

void TracePut(int slot, int32_t ch) {
  PutChar(slot, ch);
  if (slot == TraceRole()) {
    int32_t& column = TraceColumn();
    ++column;
    if (column > 64 && (ch & 0xFF) < '!' && (ch & 0xFF) != '\r') TraceLine();
    CountTraceChar(TraceWidth(ch));
  } else if (slot == OutputRole()) {
    FeedChecksum(ch);
  }
}

void TracePutText(int slot, std::string_view text) {
  if (!ValidSlot(slot) || slot == 0 || slot == TraceRole() || slot != OutputRole()) {
    for (char c : text) TracePut(slot, static_cast<unsigned char>(c));
    return;
  }
  // The message output: every character is written and fed to the checksum.
  PutText(slot, text);
  FeedChecksumText(text);
}

void TraceText(std::string_view s) {
  if (!s.empty()) Tr().lastInitial = s.front();
  for (char c : s) TracePut(TraceRole(), static_cast<unsigned char>(c));
  if (TraceColumn() > 80 && !s.empty() && s.front() == ')') TraceLine();
  EchoProgress(s);
}

void TraceNumber(int32_t x) { TraceText(NumberText(x)); }

void TraceChar(int32_t ch) { TracePut(TraceRole(), ch); }

void TraceBool(bool flag) { TraceText(flag ? "true" : "false"); }

void TraceLine() {
  TraceColumn() = 0;
  PutChar(TraceRole(), '\r');
  ++TraceLines();
  CountTraceChar(TraceWidth('\r'));
}

void TraceLabel(int32_t label, int32_t showNumber) {
  TraceText(LabelName(label));
  if (showNumber > 0) {
    TraceChar('=');
    TraceNumber(label);
  }
}

// Counts characters of trace output; a trace that runs away ends the run.
void CountTraceChar(int32_t n) {
  TraceState& t = Tr();
  t.runaway += n;
  if (t.runaway > kRunawayLimit) {
    t.runaway = 0;
    t.posCounter = 0;
    TraceLine();
    Error("RunawayTrace");
  }
}

void RestartRunawayCount() { Tr().runaway = 0; }

// ---------------------------------------------------------------------------
// Post-mortem records

namespace {

// The running checksum after one more character: the sum rotated left by
// one bit in 16 bits, plus three times the character as a signed byte.
uint16_t ChecksumStep(uint16_t sum, char c) {
  return static_cast<uint16_t>(std::rotl(sum, 1) + 3 * static_cast<int8_t>(c));
}

}  // namespace

void FeedChecksum(int32_t ch) {
  TraceState& t = Tr();
  t.checksum = ChecksumStep(static_cast<uint16_t>(t.checksum), static_cast<char>(ch & 0xFF));
  t.history[t.historyCount % 1024] = static_cast<char>(ch);
  ++t.historyCount;
}

namespace {

// The history ring after `text` was fed: only its last characters stay.
void KeepHistory(TraceState& t, std::string_view text) {
  std::size_t keep = std::min(text.size(), t.history.size());
  uint32_t count = t.historyCount + static_cast<uint32_t>(text.size() - keep);
  std::string_view last = text.substr(text.size() - keep);
  while (!last.empty()) {
    std::size_t at = count % t.history.size();
    std::size_t piece = std::min(last.size(), t.history.size() - at);
    std::memcpy(t.history.data() + at, last.data(), piece);
    last.remove_prefix(piece);
    count += static_cast<uint32_t>(piece);
  }
  t.historyCount = count;
}

// KeepHistory of the message text whose file form is `bytes`, with
// `lineEnds` line ends written "\r\n": only its last characters are looked
// for, from the end.
void KeepHistoryOfFileText(TraceState& t, std::string_view bytes, int32_t lineEnds) {
  const std::size_t characters = bytes.size() - static_cast<std::size_t>(lineEnds);
  std::array<char, std::tuple_size_v<decltype(t.history)>> last;
  std::size_t kept = 0;
  for (std::size_t at = bytes.size(); at > 0 && kept < last.size(); --at) {
    if (bytes[at - 1] != '\n') last[last.size() - ++kept] = bytes[at - 1];
  }
  t.historyCount += static_cast<uint32_t>(characters - kept);
  KeepHistory(t, std::string_view(last.data() + last.size() - kept, kept));
}

}  // namespace

void FeedChecksumText(std::string_view text) {
  TraceState& t = Tr();
  // In 16 bits, where the rotation is one instruction: each character waits
  // only for the rotation and the addition of the one before, two at a time.
  auto sum = static_cast<uint16_t>(t.checksum);
  const char* p = text.data();
  const char* end = p + text.size();
  for (; end - p >= 2; p += 2) sum = ChecksumStep(ChecksumStep(sum, p[0]), p[1]);
  if (p != end) sum = ChecksumStep(sum, *p);
  t.checksum = sum;
  KeepHistory(t, text);
}

void RecordPosition() {
  TraceState& t = Tr();
  uint32_t pos = ((t.posCounter & 0xFFFFu) << 16) + t.checksum;
  t.ring[t.posCounter % 64] = static_cast<int32_t>(pos);
  ++t.posCounter;
}

int32_t PreMortemPosition() {
  TraceState& t = Tr();
  return t.posCounter >= 64 ? t.ring[t.posCounter % 64] : 0;
}

std::string HistoryTail() {
  TraceState& t = Tr();
  uint32_t n = t.historyCount < 1023 ? t.historyCount : 1023;
  std::string out;
  for (uint32_t i = t.historyCount - n; i < t.historyCount; ++i) {
    char c = t.history[i % 1024];
    if (c != 0) out.push_back(c);
  }
  return out;
}

// ---------------------------------------------------------------------------
// Messages

void Msg(std::string_view text) {
  RecordPosition();
  if (!text.empty()) Tr().lastInitial = text.front();
  TracePutText(OutputRole(), text);
  if (TraceLevel() > 0) {
    TraceChar('`');
    for (char c : text) TracePut(TraceRole(), static_cast<unsigned char>(c));
    TraceChar('`');
  }
}

void MsgNumber(int32_t x) { Msg(NumberText(x)); }

void MsgLineEnd() { TracePut(OutputRole(), '\r'); }

namespace {

// The decimal texts of the byte values, made once.
struct ByteTexts {
  char chars[256][3];
  uint8_t length[256];
  std::string_view operator[](std::size_t v) const { return {chars[v], length[v]}; }
};
constexpr ByteTexts kByteTexts = [] {
  ByteTexts t{};
  for (int v = 0; v < 256; ++v) {
    int n = 0;
    if (v >= 100) t.chars[v][n++] = static_cast<char>('0' + v / 100);
    if (v >= 10) t.chars[v][n++] = static_cast<char>('0' + v / 10 % 10);
    t.chars[v][n++] = static_cast<char>('0' + v % 10);
    t.length[v] = static_cast<uint8_t>(n);
  }
  return t;
}();

}  // namespace

namespace {

// MsgByteValues with the trace off, onto the message output `out`, in
// chunks of kChunk characters.
template <std::size_t kChunk>
void WriteByteValues(std::span<const uint8_t> values, int out) {
  // Without the trace, every character of the message output is written
  // and fed to the checksum, and every message records a position: the
  // text is made here, in the form it takes in the file, with its checksum
  // and positions, and written a few thousand characters at a time (fresh
  // memory is dear; this stays warm).
  TraceState& t = Tr();
  auto sum = static_cast<uint16_t>(t.checksum);
  uint32_t counter = t.posCounter;
  auto feed = [&sum](char c) { sum = ChecksumStep(sum, c); };
  auto record = [&]() {
    t.ring[counter % 64] = static_cast<int32_t>(((counter & 0xFFFFu) << 16) + sum);
    ++counter;
  };
  // A value takes at most six characters with its line end; its digits
  // are copied three at a time, hence the slack.  Each chunk is one write
  // to the file.
  std::array<char, kChunk> chunk;
  char* end = chunk.data();
  int32_t lineEnds = 0;  // in the chunk, each "\r\n" for the message's "\r"
  // The history ring and the position ring keep only the last characters
  // and positions: what the values still to come will push out of them is
  // counted, not kept (each value writes two characters at least and
  // records two positions).
  const std::size_t count = values.size();
  auto flush = [&](std::size_t valuesLeft) {
    const std::string_view piece(chunk.data(), static_cast<std::size_t>(end - chunk.data()));
    const int32_t characters = static_cast<int32_t>(piece.size()) - lineEnds;
    if (2 * valuesLeft >= t.history.size()) {
      t.historyCount += static_cast<uint32_t>(characters);
    } else {
      KeepHistoryOfFileText(t, piece, lineEnds);
    }
    PutFileText(out, piece, characters);
    end = chunk.data();
    lineEnds = 0;
  };
  const std::size_t recordFrom = count > t.ring.size() / 2 ? count - t.ring.size() / 2 : 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (end - chunk.data() > static_cast<std::ptrdiff_t>(chunk.size()) - 8) flush(count - i);
    if (i % 16 == 0) {
      feed('\r');
      *end++ = '\r';
      *end++ = '\n';
      ++lineEnds;
    }
    if (i >= recordFrom) {
      record();  // the message " "
      feed(' ');
      record();  // the message of the value's digits
    } else {
      feed(' ');
      counter += 2;
    }
    std::string_view digits = kByteTexts[values[i]];
    for (char c : digits) feed(c);
    *end++ = ' ';
    std::memcpy(end, digits.data(), 3);
    end += digits.size();
  }
  flush(0);
  if (!values.empty()) t.lastInitial = kByteTexts[values.back()].front();
  t.posCounter = counter;
  t.checksum = sum;
}

}  // namespace

void MsgByteValues(std::span<const uint8_t> values) {
  int out = OutputRole();
  if (TraceLevel() > 0 || out == 0 || out == TraceRole()) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i % 16 == 0) MsgLineEnd();
      Msg(" ");
      MsgNumber(values[i]);
    }
    return;
  }
  // A large image is written in a few large pieces (a write costs about as
  // much as copying 16 KiB here); a small one in a small piece, which
  // touches no fresh stack.
  if (values.size() >= 4096) {
    WriteByteValues<std::size_t{1} << 16>(values, out);
  } else {
    WriteByteValues<4096>(values, out);
  }
}

// ---------------------------------------------------------------------------
// The KibStack and the accepted-token counter

void KPush(int32_t v) {
  RuleStack& k = Rules();
  if (k.depth >= kKibStackSize) Error(" KibStack overflow error");
  k.kib[static_cast<std::size_t>(k.depth++)] = v;
  if (k.depth > k.highWater) k.highWater = k.depth;
}

int32_t KPop() {
  RuleStack& k = Rules();
  if (k.depth <= 0) Error(" KibStack underflow error");
  return k.kib[static_cast<std::size_t>(--k.depth)];
}

int32_t& AcceptedTokens() { return Rules().accepted; }
int32_t KibHighWater() { return Rules().highWater; }
int32_t KibDepth() { return Rules().depth; }

// ---------------------------------------------------------------------------
// Statistics and the fatal-error path

void Statistics() {
  ConsoleNoWrap() = true;
  TraceLine();
  TraceNumber(static_cast<int32_t>(TreesBuilt()));
  TraceText(" trees, Strs==");
  TraceNumber(NextFreeId() / 1024);
  TraceText("/");
  TraceNumber(12);
  TraceText("K, Chrs==");
  TraceNumber(CharsUsed() / 1024);
  TraceText("/");
  TraceNumber(31);
  TraceText("K");
  TraceLine();
  TraceText("  Sets==");
  TraceNumber(SetCellsUsed() / 1024);
  TraceText("/");
  TraceNumber(80);
  TraceText("K, Stk==");
  TraceNumber(KibHighWater() / 1024);
  TraceText("/");
  TraceNumber(16);
  TraceText("K, Trn==");
  TraceNumber(0);
  if (TraceLevel() > 0) {
    TraceLine();
    TraceText("  Pre-mortem logged");
  }
  TraceLine();
}

// ---------------------------------------------------------------------------
// The session's hooks and the notes of the run

void InstallSessionHooks(SessionHooks* hooks) { Rt().hooks = hooks; }

const RunNotes& Notes() { return Rt().notes; }

bool SaysMissing(std::string_view message) {
  for (std::string_view word : {"expected", "Expected", "missing", "Missing", "needs", " need "}) {
    if (message.find(word) != std::string_view::npos) return true;
  }
  return false;
}

void PinMessage(SourceSpan span) { Rt().notes.pin = span; }

void AddNote(std::string text, SourceSpan span) { Rt().notes.pendingNotes.emplace_back(std::move(text), span); }

namespace {

SourceRange RangeOf(SourceSpan span) {
  SessionHooks* hooks = Rt().hooks;
  return hooks && span.known() ? hooks->RangeOf(span) : SourceRange{};
}

// The diagnostic of a message: pinned or default position (the given line,
// when the message concerns one), pending notes.
Diagnostic Diagnose(std::string_view text, int32_t line = -1) {
  RunNotes& n = Rt().notes;
  SessionHooks* hooks = Rt().hooks;
  Diagnostic d;
  d.message.assign(text);
  if (n.pin.known()) {
    d.range = RangeOf(n.pin);
  } else if (hooks && line > 0) {
    d.range = hooks->LineRange(line);
  } else if (hooks) {
    d.range = hooks->MessageRange(SaysMissing(text));
  }
  for (auto& [note, span] : n.pendingNotes) {
    d.notes.push_back(Diagnostic{Severity::kNote, span.known() ? RangeOf(span) : d.range, note, {}});
  }
  n.pin = SourceSpan{};
  n.pendingNotes.clear();
  return d;
}

}  // namespace

void Warn(std::string text, SourceSpan span, std::vector<std::pair<std::string, SourceSpan>> notes) {
  Diagnostic d{Severity::kWarning, RangeOf(span), std::move(text), {}};
  for (auto& [note, at] : notes) {
    d.notes.push_back(Diagnostic{Severity::kNote, at.known() ? RangeOf(at) : d.range, std::move(note), {}});
  }
  Rt().notes.warnings.push_back(std::move(d));
}

void NoteMessage(std::string_view text, int32_t line) {
  RunNotes& n = Rt().notes;
  if (!n.firstMessage.empty()) return;
  n.firstMessage.assign(text);
  n.messageLine = line >= 0 ? line : Rt().hooks ? Rt().hooks->SourceLine() : 0;
  n.message = Diagnose(text, line);
}

void NoteFatal(std::string_view text) {
  RunNotes& n = Rt().notes;
  n.fatal = true;
  if (!n.fatalText.empty()) return;
  n.fatalText.assign(text);
  n.fatalLine = Rt().hooks ? Rt().hooks->SourceLine() : 0;
  n.fatalError = Diagnose(text);
}

void CannotOpen(const std::string& name) {
  CurrentHost().StdoutText("Error: Can't open " + name + "\n");
  NoteFatal("Can't open " + name);
  throw FatalReturn{};
}

[[noreturn]] void Error(std::string_view text) {
  if (SessionFinished()) throw FatalReturn{};
  // 1. No console wrapping from here on; the runaway count starts again.
  ConsoleNoWrap() = true;
  Tr().runaway = 0;
  NoteFatal(text);
  // 2. The pre-mortem position goes to the exit file.
  SessionHooks* hooks = Rt().hooks;
  if (hooks) hooks->WriteExitFile(PreMortemPosition());
  // 3. The message ends the output file.
  if (Tracing()) TraceLine();
  MsgLineEnd();
  Msg(text);
  // 4. The console shows the text read and written just before the failure.
  TraceLine();
  for (char c : HistoryTail()) PutChar(0, static_cast<unsigned char>(c));
  // 5. The trace ends with the message.
  TraceLine();
  TraceText(text);
  // 6, 7. Statistics, files closed, "Failed"; then the non-local return.
  if (hooks) hooks->FinishSession();
  std::string line = "Error: ";
  line.append(text);
  line.push_back('\n');
  CurrentHost().StdoutText(line);
  throw FatalReturn{};
}

[[noreturn]] void MemErr() { Error("***MEMERR***"); }

void MessageLine(std::string_view text, int32_t line) {
  NoteMessage(text, line);
  if (Tracing()) TraceLine();
  MsgLineEnd();
  Msg(text);
}

[[noreturn]] void RuleMessage(std::string_view text, int32_t line) {
  MessageLine(text, line);
  Error("Nested error");
}

}  // namespace vyl
