// The generator: the program as a whole, its declarations and functions.
// Statements are written in gen_statements.cpp, expressions in
// gen_expressions.cpp.
#include "generator.h"

#include <array>

#include "gen_model.h"

namespace vylfuzz {

const char* ConstructName(Construct c) {
  static const char* const kNames[] = {
      "global variable", "initialised global", "initialised local", "named constant", "int table", "byte table",
      "char table", "String constant", "final object", "local final object", "class", "class alias", "parameter",
      "result", "implicit result", "recursion", "mutual recursion", "*", "/", "%", "+", "-", "<<", ">>", ">>>", "&",
      "^", "|", "==", "!=", "<", "<=", ">", ">=", "&&", "||", "unary -", "unary +", "~", "!", "constant operand",
      "folded constant", "variable operand", "element operand", "field operand", "call operand", "parentheses",
      "braces", "ORD", "CHR", "LENGTH", "KeyIn", "device register", "if", "if else", "while", "do", "break",
      "continue", "continue in do", "return", "empty statement", "block", "dense switch", "gapped switch",
      "switch default", "negative case", "char switch", "boolean switch", "fixed array", "open array", "new array",
      "2-D array", "array of rows", "array field", "string literal", "byte array", "class reference", "null",
      "new object", "reference compare", "print", "index that may trap", "reference that may be null",
      "divisor that may be zero"};
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == kConstructs);
  return kNames[static_cast<size_t>(c)];
}

Generated Generate(uint64_t seed) { return gen::Gen(seed).Run(); }

namespace gen {

bool Same(const GType& a, const GType& b) {
  if (a.kind != b.kind || a.string != b.string) return false;
  if (a.kind == GType::Class) return a.cls == b.cls;
  if (a.kind == GType::Array) return a.length == b.length && Same(*a.elem, *b.elem);
  return true;
}

Gen::Gen(uint64_t seed) : rng_(seed * 0x9E3779B97F4A7C15ull + 12345) {}

TypeP Gen::Scalar(GType::Kind k) const {
  static const std::array<TypeP, 7> kScalars = [] {
    std::array<TypeP, 7> all;
    for (int i = 0; i < 7; ++i) {
      auto t = std::make_shared<GType>();
      t->kind = static_cast<GType::Kind>(i);
      all[static_cast<size_t>(i)] = t;
    }
    return all;
  }();
  return kScalars[static_cast<size_t>(k)];
}

TypeP Gen::ArrayOf(TypeP elem, int length, std::string alias) const {
  auto t = std::make_shared<GType>();
  t->kind = GType::Array;
  t->elem = std::move(elem);
  t->length = length;
  t->alias = std::move(alias);
  return t;
}

TypeP Gen::StringType() const {
  auto t = std::make_shared<GType>();
  t->kind = GType::Array;
  t->elem = Scalar(GType::Char);
  t->string = true;
  return t;
}

TypeP Gen::ClassType(int cls) const {
  auto t = std::make_shared<GType>();
  t->kind = GType::Class;
  t->cls = cls;
  return t;
}

TypeName Gen::Written(const GType& t) {
  if (!t.alias.empty()) return TypeName(t.alias);
  switch (t.kind) {
    case GType::Int: return TypeName("int");
    case GType::Bool: return TypeName("boolean");
    case GType::Char: return TypeName("char");
    case GType::Byte: return TypeName("byte");
    case GType::Void: return TypeName("void");
    case GType::Class: return TypeName(classes_[static_cast<size_t>(t.cls)].name);
    case GType::Array: {
      if (t.string) return TypeName("String");
      TypeName n = Written(*t.elem);
      n.sizes.push_back(t.length < 0 ? nullptr : MakeNumber(t.length));
      return n;
    }
  }
  return TypeName("int");
}

TypeP Gen::RandomScalarType() {
  int r = Below(100);
  return Scalar(r < 55 ? GType::Int : r < 75 ? GType::Bool : r < 92 ? GType::Char : GType::Byte);
}

TypeP Gen::RandomValueType() {
  int r = Below(100);
  if (r < 70) return RandomScalarType();
  if (r < 82) return ClassType(Below(static_cast<int>(classes_.size())));
  if (r < 89) return ArrayOf(Scalar(GType::Int), -1);
  if (r < 95) return StringType();
  return ArrayOf(Scalar(GType::Char), -1);
}

Generated Gen::Run() {
  out_.program.imports.push_back(Chance(20) ? "Hardware.*" : "Hardware");
  for (int i = Below(12); i > 0; --i) out_.input.push_back(static_cast<char>(Range(32, 126)));
  trapBudget_ = Chance(30) ? 1 : 0;
  Classes();
  Globals(Range(4, 9));
  Helpers();
  Makers();
  Functions(Range(1, 5));
  if (Chance(40)) Globals(Range(1, 3));  // globals may follow functions
  Functions(Range(0, 2));
  Main();
  return std::move(out_);
}

// ----- classes

void Gen::Classes() {
  int n = Range(1, 3);
  for (int i = 0; i < n; ++i) {
    GClass c;
    c.name = "C" + std::to_string(i);
    classes_.push_back(c);
  }
  if (Chance(50)) {
    Decl d;
    d.kind = Decl::Class;
    d.cls.name = "Row";
    d.cls.alias = true;
    d.cls.aliasOf = TypeName("int");
    d.cls.aliasOf.sizes.push_back(MakeNumber(3));
    out_.program.decls.push_back(std::move(d));
    Count(Construct::ClassAlias);
  }
  for (int i = 0; i < n; ++i) {
    GClass& c = classes_[static_cast<size_t>(i)];
    Decl d;
    d.kind = Decl::Class;
    d.cls.name = c.name;
    int fields = Range(2, 6);
    for (int f = 0; f < fields; ++f) {
      GField field;
      field.name = std::string(1, static_cast<char>('a' + f));
      int r = f == 0 ? 0 : Below(100);
      if (r < 30) field.type = Scalar(GType::Int);
      else if (r < 40) field.type = Scalar(GType::Bool);
      else if (r < 48) field.type = Scalar(GType::Char);
      else if (r < 54) field.type = Scalar(GType::Byte);
      else if (r < 66) {
        // A class may name itself and the classes declared before it.
        int other = Below(i + 1);
        field.type = ClassType(other);
        field.nullable = other == i && Chance(30);  // the maker leaves it null
      } else if (r < 76) {
        field.type = ArrayOf(Scalar(GType::Int), Range(2, 5));
        Count(Construct::ArrayField);
      } else if (r < 86) {
        // Text (a String the maker sets to a string) or a buffer of char.
        field.writable = Chance(50);
        field.type = field.writable ? ArrayOf(Scalar(GType::Char), -1) : StringType();
      } else {
        field.type = ArrayOf(Scalar(Chance(70) ? GType::Int : GType::Byte), -1);
      }
      VarGroup g;
      g.type = Written(*field.type);
      g.vars.push_back({field.name, nullptr, false, {}});
      d.cls.fields.push_back(std::move(g));
      c.fields.push_back(std::move(field));
    }
    out_.program.decls.push_back(std::move(d));
    Count(Construct::Class);
  }
  // Aliases are written as names of their own: alias "Row" is int[3].
  if (out_.program.decls.front().cls.alias) rowType_ = ArrayOf(Scalar(GType::Int), 3, "Row");
}

}  // namespace gen
}  // namespace vylfuzz
