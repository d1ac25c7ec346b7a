# Sourced by the scripts that run Windows programs: one Wine prefix for the program and the
# tests, under the build tree, and no Mono or Gecko install prompts.
here_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${HUSHBAR_WINEPREFIX:-$here_root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# With the 32-bit loader installed too, Debian's `wine` always starts the 32-bit one, which
# cannot run a 64-bit program in this 64-bit prefix. Take the loader that fits the program:
# wine64 for everything but a 32-bit executable.
hushbar_pe_is_32bit() {
  local file=$1 offset machine
  [ -f "$file" ] || return 1
  offset=$(od -An -t u4 -j 60 -N 4 "$file" 2>/dev/null | tr -d ' ') || return 1
  [ -n "$offset" ] || return 1
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$file" 2>/dev/null | tr -d ' ')
  [ "$machine" = "014c" ]
}
wine() {
  if [ -x /usr/lib/wine/wine64 ] && ! hushbar_pe_is_32bit "${1:-}"; then
    WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"
  else
    command wine "$@"
  fi
}

# Some kernels (sandboxed virtual machines among them) run no 32-bit Linux programs at all, so
# Wine's 32-bit half cannot start: then neither the 32-bit build nor the setup (an x86
# program, as every NSIS installer is) can be run on this machine.
hushbar_can_run_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Debian's winepath script also starts the 32-bit loader: run Wine's own winepath.exe through
# the loader chosen above instead.
winepath() {
  wine winepath "$@" 2>/dev/null | tr -d '\r'
}
