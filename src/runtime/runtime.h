// The translator runtime: tree values, interned strings and name dictionaries,
// hash-consed sets, the trace and diagnostics facility with the fatal-error
// path, the KibStack and the rule protocol, and the node-label vocabulary.
//
// All mutable state of the runtime lives in one RuntimeState object per
// compilation (bound with Current<>); ResetRuntime clears it at the start of
// a session.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/io.h"

namespace vyl {

// The non-local return of the fatal-error path: thrown by Error after the
// session has been finished, caught by the session driver.
struct FatalReturn {};

// ---------------------------------------------------------------------------
// Tree values

enum RecordKind : int32_t { kLeaf = 1, kSet = 4, kNode = 5, kEntry = 6 };

struct Rec {
  int32_t kind;
};
using Tree = Rec*;

struct LeafRec : Rec {
  int32_t value;
};
struct SetRec : Rec {
  int32_t cell;  // first cell of the set in the set table
};
// A node record holds as many child slots as it was built with (`room`, at
// least n + 1), so that small nodes take little memory.  When a node is
// replaced in place by a larger one, its slots move to a record of nine
// (room 0: slot 0 then points at that record); read children through
// SlotsOf and RoomOf, or Kid.
struct NodeRec : Rec {
  int32_t n;      // highest child slot in use, 0..8
  int32_t label;  // label code (see Label)
  int32_t room;   // child slots allocated from slot 0, 1..9; 0 when they moved
  Tree slot[9];   // slot 0 is the extra child; 1..n are the ordinary children
};
inline NodeRec* SlotHolder(NodeRec* n) { return n->room ? n : static_cast<NodeRec*>(n->slot[0]); }
inline Tree* SlotsOf(NodeRec* n) { return SlotHolder(n)->slot; }
inline int32_t RoomOf(NodeRec* n) { return SlotHolder(n)->room; }
// Child slot i of a node record: null beyond the slots it holds.
inline Tree ChildOf(NodeRec* n, int i) {
  n = SlotHolder(n);
  return i < n->room ? n->slot[i] : nullptr;
}
struct NameTrie;
struct EntryRec : Rec {
  int32_t level;
  int32_t name;  // string id, or 0 for a level marker; reserved keys are small integers
  Tree value;
  Tree next;
  // The lookup index (not part of the dictionary's value): the number of
  // entries from this one to the end of the list, and on every
  // kIndexStride-th entry the newest entry of each name from there on.
  int32_t depth;
  const NameTrie* index;
};

Tree Leaf(int32_t value);
// A node with the given label, slot 0 and children 1..k; n is the number of
// children given unless stated.
Tree Build(int32_t label, Tree c0 = nullptr, std::initializer_list<Tree> kids = {});
Tree Build(int32_t label, Tree c0, std::initializer_list<Tree> kids, int32_t n);
// The same with the children given as a sequence (at most 8 are stored).
Tree BuildWith(int32_t label, Tree c0, std::span<const Tree> kids, int32_t n);
bool Equal(Tree a, Tree b);
void Replace(Tree dst, Tree src);
int32_t ValueOf(Tree t);
bool GetValue(Tree t, int32_t& out);
bool treepart(Tree t, int32_t path, int32_t label, Tree& out);
void CheckNode(Tree t);
std::string NumberText(int32_t x);
bool SetGlobal(Tree t, int32_t index);
Tree Global(int32_t index);

// A well-mixed 32-bit hash of a record's address (its top bits are the
// best), for small tables keyed by records.
inline uint32_t AddressHash(const Rec* t) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(t) >> 3) * 0x9E3779B1u;
}

// Node inspection helpers (null-safe).
inline NodeRec* AsNode(Tree t) { return t && t->kind == kNode ? static_cast<NodeRec*>(t) : nullptr; }
inline bool IsNode(Tree t) { return AsNode(t) != nullptr; }
inline bool IsLeaf(Tree t) { return t && t->kind == kLeaf; }
inline int32_t LabelOf(Tree t) { return IsNode(t) ? AsNode(t)->label : -1; }
inline bool Is(Tree t, int32_t label) { return LabelOf(t) == label; }
inline int32_t KidCount(Tree t) { return IsNode(t) ? AsNode(t)->n : -1; }
// Child slot i of a node: null beyond the slots the node holds.
inline Tree Kid(Tree t, int i) {
  NodeRec* n = AsNode(t);
  return n ? ChildOf(n, i) : nullptr;
}
void SetKid(Tree t, int i, Tree v);
inline int32_t LeafValue(Tree t) { return static_cast<LeafRec*>(t)->value; }
// Child i of a node when the node uses slot i (slot 0 always, others within
// its child count), else null.  A node replaced in place keeps stale slots
// above its new count, so rules read children through this.
inline Tree Part(Tree t, int i) { return KidCount(t) >= i ? Kid(t, i) : nullptr; }

