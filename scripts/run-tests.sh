#!/usr/bin/env bash
# Runs the whole suite under Wine on a private Xvfb through CTest, then leaves nothing
# running: the display and the wineserver are stopped on every exit path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/cross}
shift || true
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$HUSHBAR_XVFB_PID" ] && kill "$HUSHBAR_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

hushbar_start_xvfb
"$root/scripts/make-prefix.sh"
# A warm, persistent wineserver: otherwise every test program waits for a new server.
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
