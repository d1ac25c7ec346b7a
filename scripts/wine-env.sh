# Sourced by the scripts that run Windows programs: one Wine prefix for the program and the
# tests, under the build tree, and no Mono or Gecko install prompts.
here_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${HUSHBAR_WINEPREFIX:-$here_root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
