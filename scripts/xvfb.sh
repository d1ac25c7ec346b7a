# Sourced: makes sure DISPLAY names a working X server. With none, starts a private Xvfb
# and records its pid in HUSHBAR_XVFB_PID so the caller can stop it.
# Xvfb picks a free display itself (-displayfd) and tells us which, so two checkouts
# testing at once can never end up on each other's display.
hushbar_start_xvfb() {
  local out n=
  out=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out" >/dev/null 2>&1 &
  HUSHBAR_XVFB_PID=$!
  for _ in $(seq 1 100); do
    n=$(head -n 1 "$out" 2>/dev/null || true)
    if [ -n "$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
      rm -f "$out"
      export DISPLAY=":$n"
      return 0
    fi
    kill -0 "$HUSHBAR_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$out"
  kill "$HUSHBAR_XVFB_PID" 2>/dev/null || true
  echo "could not start Xvfb" >&2
  return 1
}
HUSHBAR_XVFB_PID=
