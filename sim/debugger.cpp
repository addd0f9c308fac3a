#include "debugger.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ostream>

namespace vylsim {

namespace {


struct CommandInfo {
  const char* name;
  const char* help;
};

const CommandInfo command_table[] = {
    {"break", "break LOCATION [if CONDITION]   stop at LINE, FILE:LINE, FUNCTION or *ADDRESS"},
    {"tbreak", "tbreak LOCATION [if CONDITION]  the same, deleted when first hit"},
    {"delete", "delete [N...]                   delete breakpoints and watchpoints (all of them without N)"},
    {"disable", "disable [N...]                  keep breakpoints and watchpoints but do not stop at them"},
    {"enable", "enable [N...]                   stop at them again"},
    {"condition", "condition N [CONDITION]         stop at breakpoint N only when CONDITION holds (none: always)"},
    {"watch", "watch EXPR                      stop when the value of EXPR changes"},
    {"run", "run                             start the program from its beginning"},
    {"start", "start                           run to the first statement of main"},
    {"continue", "continue                        go on to the next breakpoint, watchpoint or the end"},
    {"step", "step [N]                        go to the next statement, into calls"},
    {"next", "next [N]                        go to the next statement, over calls"},
    {"stepi", "stepi [N]                       run one machine instruction"},
    {"finish", "finish                          run until the selected frame returns; show its value"},
    {"until", "until [LOCATION]                go past the current line without going round a loop, or to LOCATION"},
    {"kill", "kill                            end the program"},
    {"print", "print[/x] EXPR                  show the value of EXPR (TARGET = VALUE assigns)"},
    {"set", "set var TARGET = VALUE          change a variable, element or field"},
    {"display", "display[/x] [EXPR]              show EXPR at every stop (none: show them all now)"},
    {"undisplay", "undisplay [N...]                stop showing displays"},
    {"info", "info breakpoints|locals|args|globals|display|frame|registers"},
    {"backtrace", "backtrace [N]                   the calls that led here, innermost first"},
    {"frame", "frame [N]                       select frame N for print and info (none: show the selected one)"},
    {"up", "up [N]                          select the frame of the caller"},
    {"down", "down [N]                        select the frame of the callee"},
    {"list", "list [LINE|FUNCTION|FIRST,LAST] show source lines; again: the next ones"},
    {"help", "help [COMMAND]                  this list"},
    {"quit", "quit                            end the session"},
};

const std::pair<const char*, const char*> aliases[] = {
    {"b", "break"},     {"br", "break"},     {"tb", "tbreak"},  {"d", "delete"},     {"r", "run"},
    {"c", "continue"},  {"cont", "continue"}, {"s", "step"},    {"n", "next"},       {"si", "stepi"},
    {"fin", "finish"},  {"u", "until"},      {"k", "kill"},     {"p", "print"},      {"inspect", "print"},
    {"disp", "display"}, {"i", "info"},      {"bt", "backtrace"}, {"where", "backtrace"}, {"f", "frame"},
    {"l", "list"},      {"h", "help"},       {"q", "quit"},     {"exit", "quit"},
};

std::string trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::string word;
  for (const char c : text + " ") {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) result.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return result;
}

std::optional<int> parse_number(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

int count_argument(const std::string& args) {
  if (trim(args).empty()) return 1;
  const std::optional<int> n = parse_number(trim(args));
  if (!n || *n < 1) throw CommandError("a count must be a positive number, not '" + trim(args) + "'");
  return *n;
}

// The full command name for what was typed: an alias, a unique beginning
// of a name, or the name itself.
std::string command_name(const std::string& typed) {
  for (const auto& [alias, name] : aliases) {
    if (typed == alias) return name;
  }
  std::vector<std::string> matches;
  for (const CommandInfo& c : command_table) {
    if (typed == c.name) return typed;
    if (std::string(c.name).starts_with(typed)) matches.push_back(c.name);
  }
  if (matches.size() == 1) return matches.front();
  if (matches.empty()) throw CommandError("Undefined command: \"" + typed + "\".  Try \"help\".");
  std::string list;
  for (const std::string& m : matches) list += (list.empty() ? "" : ", ") + m;
  throw CommandError("Ambiguous command \"" + typed + "\": " + list + ".");
}

// "/x" before an expression.
FormatOptions format_of(std::string& args) {
  FormatOptions options;
  if (!args.starts_with("/")) return options;
  size_t end = 1;
  while (end < args.size() && std::isalpha(static_cast<unsigned char>(args[end]))) ++end;
  const std::string letters = args.substr(1, end - 1);
  if (letters == "x") options.hex = true;
  else if (letters != "d") throw CommandError("unknown format '/" + letters + "' (there are /x and /d)");
  args = trim(args.substr(end));
  return options;
}

}  // namespace

Debugger::Debugger(DebugTarget target, std::ostream& out)
    : target_(std::move(target)),
      symbols_(target_.info),
      out_(out),
      program_out_(std::make_unique<OutputTracker>(out)),
      program_stream_(std::make_unique<std::ostream>(program_out_.get())) {
  // A machine that has not started: constant tables can be read already.
  machine_ = std::make_unique<Machine>(target_.image, input_, *program_stream_);
}

Debugger::~Debugger() = default;

void Debugger::run(LineReader& reader) {
  std::string last;
  while (!quit_) {
    std::optional<std::string> line = reader.read_line();
    if (!line) break;
    if (reader.interactive()) {
      // An empty line repeats a command that moves on (step, next, list...).
      if (trim(*line).empty()) {
        if (last.empty()) continue;
        *line = last;
      } else {
        last = *line;
      }
    }
    if (!execute(*line)) break;
    out_.flush();
  }
  out_.flush();
}

bool Debugger::execute(const std::string& line) {
  const std::string text = trim(line);
  if (text.empty() || text.starts_with("#")) return !quit_;
  size_t end = 0;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) && text[end] != '/') ++end;
  try {
    const std::string name = command_name(text.substr(0, end));
    command(name, trim(text.substr(end)));
  } catch (const CommandError& e) {
    out_ << e.what() << "\n";
  } catch (const EvaluationError& e) {
    out_ << e.what() << "\n";
  }
  return !quit_;
}

