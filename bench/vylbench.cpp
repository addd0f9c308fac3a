// vylbench: measures vylc on generated programs against tcc on their C
// translations and checks the performance targets.
//
//   vylbench --vylc PATH --vylsim PATH [--tcc PATH] [--peak-rss PATH]
//            [--runs N] [--work DIR] [--in-process-only] [Google Benchmark flags]
//
// 1. Generates an empty program, the maximum program (the most workers whose
//    image stays within three quarters of the 32 KB code image), a medium one
//    with half its workers, a program made mostly of comment lines up to
//    the 999,999-character source limit (and one of half that size), and
//    programs of the other forms as large as the maximum one (dense
//    expressions, many small functions, long switch tables, many globals
//    and strings); each also as C.
// 2. Checks them: vylc compiles each one, vylsim runs it, and the C program
//    run by tcc prints the same lines.
// 3. Whole-process figures: the median wall time and the peak memory of
//    `vylc prog.vyl` and of `tcc -c prog.c` over repeated runs.
// 4. In-process figures (Google Benchmark): the compile time per phase and
//    the scanner's speed.
// 5. The targets, each with its measured ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "in_process.h"
#include "process_run.h"
#include "program_gen.h"

namespace vylbench {

namespace {

constexpr int kStatements = 12;          // statement groups per worker
constexpr int kImageBytes = 32768;
constexpr int kMaxImage = kImageBytes * 3 / 4;
constexpr std::size_t kSourceLimit = 999999;

struct Program {
  std::string name;
  Form form = Form::kWorkers;
  int workers = 0;  // workers, or units of the other forms
  std::string vyl;
  std::string c;
  int imageSize = 0;
  // whole-process medians
  double vylcMs = 0, vylcCpuMs = 0, tccMs = 0, tccCpuMs = 0;
  long vylcKiB = 0, tccKiB = 0;
  // in-process medians (Google Benchmark), microseconds
  double compileUs = 0;
  std::array<double, kPhases> phaseUs{};
  double scanUs = 0;
};

struct Options {
  std::string vylc, vylsim, tcc, peakRss, work = "bench-work";
  int runs = 21;
  bool inProcessOnly = false;  // skip the checks and the process timings
};

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

int ImageOf(const std::string& source) { return CompileInProcess(source).imageSize; }

// The most workers (an even number) whose image fits in kMaxImage bytes.
int CalibrateMaximum() {
  ProgramShape shape;
  shape.statements = kStatements;
  shape.functions = 8;
  int at8 = ImageOf(GenerateProgram(shape, Language::kVyl));
  shape.functions = 16;
  int at16 = ImageOf(GenerateProgram(shape, Language::kVyl));
  int perWorker = (at16 - at8) / 8;
  int guess = perWorker > 0 ? 16 + (kMaxImage - at16) / perWorker : 16;
  guess -= guess % 2;
  auto fits = [&](int workers) {
    shape.functions = workers;
    int size = ImageOf(GenerateProgram(shape, Language::kVyl));
    return size > 0 && size <= kMaxImage;
  };
  while (guess > 2 && !fits(guess)) guess -= 2;
  while (fits(guess + 2)) guess += 2;
  return guess;
}

// The statements (lines, cases, globals) per unit of each form.
int StatementsOf(Form form) {
  switch (form) {
    case Form::kDense: return 12;
    case Form::kSwitches: return 64;
    case Form::kGlobals: return 8;
    default: return 1;
  }
}

// The most units of a form whose program compiles to an image within
// kMaxImage bytes.
int CalibrateUnits(Form form) {
  ProgramShape shape;
  shape.form = form;
  shape.statements = StatementsOf(form);
  auto fits = [&](int units) {
    shape.functions = units;
    int size = ImageOf(GenerateProgram(shape, Language::kVyl));
    return size > 0 && size <= kMaxImage;
  };
  int low = 1, high = 2;
  while (fits(high)) {
    low = high;
    high *= 2;
  }
  while (high - low > 1) {
    int mid = (low + high) / 2;
    (fits(mid) ? low : high) = mid;
  }
  return low;
}

Program Make(const std::string& name, int workers, std::size_t padTo) {
  Program p;
  p.name = name;
  p.workers = workers;
  if (workers == 0) {
    p.vyl = EmptyProgram(Language::kVyl);
    p.c = EmptyProgram(Language::kC);
  } else {
    ProgramShape shape;
    shape.functions = workers;
    shape.statements = kStatements;
    shape.padTo = padTo;
    p.vyl = GenerateProgram(shape, Language::kVyl);
    p.c = GenerateProgram(shape, Language::kC);
  }
  return p;
}

Program MakeForm(Form form) {
  Program p;
  p.name = FormName(form);
  p.form = form;
  p.workers = CalibrateUnits(form);
  ProgramShape shape;
  shape.form = form;
  shape.functions = p.workers;
  shape.statements = StatementsOf(form);
  p.vyl = GenerateProgram(shape, Language::kVyl);
  p.c = GenerateProgram(shape, Language::kC);
  return p;
}

// Compiles and runs every program; with tcc, compares the outputs.
bool Check(std::vector<Program>& programs, const Options& o) {
  bool ok = true;
  std::printf("Checking the generated programs (vylc, vylsim%s)\n", o.tcc.empty() ? "" : ", tcc -run");
  for (Program& p : programs) {
    std::string base = p.name;
    ProcessRun compile = RunProcess({o.vylc, base + ".vyl"}, false);
    Compilation inProcess = CompileInProcess(p.vyl);
    p.imageSize = inProcess.imageSize;
    ProcessRun run = RunProcess({o.vylsim, base + ".ftx"}, true);
    std::string verdict = "ok";
    if (compile.status != 0 || !inProcess.success) {
      verdict = "vylc failed: " + inProcess.message;
    } else if (run.status != 0) {
      verdict = "vylsim failed";
    } else if (!o.tcc.empty()) {
      ProcessRun c = RunProcess({o.tcc, "-run", base + ".c"}, true);
      if (c.status != 0) {
        verdict = "tcc -run failed";
      } else if (c.output != run.output) {
        verdict = "the C program prints other lines";
      }
    }
    std::printf("  %-15s %7zu chars, image %5d bytes, %3zu output lines: %s\n", p.name.c_str(), p.vyl.size(),
                p.imageSize, static_cast<std::size_t>(std::count(run.output.begin(), run.output.end(), '\n')),
                verdict.c_str());
    if (verdict != "ok") ok = false;
  }
  return ok;
}

// The peak resident memory of a command, through peak_rss; 0 when unknown.
long PeakKiB(const Options& o, std::vector<std::string> command) {
  if (o.peakRss.empty()) return 0;
  command.insert(command.begin(), o.peakRss);
  ProcessRun run = RunProcess(command, true);
  return run.status == 0 ? std::atol(run.output.c_str()) : 0;
}

void TimeProcesses(std::vector<Program>& programs, const Options& o) {
  std::map<std::string, std::vector<double>> wall, cpu;
  std::map<std::string, long> peak;
  // The runs of the programs and of both compilers alternate, so that a
  // change in the machine's load touches all of them alike.
  for (int r = 0; r < o.runs; ++r) {
    for (Program& p : programs) {
      ProcessRun v = RunProcess({o.vylc, p.name + ".vyl"}, false);
      wall["v" + p.name].push_back(v.wallMs);
      cpu["v" + p.name].push_back(v.cpuMs);
      if (o.tcc.empty()) continue;
      ProcessRun t = RunProcess({o.tcc, "-c", p.name + ".c", "-o", p.name + ".o"}, false);
      wall["t" + p.name].push_back(t.wallMs);
      cpu["t" + p.name].push_back(t.cpuMs);
    }
  }
  for (Program& p : programs) {
    for (int r = 0; r < 3; ++r) {
      peak["v" + p.name] = std::max(peak["v" + p.name], PeakKiB(o, {o.vylc, p.name + ".vyl"}));
      if (!o.tcc.empty()) {
        peak["t" + p.name] =
            std::max(peak["t" + p.name], PeakKiB(o, {o.tcc, "-c", p.name + ".c", "-o", p.name + ".o"}));
      }
    }
  }
  for (Program& p : programs) {
    p.vylcMs = Median(wall["v" + p.name]);
    p.vylcCpuMs = Median(cpu["v" + p.name]);
    p.vylcKiB = peak["v" + p.name];
    if (o.tcc.empty()) continue;
    p.tccMs = Median(wall["t" + p.name]);
    p.tccCpuMs = Median(cpu["t" + p.name]);
    p.tccKiB = peak["t" + p.name];
  }
}

// Keeps the runs that Google Benchmark reports, and shows them as usual.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::vector<Run> runs;
  void ReportRuns(const std::vector<Run>& reports) override {
    for (const Run& r : reports) runs.push_back(r);
    ConsoleReporter::ReportRuns(reports);
  }
};

void RegisterInProcess(std::vector<Program>& programs) {
  for (Program& p : programs) {
    benchmark::RegisterBenchmark(("compile/" + p.name).c_str(), [&p](benchmark::State& state) {
      std::array<double, kPhases> sums{};
      for (auto _ : state) {
        Compilation c = CompileInProcess(p.vyl);
        state.SetIterationTime(c.totalUs / 1e6);
        for (int i = 0; i < kPhases; ++i) sums[static_cast<std::size_t>(i)] += c.phaseUs[static_cast<std::size_t>(i)];
      }
      for (int i = 0; i < kPhases; ++i) {
        state.counters[kPhaseNames[static_cast<std::size_t>(i)]] =
            benchmark::Counter(sums[static_cast<std::size_t>(i)] / static_cast<double>(state.iterations()));
      }
    })->UseManualTime()->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("scan/" + p.name).c_str(), [&p](benchmark::State& state) {
      long tokens = 0;
      for (auto _ : state) state.SetIterationTime(ScanInProcess(p.vyl, tokens) / 1e6);
      state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(p.vyl.size()));
      state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens));
    })->UseManualTime()->Unit(benchmark::kMicrosecond);
  }
}

