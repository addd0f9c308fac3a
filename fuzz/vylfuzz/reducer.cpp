#include "reducer.h"

#include "parser.h"
#include "syntax.h"

namespace vylfuzz {

namespace {

enum class Pass { Declarations, Members, Statements, Structure, Expressions };

// Walks a program in a fixed order, numbering the places an edit of one
// pass can be made, and makes the edit at the place numbered `target`.
class Editor {
 public:
  Editor(Pass pass, size_t target) : pass_(pass), target_(target) {}

  bool Apply(Program& p) {
    if (pass_ == Pass::Declarations) {
      for (size_t i = 0; i < p.decls.size(); ++i) {
        if (Hit()) {
          p.decls.erase(p.decls.begin() + static_cast<std::ptrdiff_t>(i));
          return true;
        }
      }
      return false;
    }
    for (Decl& d : p.decls) {
      if (d.kind == Decl::Class && Groups(d.cls.fields, false)) return true;
      if (d.kind == Decl::Vars && Group(d.vars)) return true;
      if (d.kind == Decl::Func && !d.func.prototype) {
        if (Groups(d.func.locals, true) || List(d.func.body)) return true;
      }
    }
    return false;
  }

 private:
  bool Hit() { return site_++ == target_; }

  bool Groups(std::vector<VarGroup>& groups, bool initialised) {
    for (size_t i = 0; i < groups.size(); ++i) {
      if (pass_ == Pass::Members && Hit()) {
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
      }
      if (initialised && Group(groups[i])) return true;
    }
    return false;
  }

  bool Group(VarGroup& g) {
    for (size_t i = 0; i < g.vars.size(); ++i) {
      Declarator& d = g.vars[i];
      if (pass_ == Pass::Members && g.vars.size() > 1 && Hit()) {
        g.vars.erase(g.vars.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
      }
      if (pass_ == Pass::Members && d.init && !g.isFinal && Hit()) {
        d.init.reset();
        return true;
      }
      if (d.init && Expression(d.init)) return true;
      for (ExprPtr& item : d.items) {
        if (Expression(item)) return true;
      }
    }
    return false;
  }

  bool List(std::vector<StmtPtr>& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      if (pass_ == Pass::Statements && Hit()) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
      }
      if (Statement(list[i])) return true;
    }
    return false;
  }

  // Replaces s by what it controls.
  bool Structure(StmtPtr& s) {
    switch (s->kind) {
      case StmtKind::If:
        for (StmtPtr& b : s->body) {
          if (Hit()) {
            StmtPtr inner = std::move(b);
            s = std::move(inner);
            return true;
          }
        }
        if (s->body.size() > 1 && Hit()) {
          s->body.pop_back();
          return true;
        }
        return false;
      case StmtKind::While:
      case StmtKind::Do:
        if (Hit()) {
          StmtPtr inner = std::move(s->body[0]);
          s = std::move(inner);
          return true;
        }
        return false;
      case StmtKind::Switch:
        for (size_t g = 0; g < s->groups.size(); ++g) {
          if (s->groups.size() > 1 && Hit()) {
            s->groups.erase(s->groups.begin() + static_cast<std::ptrdiff_t>(g));
            return true;
          }
        }
        return false;
      case StmtKind::Block:
        if (s->body.size() == 1 && Hit()) {
          StmtPtr inner = std::move(s->body[0]);
          s = std::move(inner);
          return true;
        }
        return false;
      default: return false;
    }
  }

  bool Statement(StmtPtr& s) {
    if (pass_ == Pass::Structure && Structure(s)) return true;
    if (s->target && Expression(s->target)) return true;
    if (s->expr && Expression(s->expr)) return true;
    if (s->kind == StmtKind::Block) return List(s->body);
    for (StmtPtr& b : s->body) {
      if (Statement(b)) return true;
    }
    for (SwitchGroup& g : s->groups) {
      if (g.label && Expression(g.label)) return true;
      if (List(g.body)) return true;
    }
    return false;
  }

  bool Expression(ExprPtr& e) {
    if (pass_ == Pass::Expressions) {
      for (ExprPtr& kid : e->kids) {
        if (Hit()) {
          ExprPtr inner = std::move(kid);
          e = std::move(inner);
          return true;
        }
      }
      bool literal = e->kind == ExprKind::Number || e->kind == ExprKind::Char || e->kind == ExprKind::Bool ||
                     e->kind == ExprKind::Null || e->kind == ExprKind::String;
      if (!literal) {
        if (Hit()) {
          e = MakeNumber(0);
          return true;
        }
        if (Hit()) {
          e = MakeNumber(1);
          return true;
        }
        if (Hit()) {
          e = MakeBool(false);
          return true;
        }
        if (Hit()) {
          e = MakeChar('a');
          return true;
        }
      } else if (e->kind == ExprKind::Number && e->value != 0 && Hit()) {
        e = MakeNumber(e->value / 2);
        return true;
      }
    }
    for (ExprPtr& kid : e->kids) {
      if (Expression(kid)) return true;
    }
    return false;
  }

  Pass pass_;
  size_t target_;
  size_t site_ = 0;
};

}  // namespace

std::string Reduce(const std::string& source, const std::function<bool(const std::string&)>& fails, size_t budget) {
  std::string best = source;
  size_t tried = 0;
  for (bool progress = true; progress && tried < budget;) {
    progress = false;
    for (Pass pass : {Pass::Declarations, Pass::Members, Pass::Statements, Pass::Structure, Pass::Expressions}) {
      for (size_t site = 0; tried < budget;) {
        Program p;
        try {
          p = Parse(best);
        } catch (const SyntaxError&) {
          return best;
        }
        if (!Editor(pass, site).Apply(p)) break;
        std::string candidate = Print(p);
        ++tried;
        if (candidate != best && fails(candidate)) {
          best = std::move(candidate);
          progress = true;  // the same site now holds what followed
        } else {
          ++site;
        }
      }
    }
  }
  return best;
}

}  // namespace vylfuzz
