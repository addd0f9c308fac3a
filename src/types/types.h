// The program model shared by the front end and the code generator: the
// reserved keys of the symbol table, the modifier bits, the queries on type
// records, and the in-place edits of records that are built first and
// completed later.
//
// A type is a `ty` node: slot 0 the name, child 2 an `sz` node holding the
// size, child 3 the descriptor (`rn` range, `en` enumeration, `ch`
// character, `pt` reference, `ar` array, `vt` void, `cl` class, `no` opaque).
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace vyl {

// ---------------------------------------------------------------------------
// Reserved keys of the symbol table.
enum Key : int32_t {
  kKeyInt = 1,
  kKeyBoolean = 2,
  kKeyChar = 3,
  kKeyString = 4,
  kKeyNumeric0 = 5,       // numeric type with sign 0 (never bound by the built-ins)
  kKeyNumericCommon = 6,  // numeric type with sign -1, common type of two numeric types
  kKeyVoid = 7,
  kKeyNull = 8,           // the null constant definition
  kKeyPackage = 9,        // the predefined package record
  kKeyFalse = 10,
  kKeyTrue = 11,
  kKeyByte = 13,
  kKeyObject = 15,        // the Object class type, template of every class
  kKeyStringType = 16,
  kKeyAddressOf = 19,     // bound by importing Dangerous: enables "&"
  kKeySemaphore = 20,
  kKeyFileId = 21,
  kKeyContext = -1,       // the enclosing context record
  kKeyBreak = -2,         // the break context of the current function
  kKeyFunction = -3,      // the function record, at the level of its body
  kKeyLocation = -4,      // the location record of the scope being filled
  kKeyProcCounter = -5,   // the procedure counter
  kKeyTablePool = -6,     // the table pool that chains the constant tables
};

// Binds key -> value at the table's current level; false (table unchanged)
// when the key is already bound there.
inline bool Bind(Tree& table, int32_t key, Tree value) {
  Tree extended = nullptr;
  if (!into(key, table, value, extended)) return false;
  table = extended;
  return true;
}

// Modifier bits.
enum Modifier : int32_t { kModStatic = 2, kModSynchronized = 8, kModFinal = 64 };

// ---------------------------------------------------------------------------
// Type queries

bool TypeSize(Tree type, int32_t& size);
bool NameOfType(Tree type, int32_t& name);
bool IsScalar(Tree type);
bool IsObject(Tree type, int32_t& size, Tree& resultType);
bool GetTypeRange(Tree type, int32_t& low, int32_t& high);
// The member table, type and value range that a record denotes.
bool GetItsType(Tree node, Tree& members, Tree& type, int32_t& low, int32_t& high);
bool Unbounded(int32_t& low, int32_t& high);

// ---------------------------------------------------------------------------
// Tree edits: each replaces a node in place, so every other reference to it
// sees the change.

// Fills the free slot of an owner record with `item`.
bool InsertStuff(Tree item, Tree owner);
// Records a value (an address, a size, a line) in slot 0 of a node.
bool Decorate(int32_t value, Tree tree);
// Completes a class record with its members, scope and size.
bool ClassParts(Tree members, Tree scope, int32_t size, Tree classRecord);
// Advances a location counter, handing back its old value.
bool UpdateLoc(int32_t increment, int32_t& old, Tree counter);
// The next procedure number.
bool NewProcNo(int32_t& number, Tree counter);

}  // namespace vyl