// The medians of the in-process runs, back into the programs.
void TakeMedians(std::vector<Program>& programs, const Collector& collector) {
  for (const auto& run : collector.runs) {
    if (run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate && run.aggregate_name != "median") continue;
    std::string name = run.run_name.function_name;
    for (Program& p : programs) {
      double us = run.GetAdjustedRealTime();  // in the benchmark's unit, microseconds
      if (name == "compile/" + p.name) {
        p.compileUs = us;
        for (std::size_t i = 0; i < kPhases; ++i) {
          auto it = run.counters.find(kPhaseNames[i]);
          if (it != run.counters.end()) p.phaseUs[i] = it->second.value;
        }
      } else if (name == "scan/" + p.name) {
        p.scanUs = us;
      }
    }
  }
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

bool Report(const std::vector<Program>& ps, const Options& o) {
  const Program& empty = ps[0];
  const Program& medium = ps[1];
  const Program& max = ps[2];
  const Program& comments = ps[3];
  const Program& halfComments = ps[4];
  std::printf("\nWhole process: median of %d runs (wall ms), peak resident memory (MiB)\n", o.runs);
  std::printf("  %-15s %8s %7s %7s | %9s %9s %9s | %9s %9s %9s\n", "program", "units", "chars", "image", "vylc ms",
              "cpu ms", "MiB", "tcc -c ms", "cpu ms", "MiB");
  for (const Program& p : ps) {
    std::printf("  %-15s %8d %7zu %7d | %9.2f %9.2f %9.1f | ", p.name.c_str(), p.workers, p.vyl.size(), p.imageSize,
                p.vylcMs, p.vylcCpuMs, static_cast<double>(p.vylcKiB) / 1024);
    if (o.tcc.empty()) {
      std::printf("%9s %9s %9s\n", "-", "-", "-");
    } else {
      std::printf("%9.2f %9.2f %9.1f\n", p.tccMs, p.tccCpuMs, static_cast<double>(p.tccKiB) / 1024);
    }
  }
  std::printf("\nIn-process: median compile time per phase (us)\n  %-15s", "program");
  for (const char* n : kPhaseNames) std::printf(" %9s", n);
  std::printf(" %9s %10s\n", "total", "scan MB/s");
  for (const Program& p : ps) {
    std::printf("  %-15s", p.name.c_str());
    for (double us : p.phaseUs) std::printf(" %9.1f", us);
    std::printf(" %9.1f %10.1f\n", p.compileUs, p.scanUs > 0 ? static_cast<double>(p.vyl.size()) / p.scanUs : 0.0);
  }
  std::printf("\nTargets\n");
  bool all = true;
  // The maximum program and the programs of the other forms.
  std::vector<const Program*> sized = {&max};
  for (const Program& p : ps) {
    if (p.form != Form::kWorkers) sized.push_back(&p);
  }
  for (const Program* p : sized) {
    double ratio = p->vylcMs / empty.vylcMs;
    std::printf("  %s <= 2 x empty program, whole process: %.2f ms / %.2f ms = %.2f: %s\n", p->name.c_str(),
                p->vylcMs, empty.vylcMs, ratio, Verdict(ratio <= 2));
    all = all && ratio <= 2;
  }
  if (o.tcc.empty()) {
    std::printf("  faster than tcc -c: not measured (tcc is missing: sudo apt-get install -y tcc)\n");
    all = false;
  } else {
    sized.push_back(&comments);
    for (const Program* p : sized) {
      double r = p->vylcMs / p->tccMs;
      std::printf("  faster than tcc -c (%s): %.2f ms / %.2f ms = %.2f: %s\n", p->name.c_str(), p->vylcMs, p->tccMs, r,
                  Verdict(r < 1));
      all = all && r < 1;
    }
  }
  double peak = static_cast<double>(max.vylcKiB) / 1024;
  if (max.vylcKiB > 0) {
    std::printf("  peak memory of the maximum program <= 4 MiB: %.2f MiB: %s\n", peak, Verdict(peak <= 4));
    all = all && peak <= 4;
  }
  for (auto [small, large] : {std::pair{&medium, &max}, std::pair{&halfComments, &comments}}) {
    double t = large->compileUs / small->compileUs;
    double s = static_cast<double>(large->vyl.size()) / static_cast<double>(small->vyl.size());
    std::printf("  doubling (%s -> %s, %.2f x the source): in-process time x %.2f (at most 2.2): %s\n",
                small->name.c_str(), large->name.c_str(), s, t, Verdict(t <= 2.2));
    all = all && t <= 2.2;
  }
  for (const Program* p : {&max, &comments}) {
    double mbs = static_cast<double>(p->vyl.size()) / p->scanUs;
    std::printf("  scanning >= 100 MB/s (%s): %.1f MB/s: %s\n", p->name.c_str(), mbs, Verdict(mbs >= 100));
    all = all && mbs >= 100;
  }
  return all;
}

std::string FirstLine(const std::string& path, const std::string& prefix = "") {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
  }
  return "";
}

