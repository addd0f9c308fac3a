// Variable declarations: the part that follows the type.  Optional array
// brackets, the name, and by kind: a final object laid out inline, a final
// array with a constant table (tables.cpp), a final scalar constant, or an
// ordinary variable with an optional initial value.
//
// Uninitialised variables get their slots when the scope is lowered, after
// the initialised ones, whose slots are given out while parsing.  So that
// `int a; int b = a + 1;` reads a slot that exists, an initialised
// declaration first gives every earlier variable of its scope that has no
// slot yet its slot, in declaration order, with a pushed 0.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "stmt/stmt.h"
#include "stmt/stmt_internal.h"
#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

constexpr const char* kVarDeclnMessages[] = {
    nullptr,
    "Put array brackets with type (before var name)",
    "Array size must be integer",
    "Closing bracket ']' expected",
    "Name of variable expected here",
    "Final object needs a (new) value",
    "Compatible class name expected here",
    "Final array needs values",
    "Only chars and numbers can be in table",
    "Table item must be constant",
    "Table item type mismatch",
    "Missing '}' at end of table or bad value",
    "Table must not be empty",
    "Array size does not match data",
    "Final (constant) needs a value",
    "Type mismatch",
    "Variable declaration expected here",
    "Cannot initialize instance variables",
    "Cannot initialize larger structures",
    "Array size must be >0",
    "A final object cannot be a class field",
};

constexpr int32_t kHeaderWord = -16;  // FFF0: the header of an object laid out inline

// A class type: a reference to a class record.
bool IsClassType(Tree type) {
  Tree pt = Part(type, 3);
  return Is(type, L_ty) && Is(pt, L_pt) && Is(Part(pt, 1), L_cl);
}

bool IsArrayType(Tree type) { return Is(type, L_ty) && Is(Part(type, 3), L_ar); }

// A variable that the lowering has not laid out yet: a scalar or reference
// without its slot, or an object laid out inline (its size in child 3).
bool Unplaced(Tree variable) {
  Tree location = Part(variable, 4);
  Tree third = Part(variable, 3);
  return Is(variable, L_vr) && Is(location, L_of) && !Kid(location, 0) && (!third || Is(third, L_cn));
}

// The unplaced variables of a declaration chain, oldest first.
std::vector<Tree> UnplacedOf(Tree chain) {
  std::vector<Tree> found;
  for (Tree t = chain; t;) {
    if (Is(t, L_as)) {  // an initialisation: the variable inside carries the chain on
      t = Part(t, 1);
      if (Is(t, L_nn)) t = Part(t, 1);
      continue;
    }
    if (!Is(t, L_vr) && !Is(t, L_fn) && !Is(t, L_cl) && !Is(t, L_no)) break;
    if (Unplaced(t)) found.push_back(t);
    t = Part(t, 1);
  }
  std::reverse(found.begin(), found.end());
  return found;
}

// An initialisation that pushes `value` into a slot of its own.
Tree PushedSlot(Tree chain, Tree type, Tree context, int32_t offset, Tree base, Tree value) {
  Tree slot = Build(L_vr, nullptr, {chain, type, Build(L_up, context), Build(L_of, Leaf(offset), {base})});
  return Build(L_as, type, {slot, nullptr, value, nullptr});
}

