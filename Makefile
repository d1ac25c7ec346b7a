# make run   — install what is missing, build, start Hushbar under Wine
# make test  — install what is missing, build, run the whole suite under Wine + Xvfb
# make build — build and lay out dist/hushbar/ as it ships
# make fuzz  — build the parsers natively with libFuzzer + sanitizers, fuzz each
#              FUZZ_SECONDS (default 60); make test runs each for FUZZ_SMOKE seconds
# make bench — update round trip of a 5 MiB package against curl on the same server
PRESET ?= mingw-cross
BUILD  := build/cross

FUZZ_SECONDS ?= 60
FUZZ_SMOKE   ?= 3

.PHONY: all deps configure build test run clean fuzz bench

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@scripts/run-tests.sh $(BUILD)
	@scripts/fuzz.sh $(FUZZ_SMOKE)

fuzz: deps
	@scripts/fuzz.sh $(FUZZ_SECONDS)

bench: build
	@scripts/bench.sh $(BUILD)

run: build
	@scripts/run-hushbar.sh

clean:
	rm -rf $(BUILD) build/fuzz dist
