#include "debugger.h"

#include <algorithm>
#include <cctype>
#include <ostream>

#include "command_text.h"

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
  } catch (const std::exception& e) {
    // Whatever went wrong, the session goes on.
    out_ << "error: " << e.what() << "\n";
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
  const std::vector<std::string> given = words(args);
  const std::optional<int> n = given.empty() ? std::nullopt : parse_number(given[0]);
  if (!n) throw CommandError("condition needs a breakpoint number");
  Breakpoint* b = breakpoints_.find(*n);
  if (b == nullptr || b->kind != Breakpoint::Kind::Breakpoint) {
    throw CommandError("No breakpoint number " + given[0] + ".");
  }
  const std::string rest = trim(trim(args).substr(given[0].size()));
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
  std::vector<uint16_t> reads;
  s.reads = &reads;
  const Value value = b.expression->evaluate(s);
  if (value.in_place) throw CommandError("watch a variable, element or field, not a whole array or object");
  if (reads.empty() || value.constant) throw CommandError("Cannot watch a constant value.");
  if (s.used_frame && frame) {
    b.scoped = true;
    b.scope_fp = frame->fp;
    b.scope_procedure = frame->procedure != nullptr ? frame->procedure->number : -1;
  }
  Breakpoint& added = breakpoints_.add(std::move(b));
  refresh_watchpoint(added);
  out_ << "Watchpoint " << added.number << ": " << added.expression->text() << "\n";
}

}  // namespace vylsim
