// The order in which globals come to exist.  Globals live on the machine's
// stack: the start code pushes their slots in declaration order, each
// initial value being computed just before its own slot is pushed.  While
// the initial value of `a` runs, the slots of `a` and of every global
// declared after it do not exist yet; the words where they will be hold
// the result slot and the frame of the call that is running.  A function
// called by an initial value, directly or through other functions, must
// therefore not use those globals: such a program is refused, naming the
// global, the function that uses it and the initial value.
//
// The check reads the parsed trees only (it builds none and traces nothing),
// so the programs it accepts compile exactly as without it.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "decl/decl_internal.h"

namespace vyl {

namespace {

// What a tree uses: globals (by declaration index) and functions it calls
// (by procedure number).
struct Uses {
  std::vector<int32_t> globals;
  std::vector<int32_t> calls;
};

// Records that a statement or an expression refers to without using what
// they hold: types, classes, functions (a return names its function),
// packages, contexts, signatures and constant definitions.
bool IsReferenceOnly(int32_t label) {
  switch (label) {
    case L_ty: case L_cl: case L_fn: case L_pk: case L_up: case L_xf: case L_df:
      return true;
    default:
      return false;
  }
}

// The globals and calls in `root`.  A global is used where its location
// node stands in an access tree: the access trees share it.
Uses Collect(Tree root, const std::unordered_map<Tree, int32_t>& globals) {
  Uses uses;
  std::unordered_set<Tree> seen;  // loops refer back to their statements
  std::vector<Tree> todo{root};
  while (!todo.empty()) {
    Tree t = todo.back();
    todo.pop_back();
    if (!IsNode(t) || !seen.insert(t).second) continue;
    if (auto g = globals.find(t); g != globals.end()) {
      uses.globals.push_back(g->second);
      continue;
    }
    const int32_t label = LabelOf(t);
    if (label == L_fc) uses.calls.push_back(ValueOf(Kid(t, 0)));
    if (IsReferenceOnly(label)) continue;
    for (int i = 0; i <= KidCount(t); ++i) todo.push_back(Kid(t, i));
  }
  return uses;
}

// A global initialised with a value computed when the program starts.
struct Initial {
  int32_t index;  // the global's declaration index
  Tree variable;
  Tree value;
  int32_t line;  // the line of its "="
};

struct Program {
  std::unordered_map<Tree, int32_t> globals;  // location node -> declaration index
  std::vector<Tree> variables;                // by declaration index
  std::vector<Initial> initials;              // in declaration order
  std::unordered_map<int32_t, Tree> functions;  // procedure number -> function record
};

// A global's location node: `of` over `gl`, or over `bg` for a final object.
bool IsGlobalLocation(Tree location) {
  return Is(location, L_of) && (Is(Part(location, 1), L_gl) || Is(Part(location, 1), L_bg));
}

// The top-level declaration chain, newest first, read oldest first.  A
// variable given its slot early (with a pushed 0, before a later initial
// value) appears twice with one location node: its first appearance counts.
Program Read(Tree chain) {
  std::vector<Tree> records;
  for (Tree t = chain; IsNode(t);) {
    records.push_back(t);
    if (Is(t, L_as)) {
      Tree v = Part(t, 1);
      t = Part(Is(v, L_nn) ? Part(v, 1) : v, 1);
    } else if (Is(t, L_vr) || Is(t, L_fn) || Is(t, L_cl) || Is(t, L_no)) {
      t = Part(t, 1);
    } else {
      break;
    }
  }
  Program p;
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    Tree t = *it;
    if (Is(t, L_fn)) {
      p.functions.emplace(ValueOf(Part(t, 4)), t);
      continue;
    }
    Tree wrapped = Is(t, L_as) ? Part(t, 1) : nullptr;
    Tree variable = Is(wrapped, L_nn) ? Part(wrapped, 1) : wrapped ? wrapped : t;
    Tree location = Part(variable, 4);
    if (!Is(variable, L_vr) || !IsGlobalLocation(location)) continue;
    auto [at, added] = p.globals.emplace(location, static_cast<int32_t>(p.variables.size()));
    if (added) p.variables.push_back(variable);
    // Only a value that is not a constant runs code.
    if (Is(wrapped, L_nn)) p.initials.push_back({at->second, variable, Part(t, 3), ValueOf(Kid(wrapped, 0))});
  }
  return p;
}

std::string NameOf(Tree record) { return IdText(ValueOf(Kid(record, 0))); }

}  // namespace

