// The generator's declarations: globals, constants and tables, the printing
// helpers and the object makers.
#include "gen_model.h"
#include "parser.h"

namespace vylfuzz::gen {

namespace {

constexpr const char* kHelpers = R"(
void digits(int d) {
  if (d >= 10) digits(d / 10);
  Print.datum = 48 + d % 10;
}

void show(int n) {
  if (n < 0) {
    Print.datum = 45;
    if (n == -32768) {
      Print.datum = 51;
      n = 2768;
    } else {
      n = -n;
    }
  }
  digits(n);
  Print.datum = 10;
}

void say(String s) {
  int i = 0;
  while (i < LENGTH(s)) {
    Print.datum = ORD(s[i]);
    i = i + 1;
  }
  Print.datum = 10;
}
)";

const char* const kWords[] = {"vyl!", "fuzz", "stack", "frame", "heap", "Hello, world", "tab\there", "q\"uote",
                              "back\\slash", "it's", "ABCD", "line\nbreak", "abcdefghij", "0123456789", "x y z"};

}  // namespace

std::string Gen::Word() { return kWords[Below(static_cast<int>(std::size(kWords)))]; }

// Adds a declaration to `out` and its variable to `scope`; a variable of
// the same type as the one declared just before may share its declaration.
void Gen::Declare(std::vector<VarGroup>& out, Var v, ExprPtr init, std::vector<Var>& scope) {
  TypeName written = Written(*v.type);
  bool share = !out.empty() && !out.back().isFinal && !v.finalObject && Print(out.back().type) == Print(written) &&
               Chance(40);
  Declarator d;
  d.name = v.name;
  d.init = std::move(init);
  if (share) {
    out.back().vars.push_back(std::move(d));
  } else {
    VarGroup g;
    g.isFinal = v.finalObject;
    g.type = std::move(written);
    g.vars.push_back(std::move(d));
    out.push_back(std::move(g));
  }
  scope.push_back(std::move(v));
}

// A variable of a random type, with what initialises it (or null).
std::pair<Var, ExprPtr> Gen::RandomVariable(bool global) {
  Var v;
  v.name = NewName(global ? "g" : "v");
  v.global = global;
  ExprPtr init;
  int r = Below(100);
  auto minArray = [&](GType::Kind k, int lo) {
    v.minLength = lo;
    v.type = ArrayOf(Scalar(k), -1);
    Count(Construct::OpenArray);
    init = NewArrayOf(*v.type, 1);
  };
  if (r < 30) {
    v.type = Scalar(GType::Int);
    if (Chance(50)) init = Int(2).e;
  } else if (r < 38) {
    v.type = Scalar(GType::Bool);
    if (Chance(40)) init = Bool(2).e;
  } else if (r < 46) {
    v.type = Scalar(GType::Char);
    if (Chance(40)) init = Char(2).e;
  } else if (r < 51) {
    v.type = Scalar(GType::Byte);
    if (Chance(60)) init = Byte(2).e;
  } else if (r < 59) {
    v.type = ArrayOf(Scalar(GType::Int), Range(1, 6));
    Count(Construct::FixedArray);
  } else if (r < 62) {
    v.type = ArrayOf(Scalar(GType::Char), Range(2, 6));
    Count(Construct::FixedArray);
  } else if (r < 64) {
    v.type = ArrayOf(Scalar(GType::Bool), Range(2, 5));
  } else if (r < 66) {
    v.type = ArrayOf(Scalar(GType::Byte), Range(2, 7));
    Count(Construct::ByteArray);
  } else if (r < 71) {
    v.type = ArrayOf(ArrayOf(Scalar(GType::Int), Range(2, 4)), Range(2, 4));
    Count(Construct::TwoDimensional);
  } else if (r < 76) {
    v.type = ClassType(Below(static_cast<int>(classes_.size())));
    Count(Construct::ClassReference);
    if (global || inMain_) {
      v.ready = false;  // made by main before anything uses it
    } else {
      init = Reference(*v.type, true, 1);
    }
  } else if (r < 80) {
    minArray(GType::Int, 4);
  } else if (r < 83) {
    minArray(GType::Char, 4);
  } else if (r < 87) {
    v.type = StringType();
    v.writable = false;
    v.minLength = 4;
    init = MakeString(Word());
    Count(Construct::StringLiteral);
  } else if (r < 89 && rowType_) {
    v.type = ArrayOf(rowType_, -1);
    v.minLength = 4;
    init = NewArrayOf(*v.type, 1);
    Count(Construct::RowArray);
  } else if (r < 92) {
    v.type = ArrayOf(ClassType(Below(static_cast<int>(classes_.size()))), -1);
    v.minLength = 4;
    v.ready = false;
    init = NewArrayOf(*v.type, 1);
  } else if (r < 94) {
    v.type = ArrayOf(ClassType(Below(static_cast<int>(classes_.size()))), Range(1, 4));
    v.ready = false;
  } else if (r < 96) {
    minArray(GType::Byte, 4);
    Count(Construct::ByteArray);
  } else if (r < 98) {
    v.type = ClassType(Below(static_cast<int>(classes_.size())));
    v.finalObject = true;
    v.assignable = false;
    v.ready = false;
    Count(global ? Construct::FinalObject : Construct::LocalFinalObject);
    auto e = std::make_unique<Expr>(ExprKind::NewObject);
    e->type = Written(*v.type);
    init = std::move(e);
  } else if (global) {
    // Holds null: reached only to trap, compared with null otherwise.
    v.type = Chance(50) ? ClassType(Below(static_cast<int>(classes_.size()))) : ArrayOf(Scalar(GType::Int), -1);
    v.nullable = true;
    v.assignable = false;
  } else {
    v.type = Scalar(GType::Int);
  }
  if (init && !v.finalObject) Count(global ? Construct::GlobalInitialised : Construct::LocalInitialised);
  return {std::move(v), std::move(init)};
}

