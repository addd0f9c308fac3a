// vyl-lsp: the language server for Vyl, on standard input and output.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "lsp/transport.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("vyl-lsp %s\n", VYL_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("Usage: vyl-lsp [--stdio]\n"
                  "The Vyl language server: speaks the Language Server Protocol on standard input and output.\n");
      return 0;
    }
    if (std::strcmp(argv[i], "--stdio") != 0) {
      std::fprintf(stderr, "vyl-lsp: unknown option '%s' (try --help)\n", argv[i]);
      return 2;
    }
  }
  // A client that goes away ends the input; its closed output must not
  // kill the server before it notices.
  std::signal(SIGPIPE, SIG_IGN);
  std::ios::sync_with_stdio(false);
  return vyl::lsp::Serve(std::cin, std::cout);
}
