# Two commands set everything up:
#   make run    builds vylc and compiles examples/hello.vyl
#   make test   builds and runs every test
# make sanitize runs the same tests under AddressSanitizer and UndefinedBehaviorSanitizer.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
CTEST_ARGS ?= --output-on-failure

.PHONY: all build run test sanitize check clean deps

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

clean:
	rm -rf build build-san