// ---------------------------------------------------------------------------
// Node labels: code = 96 + 3k for the k-th name of the vocabulary.
enum Label : int32_t {
  L_no = 96, L_ty = 99, L_gl = 102, L_fn = 105, L_tk = 108, L_nt = 111, L_st = 114,
  L_pl = 117, L_qu = 120, L_tr = 123, L_ac = 126, L_at = 129, L_mt = 132, L_ot = 135,
  L_cn = 138, L_rt = 141, L_xf = 144, L_bt = 147, L_er = 150, L_al = 153, L_ca = 156,
  L_qm = 159, L_dl = 162, L_tf = 165, L_dr = 168, L_vr = 171, L_as = 174, L_eq = 177,
  L_ls = 180, L_gr = 183, L_ne = 186, L_an = 189, L_or = 192, L_ad = 195, L_su = 198,
  L_mp = 201, L_dv = 204, L_md = 207, L_ng = 210, L_tv = 213, L_rn = 216, L_nn = 219,
  L_nc = 222, L_co = 225, L_sa = 228, L_pk = 231, L_ar = 234, L_ax = 237, L_bg = 240,
  L_ch = 243, L_cl = 246, L_cm = 249, L_cs = 252, L_cv = 255, L_df = 258, L_do = 261,
  L_en = 264, L_ex = 267, L_fc = 270, L_fl = 273, L_fr = 276, L_ge = 279, L_hp = 282,
  L_if = 285, L_in = 288, L_io = 291, L_jm = 294, L_ki = 297, L_lc = 300, L_le = 303,
  L_lp = 306, L_lx = 309, L_nl = 312, L_nx = 315, L_of = 318, L_pm = 321, L_pt = 324,
  L_rc = 327, L_rg = 330, L_rp = 333, L_rx = 336, L_sh = 339, L_sl = 342, L_sr = 345,
  L_sw = 348, L_sz = 351, L_un = 354, L_up = 357, L_vt = 360, L_wh = 363, L_xo = 366,
  L_yk = 369, L_zz = 372, L_ze = 492
};
constexpr int kLabelCount = 133;
// A constant record: `cn` with the value in slot 0.
inline Tree Constant(int32_t value) { return Build(L_cn, Leaf(value)); }
// The two-letter name of a label code, or "" when the code names no label.
std::string_view LabelName(int32_t code);

// ---------------------------------------------------------------------------
// Character strings and name dictionaries

constexpr int32_t kStoreSize = 32700;  // bytes in the character store
constexpr int32_t kIdLimit = 12288;    // string ids are below this
constexpr int32_t kFirstId = 30;

bool initbl();
bool AddChar(int32_t c);
bool Intern(int32_t category, int32_t& id);
bool length(int32_t id, int32_t& len);
bool ValidId(int32_t id);
std::string_view StringText(int32_t id);  // empty for an invalid id
// The text of a name: the string of a string id, else the number.
inline std::string IdText(int32_t name) {
  return ValidId(name) ? std::string(StringText(name)) : NumberText(name);
}
int32_t LastInterned();
int32_t NextFreeId();
int32_t CharsUsed();
// Interns `text` (initbl, AddChar each byte, Intern) and returns its id.
int32_t InternText(std::string_view text, int32_t category = 1);
void PrintString(int32_t id, int32_t quoted);