void Gen::Globals(int count) {
  noCalls_ = true;
  std::vector<VarGroup> groups;
  auto flush = [&] {
    for (VarGroup& g : groups) {
      Decl d;
      d.kind = Decl::Vars;
      d.vars = std::move(g);
      out_.program.decls.push_back(std::move(d));
    }
    groups.clear();
  };
  if (globals_.empty()) {
    // Constants and tables first: everything after may use them.
    for (int i = Range(1, 3); i > 0; --i) {
      Var k;
      k.name = NewName("K");
      k.type = Scalar(GType::Int);
      k.constant = true;
      k.assignable = false;
      Sx value = Chance(70) ? Literal() : Constant(2);
      k.value = value.value;
      // Several constants may share one declaration, a later one naming an
      // earlier one.
      if (groups.empty() || Chance(60)) {
        VarGroup g;
        g.isFinal = true;
        g.type = TypeName("int");
        groups.push_back(std::move(g));
      }
      groups.back().vars.push_back({k.name, std::move(value.e), false, {}});
      globals_.push_back(std::move(k));
      Count(Construct::NamedConstant);
    }
    // A char and a boolean constant.
    for (GType::Kind kind : {GType::Char, GType::Bool}) {
      if (!Chance(50)) continue;
      Var k;
      k.name = NewName("K");
      k.type = Scalar(kind);
      k.constant = true;
      k.assignable = false;
      k.value = kind == GType::Char ? Range(32, 126) : Below(2);
      VarGroup g;
      g.isFinal = true;
      g.type = Written(*k.type);
      g.vars.push_back({k.name, kind == GType::Char ? MakeChar(static_cast<int>(k.value)) : MakeBool(k.value != 0),
                        false, {}});
      groups.push_back(std::move(g));
      globals_.push_back(std::move(k));
      Count(Construct::NamedConstant);
    }
    Table(GType::Int, groups);
    Table(GType::Byte, groups);
    Table(GType::Char, groups);
    if (Chance(50)) Table(GType::Int, groups);
    // Two ints at least, so that every int expression has a variable.
    for (int i = 0; i < 2; ++i) {
      Var v;
      v.name = NewName("g");
      v.global = true;
      v.type = Scalar(GType::Int);
      ExprPtr init = Chance(40) ? Int(1).e : nullptr;
      if (init) Count(Construct::GlobalInitialised);
      Declare(groups, std::move(v), std::move(init), globals_);
      Count(Construct::GlobalVariable);
    }
  }
  for (int i = 0; i < count; ++i) {
    auto [v, init] = RandomVariable(true);
    Declare(groups, std::move(v), std::move(init), globals_);
    if (!globals_.back().ready) pending_.push_back(globals_.size() - 1);
    Count(Construct::GlobalVariable);
  }
  flush();
  noCalls_ = false;
}

