# make run   — install what is missing, build, start Hushbar under Wine
# make test  — install what is missing, build, run the whole suite under Wine + Xvfb
# make build — build and lay out dist/hushbar/ as it ships
# make bench — time Hushbar against reg import and a bare program (not part of make test)
PRESET ?= mingw-cross
BUILD  := build/cross

.PHONY: all deps configure build test run bench clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@scripts/run-tests.sh $(BUILD)

run: build
	@scripts/run-hushbar.sh

bench: build
	@cmake --build --preset $(PRESET) --target hushbar_bench hushbar_bare
	@scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) dist