void Debugger::command(const std::string& name, const std::string& args) {
  if (name == "quit") {
    quit_ = true;
  } else if (name == "help") {
    help(args);
  } else if (name == "break" || name == "tbreak") {
    set_breakpoint(args, name == "tbreak");
  } else if (name == "delete") {
    delete_breakpoints(args);
  } else if (name == "disable" || name == "enable") {
    enable_breakpoints(args, name == "enable");
  } else if (name == "condition") {
    condition(args);
  } else if (name == "watch") {
    watch(args);
  } else if (name == "print") {
    print(args);
  } else if (name == "set") {
    set_variable(args);
  } else if (name == "display") {
    display(args);
  } else if (name == "undisplay") {
    undisplay(args);
  } else if (name == "info") {
    info(args);
  } else if (name == "backtrace") {
    backtrace(args);
  } else if (name == "frame") {
    if (trim(args).empty()) {
      select_frame(selected_);
    } else {
      const std::optional<int> level = parse_number(trim(args));
      if (!level) throw CommandError("frame takes a frame number, not '" + trim(args) + "'");
      select_frame(*level);
    }
  } else if (name == "up" || name == "down") {
    if (!live()) throw CommandError("No stack.");
    const int n = count_argument(args);
    const int count = static_cast<int>(frames().size());
    if (name == "up" && selected_ + 1 >= count) throw CommandError("Initial frame selected; you cannot go up.");
    if (name == "down" && selected_ == 0) throw CommandError("Bottom (innermost) frame selected; you cannot go down.");
    select_frame(name == "up" ? std::min(selected_ + n, count - 1) : std::max(selected_ - n, 0));
  } else if (name == "list") {
    list(args);
  } else {
    resume_command(name, args);
  }
}

