#!/usr/bin/env bash
# Benchmarks, each as a ratio to a baseline measured in the same run on the same
# loopback server. One row per measurement; add a row by adding a function below.
#   scripts/bench.sh [BUILD-DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/cross}
runs=${2:-5}
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

work=$(mktemp -d)
server_pid=
cleanup() {
  exec 3>&- 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "$HUSHBAR_XVFB_PID" ] && kill "$HUSHBAR_XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The package: the shipped block list and descriptor plus 5 MiB of other data (stored,
# so 5 MiB go over the wire; Update skips it when unpacking); the descriptor names its
# size and hash and is signed.
mkdir -p "$work/root" "$work/program"
python3 - "$work/root" "$root/res/objects.dll" <<'PY'
import hashlib, os, random, sys, zipfile
root, shipped = sys.argv[1], sys.argv[2]
inner = b'<?xml version="1.0" ?>\n<hushbar version="2.2" dataversion="9.0" />\n'
package = os.path.join(root, "update.zip")
with zipfile.ZipFile(package, "w", zipfile.ZIP_STORED) as z:
    z.writestr("objects.dll", open(shipped, "rb").read())
    z.writestr("latest.xml", inner)
    z.writestr("padding.bin", random.Random(1).randbytes(5 * 1024 * 1024))
data = open(package, "rb").read()
with open(os.path.join(root, "latest.xml"), "w") as f:
    f.write('<?xml version="1.0" ?>\n<hushbar version="2.2" dataversion="9.0" size="%d" sha256="%s" />\n'
            % (len(data), hashlib.sha256(data).hexdigest()))
PY
"$root/scripts/sign-update.sh" "$work/root/latest.xml" "$root/build/update-key/signing-key.pem"

python3 "$root/tests/support/http_test_server.py" --root "$work/root" --port-file "$work/port" \
        --log "$work/log" --time-limit 600 &
server_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
read -r port control < "$work/port"
exec 3<>"/dev/tcp/127.0.0.1/$control"   # the server lives while this stays open
base="http://127.0.0.1:$port/fast/"

hushbar_start_xvfb
"$root/scripts/make-prefix.sh"
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Row: the update round trip (descriptor, signature, 5 MiB package, hash, unpacking)
# against curl fetching the same three files from the same server.
row_update_round_trip() {
  local curl_ms hushbar_ms
  curl_ms=$(for _ in $(seq 1 "$runs"); do
    curl -s -o /dev/null -o /dev/null -o /dev/null -w "%{time_total}\n" "${base}latest.xml" "${base}latest.xml.sig" "${base}update.zip" \
      | awk '{t += $1} END {printf "%.1f\n", t * 1000}'
  done | median)
  hushbar_ms=$(wine "$build/tests/hushbar_update_bench.exe" "$base" "$(winepath -w "$work/program")" "$runs" | tr -d '\r')
  awk -v h="$hushbar_ms" -v c="$curl_ms" 'BEGIN {
    printf "%-40s %10.1f ms %10.1f ms %8.1fx\n", "update round trip, 5 MiB package", h, c, h / c }'
}

printf "%-40s %13s %13s %9s\n" "benchmark ($runs runs, median)" "hushbar" "curl" "ratio"
row_update_round_trip
