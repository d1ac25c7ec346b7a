# Sourced: makes sure DISPLAY names a working X server. With none, starts a private Xvfb
# and records its pid in HUSHBAR_XVFB_PID so the caller can stop it.
hushbar_start_xvfb() {
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    HUSHBAR_XVFB_PID=$!
    for _ in $(seq 1 50); do
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then export DISPLAY=":$n"; return 0; fi
      sleep 0.1
    done
    kill "$HUSHBAR_XVFB_PID" 2>/dev/null || true
  done
  echo "could not start Xvfb" >&2
  return 1
}
HUSHBAR_XVFB_PID=
