# Everyday entry points. Each installs missing Debian packages first.
PRESET ?= dev
BUILD  := build/$(PRESET)
JOBS   ?= $(shell nproc)

.PHONY: all deps configure build demo test asan bench fuzz clean

all: build

deps:
	@scripts/deps.sh

configure: deps
	@test -f $(BUILD)/build.ninja || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET) -j $(JOBS)

# What the demo runs: the host, the module it loads, the companion programs.
DEMO_TARGETS := physprops physprops_backend brdedit prjsetup

demo: configure
	cmake --build --preset $(PRESET) -j $(JOBS) --target $(DEMO_TARGETS)
	@scripts/demo.sh $(BUILD)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

asan:
	$(MAKE) test PRESET=asan

bench:
	@PHYSPROPS_BENCH_DEPS=1 scripts/deps.sh
	@test -f build/release/build.ninja || cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@BENCH_PLOT=build/release/bench-scale.png scripts/bench.sh build/release

fuzz:
	@scripts/deps.sh
	@test -f build/fuzz/build.ninja || cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	@scripts/fuzz.sh build/fuzz $${FUZZ_SECONDS:-60}

clean:
	rm -rf build
