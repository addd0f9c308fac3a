#include "interpreter.h"

#include <map>
#include <vector>

#include "arithmetic.h"
#include "parser.h"

namespace vylfuzz {

const char* StopName(Outcome::Stop stop) {
  switch (stop) {
    case Outcome::Finished: return "finished";
    case Outcome::Trap: return "trap";
    case Outcome::Invalid: return "invalid";
  }
  return "?";
}

namespace {

struct Stopped {
  Outcome::Stop stop;
  std::string reason;
};

int32_t Wrap(int64_t v) { return Wrap16(v); }

// An array or a record.  An array or object stored in place in a variable,
// a field or an element is an object of its own, held by that slot.
struct Obj {
  const Type* type = nullptr;  // the class, or the array's element type
  bool array = false;
  std::vector<int32_t> slots;
  bool alive = true;
};

enum class Flow { Normal, Break, Continue, Return };

class Interp {
 public:
  Interp(const Model& m, std::string_view input, const Limits& limits) : m_(m), input_(input), limits_(limits) {
    objs_.emplace_back();  // id 0 is null
  }

  Outcome Run() {
    Outcome out;
    try {
      for (const TableInfo& t : m_.tables) {
        int id = NewObj(t.type->elem, true, static_cast<int>(t.values.size()));
        objs_[id].slots = t.values;
        tables_.push_back(id);
      }
      for (const SlotInfo& s : m_.globals) stack_ += SizeInPlace(*s.type);
      Charge(0);
      globals_.assign(m_.globals.size(), 0);
      EnterScope(m_.globals, -1, 0, globalObjs_);
      Call(*m_.main, {});
      out.stop = Outcome::Finished;
    } catch (const Stopped& s) {
      out.stop = s.stop;
      out.reason = s.reason;
    }
    out.output = std::move(output_);
    out.steps = steps_;
    return out;
  }

 private:
  [[noreturn]] void Trap(const char* why) const {
    throw Stopped{Outcome::Trap, std::string(why) + " in line " + std::to_string(line_)};
  }
  [[noreturn]] static void Invalid(const std::string& why) { throw Stopped{Outcome::Invalid, why}; }

  void Step() {
    if (++steps_ > limits_.steps) Invalid("runs longer than the budget");
  }

  void Charge(int heapBytes) {
    heap_ += heapBytes;
    if (heap_ > limits_.heapBytes) Invalid("allocates more than the heap budget");
    if (stack_ > limits_.stackBytes) Invalid("uses more than the stack budget");
  }

  // ----- objects
  int NewObj(const Type* type, bool array, int count) {
    Obj o;
    o.type = type;
    o.array = array;
    o.slots.assign(static_cast<size_t>(count), 0);
    objs_.push_back(std::move(o));
    int id = static_cast<int>(objs_.size() - 1);
    // Arrays and records stored in place inside this one.
    if (array) {
      if (type->InPlace()) {
        for (int i = 0; i < count; ++i) objs_[id].slots[i] = InPlaceObj(type);
      }
    } else {
      for (const FieldInfo& f : type->cls->fields) {
        if (f.type->InPlace()) objs_[id].slots[f.index] = InPlaceObj(f.type);
      }
    }
    return id;
  }

  // The array a slot of type t holds in place.
  int InPlaceObj(const Type* t) { return NewObj(t->elem, true, t->length); }

  Obj& Live(int id) {
    Obj& o = objs_[static_cast<size_t>(id)];
    if (!o.alive) Invalid("reaches an object of a frame that has returned");
    return o;
  }

