// The debugger's commands that look at the stopped program: print, set var,
// display, info, backtrace, frame, up, down and list.
#include <algorithm>
#include <ostream>

#include "command_text.h"
#include "debugger.h"

namespace vylsim {

// ---------------------------------------------------------------------------
// Data

void Debugger::print(const std::string& arguments) {
  std::string args = trim(arguments);
  const FormatOptions options = format_of(args);
  if (args.empty()) throw CommandError("print needs an expression");
  const std::optional<Frame> frame = live() ? std::optional<Frame>(selected()) : std::nullopt;
  Scope s = scope(frame ? &*frame : nullptr, true);
  const Value value = Expression::parse(args).evaluate(s);
  out_ << args << " = " << format_value(value, MemoryView(*machine_), symbols_, options) << "\n";
}

void Debugger::set_variable(const std::string& arguments) {
  std::string args = trim(arguments);
  for (const char* word : {"variable ", "var "}) {
    if (args.starts_with(word)) {
      args = trim(args.substr(std::char_traits<char>::length(word)));
      break;
    }
  }
  const Expression expression = Expression::parse(args);
  if (!expression.assigns()) throw CommandError("set var needs TARGET = VALUE");
  if (!live()) throw CommandError("The program is not being run.");
  const Frame frame = selected();
  Scope s = scope(&frame, true);
  expression.evaluate(s);
}

void Debugger::display(const std::string& arguments) {
  std::string args = trim(arguments);
  if (args.empty()) {
    show_displays();
    return;
  }
  Display d;
  d.options = format_of(args);
  d.expression = Expression::parse(args);
  d.number = next_display_++;
  if (live()) {
    const Frame frame = selected();
    Scope s = scope(&frame);
    try {
      d.expression.evaluate(s);
    } catch (const EvaluationError&) {
    }
    if (s.used_frame && frame.procedure != nullptr) d.procedure = frame.procedure->number;
  }
  displays_.push_back(d);
  if (live()) show_display(d, selected());
}

void Debugger::show_display(const Display& d, const Frame& frame) {
  Scope s = scope(&frame);
  try {
    const Value value = d.expression.evaluate(s);
    out_ << d.number << ": " << d.expression.text() << " = "
         << format_value(value, MemoryView(*machine_), symbols_, d.options) << "\n";
  } catch (const EvaluationError& e) {
    out_ << d.number << ": " << d.expression.text() << ": " << e.what() << "\n";
  }
}

void Debugger::undisplay(const std::string& args) {
  const std::vector<std::string> numbers = words(args);
  if (numbers.empty()) {
    displays_.clear();
    return;
  }
  for (const std::string& text : numbers) {
    const std::optional<int> n = parse_number(text);
    const auto it = std::find_if(displays_.begin(), displays_.end(), [&](const Display& d) { return n && d.number == *n; });
    if (it == displays_.end()) {
      out_ << "No display number " << text << ".\n";
    } else {
      displays_.erase(it);
    }
  }
}

void Debugger::show_displays() {
  if (!live() || displays_.empty()) return;
  const std::vector<Frame> stack = frames();
  const Frame& innermost = stack.front();
  for (const Display& d : displays_) {
    if (d.procedure >= 0 && (innermost.procedure == nullptr || innermost.procedure->number != d.procedure)) continue;
    show_display(d, innermost);
  }
}

void Debugger::info(const std::string& args) {
  const std::vector<std::string> given = words(args);
  const std::string what = given.empty() ? "" : given[0];
  auto is = [&](const char* name, size_t shortest) {
    return what.size() >= shortest && std::string(name).starts_with(what);
  };
  if (is("breakpoints", 1) || is("watchpoints", 3)) {
    breakpoints_.list(out_);
  } else if (is("locals", 2) || is("args", 1)) {
    if (!live()) throw CommandError("No frame selected.");
    const Frame frame = selected();
    const int procedure = frame.procedure != nullptr ? frame.procedure->number : -1;
    if (what[0] == 'l') info_variables(symbols_.locals(procedure), "No locals.");
    else info_variables(symbols_.parameters(procedure), "No arguments.");
  } else if (is("globals", 1) || is("variables", 1)) {
    if (!live()) throw CommandError("The program is not being run.");
    info_variables(symbols_.globals(), "No globals.");
  } else if (is("display", 1)) {
    if (displays_.empty()) {
      out_ << "There are no auto-display expressions now.\n";
      return;
    }
    out_ << "Auto-display expressions now in effect:\nNum Expression\n";
    for (const Display& d : displays_) out_ << d.number << ":  " << d.expression.text() << "\n";
  } else if (is("frame", 1)) {
    if (!live()) throw CommandError("No stack.");
    const Frame f = selected();
    out_ << "Stack level " << f.level << ", frame at " << format_address(f.fp) << ": pc = " << format_address(f.pc)
         << " in " << describe_frame(f) << "; returns to " << format_address(f.return_address)
         << ", caller's frame at " << format_address(f.caller_fp) << "\n";
  } else if (is("registers", 1)) {
    if (!live()) throw CommandError("The program has no registers now.");
    out_ << "pc  " << format_address(machine_->pc()) << "  " << where(machine_->pc()) << "\n"
         << "sp  " << format_address(machine_->sp()) << "\n"
         << "fp  " << format_address(machine_->fp()) << "\n";
  } else {
    throw CommandError("info takes breakpoints, locals, args, globals, display, frame or registers");
  }
}

void Debugger::info_variables(const std::vector<const DebugVariable*>& variables, const char* none) {
  if (variables.empty()) {
    out_ << none << "\n";
    return;
  }
  const uint16_t fp = live() ? selected().fp : 0;
  const MemoryView memory(*machine_);
  for (const DebugVariable* v : variables) {
    out_ << v->name << " = ";
    try {
      out_ << format_value(variable_value(*v, symbols_, memory, fp), memory, symbols_);
    } catch (const EvaluationError& e) {
      out_ << "<" << e.what() << ">";
    }
    out_ << "\n";
  }
}

// ---------------------------------------------------------------------------
// The stack

void Debugger::backtrace(const std::string& args) {
  if (!live()) throw CommandError("No stack.");
  const std::vector<Frame> stack = frames();
  size_t shown = stack.size();
  if (!trim(args).empty()) shown = std::min(shown, static_cast<size_t>(count_argument(args)));
  for (size_t i = 0; i < shown; ++i) out_ << "#" << stack[i].level << "  " << describe_frame(stack[i]) << "\n";
  if (shown < stack.size()) out_ << "(More stack frames follow...)\n";
}

void Debugger::select_frame(int level) {
  if (!live()) throw CommandError("No stack.");
  const std::vector<Frame> stack = frames();
  if (level < 0 || level >= static_cast<int>(stack.size())) throw CommandError("No frame at level " + std::to_string(level) + ".");
  selected_ = level;
  last_listed_ = 0;
  const Frame& f = stack[static_cast<size_t>(level)];
  out_ << "#" << f.level << "  " << describe_frame(f) << "\n";
  const int line = symbols_.line_at(f.position);
  if (line > 0) out_ << source_line(line);
}

std::vector<Frame> Debugger::frames() const {
  std::vector<Frame> stack = call_stack(*machine_, symbols_);
  if (fault_position_ && !stack.empty()) stack.front().position = *fault_position_;
  return stack;
}

Frame Debugger::selected() const {
  const std::vector<Frame> stack = frames();
  return stack[std::min(static_cast<size_t>(selected_), stack.size() - 1)];
}

Scope Debugger::scope(const Frame* frame, bool writable) {
  Scope s(symbols_, *machine_);
  s.live = live();
  if (frame != nullptr) {
    s.procedure = frame->procedure;
    s.fp = frame->fp;
  }
  if (writable && live()) s.writable = machine_.get();
  return s;
}

std::string Debugger::describe_frame(const Frame& frame) const {
  std::string text = frame.procedure != nullptr ? frame.procedure->name : "??";
  text += " (";
  if (frame.procedure != nullptr) {
    const MemoryView memory(*machine_);
    FormatOptions brief;
    brief.brief = true;
    bool first = true;
    for (const DebugVariable* p : symbols_.parameters(frame.procedure->number)) {
      text += (first ? "" : ", ") + p->name + "=";
      first = false;
      try {
        text += format_value(variable_value(*p, symbols_, memory, frame.fp), memory, symbols_, brief);
      } catch (const EvaluationError& e) {
        text += "<" + std::string(e.what()) + ">";
      }
    }
  }
  text += ")";
  const int line = symbols_.line_at(frame.position);
  if (line > 0) text += " at " + symbols_.source_name() + ":" + std::to_string(line);
  return text;
}

std::string Debugger::source_line(int line) const {
  if (!target_.source.available()) return std::to_string(line) + "\t" + symbols_.source_name() + ": No such file.\n";
  return std::to_string(line) + "\t" + target_.source.line(line) + "\n";
}

std::string Debugger::where(uint16_t address) const {
  const int line = symbols_.line_at(address);
  const DebugProcedure* procedure = symbols_.procedure_at(address);
  std::string text = procedure != nullptr ? procedure->name : "??";
  if (line > 0) text += " at " + symbols_.source_name() + ":" + std::to_string(line);
  return text;
}

// ---------------------------------------------------------------------------
// Source

void Debugger::list(const std::string& arguments) {
  std::string args = trim(arguments);
  if (!target_.source.available()) throw CommandError("The source " + symbols_.source_name() + " cannot be found.");
  if (args.empty()) {
    if (last_listed_ > 0) {
      list_lines(last_listed_ + 1, last_listed_ + 10);
      return;
    }
    int center = 0;
    if (live()) {
      center = symbols_.line_at(selected().position);
    } else if (const DebugProcedure* main = symbols_.procedure_named("main")) {
      center = main->position.line;
    }
    list_lines(std::max(1, center - 5), std::max(1, center - 5) + 9);
    return;
  }
  if (const size_t comma = args.find(','); comma != std::string::npos) {
    const std::optional<int> first = parse_number(trim(args.substr(0, comma)));
    const std::optional<int> last = parse_number(trim(args.substr(comma + 1)));
    if (!first || !last || *first > *last) throw CommandError("list FIRST,LAST needs two line numbers in order");
    list_lines(*first, *last);
    return;
  }
  if (const size_t colon = args.rfind(':'); colon != std::string::npos) args = trim(args.substr(colon + 1));
  int center = 0;
  if (const std::optional<int> line = parse_number(args)) {
    center = *line;
  } else if (const DebugProcedure* procedure = symbols_.procedure_named(args)) {
    center = procedure->position.line;
  } else {
    throw CommandError("Function \"" + args + "\" not defined.");
  }
  list_lines(std::max(1, center - 5), std::max(1, center - 5) + 9);
}

void Debugger::list_lines(int first, int last) {
  const int count = target_.source.line_count();
  if (first > count) {
    throw CommandError("Line number " + std::to_string(first) + " out of range; \"" + symbols_.source_name() +
                       "\" has " + std::to_string(count) + " lines.");
  }
  last = std::min(last, count);
  for (int line = std::max(first, 1); line <= last; ++line) out_ << line << "\t" << target_.source.line(line) << "\n";
  last_listed_ = last;
}

}  // namespace vylsim
