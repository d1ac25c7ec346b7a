#!/usr/bin/env bash
# make bench: times Hushbar under Wine on a private Xvfb and prints one table row per
# measure, each against its baseline measured in the same run, interleaved with it:
# `reg import` of the same kill-bit keys for the commands, a bare dialog-and-tray program
# for start-up and memory. Medians of HUSHBAR_BENCH_ROUNDS rounds (default 5). Not a test:
# nothing here passes or fails on a figure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/cross}
rounds=${HUSHBAR_BENCH_ROUNDS:-5}
sizes=${HUSHBAR_BENCH_SIZES:-"0 1000 10000"}  # 0: the shipped list
# A prefix of its own: the bench leaves Hushbar's keys and a Run entry behind, and the test
# suite checks that it finds those as it left them.
export HUSHBAR_WINEPREFIX=${HUSHBAR_WINEPREFIX:-$root/build/bench-wineprefix}
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

work=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$HUSHBAR_XVFB_PID" ] && kill "$HUSHBAR_XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

hushbar_start_xvfb
"$root/scripts/make-prefix.sh"
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true

bench=$build/bench/hushbar_bench.exe
bare=$(winepath -w "$build/bench/hushbar_bare.exe")
echo "Hushbar benchmark: medians of $rounds rounds, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| N | measure | Hushbar | baseline | ratio (lowest-highest round) | goal |"
echo "|---|---|---|---|---|---|"
for n in $sizes; do
  folder=$work/list-$n
  cp -r "$root/dist/win64/hushbar" "$folder"
  wine "$bench" "$(winepath -w "$folder")" "$n" "$rounds" "$bare" 2>/dev/null | tr -d '\r'
done
# Further rows, from scripts of their own in this same prefix and display.
"$root/scripts/bench-update.sh" "$build"
