#!/bin/sh
# The optimised build: vylc built with profile-guided optimisation.
#
#   scripts/pgo-build.sh [BUILD_DIR] [TARGET...]
#
# 1. Builds vylc in BUILD_DIR (default build-release) with counters
#    (VYL_PGO=generate), and the program generator.
# 2. Trains it: compiles the test programs and generated programs of every
#    shape, at sizes other than the benchmark's.
# 3. Builds it again in the same directory with the counts (VYL_PGO=use),
#    with the other TARGETs (default: vylc vylsim).
#
# Without GCC the build goes on without profile-guided optimisation.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-release}
[ $# -gt 0 ] && shift
targets=${*:-vylc vylsim}
jobs=$(nproc 2>/dev/null || echo 2)
gen=""
command -v ninja > /dev/null 2>&1 && gen="-G Ninja"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  # shellcheck disable=SC2086
  cmake -S "$root" -B "$dir" $gen -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYL_TESTS=OFF > /dev/null
fi

echo "pgo-build: the instrumented vylc"
cmake -S "$root" -B "$dir" -DVYL_PGO=generate > /dev/null
find "$dir" -name '*.gcda' -delete
cmake --build "$dir" -j "$jobs" --target vylc vylgen

echo "pgo-build: training"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root"/tests/programs/*.vyl "$work/"
vylgen="$dir/bench/vylgen"
"$vylgen" --functions 6 --statements 8 > "$work/workers.vyl"
"$vylgen" --functions 24 --statements 10 > "$work/workers-large.vyl"
"$vylgen" --functions 4 --statements 4 --pad 300000 > "$work/comments.vyl"
"$vylgen" --shape dense --functions 12 --statements 8 > "$work/dense.vyl"
"$vylgen" --shape small-functions --functions 150 > "$work/small-functions.vyl"
"$vylgen" --shape switches --functions 6 --statements 40 > "$work/switches.vyl"
"$vylgen" --shape globals --functions 10 --statements 6 > "$work/globals.vyl"
vylc=$(cd "$dir" && pwd)/vylc
for f in "$work"/*.vyl; do
  # Programs that stop at an error train the error paths; the status does
  # not matter here.
  (cd "$work" && "$vylc" "$(basename "$f")" > /dev/null 2>&1 < /dev/null) || true
done

echo "pgo-build: the optimised build"
cmake -S "$root" -B "$dir" -DVYL_PGO=use > /dev/null
# shellcheck disable=SC2086
cmake --build "$dir" -j "$jobs" --target $targets