// The processor, the number of cores and the load averages.
std::string MachineText() {
  std::string cpu = FirstLine("/proc/cpuinfo", "model name\t: ");
  return (cpu.empty() ? std::string("unknown processor") : cpu) + ", " +
         std::to_string(std::thread::hardware_concurrency()) + " cores";
}

std::string LoadText() {
  std::string load = FirstLine("/proc/loadavg");
  std::size_t third = 0;
  for (int i = 0; i < 3 && third != std::string::npos; ++i) third = load.find(' ', third + 1);
  return load.substr(0, third);
}

std::string Absolute(const std::string& path) {
  return path.empty() ? path : std::filesystem::absolute(path).string();
}

}  // namespace

}  // namespace vylbench

int main(int argc, char** argv) {
  using namespace vylbench;
  benchmark::Initialize(&argc, argv);
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool more = i + 1 < argc;
    if (a == "--vylc" && more) o.vylc = argv[++i];
    else if (a == "--vylsim" && more) o.vylsim = argv[++i];
    else if (a == "--tcc" && more) o.tcc = argv[++i];
    else if (a == "--peak-rss" && more) o.peakRss = argv[++i];
    else if (a == "--runs" && more) o.runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--work" && more) o.work = argv[++i];
    else if (a == "--in-process-only") o.inProcessOnly = true;
    else {
      std::fprintf(stderr,
                   "Usage: vylbench --vylc PATH --vylsim PATH [--tcc PATH] [--peak-rss PATH] [--runs N]\n"
                   "                [--work DIR] [--in-process-only] [--benchmark_...]\n");
      return 2;
    }
  }
  o.vylc = Absolute(FindInPath(o.vylc));
  o.vylsim = Absolute(FindInPath(o.vylsim));
  if (!o.tcc.empty()) o.tcc = FindInPath(o.tcc);
  if (!o.peakRss.empty()) o.peakRss = Absolute(FindInPath(o.peakRss));
  if (o.vylc.empty() || o.vylsim.empty()) {
    std::fprintf(stderr, "vylbench: vylc and vylsim must be given (--vylc, --vylsim)\n");
    return 2;
  }
  if (o.tcc.empty()) {
    std::printf("tcc is not installed: the comparison with tcc is left out.\n"
                "Install it with: sudo apt-get install -y tcc\n\n");
  }
  std::string loadBefore = LoadText();
  std::printf("Machine: %s; load average %s\n\n", MachineText().c_str(), loadBefore.c_str());
  std::filesystem::create_directories(o.work);
  std::filesystem::current_path(o.work);

  int maxWorkers = CalibrateMaximum();
  std::vector<Program> programs = {Make("empty", 0, 0), Make("medium", maxWorkers / 2, 0), Make("max", maxWorkers, 0),
                                   Make("comments", 2, kSourceLimit), Make("comments-half", 2, kSourceLimit / 2)};
  for (Form form : {Form::kDense, Form::kSmallFunctions, Form::kSwitches, Form::kGlobals}) {
    programs.push_back(MakeForm(form));
  }
  for (const Program& p : programs) {
    WriteFile(p.name + ".vyl", p.vyl);
    WriteFile(p.name + ".c", p.c);
  }
  bool checked = true;
  if (!o.inProcessOnly) {
    checked = Check(programs, o);
    std::printf("\nTiming whole processes (%d runs each)...\n", o.runs);
    TimeProcesses(programs, o);
  } else {
    for (Program& p : programs) p.imageSize = CompileInProcess(p.vyl).imageSize;
  }

  std::printf("\nIn-process (Google Benchmark)\n");
  RegisterInProcess(programs);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  TakeMedians(programs, collector);

  bool met = Report(programs, o);
  std::printf("\nMachine: %s; load average %s before, %s after\n", MachineText().c_str(), loadBefore.c_str(),
              LoadText().c_str());
  if (!checked) std::printf("\nSome generated program did not compile or run correctly (see above).\n");
  return checked ? (met ? 0 : 1) : 3;
}
