// Lowering: the rewrites that turn what the parser built into the tree the
// code generator walks.  The front end applies them as it goes: a new
// variable takes its frame slot, a name its access tree, an access tree is
// simplified, a string literal joins the constant pool, a scope's
// declarations become the statements that initialise them.
#pragma once

#include <cstdint>
#include <memory>

#include "types/types.h"

namespace vyl {

struct LowerState;
std::shared_ptr<LowerState> NewLowerState();

// ---------------------------------------------------------------------------
// Storage

enum VarAccessMode : int32_t { kReferenceMode = 0, kSlotMode = 1 };

// The storage of a new variable of `type` in the scope being filled: the
// enclosing context record, its level and the variable's offset.
bool NextVarInfo(Tree type, Tree syms, Tree& context, int32_t& level, int32_t& offset);
// The access tree of a variable or constant: in slot mode the slot at
// `offset`, in reference mode the location its record carries.
bool VarAccess(int32_t mode, int32_t offset, Tree record, Tree& access);
// Records a reference variable in its function's list (isReference 1).
bool PointList(int32_t isReference, Tree syms, Tree variable);

// ---------------------------------------------------------------------------
// Access-tree rewrites: constant offsets folded, indirections through the
// frame base removed.  Each rewrites in place.

bool MultiOpt(Tree tree);
bool VarOptimize(int32_t& changed, Tree tree);
bool OptDeref(Tree tree);
bool ZerOptimiz(Tree tree);

// ---------------------------------------------------------------------------
// String constants: the table of a literal in the pool, shared by equal
// literals.

bool StringConstant(int32_t id, Tree syms, Tree& table);
bool aFindString(int32_t id, Tree& table, Tree chain);

// ---------------------------------------------------------------------------
// Declaration lowering: a declaration chain becomes the lowered chain and
// the statements that initialise its variables.

bool CopyOver(Tree syms, int32_t pass, Tree link, Tree& chain, Tree& statements, Tree decls);

}  // namespace vyl
