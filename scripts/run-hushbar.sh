#!/usr/bin/env bash
# Starts the shipped program under Wine, on $DISPLAY or, when there is none, on a private
# Xvfb. Returns when Hushbar ends (tray menu, Exit) or on Ctrl+C.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
source "$root/scripts/xvfb.sh"

cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$HUSHBAR_XVFB_PID" ] && kill "$HUSHBAR_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  hushbar_start_xvfb
  echo "No display: Hushbar runs on a private Xvfb at DISPLAY=$DISPLAY."
  echo "  Screenshot: DISPLAY=$DISPLAY import -window root shot.png"
  echo "  Stop: Ctrl+C here (or Exit from the tray menu)."
fi
"$root/scripts/make-prefix.sh"
status=0
wine "$root/dist/win64/hushbar/hushbar.exe" || status=$?
# Exit ends the program with status 57665, its command id; the shell sees it cut to 8 bits.
# That is the normal end, not a failure.
[ "$status" = $((57665 % 256)) ] && status=0
exit "$status"