bool into(int32_t name, Tree dict, Tree value, Tree& out);
bool openPlus(Tree dict, Tree& out);
bool From(int32_t name, Tree dict, Tree& value, int32_t& level);
bool ixFrom(int32_t index, Tree dict, Tree& value, int32_t& level, int32_t& name);
// The value bound to a name (or a reserved key) in a dictionary, or null.
inline Tree Bound(int32_t name, Tree dict) {
  Tree value = nullptr;
  int32_t level = 0;
  return From(name, dict, value, level) ? value : nullptr;
}
inline int32_t DictLevel(Tree dict) { return dict ? static_cast<EntryRec*>(dict)->level : 0; }

// ---------------------------------------------------------------------------
// Sets

constexpr int32_t kSetCells = 81920;

bool addset(int32_t e, Tree set, Tree& out);
bool notinset(int32_t e, Tree set);
bool inset(int32_t e, Tree set);
bool unionset(Tree a, Tree b, Tree& out);
int32_t SetCell(int32_t e, int32_t rest);
int32_t SetCellsUsed();
// The elements of a set, largest first (for tests and listings).
std::vector<int32_t> SetElements(Tree set);

// ---------------------------------------------------------------------------
// Trace, messages and the fatal-error path

constexpr int32_t kKibStackSize = 16384;
constexpr int32_t kRunawayLimit = 4000000;

// What every rule touches on entry and exit: the trace level, the KibStack
// and the count of accepted tokens, and whether the session is over.  Part
// of the runtime state, bound with it (RulesOf); kept here so that the rule
// protocol below works on it without calls.
struct RuleStack {
  int32_t traceLevel = 0;
  int32_t depth = 0;
  int32_t highWater = 0;
  int32_t accepted = 0;
  bool finished = false;
  // Cells are written before they are read (below the depth only); left
  // uncleared, the part a compilation never reaches is never touched.
  std::unique_ptr<int32_t[]> kib{new int32_t[kKibStackSize]};
};
inline RuleStack& Rules() { return Current<RuleStack>(); }

inline int32_t TraceLevel() { return Rules().traceLevel; }
inline void SetTraceLevel(int32_t level) { Rules().traceLevel = level; }
inline bool Tracing() { return TraceLevel() > 0; }

void TraceText(std::string_view s);
void TraceNumber(int32_t x);
void TraceChar(int32_t ch);
void TraceBool(bool flag);
void TraceLine();
void TraceTree(Tree t, int32_t depth, int32_t indent);
void TraceArg(Tree t);
void TraceLabel(int32_t label, int32_t showNumber);

void Msg(std::string_view text);
void MsgNumber(int32_t x);
void MsgLineEnd();  // a line end on the message output (not a message)
// For each value in turn: MsgLineEnd() when its index is a multiple of 16,
// then Msg(" ") and MsgNumber(value).
void MsgByteValues(std::span<const uint8_t> values);

[[noreturn]] void Error(std::string_view text);
[[noreturn]] void MemErr();

void KPush(int32_t v);
int32_t KPop();
int32_t& AcceptedTokens();  // tokens accepted since the innermost open construct began
void Statistics();

// Post-mortem records: every character written to the output and read from
// the source is fed to the running checksum and the history ring.
void FeedChecksum(int32_t ch);
// FeedChecksum of every character of `text`, in order.
void FeedChecksumText(std::string_view text);
// Every character that reaches the trace counts towards "RunawayTrace", the
// line ends included: n characters at once.
void CountTraceChar(int32_t n = 1);
// The closing text of a session (statistics, outcome) is bounded: it starts
// the count again rather than ending a finished compilation as a runaway.
void RestartRunawayCount();
void RecordPosition();
int32_t PreMortemPosition();  // the position 64 events back, 0 when fewer were recorded
std::string HistoryTail();    // the last min(total, 1023) history characters

// ---------------------------------------------------------------------------
// The rule protocol
//
// Every grammar-rule procedure opens a Rule on entry:
//
//   bool Expression(Tree syms, Tree& tree, ...) {
//     Rule r("Expression", kExpressionMessages);
//     ...
//     if (!step) return r.Fail();
//     return r.Succeed(tree, type, lo, hi);
//   }
//
// The Rule traces "+Name" on entry and "-Name" with the outputs on exit, and
// brackets the rule body on the KibStack.  Optional parts, alternatives and
// repetitions that may fail without consuming input open an Attempt.  Miss()
// and Fail() run the error reporter with the current error state: a positive state
// writes the rule's message and ends the run with "Nested error"; then, if
// tokens of the innermost construct were already accepted, the run ends with
// " syntax error"; otherwise the construct simply did not apply.
using Messages = std::span<const char* const>;

