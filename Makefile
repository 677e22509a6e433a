# Everyday entry points. Each installs missing Debian packages first.
PRESET ?= dev
BUILD  := build/$(PRESET)
JOBS   ?= $(shell nproc)

.PHONY: all deps configure build demo test asan bench fuzz package clean translations

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