  // ----- scopes
  // Lays out a scope's slots: objects stored in place are made, initial
  // values computed in declaration order.  `frame` is a frame's number, or
  // -1 for the globals (a call made by an initial value adds frames, so the
  // scope is found again after each value).
  void EnterScope(const std::vector<SlotInfo>& slots, int frame, size_t first, std::vector<int>& owned) {
    for (size_t i = first; i < slots.size(); ++i) {
      const SlotInfo& s = slots[i];
      int32_t value = 0;
      if (s.finalObject) {
        value = NewObj(s.type, false, static_cast<int>(s.type->cls->fields.size()));
        owned.push_back(value);
      } else if (s.type->InPlace()) {
        value = InPlaceObj(s.type);
        owned.push_back(value);
      } else if (s.init) {
        value = Eval(*s.init);
      }
      if (frame < 0) {
        globals_[i] = value;
        globalsDeclared_ = i + 1;
      } else {
        frames_[static_cast<size_t>(frame)].slots[i] = value;
        frames_[static_cast<size_t>(frame)].declared = i + 1;
      }
    }
  }

  struct Frame {
    const FunctionInfo* fn;
    std::vector<int32_t> slots;
    size_t declared = 0;
    int32_t result = 0;
  };

  int32_t Call(const FunctionInfo& fn, std::vector<int32_t> args) {
    Frame f;
    f.fn = &fn;
    f.slots.assign(fn.slots.size(), 0);
    for (size_t i = 0; i < args.size(); ++i) f.slots[i] = args[i];
    f.declared = args.size();
    int bytes = 8 + 2 * static_cast<int>(args.size()) + 48;
    for (size_t i = args.size(); i < fn.slots.size(); ++i) bytes += SizeInPlace(*fn.slots[i].type);
    stack_ += bytes;
    Charge(0);
    frames_.push_back(std::move(f));
    std::vector<int> owned;
    EnterScope(fn.slots, static_cast<int>(frames_.size()) - 1, args.size(), owned);
    for (const StmtPtr& s : fn.decl->body) {
      if (Exec(*s) == Flow::Return) break;
    }
    int32_t result = frames_.back().result;
    frames_.pop_back();
    for (int id : owned) MarkDead(id);
    stack_ -= bytes;
    return result;
  }

  void MarkDead(int id) {
    Obj& o = objs_[static_cast<size_t>(id)];
    o.alive = false;
    if (o.array) {
      if (o.type->InPlace()) {
        for (int32_t inner : o.slots) MarkDead(inner);
      }
    } else {
      for (const FieldInfo& fld : o.type->cls->fields) {
        if (fld.type->InPlace()) MarkDead(o.slots[fld.index]);
      }
    }
  }

  // ----- places
  struct Place {
    enum Kind { Global, Local, Element, Device } kind;
    int a = 0;  // object id, or device address
    int b = 0;  // slot
  };

  int32_t Read(const Place& p) {
    switch (p.kind) {
      case Place::Global:
        if (static_cast<size_t>(p.b) >= globalsDeclared_) Invalid("reads a global before its declaration is reached");
        return globals_[p.b];
      case Place::Local:
        if (static_cast<size_t>(p.b) >= frames_.back().declared) Invalid("reads a local before its declaration is reached");
        return frames_.back().slots[p.b];
      case Place::Element: return Live(p.a).slots[p.b];
      case Place::Device:
        if (p.a == 0xFFF6) {
          if (inputPos_ >= input_.size()) return 0;
          return static_cast<unsigned char>(input_[inputPos_++]);
        }
        return devices_[p.a];
    }
    return 0;
  }

  void Write(const Place& p, int32_t v) {
    switch (p.kind) {
      case Place::Global:
        if (static_cast<size_t>(p.b) >= globalsDeclared_) Invalid("writes a global before its declaration is reached");
        globals_[p.b] = v;
        return;
      case Place::Local:
        if (static_cast<size_t>(p.b) >= frames_.back().declared) Invalid("writes a local before its declaration is reached");
        frames_.back().slots[p.b] = v;
        return;
      case Place::Element: Live(p.a).slots[p.b] = v; return;
      case Place::Device:
        if (p.a == 0xFFF6) {
          output_.push_back(static_cast<char>(v & 0xFF));
          if (output_.size() > limits_.outputBytes) Invalid("prints more than the budget");
        } else {
          devices_[p.a] = v;
        }
        return;
    }
  }

