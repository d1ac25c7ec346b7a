#!/usr/bin/env bash
# Runs the whole suite under Wine on a private Xvfb through CTest, then leaves nothing
# running: the display and the wineserver are stopped on every exit path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/cross}
shift || true
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

# The tests that need a 32-bit program skip themselves, saying why, where none can run.
if hushbar_can_run_32bit; then export HUSHBAR_CAN_RUN_32BIT=1; else export HUSHBAR_CAN_RUN_32BIT=0; fi
if [ "$HUSHBAR_CAN_RUN_32BIT" = 0 ] && hushbar_pe_is_32bit "$build/hushbar.exe"; then
  echo "skipped: this machine's kernel runs no 32-bit programs, so the suites of $build are not run here"
  exit 0
fi

cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$HUSHBAR_XVFB_PID" ] && kill "$HUSHBAR_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

hushbar_start_xvfb
"$root/scripts/make-prefix.sh"
# A warm, persistent wineserver: otherwise every test program waits for a new server.
# A server left running for this prefix (a hand-run program) may lack our display: end it first.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true

# The user's keys that the tests borrow must be as they were once the suite is over.
snapshot() {
  local dir=$1 key file
  mkdir -p "$dir"
  for key in 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' 'HKCU\Software\Corvane\Hushbar'; do
    file="$dir/$(basename "${key//\\//}").reg"
    wine reg export "$key" "$(winepath -w "$file")" /y >/dev/null 2>&1 || echo absent >"$file"
  done
}
keys=$(mktemp -d)
trap 'rm -rf "$keys"; cleanup' EXIT
snapshot "$keys/before"

status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@" || status=$?

snapshot "$keys/after"
for file in "$keys"/before/*.reg; do
  if ! cmp -s "$file" "$keys/after/$(basename "$file")"; then
    echo "The tests left the key of $(basename "$file" .reg) changed:" >&2
    diff <(iconv -f UTF-16 -t UTF-8 "$file" 2>/dev/null || cat "$file") \
         <(iconv -f UTF-16 -t UTF-8 "$keys/after/$(basename "$file")" 2>/dev/null || cat "$keys/after/$(basename "$file")") >&2 || true
    status=1
  fi
done
exit $status