void CheckInitialValues(Tree chain) {
  Program p = Read(chain);
  std::vector<Uses> values;
  bool calls = false;
  for (const Initial& initial : p.initials) {
    values.push_back(Collect(initial.value, p.globals));
    calls = calls || !values.back().calls.empty();
  }
  if (!calls) return;

  // The functions the initial values reach, each with what it uses.
  std::unordered_map<int32_t, Uses> reached;
  std::deque<int32_t> todo;
  for (const Uses& v : values) todo.insert(todo.end(), v.calls.begin(), v.calls.end());
  while (!todo.empty()) {
    int32_t number = todo.front();
    todo.pop_front();
    auto f = p.functions.find(number);
    if (f == p.functions.end() || reached.count(number)) continue;
    Uses& uses = reached[number] = Collect(Part(f->second, 5), p.globals);
    todo.insert(todo.end(), uses.calls.begin(), uses.calls.end());
  }

  // For each reached function, the latest global that it or a function it
  // reaches uses (-1: none).  Taking the functions by their own latest
  // global, latest first, each caller is marked once, with its final value.
  std::unordered_map<int32_t, int32_t> latestUse, latestReach;
  std::unordered_map<int32_t, std::vector<int32_t>> callers;
  std::vector<int32_t> order;
  for (const auto& [number, uses] : reached) {
    latestUse[number] = uses.globals.empty() ? -1 : *std::max_element(uses.globals.begin(), uses.globals.end());
    for (int32_t callee : uses.calls) callers[callee].push_back(number);
    order.push_back(number);
  }
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    return latestUse[a] != latestUse[b] ? latestUse[a] > latestUse[b] : a < b;
  });
  for (int32_t number : order) {
    int32_t latest = latestUse[number];
    if (latest < 0) break;
    if (latestReach.count(number)) continue;
    latestReach[number] = latest;
    std::vector<int32_t> marking{number};
    while (!marking.empty()) {
      int32_t callee = marking.back();
      marking.pop_back();
      for (int32_t caller : callers[callee]) {
        if (latestReach.emplace(caller, latest).second) marking.push_back(caller);
      }
    }
  }

  for (std::size_t k = 0; k < p.initials.size(); ++k) {
    const Initial& initial = p.initials[k];
    auto late = [&](int32_t number) {
      auto r = latestReach.find(number);
      return r != latestReach.end() && r->second >= initial.index;
    };
    const std::vector<int32_t>& direct = values[k].calls;
    if (std::none_of(direct.begin(), direct.end(), late)) continue;
    // The nearest function on the way that uses such a global itself.
    std::deque<int32_t> way(direct.begin(), direct.end());
    std::unordered_set<int32_t> visited;
    while (!way.empty()) {
      int32_t number = way.front();
      way.pop_front();
      if (!reached.count(number) || !visited.insert(number).second) continue;
      const Uses& uses = reached[number];
      int32_t used = -1;
      for (int32_t g : uses.globals) {
        if (g >= initial.index && (used < 0 || g < used)) used = g;
      }
      if (used >= 0) {
        std::string global = NameOf(p.variables[static_cast<std::size_t>(used)]);
        RuleMessage("Initial value of " + NameOf(initial.variable) + " calls " + NameOf(p.functions[number]) +
                        ", which uses " + global + " before " + global + " exists",
                    initial.line);
      }
      way.insert(way.end(), uses.calls.begin(), uses.calls.end());
    }
  }
}

}  // namespace vyl
