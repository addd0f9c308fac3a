# Two commands set everything up:
#   make run    builds vylc and compiles examples/hello.vyl
#   make test   builds and runs every test
# make sanitize runs the same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
# The developers' targets (test, sanitize, fuzz; CI runs the first two) build
# with warnings as errors (VYL_WERROR); make run and a build by hand do not.
# make fuzz FUZZ_SECONDS=600 fuzzes the compiler with libFuzzer (needs clang);
# make fuzz-lsp the language server likewise.
# make fuzz-programs FUZZ_PROGRAMS=100000 compares random programs with a reference interpreter.
# make release builds the optimised vylc (profile-guided) in build-release;
# make bench measures it against tcc (README, Performance).
# make playground builds the web page in build-web/playground (README, Playground);
# make web-test runs its tests (ctest -L web).
# make vscode packages the VS Code extension and runs the editors' tests.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
CTEST_ARGS ?= --output-on-failure
# The language server is built where its JSON library is installed.
LSP_TARGET := $(shell test -f /usr/include/nlohmann/json.hpp && echo vyl-lsp)
FUZZ_SECONDS ?= 600
FUZZ_ARGS ?=

.PHONY: all configure build run test sanitize check clean deps fuzz fuzz-lsp fuzz-programs bench release playground web-test vscode

all: build

deps:
	@./scripts/check-deps.sh

configure: deps
	@test -f build/CMakeCache.txt || cmake -S . -B build $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build build -j $(JOBS)

# Only what it runs: the compiler and the simulator.
run: configure
	cmake --build build -j $(JOBS) --target vylc vylsim
	./build/vylc examples/hello.vyl
	./build/vylsim examples/hello.ftx

test: deps
	@test -f build/CMakeCache.txt || cmake -S . -B build $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	@cmake -S . -B build -DVYL_WERROR=ON > /dev/null
	cmake --build build -j $(JOBS)
	cd build && ctest -j $(JOBS) $(CTEST_ARGS)

sanitize: deps
	@test -f build-san/CMakeCache.txt || cmake -S . -B build-san $(GEN) -DCMAKE_BUILD_TYPE=Debug -DVYL_SANITIZE=ON
	@cmake -S . -B build-san -DVYL_WERROR=ON > /dev/null
	cmake --build build-san -j $(JOBS)
	cd build-san && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j $(JOBS) $(CTEST_ARGS)

check: test sanitize

# One fuzzing process on one core; new inputs go to build-fuzz/corpus, inputs
# that fail to build-fuzz/artifacts (keep each one in fuzz/regressions/).
fuzz:
	@command -v clang++ >/dev/null 2>&1 || { echo "make fuzz needs clang with libFuzzer: apt-get install -y clang"; exit 1; }
	@test -f build-fuzz/CMakeCache.txt || CXX=clang++ cmake -S . -B build-fuzz $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYL_FUZZ=ON -DVYL_TESTS=OFF -DVYL_WERROR=ON
	cmake --build build-fuzz -j $(JOBS) --target vylc_fuzzer
	./fuzz/seeds.sh build-fuzz/seeds
	mkdir -p build-fuzz/corpus build-fuzz/artifacts
	./build-fuzz/fuzz/vylc_fuzzer build-fuzz/corpus build-fuzz/seeds fuzz/regressions \
	  -dict=fuzz/vyl.dict -max_len=4096 -timeout=10 -rss_limit_mb=4096 \
	  -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1 -max_total_time=$(FUZZ_SECONDS) $(FUZZ_ARGS)
# The language server's fuzzer: byte streams as a client's input, seeded
# with fuzz/lsp-seeds; failing inputs go to build-fuzz/lsp-artifacts (keep
# each one in fuzz/lsp-regressions/).
fuzz-lsp:
	@command -v clang++ >/dev/null 2>&1 || { echo "make fuzz-lsp needs clang with libFuzzer: apt-get install -y clang"; exit 1; }
	@test -f build-fuzz/CMakeCache.txt || CXX=clang++ cmake -S . -B build-fuzz $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYL_FUZZ=ON -DVYL_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS) --target vyl_lsp_fuzzer
	mkdir -p build-fuzz/lsp-corpus build-fuzz/lsp-artifacts
	./build-fuzz/fuzz/vyl_lsp_fuzzer build-fuzz/lsp-corpus fuzz/lsp-seeds fuzz/lsp-regressions \
	  -dict=fuzz/vyl-lsp.dict -max_len=16384 -timeout=10 -rss_limit_mb=4096 \
	  -artifact_prefix=build-fuzz/lsp-artifacts/ -print_final_stats=1 -max_total_time=$(FUZZ_SECONDS) $(FUZZ_ARGS)
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

# It measures the optimised build of make release.
bench: deps
	@./scripts/check-bench-deps.sh
	./scripts/pgo-build.sh build-release vylc vylsim vylbench peak_rss
	./build-release/bench/vylbench --vylc build-release/vylc --vylsim build-release/vylsim --tcc tcc \
	  --peak-rss build-release/bench/peak_rss --work $(BENCH_WORK) $(BENCH_ARGS)

# The optimised build in build-release: vylc with profile-guided
# optimisation (scripts/pgo-build.sh), vylsim and vyl-lsp; install it with
# cmake --install build-release --prefix DIR.
release: deps
	./scripts/pgo-build.sh build-release vylc vylsim $(LSP_TARGET)

# The playground: the compiler and the simulator in WebAssembly (Emscripten)
# and a static page around them; npm ci installs the page's packages from
# web/package-lock.json.
playground:
	@./scripts/check-web-deps.sh
	@test -f build-web/CMakeCache.txt || emcmake cmake -S . -B build-web $(GEN) -DCMAKE_BUILD_TYPE=Release
	cmake --build build-web -j $(JOBS) --target playground
	@echo "The playground is in build-web/playground: serve it with"
	@echo "  python3 -m http.server -d build-web/playground --bind 127.0.0.1 8000"

# The web tests compare the WebAssembly build with the native one and drive
# the page in headless Chromium.
web-test: build playground
	cd build-web && ctest -L web $(CTEST_ARGS)

# The editors: the VS Code extension packaged (build/editors/vyl-VERSION.vsix)
# and tested with the vyl-lsp built here, and the Neovim end-to-end test.
vscode: build
	cmake --build build -j $(JOBS) --target vyl-lsp vscode-extension
	cd build && ctest -L 'vscode|nvim' $(CTEST_ARGS)

clean:
	rm -rf build build-san build-fuzz build-web build-release