  // The object an expression of array or class type designates: the one
  // stored in place, a constant table, or the one a reference leads to.
  int ObjectOf(const Expr& e) {
    if (e.kind == ExprKind::Name && e.symbol->kind == Symbol::Table) return tables_[e.symbol->slot];
    if (e.ty->InPlace() || (e.kind == ExprKind::Name && e.symbol->finalObject)) return Read(Locate(e));
    int32_t ref = Eval(e);
    if (ref == 0) Trap("null reference");
    return ref;
  }

  Place Locate(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Name:
        return {e.symbol->global ? Place::Global : Place::Local, 0, e.symbol->slot};
      case ExprKind::Field: {
        if (e.device >= 0) return {Place::Device, e.device, 0};
        int obj = ObjectOf(*e.kids[0]);
        return {Place::Element, obj, e.field->index};
      }
      case ExprKind::Index: {
        int obj = ObjectOf(*e.kids[0]);
        int32_t i = Eval(*e.kids[1]);
        // The check sees the element's offset in bytes computed in 16 bits:
        // the language leaves open an index whose offset does not fit.
        const Type& array = *e.kids[0]->ty;
        const int64_t offset = int64_t{i} * (array.elem->kind == Type::Byte ? 1 : SizeInPlace(*array.elem));
        if (offset < -32768 || offset > 32767) Invalid("an index whose offset in bytes does not fit in 16 bits");
        if (i < 0 || i >= static_cast<int32_t>(Live(obj).slots.size())) Trap("index out of range");
        return {Place::Element, obj, i};
      }
      default: Invalid("not a place");
    }
  }

  // ----- expressions
  int32_t Eval(const Expr& e) {
    Step();
    if (e.constant) return Wrap(e.folded);
    switch (e.kind) {
      case ExprKind::Null: return 0;
      case ExprKind::String: return tables_[m_.strings.at(e.text)];
      case ExprKind::Name:
        if (e.symbol->kind == Symbol::Table) return tables_[e.symbol->slot];
        return Read(Locate(e));
      case ExprKind::Field:
      case ExprKind::Index: return Read(Locate(e));
      case ExprKind::Paren: return Eval(*e.kids[0]);
      case ExprKind::Braces: return Eval(*e.kids.back());  // the others are not evaluated
      case ExprKind::NewObject: {
        const ClassInfo& c = *e.ty->cls;
        int bytes = 4;
        for (const FieldInfo& f : c.fields) bytes += SizeInPlace(*f.type);
        Charge(bytes);
        return NewObj(e.ty, false, static_cast<int>(c.fields.size()));
      }
      case ExprKind::NewArray: {
        int32_t n = Eval(*e.kids[0]);
        if (n <= 0) Invalid("creates an array of no elements");
        const Type* elem = e.ty->elem;
        int size = elem->kind == Type::Byte ? 1 : elem->InPlace() ? SizeInPlace(*elem) : 2;
        Charge(4 + ((n * size + 1) & ~1));
        return NewObj(elem, true, n);
      }
      case ExprKind::Call: return CallExpr(e);
      case ExprKind::Unary: return MachineUnary(e.op, Eval(*e.kids[0]));
      case ExprKind::Binary: return BinaryExpr(e);
      default: Invalid("expression without a value");
    }
  }

  int32_t CallExpr(const Expr& e) {
    switch (e.builtin) {
      case 1: return Eval(*e.kids[0]);
      case 2: return Eval(*e.kids[0]) & 0xFF;
      case 3: return static_cast<int32_t>(Live(ObjectOf(*e.kids[0])).slots.size());
      default: break;
    }
    std::vector<int32_t> args;
    for (const ExprPtr& a : e.kids) args.push_back(Eval(*a));
    return Call(*e.callee, std::move(args));
  }

