// Running the program under the debugger: run, continue, step, next, stepi,
// finish, until, kill, and what is said when it stops.
#include <algorithm>
#include <ostream>

#include "command_text.h"
#include "debugger.h"

namespace vylsim {

namespace {

constexpr uint8_t line_marker = 0x00;

}  // namespace

struct Debugger::Stop {
  enum class Kind {
    Step,            // the step, next, finish or until is done
    Breakpoint,
    Watchpoint,      // a watched value changed
    WatchScope,      // a watched variable's frame returned
    Finished,
    Trap,
    Error,
    StepLimit,
  };
  Kind kind = Kind::Step;
  int number = 0;  // of the breakpoint or watchpoint
  bool temporary = false;
  std::string expression;
  std::string old_value;
  std::string new_value;
  std::string condition_error;
  bool instruction = false;  // a stepi: the address is worth showing
};

// What ends a resumption besides breakpoints, watchpoints and the program's
// own stops. `fp` and `line` are where it started.
struct Debugger::Plan {
  enum class Kind { Continue, Step, Next, Until, UntilLocation, Finish, Instruction };
  Kind kind = Kind::Continue;
  uint16_t pc = 0;
  uint16_t fp = 0;
  int line = 0;
  std::vector<uint16_t> targets;   // UntilLocation
  uint16_t return_address = 0;     // Finish: where the frame returns to,
  uint16_t caller_fp = 0;          // and the caller's frame
};

void Debugger::start_program() {
  input_.clear();
  input_.str(target_.input);
  machine_ = std::make_unique<Machine>(target_.image, input_, *program_stream_);
  state_ = State::Stopped;
  history_.clear();
  fault_position_.reset();
  selected_ = 0;
  last_listed_ = 0;
  last_procedure_ = -1;
  program_out_->line_ended();
  // A watchpoint on a frame's variables went with the frame; the others
  // start from the values of the new run.
  std::vector<int> gone;
  for (Breakpoint& b : breakpoints_.all()) {
    if (b.kind != Breakpoint::Kind::Watchpoint) continue;
    if (b.scoped) gone.push_back(b.number);
    else refresh_watchpoint(b);
  }
  for (const int number : gone) breakpoints_.remove(number);
}

bool Debugger::can_resume() {
  switch (state_) {
    case State::NotStarted:
    case State::Exited: out_ << "The program is not being run.\n"; return false;
    case State::Dead: out_ << "The program cannot go on after a trap or a machine error; 'run' starts it again.\n"; return false;
    case State::Stopped: return true;
  }
  return false;
}

// Runs the rest of a prologue (PUSHS 0, FRAME), so that the frame exists
// before a step compares frame pointers.
void Debugger::settle_prologue() {
  const DebugProcedure* procedure = symbols_.procedure_at(machine_->pc());
  if (procedure == nullptr) return;
  const uint16_t framed = static_cast<uint16_t>(procedure->entry + 2);
  while (machine_->status() == Status::Running && machine_->pc() >= procedure->entry && machine_->pc() < framed) {
    history_.record(*machine_);
    machine_->step();
  }
}

void Debugger::resume_command(const std::string& name, const std::string& args) {
  if (name == "run") {
    start_program();
    report(resume(Plan{}), true);
    return;
  }
  if (name == "start") {
    const DebugProcedure* main = symbols_.procedure_named("main");
    if (main == nullptr) throw CommandError("The program has no main.");
    Breakpoint b;
    b.temporary = true;
    b.addresses = {symbols_.body_start(*main)};
    b.line = symbols_.line_at(b.addresses.front());
    b.function = main->name;
    b.file = symbols_.source_name();
    const Breakpoint& added = breakpoints_.add(std::move(b));
    out_ << "Temporary breakpoint " << added.number << " at " << hex4(added.addresses.front()) << ": file "
         << added.file << ", line " << added.line << ".\n";
    resume_command("run", "");
    return;
  }
  if (name == "kill") {
    if (!live()) throw CommandError("The program is not being run.");
    machine_ = std::make_unique<Machine>(target_.image, input_, *program_stream_);
    state_ = State::NotStarted;
    fault_position_.reset();
    out_ << "[Program killed]\n";
    return;
  }
  if (!can_resume()) return;

  if (name == "continue") {
    out_ << "Continuing.\n";
    report(resume(Plan{}), false);
  } else if (name == "step" || name == "next" || name == "stepi") {
    const int count = count_argument(args);
    for (int i = 0; i < count; ++i) {
      Plan plan;
      if (name == "stepi") {
        plan.kind = Plan::Kind::Instruction;
      } else {
        settle_prologue();
        plan.kind = name == "step" ? Plan::Kind::Step : Plan::Kind::Next;
        plan.pc = machine_->pc();
        plan.fp = machine_->fp();
        plan.line = symbols_.line_at(plan.pc);
      }
      Stop stop = resume(plan);
      stop.instruction = name == "stepi";
      if (stop.kind != Stop::Kind::Step || i + 1 == count) {
        report(stop, false);
        break;
      }
    }
  } else if (name == "finish") {
    const std::vector<Frame> stack = frames();
    const Frame& frame = stack[std::min(static_cast<size_t>(selected_), stack.size() - 1)];
    if (static_cast<size_t>(frame.level) + 1 >= stack.size()) {
      throw CommandError("\"finish\" not meaningful in the outermost frame.");
    }
    out_ << "Run till exit from #" << frame.level << "  " << describe_frame(frame) << "\n";
    Plan plan;
    plan.kind = Plan::Kind::Finish;
    plan.return_address = frame.return_address;
    plan.caller_fp = frame.caller_fp;
    const Stop stop = resume(plan);
    report(stop, true);
    if (stop.kind == Stop::Kind::Step && frame.procedure != nullptr && frame.procedure->result != "void") {
      // RET leaves the caller's stack topped by the result slot.
      const DebugType* type = symbols_.type(frame.procedure->result);
      if (type != nullptr) {
        Value value;
        value.type = type;
        value.word = machine_->word(machine_->sp());
        if (type->kind == "byte") value.word &= 0xFF;
        out_ << "Value returned is " << format_value(value, MemoryView(*machine_), symbols_) << "\n";
      }
    }
  } else if (name == "until") {
    settle_prologue();
    Plan plan;
    plan.pc = machine_->pc();
    plan.fp = machine_->fp();
    plan.line = symbols_.line_at(plan.pc);
    if (trim(args).empty()) {
      plan.kind = Plan::Kind::Until;
    } else {
      int line = 0;
      plan.kind = Plan::Kind::UntilLocation;
      plan.targets = resolve_location(args, line);
    }
    report(resume(plan), false);
  }
}

Debugger::Stop Debugger::resume(Plan plan) {
  Machine& machine = *machine_;
  Stop stop;
  for (uint64_t executed = 0;; ++executed) {
    if (executed == step_limit_) {
      stop.kind = Stop::Kind::StepLimit;
      break;
    }
    history_.record(machine);
    const Status status = machine.step();
    if (status != Status::Running) {
      stop.kind = status == Status::Finished ? Stop::Kind::Finished
                  : status == Status::Trap   ? Stop::Kind::Trap
                                             : Stop::Kind::Error;
      break;
    }
    if (breakpoints_.has_watchpoints()) {
      if (std::optional<Stop> watched = check_watchpoints()) {
        stop = *watched;
        break;
      }
    }
    if (breakpoints_.stops_at(machine.pc())) {
      if (std::optional<Stop> hit = check_breakpoints()) {
        stop = *hit;
        break;
      }
    }
    if (plan_done(plan)) break;
  }
  selected_ = 0;
  last_listed_ = 0;
  switch (stop.kind) {
    case Stop::Kind::Finished: state_ = State::Exited; break;
    case Stop::Kind::Trap:
    case Stop::Kind::Error: {
      state_ = State::Dead;
      const CheckFailure failure = history_.failure();
      if (failure.kind != CheckFailure::Kind::None) fault_position_ = failure.check;
      break;
    }
    default: state_ = State::Stopped; break;
  }
  return stop;
}

bool Debugger::plan_done(Plan& plan) {
  const Machine& machine = *machine_;
  const uint16_t pc = machine.pc();
  const uint16_t fp = machine.fp();
  switch (plan.kind) {
    case Plan::Kind::Continue: return false;
    case Plan::Kind::Instruction: return true;
    case Plan::Kind::Finish: return fp == plan.caller_fp && pc == plan.return_address;
    default: break;
  }
  if (fp < plan.fp) {
    // The frame the step started in has returned; stop in its caller, in
    // the middle of the statement that made the call. Code without
    // statements (the start code) is stepped through as part of its frame.
    if (symbols_.statement_at(pc) != nullptr) return true;
    plan.fp = fp;
    plan.line = -1;
    return false;
  }
  const bool at_statement = machine.byte(pc) != line_marker && symbols_.statement_at(pc) != nullptr;
  if (plan.kind == Plan::Kind::UntilLocation) {
    return fp == plan.fp && std::find(plan.targets.begin(), plan.targets.end(), pc) != plan.targets.end();
  }
  if (!at_statement) return false;
  if (fp > plan.fp) return plan.kind == Plan::Kind::Step;  // inside a call
  if (symbols_.line_at(pc) == plan.line) return false;
  // until does not go round a loop again: a jump back is not a new line.
  if (plan.kind == Plan::Kind::Until && pc < plan.pc) return false;
  return true;
}

std::optional<Debugger::Stop> Debugger::check_watchpoints() {
  const Machine& machine = *machine_;
  for (Breakpoint& b : breakpoints_.all()) {
    if (b.kind != Breakpoint::Kind::Watchpoint || !b.enabled) continue;
    if (b.scoped && machine.fp() < b.scope_fp) {
      if (symbols_.statement_at(machine.pc()) == nullptr) {
        // Back in the start code: nothing to stop at, the program ends.
        if (program_out_->mid_line()) {
          out_ << "\n";
          program_out_->line_ended();
        }
        out_ << "\nWatchpoint " << b.number << " deleted because the program has left the procedure in which\n"
             << "its expression is valid.\n";
        breakpoints_.remove(b.number);
        return std::nullopt;
      }
      Stop stop;
      stop.kind = Stop::Kind::WatchScope;
      stop.number = b.number;
      stop.expression = b.expression->text();
      breakpoints_.remove(b.number);
      return stop;
    }
    bool changed = false;
    for (size_t i = 0; i < b.read_addresses.size() && !changed; ++i) {
      changed = machine.word(b.read_addresses[i]) != b.read_words[i];
    }
    if (!changed) continue;
    const std::string before = b.value;
    refresh_watchpoint(b);
    if (b.value == before) continue;
    // The start code setting the globals up is not a change to report.
    const DebugProcedure* procedure = symbols_.procedure_at(machine.pc());
    if (procedure != nullptr && procedure->number == 0) continue;
    ++b.hits;
    Stop stop;
    stop.kind = Stop::Kind::Watchpoint;
    stop.number = b.number;
    stop.expression = b.expression->text();
    stop.old_value = before;
    stop.new_value = b.value;
    return stop;
  }
  return std::nullopt;
}

// Computes a watchpoint's value again, noting the words it was read from.
void Debugger::refresh_watchpoint(Breakpoint& watchpoint) {
  std::vector<uint16_t> reads;
  Scope s(symbols_, *machine_);
  s.live = true;
  s.reads = &reads;
  if (watchpoint.scoped) {
    s.procedure = symbols_.procedure(watchpoint.scope_procedure);
    s.fp = watchpoint.scope_fp;
  }
  try {
    const Value value = watchpoint.expression->evaluate(s);
    watchpoint.value = format_value(value, MemoryView(*machine_, &reads), symbols_);
  } catch (const EvaluationError& e) {
    watchpoint.value = "<" + std::string(e.what()) + ">";
  }
  std::sort(reads.begin(), reads.end());
  reads.erase(std::unique(reads.begin(), reads.end()), reads.end());
  watchpoint.read_addresses = reads;
  watchpoint.read_words.clear();
  for (const uint16_t address : reads) watchpoint.read_words.push_back(machine_->word(address));
}

std::optional<Debugger::Stop> Debugger::check_breakpoints() {
  std::optional<Stop> stop;
  const std::vector<Frame> stack = frames();
  for (Breakpoint* b : breakpoints_.at(machine_->pc())) {
    std::string error;
    if (b->condition) {
      Scope s = scope(&stack.front());
      try {
        const Value value = b->condition->evaluate(s);
        if (value.type->kind == "boolean" ? value.word == 0 : number_of(value) == 0) continue;
      } catch (const EvaluationError& e) {
        error = e.what();
      }
    }
    ++b->hits;
    if (stop) continue;
    stop = Stop{};
    stop->kind = Stop::Kind::Breakpoint;
    stop->number = b->number;
    stop->temporary = b->temporary;
    stop->condition_error = error;
  }
  if (stop && stop->temporary) breakpoints_.remove(stop->number);
  return stop;
}

void Debugger::report(const Stop& stop, bool always_frame) {
  if (program_out_->mid_line()) {
    out_ << "\n";
    program_out_->line_ended();
  }
  if (stop.kind == Stop::Kind::Finished) {
    out_ << "[Program exited normally]\n";
    return;
  }
  const std::vector<Frame> stack = frames();
  const Frame& frame = stack.front();
  bool show_frame = always_frame || frame.fp != last_fp_ ||
                    (frame.procedure != nullptr ? frame.procedure->number : -1) != last_procedure_;
  switch (stop.kind) {
    case Stop::Kind::Breakpoint:
      if (!stop.condition_error.empty()) {
        out_ << "Error in testing the condition of breakpoint " << stop.number << ": " << stop.condition_error << "\n";
      }
      out_ << "\n" << (stop.temporary ? "Temporary breakpoint " : "Breakpoint ") << stop.number << ", ";
      show_frame = true;
      break;
    case Stop::Kind::Watchpoint:
      out_ << "\nWatchpoint " << stop.number << ": " << stop.expression << "\n\nOld value = " << stop.old_value
           << "\nNew value = " << stop.new_value << "\n";
      break;
    case Stop::Kind::WatchScope:
      out_ << "\nWatchpoint " << stop.number << " deleted because the program has left the procedure in which\n"
           << "its expression is valid.\n";
      show_frame = true;
      break;
    case Stop::Kind::Trap:
    case Stop::Kind::Error: {
      const std::string reason = describe(history_.failure(), *machine_, symbols_, frame);
      // Running out of stack is the program's own failure (a recursion
      // too deep), whatever the machine calls it.
      const bool trapped = stop.kind == Stop::Kind::Trap || reason.starts_with("stack overflow");
      out_ << "\n" << (trapped ? "Program trapped: " : "Program stopped by a machine error: ") << reason << "\n";
      show_frame = true;
      break;
    }
    case Stop::Kind::StepLimit:
      out_ << "\nProgram stopped: the step limit of " << step_limit_ << " instructions was reached.\n";
      show_frame = true;
      break;
    default: break;
  }
  show_location(frame, show_frame, stop.instruction);
  last_fp_ = frame.fp;
  last_procedure_ = frame.procedure != nullptr ? frame.procedure->number : -1;
  show_displays();
}

void Debugger::show_location(const Frame& frame, bool with_frame, bool with_address) {
  if (with_frame) out_ << describe_frame(frame) << "\n";
  const int line = symbols_.line_at(frame.position);
  if (line <= 0) return;
  // After a stepi in the middle of a statement, the address tells where.
  if (with_address && !symbols_.starts_statement(frame.position)) {
    out_ << format_address(frame.position) << "\t";
  }
  out_ << source_line(line);
}

}  // namespace vylsim