// Gives each unplaced variable of the chain its slot now, pushing zeros:
// a scalar gets one zero word; an inline object its header word, its length
// word and zero words for its contents, as the lowering would lay it out.
bool PlaceEarlier(Tree syms, Tree chain, Tree& newChain) {
  Tree intType = Bound(kKeyInt, syms);
  Tree head = chain;
  for (Tree variable : UnplacedOf(chain)) {
    Tree type = Part(variable, 2);
    Tree location = Part(variable, 4);
    Tree context = nullptr;
    int32_t level = 0;
    int32_t offset = 0;
    if (!Is(Part(variable, 3), L_cn)) {
      if (!NextVarInfo(type, syms, context, level, offset) || !Decorate(offset, location)) return false;
      Tree up = Build(L_up, context);
      if (!InsertStuff(up, variable)) return false;
      head = Build(L_as, type, {Build(L_vr, Kid(variable, 0), {head, type, up, location}), nullptr, Constant(0), nullptr});
      continue;
    }
    int32_t header = 0;
    int32_t length = 0;
    int32_t size = 0;
    Tree objectContext = nullptr;
    if (!NextVarInfo(intType, syms, context, level, header) || !NextVarInfo(intType, syms, context, level, length) ||
        !NextVarInfo(type, syms, objectContext, level, offset) || !TypeSize(type, size)) {
      return false;
    }
    Tree base = Part(location, 1);
    head = PushedSlot(head, intType, context, header, base, Constant(kHeaderWord));
    head = PushedSlot(head, intType, context, length, base, Part(variable, 3));
    int32_t words = size / 2 + size % 2;
    head = PushedSlot(head, type, objectContext, offset, base, Build(L_zz, Leaf(words), {nullptr}));
    if (!Decorate(offset, location)) return false;
    Replace(variable, Build(L_vr, Kid(variable, 0), {Part(variable, 1), type, Build(L_up, objectContext), location}));
  }
  newChain = head;
  return true;
}

// "[" ( "]" | ConstExpn "]" ) after the type: the array type of `type`.
bool ArraySuffix(Rule& r, Tree syms, Tree type, Tree& arrayType) {
  int32_t elementSize = 0;
  if (!TypeSize(type, elementSize)) return false;
  Tree intType = Bound(kKeyInt, syms);
  int32_t high = -1;
  int32_t total = 2;  // an array of any length is a reference
  if (!Accept(T_RBracket)) {
    Tree tree = nullptr;
    Tree sizeType = nullptr;
    int32_t count = 0;
    bool known = false;
    {
      Attempt optional(r);
      known = ConstExpn(syms, tree, sizeType, count);
    }
    r.state = kClosingBracket;
    if (!known) return false;
    r.state = kSizeNotInteger;
    if (!Equal(sizeType, intType)) return false;
    r.state = kSizeNotPositive;
    if (count <= 0) return false;
    r.state = kClosingBracket;
    if (!Accept(T_RBracket)) return false;
    r.state = 0;
    int64_t bytes = int64_t{count} * elementSize;
    if (bytes > std::numeric_limits<int32_t>::max()) return false;  // no memory holds it
    high = count - 1;
    total = static_cast<int32_t>(bytes);
  }
  Tree index = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(2)), Build(L_rn, nullptr, {Constant(0), Constant(high), intType})});
  Tree array = Build(L_ar, nullptr, {index, type});
  arrayType = Build(L_ty, nullptr, {nullptr, Build(L_sz, Leaf(total)), array});
  return InsertStuff(arrayType, array);
}

// "=" "new" aType [ "(" ")" ]: an object of the class laid out inline, at
// the top level or in the frame of the enclosing function.  The class after
// "new" is looked up where the declared type was (`typeSyms`).
//
// A class record cannot hold one: an object laid out inline needs its
// header and length words written when its storage is made, and a record
// made by "new" is only zeroed.
bool FinalObject(Rule& r, Tree enclosing, int32_t name, Tree type, Tree typeSyms, Tree syms, Tree chain,
                 Tree& newChain, Tree& newSyms) {
  r.state = kFinalObjectNeedsNew;
  if (!Accept(T_Assign) || !Accept(K_new)) return false;
  r.state = kCompatibleClass;
  Tree made = nullptr;
  bool named = false;
  {
    Attempt alternative(r);
    named = aType(typeSyms, made);
  }
  if (!named || !Assignable(typeSyms, type, made)) return false;
  r.state = 0;
  if (Accept(T_LParen) && !Accept(T_RParen)) return false;
  r.state = kFinalObjectField;
  if (Is(enclosing, L_cl)) return false;
  r.state = 0;
  Tree classRecord = Part(Part(type, 3), 1);
  int32_t size = 0;
  if (!TypeSize(classRecord, size)) return false;
  Tree location = Build(L_of, nullptr, {Build(enclosing ? L_in : L_bg)});
  Tree variable = Build(L_vr, Leaf(name), {chain, classRecord, Constant(size), location});
  Tree table = syms;
  if (!Bind(table, name, variable)) return false;
  NoteDeclaration(variable, name, DeclKindIn(enclosing), enclosing);
  newChain = variable;
  newSyms = table;
  return true;
}

