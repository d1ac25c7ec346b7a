#!/usr/bin/env bash
# A row of make bench: the update round trip (descriptor, signature, a 5 MiB package, its
# hash, the unpacking) by the real update dialog, against curl fetching the same three files
# from the same loopback server in the same run. Medians of HUSHBAR_BENCH_ROUNDS rounds.
# Run by scripts/bench.sh inside its prefix and display; alone it makes its own display.
#   scripts/bench-update.sh [BUILD-DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/cross}
runs=${HUSHBAR_BENCH_ROUNDS:-3}
export HUSHBAR_WINEPREFIX=${HUSHBAR_WINEPREFIX:-$root/build/bench-wineprefix}
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

work=$(mktemp -d)
server_pid=
own_display=0
cleanup() {
  exec 3>&- 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  if [ $own_display = 1 ]; then
    wineserver -k 2>/dev/null || true
    [ -n "$HUSHBAR_XVFB_PID" ] && kill "$HUSHBAR_XVFB_PID" 2>/dev/null || true
  fi
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

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  own_display=1
  hushbar_start_xvfb
  "$root/scripts/make-prefix.sh"
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 || true
fi

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

curl_ms=$(for _ in $(seq 1 "$runs"); do
  curl -s -o /dev/null -o /dev/null -o /dev/null -w "%{time_total}\n" "${base}latest.xml" "${base}latest.xml.sig" "${base}update.zip" \
    | awk '{t += $1} END {printf "%.1f\n", t * 1000}'
done | median)
hushbar_ms=$(wine "$build/bench/hushbar_update_bench.exe" "$base" "$(winepath -w "$work/program")" "$runs" 2>/dev/null | tr -d '\r')
awk -v h="$hushbar_ms" -v c="$curl_ms" 'BEGIN {
  printf "| 5 MiB | update round trip (curl) | %.1f ms | %.1f ms | %.1fx | <= 3x |\n", h, c, h / c }'
