// The checker of semantics.h, internal to it: checker.cpp holds the
// declarations, statements, types and names, checker_expressions.cpp the
// expressions, their constant folding and the values they take.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "semantics.h"

namespace vylfuzz::checking {

// A folded constant, which must stay within 32 bits (else Rejected).
int64_t Fits(int64_t v);

class Checker {
 public:
  explicit Checker(Model& m);
  void Whole(Program& p);

 private:
  // ----- types
  const Type* Basic(Type::Kind k, const char* name);
  const Type* ArrayOf(const Type* elem, int length);
  const Type* Resolve(const TypeName& tn);

  // Whether a value of type `from` may be stored where `to` is expected.
  bool Assignable(const Type* to, const Type* from) const;

  // ----- names
  Symbol& NewSymbol(Symbol::Kind kind, const std::string& name);
  void Bind(const std::string& name, const Symbol* s);
  const Symbol* Find(const std::string& name) const;
  void Hardware();

  // ----- declarations
  void Class(const ClassDecl& c);
  void Vars(VarGroup& g, bool global);
  void FinalTable(Declarator& d, const Type* t);
  void Func(Function& f);

  // ----- statements
  void Condition(Expr& e);
  void Statement(Stmt& s, int loops, int breakables);
  void Target(Expr& e);

  // ----- expressions
  static int32_t Wrap(int64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF)); }
  void Constant(Expr& e, const Type* t, int64_t v);
  void Expression(Expr& e);
  void Typed(Expr& e);
  void Values(Expr& e);
  void Selector(Expr& e);
  void CallExpr(Expr& e);
  void UnaryExpr(Expr& e);
  void BinaryExpr(Expr& e);
  Model& m_;
  std::map<std::string, const Type*> typeNames_;
  std::map<std::pair<const Type*, int>, const Type*> arrays_;
  std::map<std::string, const Symbol*> globals_;
  std::map<std::string, const Symbol*>* locals_ = nullptr;
  FunctionInfo* fn_ = nullptr;
};

}  // namespace vylfuzz::checking
