# Everyday entry points. Each installs missing Debian packages first.
PRESET ?= dev
BUILD  := build/$(PRESET)
JOBS   ?= $(shell nproc)

.PHONY: all deps configure build demo test lint asan tsan bench fuzz fuzz-long fuzz-coverage package clean translations

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

# The soak test (label soak, about a minute) and the load test (label load)
# run as CI stages of their own.
test: build
	ctest --preset $(PRESET) -j $(JOBS) -LE 'soak|load|a11y'

# Formatting and clang-tidy, as CI checks them (scripts/lint.sh).
lint: build
	@JOBS=$(JOBS) scripts/lint.sh $(BUILD)

asan:
	$(MAKE) test PRESET=asan

# The suites that run threads, under ThreadSanitizer; the preset builds and
# runs only those (tests/tsan.supp holds what is Qt's own).
tsan: deps
	@test -f build/tsan/build.ninja || cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

bench:
	@PHYSPROPS_BENCH_DEPS=1 scripts/deps.sh
	@cmake --preset release >/dev/null  # always: measured flags are the preset's
	cmake --build --preset release -j $(JOBS)
	@BENCH_PLOT=build/release/bench-scale.png scripts/bench.sh build/release

fuzz:
	@scripts/deps.sh
	@cmake --preset fuzz >/dev/null  # always: an older build folder keeps older flags
	cmake --build --preset fuzz -j $(JOBS)
	@scripts/fuzz.sh build/fuzz $${FUZZ_SECONDS:-60}

# Long runs that merge new coverage into fuzz/corpus/: FUZZ_SECONDS a target
# (default 600), FUZZ_RUNS=N stops at N executions, FUZZ_TARGETS picks targets,
# FUZZ_PARALLEL=2 runs two at a time.
fuzz-long:
	@scripts/deps.sh
	@cmake --preset fuzz >/dev/null  # always: an older build folder keeps older flags
	cmake --build --preset fuzz -j $(JOBS)
	@scripts/fuzz-long.sh build/fuzz $${FUZZ_SECONDS:-600} $${FUZZ_TARGETS:-}

# Line coverage of the parser sources reached by the checked-in corpora.
fuzz-coverage:
	@scripts/deps.sh
	@JOBS=$(JOBS) scripts/fuzz-coverage.sh $${FUZZ_TARGETS:-}

# The Debian package: an optimised build installed under /usr (so the
# libraries go to the multiarch folder), with Debian's hardening flags,
# packed by CPack.
package: deps
	@test -f build/package/build.ninja || { \
	  eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g dpkg-buildflags --export=sh)"; \
	  CXXFLAGS="$$CPPFLAGS $$CXXFLAGS" cmake -S . -B build/package -G Ninja \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DPHYSPROPS_BUILD_TESTS=OFF; }
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack -G DEB
	@echo "Package: $$(ls -t $(CURDIR)/build/package/physprops_*.deb | head -n 1)"

# Refreshes translations/*.ts from the sources and forms (new texts come in
# unfinished; texts gone from the sources are dropped).
translations: configure
	cmake --build --preset $(PRESET) --target update_translations

clean:
	rm -rf build
