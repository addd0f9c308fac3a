// The generator of random valid Vyl programs.
//
// Every program it writes terminates (loops count up to small bounds,
// recursion goes down a depth parameter), stays well inside the machine and
// avoids what the language leaves undefined; where a trap is the defined
// outcome (an index outside its array, a null reference, a division by zero)
// the program may end in one.  It never writes an expression whose value is
// the same for every value of its variables unless it is made of constants
// only: the compiler replaces such an expression by its value, and its
// operands are then not evaluated (see witness sets in generator.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "syntax.h"

namespace vylfuzz {

// What a program contains, counted as the generator writes it.
enum class Construct {
  GlobalVariable, GlobalInitialised, LocalInitialised, NamedConstant, IntTable, ByteTable, CharTable, StringConstant,
  FinalObject, LocalFinalObject, Class, ClassAlias, Parameter, Result, ImplicitResult, Recursion, MutualRecursion,
  OpMul, OpDiv, OpRem, OpAdd, OpSub, OpShl, OpShr, OpUshr, OpBitAnd, OpBitXor, OpBitOr,
  OpEq, OpNe, OpLt, OpLe, OpGt, OpGe, OpAnd, OpOr, OpNeg, OpPlus, OpCompl, OpNot,
  ConstantOperand, FoldedConstant, VariableOperand, ElementOperand, FieldOperand, CallOperand, Parentheses, Braces,
  Ord, Chr, Length, KeyIn, DeviceRegister,
  If, IfElse, While, Do, Break, Continue, ContinueInDo, Return, EmptyStatement, Block,
  SwitchDense, SwitchGapped, SwitchDefault, SwitchNegative, SwitchChar, SwitchBoolean,
  FixedArray, OpenArray, NewArray, TwoDimensional, RowArray, ArrayField, StringLiteral, ByteArray,
  ClassReference, NullReference, NewObject, ReferenceCompare, Print,
  MayTrapIndex, MayTrapNull, MayTrapDivide,
  kCount
};

constexpr size_t kConstructs = static_cast<size_t>(Construct::kCount);
const char* ConstructName(Construct c);

using Coverage = std::array<uint32_t, kConstructs>;

struct Generated {
  Program program;
  std::string input;  // what KeyIn.datum reads
  Coverage coverage{};
};

Generated Generate(uint64_t seed);

}  // namespace vylfuzz