// A constant table of int, byte or char (a string), final array or String.
void Gen::Table(GType::Kind k, std::vector<VarGroup>& out) {
  Var t;
  t.name = NewName("T");
  t.table = true;
  t.assignable = false;
  t.writable = false;
  VarGroup g;
  g.isFinal = true;
  Declarator d;
  d.name = t.name;
  if (k == GType::Char) {
    std::string text = Word();
    d.init = MakeString(text);
    t.type = ArrayOf(Scalar(GType::Char), static_cast<int>(text.size()));
    if (Chance(40)) {
      g.type = TypeName("String");
      Count(Construct::StringConstant);
    } else {
      g.type = TypeName("char");
      g.type.sizes.push_back(Chance(50) ? nullptr : MakeNumber(static_cast<int64_t>(text.size())));
      Count(Construct::CharTable);
    }
  } else {
    int n = Range(4, 8);
    d.table = true;
    for (int i = 0; i < n; ++i) {
      if (k == GType::Byte) d.items.push_back(MakeNumber(Chance(30) ? 255 - Below(3) : Range(0, 255)));
      else d.items.push_back(Constant(1).e);
    }
    t.type = ArrayOf(Scalar(k), n);
    g.type = TypeName(k == GType::Byte ? "byte" : "int");
    g.type.sizes.push_back(Chance(50) ? nullptr : MakeNumber(n));
    Count(k == GType::Byte ? Construct::ByteTable : Construct::IntTable);
  }
  g.vars.push_back(std::move(d));
  out.push_back(std::move(g));
  if (k == GType::Byte && byteTable_.empty()) byteTable_ = t.name;
  globals_.push_back(std::move(t));
}

void Gen::Helpers() {
  Program helpers = Parse(kHelpers);
  for (Decl& d : helpers.decls) {
    GFunc f;
    f.name = d.func.name;
    f.result = Scalar(GType::Void);
    Var p;
    p.name = d.func.params[0].name;
    p.type = d.func.name == "say" ? StringType() : Scalar(GType::Int);
    p.writable = false;
    f.params.push_back(p);
    f.helper = true;
    f.callable = true;
    f.cost = 40;
    funcs_.push_back(std::move(f));
    out_.program.decls.push_back(std::move(d));
  }
}

// For each class a function that makes a complete object: every reference
// field but those to classes declared later holds a made value.
void Gen::Makers() {
  for (size_t i = 0; i < classes_.size(); ++i) {
    GClass& c = classes_[i];
    GFunc f;
    f.name = "make" + c.name;
    f.result = ClassType(static_cast<int>(i));
    Var s;
    s.name = "s";
    s.type = Scalar(GType::Int);
    f.params.push_back(s);
    f.helper = true;
    f.cost = 30;
    Decl d;
    d.kind = Decl::Func;
    d.func.result = Written(*f.result);
    d.func.name = f.name;
    d.func.params.push_back({TypeName("int"), "s"});
    VarGroup o;
    o.type = Written(*f.result);
    auto created = std::make_unique<Expr>(ExprKind::NewObject);
    created->type = Written(*f.result);
    o.vars.push_back({"o", std::move(created), false, {}});
    d.func.locals.push_back(std::move(o));
    Count(Construct::NewObject);
    MakeFields("o", c, d.func.body, *MakeName("s"));
    StmtPtr ret = MakeStmt(StmtKind::Return);
    ret->expr = MakeName("o");
    d.func.body.push_back(std::move(ret));
    c.maker = static_cast<int>(funcs_.size());
    f.callable = true;
    funcs_.push_back(std::move(f));
    out_.program.decls.push_back(std::move(d));
  }
}

void Gen::MakeFields(const std::string& object, const GClass& c, std::vector<StmtPtr>& out, const Expr& seed,
                     bool itself) {
  int n = 0;
  for (const GField& f : c.fields) {
    ExprPtr target = MakeField(MakeName(object), f.name);
    ExprPtr s = MakeBinary(Op::Add, Clone(seed), MakeNumber(n++));
    ExprPtr value;
    switch (f.type->kind) {
      case GType::Int: value = std::move(s); break;
      case GType::Bool: value = MakeBinary(Op::Gt, std::move(s), MakeNumber(2)); break;
      case GType::Char: value = MakeCall("CHR", MakeBinary(Op::Add, std::move(s), MakeNumber(64))); break;
      case GType::Byte: value = MakeIndex(MakeName(byteTable_), MakeBinary(Op::BitAnd, std::move(s), MakeNumber(3))); break;
      case GType::Class: {
        const GClass& target = classes_[static_cast<size_t>(f.type->cls)];
        if (f.nullable) break;
        if (&target == &c && itself) value = MakeName(object);
        else value = MakeCall("make" + target.name, std::move(s));
        break;
      }
      case GType::Array:
        if (f.type->length >= 0) break;  // in place: its elements start at 0
        if (!f.writable) {
          value = MakeString(Word());
        } else {
          value = std::make_unique<Expr>(ExprKind::NewArray);
          value->type = Written(*f.type->elem);
          value->kids.push_back(MakeBinary(Op::Add, MakeNumber(4), MakeBinary(Op::BitAnd, std::move(s), MakeNumber(3))));
        }
        break;
      default: break;
    }
    if (value) out.push_back(Set(std::move(target), std::move(value)));
  }
}

}  // namespace vylfuzz::gen