#if defined(__GNUC__)
#define VYL_INLINE [[gnu::always_inline]] inline
#else
#define VYL_INLINE inline
#endif

namespace rules {

// A bracket keeps the enclosing construct's error state and accepted-token
// count on the KibStack; the construct starts with none accepted.  Near the
// ends of the stack, KPush and KPop report overflow and underflow.
void OpenSlowly(RuleStack& k, int32_t state);
int32_t CloseSlowly(RuleStack& k);

inline void Open(RuleStack& k, int32_t state) {
  if (k.depth >= 0 && k.depth + 2 <= kKibStackSize) {
    int32_t* top = k.kib.get() + k.depth;
    top[0] = state;
    top[1] = k.accepted;
    k.depth += 2;
    if (k.depth > k.highWater) k.highWater = k.depth;
    k.accepted = 0;
  } else {
    OpenSlowly(k, state);
  }
}

// Closes a bracket: the construct's accepted tokens count for the enclosing
// one, and the error state in force before it is handed back.
inline int32_t Close(RuleStack& k) {
  if (k.depth >= 2 && k.depth <= kKibStackSize) {
    k.depth -= 2;
    const int32_t* top = k.kib.get() + k.depth;
    k.accepted += top[1];
    return top[0];
  }
  return CloseSlowly(k);
}

// Opens n brackets at once, as n rules entered one inside the other with
// nothing between their entries would; the caller has made sure they fit.
inline void OpenNested(RuleStack& k, int32_t n) {
  int32_t* top = k.kib.get() + k.depth;
  top[0] = 0;
  top[1] = k.accepted;
  for (int32_t i = 2; i < 2 * n; ++i) top[i] = 0;
  k.depth += 2 * n;
  if (k.depth > k.highWater) k.highWater = k.depth;
  k.accepted = 0;
}

// Closes n brackets that OpenNested opened, innermost first, as n rules
// leaving one after the other would (their error states are not needed).
inline void CloseNested(RuleStack& k, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    k.depth -= 2;
    k.accepted += k.kib[static_cast<std::size_t>(k.depth) + 1];
  }
}

}  // namespace rules

class Rule {
 public:
  // Entry and exit are inline everywhere: every rule passes through them.
  VYL_INLINE Rule(const char* name, Messages messages = {}) : name_(name), messages_(messages) {
    RuleStack& k = Rules();
    if (k.traceLevel > 0) EntryTrace();
    rules::Open(k, 0);
  }
  VYL_INLINE ~Rule() noexcept(false) {
    RuleStack& k = Rules();
    if (k.finished) return;
    if (!done_ && k.traceLevel > 0) {
      ExitTrace();
      ExitResult(false);
    }
    rules::Close(k);
  }
  // A rule whose bracket rules::OpenNested has opened, with the trace off.
  struct Opened {};
  VYL_INLINE Rule(const char* name, Messages messages, Opened) : name_(name), messages_(messages) {}
  Rule(const Rule&) = delete;
  Rule& operator=(const Rule&) = delete;

  int32_t state = 0;  // the rule's error state

  // A construct of the rule did not apply: the reporter runs with the
  // current state, then the syntax-error test.  Returns false; the rule goes on.
  bool Miss();
  // The rule fails: Miss, then the exit trace.  Returns false.
  bool Fail();
  // Reports `text` as this rule's message and ends the run ("Nested error").
  [[noreturn]] void Report(std::string_view text);
  // Success; the outputs are traced (integers in decimal, trees as arguments).
  template <class... Outs>
  bool Succeed(const Outs&... outs) {
    if (Tracing()) {
      ExitTrace();
      (TraceOut(outs), ...);
      ExitResult(true);
    }
    done_ = true;
    return true;
  }
  const char* name() const { return name_; }

 private:
  friend class Attempt;
  void EntryTrace();
  void ExitTrace();
  void ExitResult(bool ok);
  static void TraceOut(Tree t);
  static void TraceOut(int32_t v);
  static void TraceOut(bool v) { TraceOut(static_cast<int32_t>(v)); }
  const char* name_;
  Messages messages_;
  bool done_ = false;
};