// "=" constant { "," declarator }: a named constant.
bool FinalConstant(Rule& r, Tree enclosing, int32_t name, int32_t modifiers, Tree type, Tree syms, Tree chain,
                   Tree& newChain, Tree& newSyms) {
  r.state = kFinalNeedsValue;
  Tree valueType = nullptr;
  int32_t value = 0;
  if (!Accept(T_Assign)) return false;
  const int32_t valueBegin = CurrentSpan().begin;
  if (!ConstantItem(syms, valueType, value)) return false;
  r.state = kTypeMismatch;
  if (!Assignable(syms, type, valueType)) {
    PinMessage(SpanFrom(valueBegin));
    NoteTypes("the constant", type, "the value", valueType);
    return false;
  }
  r.state = 0;
  Tree definition = Build(L_df, nullptr, {nullptr, type, Constant(value)});
  Tree link = Build(L_no, nullptr, {chain, nullptr, definition});
  Tree table = syms;
  if (!Bind(table, name, definition)) return false;
  NoteDeclaration(definition, name, DeclKind::kConstant, enclosing);
  if (Accept(T_Comma)) return VarDecln(enclosing, 0, modifiers, type, table, link, newChain, newSyms);
  newChain = link;
  newSyms = table;
  return true;
}

// "=" Expression for the variable just declared: its slot is given out
// now, and the initialisation record that pushes the value becomes the
// head of the chain.
bool Initialise(Rule& r, int32_t line, int32_t size, int32_t isReference, Tree type, Tree variable, Tree syms,
                Tree& head) {
  Tree location = Part(variable, 4);
  Tree context = nullptr;
  int32_t level = 0;
  int32_t offset = 0;
  if (!NextVarInfo(type, syms, context, level, offset)) return false;
  Tree value = nullptr;
  Tree valueType = nullptr;
  int32_t low = 0;
  int32_t high = 0;
  const int32_t valueBegin = CurrentSpan().begin;
  if (!Expression(syms, value, valueType, low, high)) return false;
  r.state = kTypeMismatch;
  if (!Assignable(syms, type, valueType)) {
    PinMessage(SpanFrom(valueBegin));
    NoteTypes("the variable", type, "the initial value", valueType);
    return false;
  }
  WarnArrayConversion(type, valueType, SpanFrom(valueBegin));
  // Only a one-word value can be pushed; an array laid out inline has a
  // header and a length word besides its elements.
  r.state = kLargerStructure;
  if (size > 2 || Part(variable, 3)) return false;
  r.state = 0;
  if (!Decorate(offset, location) || !InsertStuff(Build(L_up, context), variable)) return false;
  // An array is passed as its address: one that an array of any length
  // accepts needs no conversion, whatever its own length.
  Tree converted = value;
  int32_t targetHigh = 0, sourceHigh = 0, elementSize = 0;
  bool arrays = ArrayBounds(type, targetHigh, elementSize) && ArrayBounds(valueType, sourceHigh, elementSize);
  if (!arrays && !Coerce(type, valueType, value, converted)) return false;
  // A byte variable is read as the first byte of its slot, the high byte of
  // the word pushed: the value goes there.
  const bool byteSlot = size == 1;
  if (low == high) {
    int32_t v = byteSlot ? (low & 0xFF) << 8 : low;
    head = Build(L_as, type, {variable, nullptr, Constant(v), nullptr});
    return true;
  }
  if (byteSlot) converted = Build(L_sh, type, {converted, Constant(8)});
  // A reference value other than null takes a reference.
  Tree marker = isReference && int64_t{low} + high != 0 ? Build(L_pt) : nullptr;
  head = Build(L_as, type, {Build(L_nn, Leaf(line), {variable}), nullptr, converted, marker});
  return true;
}

