// Statements: the statement rule with its debugging prefixes, and the
// keyword statements (if, while, do, switch, break, continue, return, a
// nested block, the empty statement).
//
// Each statement rule receives the reachability of the statement (1 while
// control can reach it) and hands back the reachability of the next one.
// Bodies of if, while and do start statement sequences of their own: their
// first statement has no previous statement.
#include <cstdint>
#include <limits>

#include "expr/expr.h"
#include "scanner/scanner.h"
#include "stmt/stmt.h"
#include "stmt/stmt_internal.h"

namespace vyl {

namespace {

constexpr const char* kStatmentMessages[] = {
    nullptr,
    "Function value must be used",
    "Malformed statement or missing semicolon ';'",
};

constexpr const char* kKeyWdStmtMessages[] = {
    nullptr,
    "Boolean expression expected",
    "Semicolon expected at end of do",
    "There is nothing to break out of here",
    "Semicolon expected after break",
    "There is no loop to continue here",
    "Continue needs semicolon",
    "Return value expression expected here",
    "Return value expression or semicolon expected here",
    "Return expression must match function result type",
    "Semicolon expected at end of return",
    "Scalar expression expected",
    "Switch cases need surrounding braces",
    "Switch cases need final close brace",
};

// A parenthesised boolean condition.
struct Condition {
  Tree tree = nullptr;
  int32_t low = 0;
  int32_t high = 0;
};

bool ReadCondition(Rule& r, Tree syms, Condition& c) {
  Tree type = nullptr;
  r.state = stmt::kBooleanExpected;
  if (!ParExpn(syms, c.tree, type, c.low, c.high) || !IsBool(syms, type)) return false;
  r.state = 0;
  return true;
}

// A statement that begins a sequence of its own.
bool Body(Tree syms, int32_t reach, Tree& body, int32_t& reachOut) {
  return Statment(nullptr, nullptr, syms, reach, nullptr, body, reachOut);
}

// "if" ParExpn Statment [ "else" Statment ]
bool IfStatement(Rule& r, Tree syms, int32_t reach, Tree link, Tree& stmt, int32_t& reachOut) {
  Condition c;
  if (!ReadCondition(r, syms, c)) return false;
  Tree thenPart = nullptr, elsePart = nullptr;
  int32_t thenReach = 0, elseReach = reach;
  if (!Body(syms, reach, thenPart, thenReach)) return false;
  if (Accept(K_else) && !Body(syms, reach, elsePart, elseReach)) return false;
  stmt = Build(L_if, nullptr, {link, c.tree, thenPart, elsePart});
  reachOut = thenReach || elseReach ? 1 : 0;
  return true;
}

// "while" ParExpn Statment
//
// The loop body is an `if` that runs the statement or leaves the loop; a
// condition that is always true needs no test.
bool WhileStatement(Rule& r, Tree syms, int32_t reach, Tree link, Tree& stmt, int32_t& reachOut) {
  Condition c;
  if (!ReadCondition(r, syms, c)) return false;
  Tree context = Bound(kKeyBreak, syms);
  Tree loop = Build(L_wh, nullptr, {link, nullptr});
  int32_t broke = 0, bodyReach = 0;
  if (!Breakable(loop, 0, broke, context)) return false;
  Tree body = nullptr;
  if (!Body(syms, 1, body, bodyReach)) return false;
  Tree loopBody = c.low >= 1 ? body : Build(L_if, nullptr, {nullptr, c.tree, body, Build(L_ex, loop)});
  if (!InsertStuff(loopBody, loop) || !Breakable(nullptr, 0, broke, context)) return false;
  stmt = loop;
  reachOut = reach && (c.low < 1 || broke) ? 1 : 0;
  return true;
}

// "do" Statment "while" ParExpn ";"
//
// The loop body runs the statement first; then its condition selects a
// continue (back to the start) or a break.
bool DoStatement(Rule& r, Tree syms, int32_t reach, Tree link, Tree& stmt, int32_t& reachOut) {
  Tree context = Bound(kKeyBreak, syms);
  Tree loop = Build(L_lp, nullptr, {link, nullptr});
  int32_t broke = 0, bodyReach = 0;
  if (!Breakable(loop, 0, broke, context)) return false;
  Tree body = nullptr;
  if (!Body(syms, 1, body, bodyReach)) return false;
  Condition c;
  r.state = stmt::kBooleanExpected;
  if (!Accept(K_while) || !ReadCondition(r, syms, c)) return false;
  r.state = stmt::kDoSemicolon;
  if (!Accept(T_Semi)) return false;
  r.state = 0;
  Tree loopBody = Build(L_if, nullptr, {body, c.tree, Build(L_nx, loop), Build(L_ex, loop)});
  if (!InsertStuff(loopBody, loop) || !Breakable(nullptr, 0, broke, context)) return false;
  stmt = loop;
  reachOut = reach && ((c.low < 1 && bodyReach) || broke) ? 1 : 0;
  return true;
}

// "break" ";": leaves the innermost loop or switch.
bool BreakStatement(Rule& r, Tree syms, Tree link, Tree& stmt, int32_t& reachOut) {
  Tree context = Bound(kKeyBreak, syms);
  reachOut = 0;
  int32_t flag = 0;
  r.state = stmt::kNothingToBreak;
  if (!Breakable(nullptr, 1, flag, context)) return false;
  stmt = Build(L_ex, Kid(context, 0), {link});
  r.state = stmt::kBreakSemicolon;
  if (!Accept(T_Semi)) return false;
  r.state = 0;
  return true;
}

// "continue" ";": repeats the innermost loop.
bool ContinueStatement(Rule& r, Tree syms, Tree link, Tree& stmt, int32_t& reachOut) {
  reachOut = 0;
  Tree loop = nullptr;
  r.state = stmt::kNoLoopToContinue;
  if (!IsLoop(loop, Bound(kKeyBreak, syms))) return false;
  stmt = Build(L_nx, loop, {link});
  r.state = stmt::kContinueSemicolon;
  if (!Accept(T_Semi)) return false;
  r.state = 0;
  return true;
}

// "return" [ Expression ] ";"
//
// The result goes to the frame word just below the first parameter: with n
// parameters the signature holds n + 1, and the offset is -2 (n + 1).
bool ReturnStatement(Rule& r, Tree syms, Tree link, Tree& stmt, int32_t& reachOut) {
  Tree function = Bound(kKeyFunction, syms);
  Tree signature = Part(function, 2);
  if (!Is(function, L_fn) || !Is(signature, L_xf)) return false;
  Tree resultType = Part(signature, 1);
  int64_t offset = -2 * int64_t{ValueOf(Kid(signature, 0))};
  if (offset < std::numeric_limits<int32_t>::min()) return false;
  reachOut = 0;
  Tree value = nullptr, valueType = nullptr;
  int32_t low = 0, high = 0;
  if (Accept(T_Semi)) {
    Tree voidType = Bound(kKeyVoid, syms);
    r.state = stmt::kReturnValueExpected;
    if (!voidType || !Equal(resultType, voidType)) return false;
  } else {
    r.state = stmt::kReturnValueOrSemicolon;
    const int32_t valueBegin = CurrentSpan().begin;
    if (!Expression(syms, value, valueType, low, high)) return false;
    r.state = stmt::kReturnMismatch;
    if (!Assignable(syms, resultType, valueType)) {
      PinMessage(SpanFrom(valueBegin));
      NoteTypes("the function's result", resultType, "the value", valueType);
      return false;
    }
    WarnArrayConversion(resultType, valueType, SpanFrom(valueBegin));
    r.state = stmt::kReturnSemicolon;
    if (!Accept(T_Semi)) return false;
  }
  r.state = 0;
  int32_t size = 0, isReference = 0;
  Tree marker = nullptr;
  if (value && IsPointer(resultType, size, isReference) && isReference && !stmt::SumsToZero(low, high)) {
    marker = Build(L_pt);
  }
  Tree slot = Build(L_of, Leaf(static_cast<int32_t>(offset)), {marker});
  stmt = Build(L_rt, function, {link, value, slot});
  return true;
}

// The statement that starts with a name: an assignment or a call.
bool NameLedStatement(Rule& r, Tree leading, Tree access, Tree syms, Tree link, Tree& stmt) {
  Tree tree = nullptr, record = nullptr, type = nullptr;
  int32_t isCall = 0, low = 0, high = 0;
  if (!LeftOrCall(leading, access, syms, link, tree, record, type, isCall, low, high)) return false;
  if (isCall == 0) {
    if (!AssignStmt(record, type, syms, link, tree, stmt, low, high)) return false;
  } else {
    int32_t size = 0;
    r.state = 1;
    if (!TypeSize(type, size) || size != 0) return false;
    stmt = tree;
  }
  r.state = 2;
  if (!Accept(T_Semi)) return false;
  r.state = 0;
  return true;
}

}  // namespace

// Statment ::= "?" Statment | "!" Statment | KeyWdStmt
//            | QualIdent LeftOrCall ( AssignStmt | call ) ";"
bool Statment(Tree leading, Tree access, Tree syms, int32_t reach, Tree prev, Tree& stmt, int32_t& reachOut) {
  return stmt::StatmentAt(CurrentLine(), CurrentSpan().begin, leading, access, syms, reach, prev, stmt, reachOut);
}

namespace stmt {

bool StatmentAt(int32_t line, int32_t begin, Tree leading, Tree access, Tree syms, int32_t reach, Tree prev,
                Tree& stmt, int32_t& reachOut) {
  Rule r("Statment", kStatmentMessages);
  if (!leading) {
    // "?" traces from here on and shows the statements so far; "!" stops
    // the trace.  Each applies to the statement that follows it.
    if (Accept(T_Query)) {
      SetTraceLevel(2);
      TraceTree(prev, 999, 0);
      TraceLine();
      if (!Statment(nullptr, nullptr, syms, reach, prev, stmt, reachOut)) return r.Fail();
      return r.Succeed(stmt, reachOut);
    }
    if (Accept(T_Bang)) {
      SetTraceLevel(0);
      if (!Statment(nullptr, nullptr, syms, reach, prev, stmt, reachOut)) return r.Fail();
      return r.Succeed(stmt, reachOut);
    }
    Tree link = Link(CurrentLine(), prev);
    bool keyword = false;
    {
      Attempt alternative(r);
      keyword = KeyWdStmt(syms, reach, link, stmt, reachOut);
    }
    if (keyword) {
      NoteStatement(stmt, link, SpanFrom(begin));
      return r.Succeed(stmt, reachOut);
    }
    int32_t name = 0, modifiers = 0;
    Tree extra = nullptr;
    if (!QualIdent(0, syms, name, leading, access, extra, modifiers)) return r.Fail();
    if (!NameLedStatement(r, leading, access, syms, link, stmt)) return r.Fail();
    NoteStatement(stmt, link, SpanFrom(begin));
  } else {
    Tree link = Link(line, prev);
    if (!NameLedStatement(r, leading, access, syms, link, stmt)) return r.Fail();
    NoteStatement(stmt, link, SpanFrom(begin));
  }
  reachOut = reach;
  return r.Succeed(stmt, reachOut);
}

}  // namespace stmt

// KeyWdStmt ::= "if" ParExpn Statment [ "else" Statment ]
//             | "while" ParExpn Statment
//             | "do" Statment "while" ParExpn ";"
//             | "switch" ParExpn "{" { SwitchBlockGroup } "}"
//             | "break" ";" | "continue" ";" | "return" [ Expression ] ";"
//             | Blocks | ";"
bool KeyWdStmt(Tree syms, int32_t reach, Tree link, Tree& stmt, int32_t& reachOut) {
  Rule r("KeyWdStmt", kKeyWdStmtMessages);
  bool ok = false;
  Tree scope = nullptr;
  if (Accept(K_if)) {
    ok = IfStatement(r, syms, reach, link, stmt, reachOut);
  } else if (Accept(K_while)) {
    ok = WhileStatement(r, syms, reach, link, stmt, reachOut);
  } else if (Accept(K_do)) {
    ok = DoStatement(r, syms, reach, link, stmt, reachOut);
  } else if (Accept(K_switch)) {
    ok = stmt::SwitchStatement(r, syms, reach, link, stmt, reachOut);
  } else if (Accept(K_break)) {
    ok = BreakStatement(r, syms, link, stmt, reachOut);
  } else if (Accept(K_continue)) {
    ok = ContinueStatement(r, syms, link, stmt, reachOut);
  } else if (Accept(K_return)) {
    ok = ReturnStatement(r, syms, link, stmt, reachOut);
  } else if (Blocks(nullptr, syms, reach, link, stmt, reachOut, scope)) {
    ok = true;
  } else if (Accept(T_Semi)) {
    // The empty statement contributes only its link.
    stmt = link;
    reachOut = reach;
    ok = true;
  }
  if (!ok) return r.Fail();
  return r.Succeed(stmt, reachOut);
}

}  // namespace vyl
