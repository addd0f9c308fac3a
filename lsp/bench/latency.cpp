// vyl-lsp-latency: how long the server takes to answer, on a given source.
// Drives the server in-process as a client would: opens the document, asks
// every kind of request at names spread over it, edits it, and prints the
// median and the slowest time of each method in milliseconds.
//
//   vyl-lsp-latency FILE.vyl [SAMPLES]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "lsp/server.h"

namespace {

using vyl::lsp::json;
using Clock = std::chrono::steady_clock;

// Wall-clock and CPU milliseconds of each answer: on a machine shared with
// other work the CPU time (of every thread, the compilation's included)
// tells what the answer costs, the wall time what a client waited.
std::map<std::string, std::vector<double>> timings;
std::map<std::string, std::vector<double>> cpuTimings;

double CpuMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}
int nextId = 1;

void Send(vyl::lsp::Server& server, const std::string& method, const json& params, bool request = true) {
  json message = {{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
  if (request) message["id"] = nextId++;
  const std::string text = message.dump();
  const auto start = Clock::now();
  const double cpu = CpuMilliseconds();
  const std::vector<std::string> replies = server.Handle(text);
  cpuTimings[method].push_back(CpuMilliseconds() - cpu);
  timings[method].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  if (request && (replies.empty() || json::parse(replies.back()).contains("error"))) {
    const std::string why = replies.empty() ? "no reply" : replies.back();
    if (method != "textDocument/prepareRename") std::fprintf(stderr, "%s: %s\n", method.c_str(), why.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("Usage: vyl-lsp-latency FILE.vyl [SAMPLES]\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const int samples = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
  const std::string uri = "file:///latency.vyl";
  const json document = {{"uri", uri}};

  vyl::lsp::Server server;
  Send(server, "initialize", {{"capabilities", json::object()}});
  Send(server, "textDocument/didOpen",
       {{"textDocument", {{"uri", uri}, {"languageId", "vyl"}, {"version", 1}, {"text", text}}}}, false);
  const auto analysis = server.AnalysisOf(uri);
  const auto& occurrences = analysis->occurrences();
  std::printf("%zu bytes, %d lines, %zu names, %s\n", text.size(), analysis->text().lineCount(), occurrences.size(),
              analysis->success() ? "compiles" : "does not compile");
  for (int i = 0; i < samples && !occurrences.empty(); ++i) {
    const auto& o = occurrences[occurrences.size() * static_cast<std::size_t>(i) / static_cast<std::size_t>(samples)];
    const vyl::lsp::Position p = analysis->text().PositionOf(o.span.begin + 1);
    const json at = {{"textDocument", document}, {"position", {{"line", p.line}, {"character", p.character}}}};
    Send(server, "textDocument/hover", at);
    Send(server, "textDocument/definition", at);
    json references = at;
    references["context"] = {{"includeDeclaration", true}};
    Send(server, "textDocument/references", references);
    Send(server, "textDocument/completion", at);
    Send(server, "textDocument/signatureHelp", at);
    Send(server, "textDocument/prepareRename", at);
    if (i % 10 == 0) {
      json rename = at;
      rename["newName"] = "renamed" + std::to_string(i);
      Send(server, "textDocument/rename", rename);
    }
  }
  for (int i = 0; i < 5; ++i) {
    Send(server, "textDocument/documentSymbol", {{"textDocument", document}});
    Send(server, "textDocument/semanticTokens/full", {{"textDocument", document}});
    // An edit: a blank appended, then taken away (each change compiles the document).
    const std::string changed = i % 2 ? text : text + " ";
    Send(server, "textDocument/didChange",
         {{"textDocument", {{"uri", uri}, {"version", i + 2}}}, {"contentChanges", {{{"text", changed}}}}}, false);
  }
  double slowest = 0;
  double slowestCpu = 0;
  std::printf("%-34s %5s %17s %17s\n", "", "", "wall ms", "CPU ms");
  std::printf("%-34s %5s %8s %8s %8s %8s\n", "method", "count", "median", "max", "median", "max");
  for (auto& [method, list] : timings) {
    std::vector<double>& cpu = cpuTimings[method];
    std::sort(list.begin(), list.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-34s %5zu %8.2f %8.2f %8.2f %8.2f\n", method.c_str(), list.size(), list[list.size() / 2],
                list.back(), cpu[cpu.size() / 2], cpu.back());
    if (method != "initialize") {
      slowest = std::max(slowest, list.back());
      slowestCpu = std::max(slowestCpu, cpu.back());
    }
  }
  std::printf("slowest answer: %.2f ms wall, %.2f ms CPU\n", slowest, slowestCpu);
  return 0;
}