// [ "=" Expression ] { "," declarator }: an ordinary variable.
bool Variable(Rule& r, Tree enclosing, int32_t name, int32_t modifiers, Tree type, Tree syms, Tree chain,
              Tree& newChain, Tree& newSyms) {
  int32_t size = 0;
  int32_t isReference = 0;
  r.state = kNotAVariable;
  if (!IsPointer(type, size, isReference)) return false;
  r.state = 0;
  // Only the top level and function bodies may initialise their variables.
  const bool mayInitialise = !enclosing || Is(enclosing, L_fn);
  if (TokenCode() == T_Assign && mayInitialise && !PlaceEarlier(syms, chain, chain)) return false;
  Tree location = Build(L_of, nullptr, {enclosing ? nullptr : Build(L_gl)});
  int32_t high = 0;
  int32_t elementSize = 0;
  Tree inlineSize = ArrayBounds(type, high, elementSize) && high >= 0 ? Constant(size) : nullptr;
  Tree variable = Build(L_vr, Leaf(name), {chain, type, inlineSize, location});
  if (!PointList(isReference, syms, variable)) return false;
  Tree table = syms;
  if (!Bind(table, name, variable)) return false;
  NoteDeclaration(variable, name, DeclKindIn(enclosing), enclosing);
  Tree head = variable;
  const int32_t line = CurrentLine();
  if (Accept(T_Assign)) {
    r.state = kInstanceInitialised;
    if (!mayInitialise) return false;
    r.state = 0;
    if (!Initialise(r, line, size, isReference, type, variable, table, head)) return false;
  }
  if (Accept(T_Comma)) return VarDecln(enclosing, 0, modifiers, type, table, head, newChain, newSyms);
  newChain = head;
  newSyms = table;
  return true;
}

}  // namespace

bool ConstantItem(Tree syms, Tree& type, int32_t& value) {
  Tree tree = nullptr;
  int32_t low = 0;
  int32_t high = 0;
  if (!Expression(syms, tree, type, low, high) || low != high || !IsScalar(type)) return false;
  value = low;
  return true;
}

// VarDecln ::= "[" ( "]" | ConstExpn "]" ) VarDecln     (no name read yet)
//            | Identifier VarDecln                      (no name read yet)
//            | "=" "new" aType [ "(" ")" ]              (final object)
//            | "=" ( string | "{" constant { "," constant } "}" )   (final array)
//            | "=" constant { "," VarDecln }           (final constant)
//            | [ "=" Expression ] { "," VarDecln }     (variable)
bool VarDecln(Tree enclosing, int32_t name, int32_t modifiers, Tree type, Tree syms, Tree chain, Tree& newChain,
              Tree& newSyms) {
  return VarDeclnIn(enclosing, name, modifiers, type, syms, syms, chain, newChain, newSyms);
}

bool VarDeclnIn(Tree enclosing, int32_t name, int32_t modifiers, Tree type, Tree typeSyms, Tree syms, Tree chain,
                Tree& newChain, Tree& newSyms) {
  Rule r("VarDecln", kVarDeclnMessages);
  if (name != 0) NoteDeclaredName(PreviousSpan());
  if (TokenCode() == T_LBracket) {
    r.state = kBracketsAfterName;
    if (name != 0) return r.Fail();
    r.state = 0;
    Accept(T_LBracket);
    Tree arrayType = nullptr;
    if (!ArraySuffix(r, syms, type, arrayType) ||
        !VarDeclnIn(enclosing, 0, modifiers, arrayType, typeSyms, syms, chain, newChain, newSyms)) {
      return r.Fail();
    }
    return r.Succeed(newChain, newSyms);
  }
  if (name == 0) {
    r.state = kNameExpected;
    if (!Identifier(name)) return r.Fail();
    NoteDeclaredName(PreviousSpan());
    r.state = kBracketsAfterName;
    if (TokenCode() == T_LBracket) return r.Fail();
    r.state = 0;
  }
  const bool isFinal = modifiers >= kModFinal;
  bool done = false;
  if (isFinal && IsClassType(type)) {
    done = FinalObject(r, enclosing, name, type, typeSyms, syms, chain, newChain, newSyms);
  } else if (isFinal && IsArrayType(type)) {
    done = FinalArray(r, name, type, syms, chain, newChain, newSyms);
  } else if (isFinal) {
    done = FinalConstant(r, enclosing, name, modifiers, type, syms, chain, newChain, newSyms);
  } else {
    done = Variable(r, enclosing, name, modifiers, type, syms, chain, newChain, newSyms);
  }
  if (!done) return r.Fail();
  return r.Succeed(newChain, newSyms);
}

}  // namespace vyl