// Trying a construct whose first token is not there opens its bracket and
// those of the rules it calls before finding that out (`brackets` nested
// ones), fails quietly and closes them again: nothing is left of it but the
// KibStack's high-water mark.  With the trace off and room for the brackets
// on the KibStack, Skipped raises the mark to where they would have reached
// and returns true; otherwise (false) the caller tries the construct, which
// then traces, or overflows the KibStack, as it always does.
inline bool Skipped(int32_t brackets) {
  RuleStack& k = Rules();
  int32_t reach = k.depth + 2 * brackets;
  if (k.traceLevel > 0 || k.depth < 0 || reach > kKibStackSize) return false;
  if (reach > k.highWater) k.highWater = reach;
  return true;
}

// Brackets a construct that may fail without consuming input.
class Attempt {
 public:
  VYL_INLINE explicit Attempt(Rule& r, char open = '\'') : rule_(r), open_(open) {
    RuleStack& k = Rules();
    if (k.traceLevel > 0) TraceChar(open_);
    rules::Open(k, rule_.state);
  }
  VYL_INLINE ~Attempt() noexcept(false) {
    RuleStack& k = Rules();
    if (k.finished) return;
    rule_.state = rules::Close(k);
    if (k.traceLevel > 0) TraceText(open_ == '(' ? ")*" : "|");
  }
  Attempt(const Attempt&) = delete;
  Attempt& operator=(const Attempt&) = delete;

 private:
  Rule& rule_;
  char open_;
};

// A rule that takes no token and keeps its error state at 0 (a query on
// type records): failing, it fails quietly.  With the trace off and room
// on the KibStack, its bracket moves only the depth and the high-water
// mark, for nothing inside reads the cells or the count of accepted tokens
// that a full bracket keeps; otherwise it is a Rule.
class LeafRule {
 public:
  VYL_INLINE explicit LeafRule(const char* name) {
    RuleStack& k = Rules();
    if (k.traceLevel == 0 && k.depth >= 0 && k.depth + 2 <= kKibStackSize) {
      k.depth += 2;
      if (k.depth > k.highWater) k.highWater = k.depth;
    } else {
      full_.emplace(name);
    }
  }
  VYL_INLINE ~LeafRule() {
    RuleStack& k = Rules();
    if (!full_ && !k.finished) k.depth -= 2;
  }
  LeafRule(const LeafRule&) = delete;
  LeafRule& operator=(const LeafRule&) = delete;

  bool Fail() { return full_ ? full_->Fail() : false; }
  template <class... Outs>
  bool Succeed(const Outs&... outs) {
    return full_ ? full_->Succeed(outs...) : true;
  }

 private:
  std::optional<Rule> full_;
};

// ---------------------------------------------------------------------------
// Diagnostics: where messages point, their notes, and warnings
//
// Positions in the source are byte offsets of the source opening (a span's
// end is exclusive); the layers above turn them into lines and columns.
// None of this touches the output, the trace or the console: it is what
// the session tells on standard error and what tools read in-process.

struct SourceSpan {
  int32_t begin = -1;
  int32_t end = -1;
  bool known() const { return begin >= 0; }
};

// Lines and columns count from 1, columns in bytes; the end is exclusive.
// Line 0 means no position.
struct SourceRange {
  int32_t line = 0;
  int32_t column = 0;
  int32_t endLine = 0;
  int32_t endColumn = 0;
  bool known() const { return line > 0; }
};

enum class Severity { kError, kWarning, kNote };

struct Diagnostic {
  Severity severity = Severity::kError;
  SourceRange range;
  std::string message;
  std::vector<Diagnostic> notes;
};

// The span the next message points at, when the rule reporting it knows
// better than the default (the current token, or just after the previous
// one for a message that says something is expected or missing).
void PinMessage(SourceSpan span);
// A note to the error about to be reported; without a span it has the
// error's position.
void AddNote(std::string text, SourceSpan span = {});
// A warning, with its notes (spans as for AddNote).
void Warn(std::string text, SourceSpan span, std::vector<std::pair<std::string, SourceSpan>> notes = {});
// True for a message that says that something is expected or missing.
bool SaysMissing(std::string_view message);

