// vylsim: runs and disassembles compiled Vyl programs (.ftx images).
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return vylsim::run_cli(args, std::cin, std::cout, std::cerr);
}
