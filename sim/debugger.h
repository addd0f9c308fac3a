// vylsim's source-level debugger: runs a program under commands in the
// manner of gdb (break, run, step, next, finish, print, backtrace, watch,
// list, ...), reading them one a line, so that a person at a terminal, a
// script or a test can drive it. The program's output goes to the same
// stream as the debugger's, as it is printed.
#pragma once

#include <cstdint>
#include <ostream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "breakpoints.h"
#include "check_failure.h"
#include "expression.h"
#include "frames.h"
#include "line_reader.h"
#include "machine.h"
#include "source_file.h"
#include "symbols.h"

namespace vylsim {

// A command that cannot be carried out; its message is the one line shown.
class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the debugger works on.
struct DebugTarget {
  std::vector<uint8_t> image;
  DebugInfo info;
  SourceFile source;   // may be unavailable: lines are then shown by number only
  std::string input;   // the program's input, read from its start by every run
};

class Debugger {
 public:
  Debugger(DebugTarget target, std::ostream& out);
  ~Debugger();

  // The most instructions one command (run, continue, step, ...) executes
  // before it stops the program.
  void set_step_limit(uint64_t steps) { step_limit_ = steps; }

  // Carries out one command line. False when the session is over (quit).
  bool execute(const std::string& line);
  // Reads and carries out commands until quit or the end of the input.
  void run(LineReader& reader);

 private:
  // The program's output on its way to the debugger's stream, noting
  // whether it left a line unfinished, which a stop report must not run on
  // from.
  class OutputTracker : public std::streambuf {
   public:
    explicit OutputTracker(std::ostream& out) : out_(out) {}
    bool mid_line() const { return mid_line_; }
    void line_ended() { mid_line_ = false; }

   protected:
    int_type overflow(int_type c) override {
      if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
      out_.put(traits_type::to_char_type(c));
      mid_line_ = traits_type::to_char_type(c) != '\n';
      return c;
    }
    int sync() override {
      out_.flush();
      return 0;
    }

   private:
    std::ostream& out_;
    bool mid_line_ = false;
  };
  struct Stop;
  struct Plan;
  struct Display {
    int number = 0;
    Expression expression;
    FormatOptions options;
    int procedure = -1;  // shown only in this procedure's frames when it uses its variables
  };
  enum class State { NotStarted, Stopped, Dead, Exited };

  // The command line, and the commands on breakpoints (debugger.cpp).
  void command(const std::string& name, const std::string& args);
  void help(const std::string& args);
  void set_breakpoint(const std::string& args, bool temporary);
  void delete_breakpoints(const std::string& args);
  void enable_breakpoints(const std::string& args, bool enable);
  void condition(const std::string& args);
  void watch(const std::string& args);
  // Looking at the program (inspect_commands.cpp).
  void print(const std::string& args);
  void set_variable(const std::string& args);
  void display(const std::string& args);
  void undisplay(const std::string& args);
  void show_displays();
  // One display's line, its expression evaluated in `frame`.
  void show_display(const Display& d, const Frame& frame);
  void info(const std::string& args);
  void info_variables(const std::vector<const DebugVariable*>& variables, const char* none);
  void backtrace(const std::string& args);
  void select_frame(int level);
  void list(const std::string& args);
  void list_lines(int first, int last);

  // Running the program (run_control.cpp).
  void start_program();
  void resume_command(const std::string& name, const std::string& args);
  bool can_resume();
  Stop resume(Plan plan);
  bool plan_done(Plan& plan);
  std::optional<Stop> check_watchpoints();
  std::optional<Stop> check_breakpoints();
  void settle_prologue();
  void report(const Stop& stop, bool always_frame);
  void refresh_watchpoint(Breakpoint& watchpoint);

  // What the commands share (inspect_commands.cpp).
  bool live() const { return state_ == State::Stopped || state_ == State::Dead; }
  std::vector<Frame> frames() const;
  Frame selected() const;
  Scope scope(const Frame* frame, bool writable = false);
  std::string describe_frame(const Frame& frame) const;
  void show_location(const Frame& frame, bool with_frame, bool with_address = false);
  std::string source_line(int line) const;
  // Resolves a location (LINE, FILE:LINE, FUNCTION, *ADDRESS): its
  // addresses and the line they stand for. Throws EvaluationError.
  std::vector<uint16_t> resolve_location(const std::string& location, int& line);
  std::string where(uint16_t address) const;

  DebugTarget target_;
  Symbols symbols_;
  std::ostream& out_;
  std::unique_ptr<OutputTracker> program_out_;
  std::unique_ptr<std::ostream> program_stream_;
  std::istringstream input_;
  std::unique_ptr<Machine> machine_;
  State state_ = State::NotStarted;
  CheckHistory history_;
  std::optional<uint16_t> fault_position_;  // where a failed check stopped the program
  Breakpoints breakpoints_;
  std::vector<Display> displays_;
  int next_display_ = 1;
  int selected_ = 0;
  uint64_t step_limit_ = default_step_limit;
  int last_listed_ = 0;     // the last line `list` showed
  int last_procedure_ = -1;  // where the last stop was, to tell when a step changed frame
  uint16_t last_fp_ = 0;
  bool quit_ = false;
};

}  // namespace vylsim
