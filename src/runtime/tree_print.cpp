// The tree notation of the trace: <label child child>%slot0, <int 5>, ...
#include <vector>

#include "runtime/runtime.h"
#include "runtime/state.h"

namespace vyl {

namespace {

constexpr int32_t kPrintMark = 0x10000;

bool Marked(Tree t) { return (t->kind & kPrintMark) != 0; }

void Indent(int32_t indent) {
  TraceLine();
  for (int32_t i = 0; i < indent; ++i) TraceText(i < 20 ? ". " : ".");
}

void PrintEntryBody(EntryRec* e, int32_t depth) {
  TraceLine();
  if (Rt().trace.anyOpen) {
    TraceChar(' ');
    TraceNumber(e->level);
  }
  TraceChar(':');
  if (ValidId(e->name)) {
    PrintString(e->name, 1);
  } else {
    TraceNumber(e->name);
  }
  int32_t valueDepth = TraceLevel() > 1 ? 3 : 1;
  if (valueDepth > depth) valueDepth = depth;
  TraceTree(e->value, valueDepth, 60);
  TraceChar('>');
}

}  // namespace

void TraceTree(Tree t, int32_t depth, int32_t indent) {
  RuntimeState& rt = Rt();
  for (int32_t i = 0; i < 10; ++i) {
    if (t && rt.globals[static_cast<std::size_t>(i)] == t) {
      TraceChar('{');
      TraceNumber(i);
      TraceChar('}');
      int32_t& mark = rt.globalMarks[static_cast<std::size_t>(i)];
      if (mark > TraceLines()) {
        TraceText("..");
        return;
      }
      mark = TraceLines() + 120;
      break;
    }
  }
  if (indent < 60) Indent(indent);
  TraceChar('<');
  if (!t) {
    TraceChar('>');
    return;
  }
  if (--depth < 0) {
    TraceText("..>");
    return;
  }
  if (Marked(t)) {
    TraceText("..#>");
    return;
  }
  switch (t->kind) {
    case kLeaf: {
      int32_t v = LeafValue(t);
      TraceText("int ");
      TraceNumber(v);
      if (ValidId(v)) {
        TraceText(" '");
        TraceText(StringText(v));
        TraceChar('\'');
      }
      TraceChar('>');
      return;
    }
    case kSet:
      TraceNumber(static_cast<SetRec*>(t)->cell);
      TraceChar('>');
      return;
    case kNode: {
      auto* n = AsNode(t);
      t->kind |= kPrintMark;
      TraceLabel(n->label, 0);
      TraceChar(' ');
      int32_t childDepth = depth;
      int32_t childIndent = indent + 1;
      if (depth >= 7777) {
        childDepth = 1001;
        childIndent = 60;
      }
      for (int i = 1; i <= n->n && i <= 8; ++i) {
        if (i > 1) TraceChar(' ');
        TraceTree(ChildOf(n, i), childDepth, childIndent);
      }
      TraceChar('>');
      if (Tree extra = ChildOf(n, 0)) {
        TraceChar('%');
        TraceTree(extra, 1, 60);
      }
      t->kind &= ~kPrintMark;
      return;
    }
    case kEntry: {
      // A dictionary prints from its oldest entry to its newest.
      std::vector<EntryRec*> chain;
      for (Tree e = t; e && e->kind == kEntry && static_cast<int32_t>(chain.size()) <= depth; e = static_cast<EntryRec*>(e)->next)
        chain.push_back(static_cast<EntryRec*>(e));
      for (EntryRec* e : chain) e->kind |= kPrintMark;
      for (auto it = chain.rbegin(); it != chain.rend(); ++it) PrintEntryBody(*it, depth);
      for (EntryRec* e : chain) e->kind &= ~kPrintMark;
      return;
    }
    default:
      TraceNumber(t->kind);
      TraceText("HUH?>");
      TraceLine();
      TraceText(std::string(49, '='));
      TraceLine();
      return;
  }
}

void TraceArg(Tree t) {
  TraceState& tr = Rt().trace;
  if (t == tr.lastTraced) {
    TraceTree(t, 1, 60);
  } else if (TraceLevel() > 1) {
    TraceTree(t, 3, 0);
  }
  TraceChar(';');
  tr.lastTraced = t;
}

}  // namespace vyl
