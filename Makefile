# make run     — install what is missing, build the program only, start Hushbar under Wine
# make test    — install what is missing, build both architectures and the installer, run the
#                whole suite under Wine + Xvfb, then the engine and end-to-end suites against
#                the 32-bit program under WoW64, then each fuzz harness for FUZZ_SMOKE seconds
# make build   — build and lay out dist/win64/hushbar/ as it ships
# make package — the installer and the portable zips of both architectures, in dist/
# make fuzz    — build the parsers natively with libFuzzer + sanitizers, fuzz each
#                FUZZ_SECONDS (default 60)
# make bench   — time Hushbar against reg import, a bare program and curl (not part of make test)
PRESET   ?= mingw-cross
PRESET32 ?= mingw-cross-i686
BUILD    := build/cross
BUILD32  := build/cross32
# The 32-bit tree builds the program and the suites that run against it under WoW64.
TARGETS32 := hushbar_dist test_engine test_e2e
SUITES32  := ^(engine|e2e)$$
FUZZ_SECONDS ?= 60
FUZZ_SMOKE   ?= 3

.PHONY: all deps configure configure32 build build32 package test test32 run bench clean fuzz

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

configure32: deps
	@cmake --preset $(PRESET32) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

build32: configure32
	@cmake --build --preset $(PRESET32) --target $(TARGETS32)

package: build32 configure
	@cmake --build --preset $(PRESET) --target hushbar_package

test: build package
	@scripts/run-tests.sh $(BUILD)
	@scripts/run-tests.sh $(BUILD32) -R '$(SUITES32)'
	@scripts/fuzz.sh $(FUZZ_SMOKE)

fuzz: deps
	@scripts/fuzz.sh $(FUZZ_SECONDS)

# The 32-bit run alone.
test32: build32
	@scripts/run-tests.sh $(BUILD32) -R '$(SUITES32)'

run: configure
	@cmake --build --preset $(PRESET) --target hushbar_dist
	@scripts/run-hushbar.sh

bench: build
	@cmake --build --preset $(PRESET) --target hushbar_bench hushbar_bare hushbar_update_bench
	@scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD32) build/fuzz dist
