// Statements: function bodies and blocks, the statement checks and trees,
// switch statements and assignments, and the variable declarations that
// blocks and the top level share (with constant tables).
//
// Statement rules thread a reachability flag (1 while control can reach the
// statement) and the statement link: each statement record carries, as its
// child 1, an `nn` link holding its source line and the previous statement.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace vyl {

// Blocks ::= "{" { declaration ";" | Statment } "}"
bool Blocks(Tree function, Tree syms, int32_t reach, Tree prev, Tree& block, int32_t& reachOut, Tree& newSyms);
// A statement; `leading`/`access` are the record and access tree of a name
// already read by the caller (or null).
bool Statment(Tree leading, Tree access, Tree syms, int32_t reach, Tree prev, Tree& stmt, int32_t& reachOut);
bool KeyWdStmt(Tree syms, int32_t reach, Tree link, Tree& stmt, int32_t& reachOut);
bool AssignStmt(Tree target, Tree targetType, Tree syms, Tree link, Tree access, Tree& stmt, int32_t& low,
                int32_t& high);
bool Breakable(Tree stmt, int32_t increment, int32_t& flag, Tree context);
bool IsLoop(Tree& loop, Tree context);

// Variable declarations and constant tables (name 0: not read yet)

bool VarDecln(Tree enclosing, int32_t name, int32_t modifiers, Tree type, Tree syms, Tree chain, Tree& newChain,
              Tree& newSyms);
// The same, with the table the class after "new" of a final object is looked
// up in: for a class field, the table enclosing the class, where the field
// types are looked up too (`syms` is then the class's member scope).
bool VarDeclnIn(Tree enclosing, int32_t name, int32_t modifiers, Tree type, Tree typeSyms, Tree syms, Tree chain,
                Tree& newChain, Tree& newSyms);

// Switch statements.
bool SwitchBlockGroup(Tree syms, Tree switchType, Tree prevGroup, Tree& group);
bool SwitchLabel(Tree syms, Tree switchType, Tree& label);

}  // namespace vyl
