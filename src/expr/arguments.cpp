// Actual arguments of a call, matched against the formal parameters, and
// the word that carries a byte value into a word slot.
#include <cstdint>

#include "expr/expr.h"
#include "expr/expr_support.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kArgmentsMessages[] = {nullptr, "Argument expression expected here",
                                             "Argument type must be compatible with formal parameter",
                                             "More arguments expected"};

}  // namespace

// A byte variable is read from the first byte of its word slot, which is the
// high byte of the word (words are big-endian).  A byte value that is pushed
// as a whole word into such a slot must therefore stand in the high byte:
// the value shifted left by 8.  A constant is shifted at once.
Tree ByteSlotWord(Tree syms, Tree value) {
  if (Is(value, L_cn)) {
    return Constant(static_cast<int16_t>(static_cast<uint16_t>((ValueOf(value) & 0xFF) << 8)));
  }
  return Build(L_sh, Bound(kKeyInt, syms), {value, Constant(8)});
}

// Argments ::= Expression [ "," Argments ]
//
// One actual argument per formal parameter (a chain of parameter records
// linked through child 1, each holding its type in child 2); the caller
// reads the parentheses.  The list is nested with the last argument
// outermost; a reference parameter marks its argument (pt) so that the
// reference is counted, except for the constant null.
bool Argments(Tree syms, Tree formal, Tree list, Tree caller, Tree& callerOut, Tree& listOut) {
  Rule r("Argments", kArgmentsMessages);
  callerOut = caller;
  listOut = list;
  if (!formal) return r.Succeed(callerOut, listOut);
  if (!Is(formal, L_vr) || KidCount(formal) < 4) return r.Fail();
  Tree actual = nullptr, type = nullptr;
  int32_t low = 0, high = 0;
  r.state = 1;
  const int32_t argumentBegin = CurrentSpan().begin;
  if (!Expression(syms, actual, type, low, high)) return r.Fail();
  Tree formalType = Kid(formal, 2);
  int32_t size = 0, isReference = 0;
  r.state = 2;
  if (!Assignable(syms, formalType, type)) {
    PinMessage(SpanFrom(argumentBegin));
    const int32_t name = ValueOf(Kid(formal, 0));
    NoteTypes(ValidId(name) ? "the parameter '" + std::string(StringText(name)) + "'" : "the parameter", formalType,
              "the argument", type);
    return r.Fail();
  }
  WarnArrayConversion(formalType, type, SpanFrom(argumentBegin));
  if (!IsPointer(formalType, size, isReference)) return r.Fail();
  if (size == 1) actual = ByteSlotWord(syms, actual);
  Tree marker = isReference && int64_t{low} + high != 0 ? Build(L_pt) : nullptr;
  Tree argument = Build(L_at, type, {list, actual, marker});
  Tree next = Kid(formal, 1);
  if (!next) {
    listOut = argument;
    return r.Succeed(callerOut, listOut);
  }
  r.state = 3;
  if (!Accept(T_Comma)) return r.Fail();
  r.state = 0;
  if (!Argments(syms, next, argument, caller, callerOut, listOut)) return r.Fail();
  return r.Succeed(callerOut, listOut);
}

}  // namespace vyl
