#!/usr/bin/env bash
# Builds the window-free parsers natively with clang's libFuzzer and the address and
# undefined-behaviour sanitizers (build/fuzz, apart from the MinGW build), then runs each
# harness for SECONDS (default 60) over its committed corpus in tests/fuzz/corpus/.
# New inputs found go to build/fuzz/corpus/, crashes to build/fuzz/crashes/; a crash
# fails the run.
#   scripts/fuzz.sh [SECONDS] [HARNESS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=$root/build/fuzz
cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHUSHBAR_DEPS_DIR="${HUSHBAR_DEPS_DIR:-$root/build/deps-src}" >/dev/null
cmake --build "$build"

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for dir in "$root"/tests/fuzz/corpus/*/; do harnesses+=("$(basename "$dir")"); done
fi
mkdir -p "$build/crashes"
failed=0
passed=0
for name in "${harnesses[@]}"; do
  mkdir -p "$build/corpus/$name"
  if "$build/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
       -artifact_prefix="$build/crashes/$name-" "$build/corpus/$name" "$root/tests/fuzz/corpus/$name" \
       >"$build/$name.log" 2>&1; then
    echo "fuzz $name: ${seconds}s, no finding ($(grep -c '' "$build/$name.log") log lines)"
    passed=$((passed + 1))
  else
    echo "fuzz $name: FAILED, see $build/$name.log and $build/crashes/" >&2
    tail -n 30 "$build/$name.log" >&2
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
