#!/bin/sh
# The benchmark needs Google Benchmark to build and tcc to compare with:
# prints the exact install command for whatever is missing.  Without Google
# Benchmark it stops; without tcc the benchmark runs without the comparison.
if [ ! -f /usr/include/benchmark/benchmark.h ] && [ ! -f /usr/local/include/benchmark/benchmark.h ]; then
  echo "Google Benchmark is missing: the benchmark cannot be built." >&2
  echo "Install it with:" >&2
  echo "  sudo apt-get install -y libbenchmark-dev" >&2
  exit 1
fi
if ! command -v tcc >/dev/null 2>&1; then
  echo "tcc is missing: the benchmark runs without the comparison with tcc." >&2
  echo "Install it with:" >&2
  echo "  sudo apt-get install -y tcc" >&2
fi
exit 0
