// The programs that stress one thing each: long dense expressions, many
// small functions, long switch tables, many globals and strings.  As with
// the workers, the C text computes what the Vyl text computes: C works in
// unsigned arithmetic and keeps every stored value in 16 bits, so that both
// print the same lines.
#include <string>
#include <vector>

#include "program_gen.h"
#include "program_pieces.h"

namespace vylbench {

namespace {

constexpr const char* kVariables[] = {"a", "b", "c", "d"};

// A random expression over a, b, c and d with + - * & | ^, `depth` levels
// deep; every operator has a variable on one side at least, so no constant
// part is folded.  C reads each variable as unsigned.
void Expression(Dice& dice, int depth, std::string& vyl, std::string& c) {
  static constexpr const char* kOperators[] = {" + ", " - ", " * ", " & ", " | ", " ^ "};
  if (depth == 0) {
    const char* v = kVariables[dice.Below(4)];
    vyl += v;
    c += std::string("(U)") + v;
    return;
  }
  const char* op = kOperators[dice.Below(6)];
  vyl += "(";
  c += "(";
  Expression(dice, depth - 1, vyl, c);
  vyl += op;
  c += op;
  if (dice.Below(4) == 0) {
    std::string k = N(dice.Between(1, 99));
    vyl += k;
    c += k;
  } else {
    Expression(dice, depth - 1, vyl, c);
  }
  vyl += ")";
  c += ")";
}

// Unit k of the dense form: `lines` assignments of dense expressions.
Piece Dense(int k, int lines) {
  Piece p;
  p.vyl += "int e" + N(k) + "(int a, int b) {\n  int c = a ^ " + N(k % 500) + ";\n  int d = b + 7;\n";
  p.c += "static int e" + N(k) + "(int a, int b) {\n  V c = (V)(a ^ " + N(k % 500) + ");\n  V d = (V)(b + 7);\n";
  for (int j = 0; j < lines; ++j) {
    Dice dice(static_cast<uint32_t>(k) * 104729u + static_cast<uint32_t>(j));
    std::string target = j % 2 ? "d" : "c", vyl, c;
    Expression(dice, 4, vyl, c);
    p.vyl += "  " + target + " = " + vyl + ";\n";
    p.c += "  " + target + " = (V)(" + c + ");\n";
  }
  p.vyl += "  return c + d;\n}\n";
  p.c += "  return (V)((U)c + (U)d);\n}\n";
  return p;
}

// Unit k of the small functions: one line each; three in four call the
// one before, so that a call runs at most four of them.
Piece Small(int k) {
  Dice dice(static_cast<uint32_t>(k) * 7u + 3u);
  std::string m = N(dice.Between(2, 9)), n = N(dice.Between(1, 999));
  Piece p;
  p.vyl += "int h" + N(k) + "(int a) { return ";
  p.c += "static int h" + N(k) + "(int a) { return (V)(";
  if (k % 4 != 0) {
    p.vyl += "h" + N(k - 1) + "(a + " + n + ") ^ " + m;
    p.c += "(U)h" + N(k - 1) + "((V)((U)a + " + n + ")) ^ " + m;
  } else {
    p.vyl += "a * " + m + " + " + n;
    p.c += "(U)a * " + m + " + " + n;
  }
  p.vyl += "; }\n";
  p.c += "); }\n";
  return p;
}

// Unit k of the switch tables: a switch over `cases` cases.
Piece Switch(int k, int cases) {
  Piece p;
  p.vyl += "int w" + N(k) + "(int x) {\n  int y = " + N(k % 1000) + ";\n  switch (x) {\n";
  p.c += "static int w" + N(k) + "(int x) {\n  V y = " + N(k % 1000) + ";\n  switch (x) {\n";
  for (int j = 0; j < cases; ++j) {
    Dice dice(static_cast<uint32_t>(k) * 131u + static_cast<uint32_t>(j));
    p.Both("    case " + N(j) + ": ");
    p.Assign("y", "y " + std::string(dice.Below(2) ? "+ " : "^ ") + N(dice.Between(1, 999)));
    p.Both(" break;\n");
  }
  p.Both("  }\n  return y;\n}\n");
  return p;
}

// Unit k of the globals: `count` int globals and as many strings, and a
// function that reads each string and adds each global to acc.
Piece Globals(int k, int count) {
  Piece p;
  for (int j = 0; j < count; ++j) {
    std::string g = "g" + N(k) + "x" + N(j), t = "t" + N(k) + "x" + N(j);
    std::string text = "unit " + N(k) + " text " + N(j);
    p.vyl += "int " + g + ";\nfinal char[] " + t + " = \"" + text + "\";\n";
    p.c += "static V " + g + ";\nstatic const char " + t + "[] = \"" + text + "\";\n";
  }
  p.vyl += "void u" + N(k) + "() {\n  int i = acc & 7;\n";
  p.c += "static void u" + N(k) + "(void) {\n  V i = acc & 7;\n";
  for (int j = 0; j < count; ++j) {
    std::string g = "g" + N(k) + "x" + N(j), t = "t" + N(k) + "x" + N(j);
    p.Both("  ");
    p.Assign(g, g + " + ORD(" + t + "[i]) + " + N(j));
    p.Both(" ");
    p.Assign("acc", "acc + " + g);
    p.Both("\n");
  }
  p.Both("}\n");
  return p;
}

}  // namespace

std::string GenerateShaped(const ProgramShape& shape, Language language) {
  std::vector<Piece> pieces;
  pieces.push_back(Prelude());
  std::vector<Piece> calls;
  for (int k = 0; k < shape.functions; ++k) {
    Piece call;
    switch (shape.form) {
      case Form::kDense:
        pieces.push_back(Dense(k, shape.statements));
        call.Assign("acc", "acc + e" + N(k) + "(acc, " + N(k) + ")");
        break;
      case Form::kSmallFunctions:
        pieces.push_back(Small(k));
        call.Assign("acc", "acc + h" + N(k) + "(acc)");
        break;
      case Form::kSwitches:
        pieces.push_back(Switch(k, shape.statements));
        call.Assign("acc", "acc + w" + N(k) + "(acc & 63)");
        break;
      case Form::kGlobals:
      case Form::kWorkers:
        pieces.push_back(Globals(k, shape.statements));
        call.Both("u" + N(k) + "();");
        break;
    }
    calls.push_back(call);
  }
  AddDrivers(pieces, calls);
  return Assemble(pieces, shape.padTo, language);
}

const char* FormName(Form form) {
  switch (form) {
    case Form::kWorkers: return "workers";
    case Form::kDense: return "dense";
    case Form::kSmallFunctions: return "small-functions";
    case Form::kSwitches: return "switches";
    case Form::kGlobals: return "globals";
  }
  return "";
}

bool FormNamed(const std::string& name, Form& form) {
  for (Form f : {Form::kWorkers, Form::kDense, Form::kSmallFunctions, Form::kSwitches, Form::kGlobals}) {
    if (name == FormName(f)) {
      form = f;
      return true;
    }
  }
  return false;
}

}  // namespace vylbench