  int32_t BinaryExpr(const Expr& e) {
    if (e.keep == 1) return Eval(*e.kids[0]);
    if (e.keep == 2) return Eval(*e.kids[1]);
    int32_t a = Eval(*e.kids[0]);
    int32_t b = Eval(*e.kids[1]);
    std::optional<int32_t> v = MachineBinary(e.op, a, b);
    if (!v) Trap("division by zero");
    return *v;
  }

  // ----- statements
  Flow ExecAll(const std::vector<StmtPtr>& list) {
    for (const StmtPtr& s : list) {
      Flow f = Exec(*s);
      if (f != Flow::Normal) return f;
    }
    return Flow::Normal;
  }

  bool Test(const Expr& cond) { return Eval(cond) != 0; }

  Flow Exec(const Stmt& s) {
    Step();
    line_ = s.line;
    switch (s.kind) {
      case StmtKind::Assign: {
        int32_t v = Eval(*s.expr);
        Write(Locate(*s.target), v);
        return Flow::Normal;
      }
      case StmtKind::Call: Eval(*s.expr); return Flow::Normal;
      case StmtKind::If:
        if (Test(*s.expr)) return Exec(*s.body[0]);
        return s.body.size() > 1 ? Exec(*s.body[1]) : Flow::Normal;
      case StmtKind::While:
        while (Test(*s.expr)) {
          Flow f = Exec(*s.body[0]);
          if (f == Flow::Break) break;
          if (f == Flow::Return) return f;
        }
        return Flow::Normal;
      case StmtKind::Do:
        for (;;) {
          Flow f = Exec(*s.body[0]);
          if (f == Flow::Break) break;
          if (f == Flow::Return) return f;
          if (f == Flow::Continue) continue;  // restarts the body, the condition untested
          if (!Test(*s.expr)) break;
        }
        return Flow::Normal;
      case StmtKind::Switch: {
        int32_t v = Eval(*s.expr);
        const SwitchGroup* chosen = nullptr;
        for (const SwitchGroup& g : s.groups) {
          if (g.label && g.label->folded == v) chosen = &g;
        }
        for (const SwitchGroup& g : s.groups) {
          if (!g.label && !chosen) chosen = &g;
        }
        if (!chosen) return Flow::Normal;
        Flow f = ExecAll(chosen->body);
        return f == Flow::Break ? Flow::Normal : f;
      }
      case StmtKind::Break: return Flow::Break;
      case StmtKind::Continue: return Flow::Continue;
      case StmtKind::Return:
        if (s.expr) frames_.back().result = Eval(*s.expr);
        return Flow::Return;
      case StmtKind::Block: return ExecAll(s.body);
      case StmtKind::Empty: return Flow::Normal;
    }
    return Flow::Normal;
  }

  const Model& m_;
  std::string_view input_;
  size_t inputPos_ = 0;
  Limits limits_;
  std::vector<Obj> objs_;
  std::vector<int> tables_;
  std::vector<int32_t> globals_;
  size_t globalsDeclared_ = 0;
  std::vector<int> globalObjs_;
  std::vector<Frame> frames_;
  std::map<int, int32_t> devices_;
  std::string output_;
  uint64_t steps_ = 0;
  int line_ = 0;  // of the statement running
  int heap_ = 0;
  int stack_ = 0;
};

}  // namespace

Outcome Interpret(const Model& model, std::string_view input, const Limits& limits) {
  return Interp(model, input, limits).Run();
}

Outcome RunReference(std::string_view source, std::string_view input, const Limits& limits) {
  try {
    Program program = Parse(source);
    std::unique_ptr<Model> model = Check(program);
    return Interpret(*model, input, limits);
  } catch (const SyntaxError& e) {
    return {Outcome::Invalid, "", e.what(), 0};
  } catch (const Rejected& e) {
    return {Outcome::Invalid, "", e.what(), 0};
  }
}

}  // namespace vylfuzz
