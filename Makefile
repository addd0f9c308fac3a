# Two commands set everything up:
#   make run    builds vylc and compiles examples/hello.vyl
#   make test   builds and runs every test
# make sanitize runs the same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
# make fuzz FUZZ_SECONDS=600 fuzzes the compiler with libFuzzer (needs clang).
# make fuzz-programs FUZZ_PROGRAMS=100000 compares random programs with a reference interpreter.
# make bench measures vylc against tcc (README, Performance).

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
CTEST_ARGS ?= --output-on-failure
FUZZ_SECONDS ?= 600
FUZZ_ARGS ?=

.PHONY: all build run test sanitize check clean deps fuzz fuzz-programs bench

all: build

deps:
	@./scripts/check-deps.sh

build: deps
	@test -f build/CMakeCache.txt || cmake -S . -B build $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS)

run: build
	./build/vylc examples/hello.vyl
	./build/vylsim examples/hello.ftx

test: build
	cd build && ctest -j $(JOBS) $(CTEST_ARGS)

sanitize: deps
	@test -f build-san/CMakeCache.txt || cmake -S . -B build-san $(GEN) -DCMAKE_BUILD_TYPE=Debug -DVYL_SANITIZE=ON
	cmake --build build-san -j $(JOBS)
	cd build-san && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j $(JOBS) $(CTEST_ARGS)

check: test sanitize

# One fuzzing process on one core; new inputs go to build-fuzz/corpus, inputs
# that fail to build-fuzz/artifacts (keep each one in fuzz/regressions/).
fuzz:
	@command -v clang++ >/dev/null 2>&1 || { echo "make fuzz needs clang with libFuzzer: apt-get install -y clang"; exit 1; }
	@test -f build-fuzz/CMakeCache.txt || CXX=clang++ cmake -S . -B build-fuzz $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYL_FUZZ=ON -DVYL_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS) --target vylc_fuzzer
	./fuzz/seeds.sh build-fuzz/seeds
	mkdir -p build-fuzz/corpus build-fuzz/artifacts
	./build-fuzz/fuzz/vylc_fuzzer build-fuzz/corpus build-fuzz/seeds fuzz/regressions \
	  -dict=fuzz/vyl.dict -max_len=4096 -timeout=10 -rss_limit_mb=4096 \
	  -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1 -max_total_time=$(FUZZ_SECONDS) $(FUZZ_ARGS)
# Random programs against the reference interpreter (see README, Random
# programs): FUZZ_PROGRAMS programs from seed FUZZ_SEED on one core; each
# mismatch is reduced and kept in fuzz/vylfuzz/cases with its expected output.
FUZZ_PROGRAMS ?= 100000
FUZZ_SEED ?= 1

fuzz-programs: deps
	@test -f build/CMakeCache.txt || cmake -S . -B build $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS) --target vylfuzz
	nice ./build/vylfuzz --programs $(FUZZ_PROGRAMS) --seed $(FUZZ_SEED) --corpus fuzz/vylfuzz/cases --progress 10000

# The benchmark: vylc against tcc on generated programs (see README,
# Performance).  The programs are written to a RAM file system when there is
# one, so that disk latency does not swamp the timings of either compiler.
BENCH_WORK ?= $(shell test -w /dev/shm && echo /dev/shm/vylbench || echo $(CURDIR)/build/bench-work)
BENCH_ARGS ?= --runs 21 --benchmark_repetitions=11 --benchmark_report_aggregates_only=true --benchmark_min_time=0.2

bench: deps
	@./scripts/check-bench-deps.sh
	@test -f build/CMakeCache.txt || cmake -S . -B build $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	@cmake -S . -B build > /dev/null
	cmake --build build -j $(JOBS) --target vylc vylsim vylbench peak_rss
	./build/bench/vylbench --vylc build/vylc --vylsim build/vylsim --tcc tcc --peak-rss build/bench/peak_rss \
	  --work $(BENCH_WORK) $(BENCH_ARGS)

clean:
	rm -rf build build-san build-fuzz