void Debugger::help(const std::string& args) {
  if (!trim(args).empty()) {
    const std::string name = command_name(trim(args));
    for (const CommandInfo& c : command_table) {
      if (name == c.name) out_ << c.help << "\n";
    }
    return;
  }
  out_ << "Commands (a unique beginning of a name will do; b, c, s, n, p, bt, q are short for the usual ones):\n";
  for (const CommandInfo& c : command_table) out_ << "  " << c.help << "\n";
  out_ << "Expressions are Vyl's: names, 12, 'c', true, null, a[i], p.x, ORD/CHR/LENGTH, arithmetic and\n"
          "comparisons. Locations are LINE, FILE:LINE, FUNCTION or *ADDRESS.\n";
}

// ---------------------------------------------------------------------------
// Breakpoints and watchpoints

std::vector<uint16_t> Debugger::resolve_location(const std::string& text, int& line) {
  std::string location = trim(text);
  if (location.empty()) {
    if (!live()) throw CommandError("No default location: give a line or a function.");
    const uint16_t here = selected().pc;
    line = symbols_.line_at(here);
    return {here};
  }
  if (location.starts_with("*")) {
    Scope none = scope(nullptr);
    const Value address = Expression::parse(location.substr(1)).evaluate(none);
    line = symbols_.line_at(address.word);
    return {address.word};
  }
  if (const size_t colon = location.rfind(':'); colon != std::string::npos) {
    const std::string file = location.substr(0, colon);
    const std::string& source = symbols_.source_name();
    const bool same = file == source || (source.size() > file.size() && source.ends_with("/" + file)) ||
                      (file.size() > source.size() && file.ends_with("/" + source));
    if (!same) throw CommandError("No source file named " + file + ".");
    location = trim(location.substr(colon + 1));
  }
  if (!location.empty() && std::isdigit(static_cast<unsigned char>(location[0]))) {
    const std::optional<int> number = parse_number(location);
    if (!number) throw CommandError("'" + location + "' is not a line number");
    line = symbols_.line_with_code(*number);
    if (line == 0) throw CommandError("No line " + location + " in the current file.");
    return symbols_.line_addresses(line);
  }
  const DebugProcedure* procedure = symbols_.procedure_named(location);
  if (procedure == nullptr) throw CommandError("Function \"" + location + "\" not defined.");
  const uint16_t start = symbols_.body_start(*procedure);
  line = symbols_.line_at(start);
  return {start};
}

void Debugger::set_breakpoint(const std::string& args, bool temporary) {
  // "if" as a word of its own ends the location and starts the condition.
  std::string location = args;
  std::optional<Expression> condition;
  for (size_t at = args.find("if"); at != std::string::npos; at = args.find("if", at + 1)) {
    const bool starts = at == 0 || std::isspace(static_cast<unsigned char>(args[at - 1]));
    const bool ends = at + 2 == args.size() || std::isspace(static_cast<unsigned char>(args[at + 2]));
    if (!starts || !ends) continue;
    location = args.substr(0, at);
    const std::string text = trim(args.substr(at + 2));
    if (text.empty()) throw CommandError("a condition must follow 'if'");
    condition = Expression::parse(text);
    break;
  }
  Breakpoint b;
  b.temporary = temporary;
  b.addresses = resolve_location(location, b.line);
  b.condition = condition;
  const DebugProcedure* procedure = symbols_.procedure_at(b.addresses.front());
  b.function = procedure != nullptr ? procedure->name : "??";
  b.file = symbols_.source_name();
  const Breakpoint& added = breakpoints_.add(std::move(b));
  out_ << (temporary ? "Temporary breakpoint " : "Breakpoint ") << added.number << " at "
       << hex4(added.addresses.front()) << ": file " << added.file << ", line " << added.line << ".\n";
}