// ---------------------------------------------------------------------------
// The session, as the runtime sees it
//
// The session driver sits above every layer, yet the fatal-error path must
// write the exit file and close the session, and a message must name the
// scanner's line.  The driver installs these hooks when a session starts.
class SessionHooks {
 public:
  virtual ~SessionHooks() = default;
  virtual int32_t SourceLine() = 0;              // the scanner's current line
  // Where a message points by default: the current token, or just after
  // the previous token when the message says something is missing.
  virtual SourceRange MessageRange(bool missing) = 0;
  virtual SourceRange RangeOf(SourceSpan span) = 0;
  // The text of a source line, from its first non-blank character.
  virtual SourceRange LineRange(int32_t line) = 0;
  virtual void WriteExitFile(int32_t value) = 0;  // the exit file after a failure
  virtual void FinishSession() = 0;              // statistics, files closed, outcome
};
void InstallSessionHooks(SessionHooks* hooks);

// What a run reported, for the session's result: the first message written
// to the output and the text of the fatal error, each with its line and as
// a diagnostic with its position and notes; and the warnings.
struct RunNotes {
  bool fatal = false;  // ended through the fatal-error path
  std::string firstMessage;
  int32_t messageLine = 0;
  Diagnostic message;
  std::string fatalText;
  int32_t fatalLine = 0;
  Diagnostic fatalError;
  std::vector<Diagnostic> warnings;
  // Pinned span and notes waiting for the next message.
  SourceSpan pin;
  std::vector<std::pair<std::string, SourceSpan>> pendingNotes;
};
const RunNotes& Notes();
void NoteMessage(std::string_view text, int32_t line = -1);  // a message written to the output
void NoteFatal(std::string_view text);                         // the text of a fatal error
// A file of the session cannot be opened: "Error: Can't open NAME" on
// standard output, and the run ends.
[[noreturn]] void CannotOpen(const std::string& name);

// Characters of the trace and the message output.  On the trace slot they
// count towards the line width and the runaway limit; on the output slot
// they feed the checksum.
void TracePut(int slot, int32_t ch);
void TracePutText(int slot, std::string_view text);
int32_t& TraceColumn();
int32_t& TraceLines();

// A message on a new line of the message output (not fatal by itself).  The
// line it concerns is the scanner's current line unless given.
void MessageLine(std::string_view text, int32_t line = -1);
// A rule message: MessageLine, then the fatal "Nested error".
[[noreturn]] void RuleMessage(std::string_view text, int32_t line = -1);

// ---------------------------------------------------------------------------
// Runtime state (one per compilation)

struct RuntimeState;
RuntimeState& Rt();
// Creates a fresh runtime state; the session owns it.
std::shared_ptr<RuntimeState> NewRuntimeState();
void ResetRuntime();  // the runtime part of StartSession
// Sizes the memory of the tree records to a source of that many bytes
// (after ResetRuntime, before the first record).
void SizeTreeMemory(std::size_t sourceBytes);
// For a process that ends when its compilations end: the memory of tree
// records is left to the process's end instead of being released with its
// session.
void KeepMemoryUntilExit();
// For such a process about to compile a source of that many bytes: when it
// is large, one reservation for the compilation's stack (stackBytes), the
// process's allocations and the tree records, in large pages where they
// meet (process_memory.cpp).  Whether the reservation exists.
bool ReserveProcessMemory(std::size_t sourceBytes, std::size_t stackBytes);
// The stack of that reservation, if it was made for a stack of that size.
void* ReservedProcessStack(std::size_t stackBytes);
// Allocation from that reservation, for the process's operator new: the
// next `bytes` of it, zero-filled, or nullptr; ReturnProcessMemory tells
// whether a piece lies in it, and takes back the last piece given.
void* TakeProcessMemory(std::size_t bytes);
bool ReturnProcessMemory(void* p, std::size_t bytes);
// True once FinishSession has run: nothing of the compiler runs again.
inline bool SessionFinished() { return Rules().finished; }
inline void MarkSessionFinished() { Rules().finished = true; }
// The rule counters of a runtime state (bound together with it).
RuleStack& RulesOf(RuntimeState& state);
int64_t TreesBuilt();
int32_t KibHighWater();
int32_t KibDepth();

}  // namespace vyl