void Debugger::delete_breakpoints(const std::string& args) {
  const std::vector<std::string> numbers = words(args);
  if (numbers.empty()) {
    breakpoints_.clear();
    return;
  }
  for (const std::string& text : numbers) {
    const std::optional<int> n = parse_number(text);
    if (!n || !breakpoints_.remove(*n)) out_ << "No breakpoint number " << text << ".\n";
  }
}

void Debugger::enable_breakpoints(const std::string& args, bool enable) {
  const std::vector<std::string> numbers = words(args);
  for (Breakpoint& b : breakpoints_.all()) {
    if (numbers.empty()) b.enabled = enable;
  }
  for (const std::string& text : numbers) {
    const std::optional<int> n = parse_number(text);
    Breakpoint* b = n ? breakpoints_.find(*n) : nullptr;
    if (b == nullptr) {
      out_ << "No breakpoint number " << text << ".\n";
      continue;
    }
    b->enabled = enable;
    if (enable && b->kind == Breakpoint::Kind::Watchpoint) refresh_watchpoint(*b);
  }
  breakpoints_.changed();
}

void Debugger::condition(const std::string& args) {
  const std::vector<std::string> parts = words(args);
  const std::optional<int> n = parts.empty() ? std::nullopt : parse_number(parts[0]);
  if (!n) throw CommandError("condition needs a breakpoint number");
  Breakpoint* b = breakpoints_.find(*n);
  if (b == nullptr || b->kind != Breakpoint::Kind::Breakpoint) {
    throw CommandError("No breakpoint number " + parts[0] + ".");
  }
  const std::string rest = trim(trim(args).substr(parts[0].size()));
  if (rest.empty()) {
    b->condition.reset();
    out_ << "Breakpoint " << *n << " now unconditional.\n";
  } else {
    b->condition = Expression::parse(rest);
  }
}

void Debugger::watch(const std::string& args) {
  if (trim(args).empty()) throw CommandError("watch needs an expression");
  Breakpoint b;
  b.kind = Breakpoint::Kind::Watchpoint;
  b.expression = Expression::parse(trim(args));
  // Whether it uses the selected frame's variables tells its scope.
  const std::optional<Frame> frame = live() ? std::optional<Frame>(selected()) : std::nullopt;
  Scope s = scope(frame ? &*frame : nullptr);
  s.live = true;  // before the run, the globals as they start
  const Value value = b.expression->evaluate(s);
  if (value.in_place) throw CommandError("watch a variable, element or field, not a whole array or object");
  if (s.used_frame && frame) {
    b.scoped = true;
    b.scope_fp = frame->fp;
    b.scope_procedure = frame->procedure != nullptr ? frame->procedure->number : -1;
  }
  Breakpoint& added = breakpoints_.add(std::move(b));
  refresh_watchpoint(added);
  out_ << "Watchpoint " << added.number << ": " << added.expression->text() << "\n";
}

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
  if (live()) {
    const Frame frame = selected();
    Scope s = scope(&frame);
    try {
      const Value value = d.expression.evaluate(s);
      out_ << d.number << ": " << d.expression.text() << " = "
           << format_value(value, MemoryView(*machine_), symbols_, d.options) << "\n";
    } catch (const EvaluationError& e) {
      out_ << d.number << ": " << d.expression.text() << ": " << e.what() << "\n";
    }
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
    Scope s = scope(&innermost);
    try {
      const Value value = d.expression.evaluate(s);
      out_ << d.number << ": " << d.expression.text() << " = "
           << format_value(value, MemoryView(*machine_), symbols_, d.options) << "\n";
    } catch (const EvaluationError& e) {
      out_ << d.number << ": " << d.expression.text() << ": " << e.what() << "\n";
    }
  }
}

void Debugger::info(const std::string& args) {
  const std::vector<std::string> parts = words(args);
  const std::string what = parts.empty() ? "" : parts[0];
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
