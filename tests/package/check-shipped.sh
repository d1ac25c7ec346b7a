#!/usr/bin/env bash
# check-shipped.sh VERSION MAKER EXE ARCH [EXE ARCH ...]
# Reads each program as Explorer and the loader do: the version resource's strings and
# numbers, the manifest's identity, the Windows version in the PE header. Prints every
# mismatch and fails if there was one.
set -uo pipefail
version=$1 maker=$2
shift 2
failures=0
fail() { echo "FAIL: $exe: $*"; failures=$((failures + 1)); }

# The string of a version-resource entry: the UTF-16 text after its key.
version_string() {
  wrestool -x --raw -t 16 "$exe" 2>/dev/null | x86_64-w64-mingw32-strings -el -n 1 |
    awk -v key="$1" 'found && NF { print; exit } $0 == key { found = 1 }'
}

while [ $# -ge 2 ]; do
  exe=$1 arch=$2
  shift 2
  if [ ! -f "$exe" ]; then fail "missing"; continue; fi
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  for field in MajorOSystemVersion:6 MinorOSystemVersion:1 MajorSubsystemVersion:6 MinorSubsystemVersion:1; do
    name=${field%:*} want=${field#*:}
    got=$(awk -v n="$name" '$1 == n { print $2; exit }' <<<"$headers")
    [ "$got" = "$want" ] || fail "$name is '$got', not $want"
  done
  case $arch in
    amd64) magic="pei-x86-64" ;;
    x86) magic="pei-i386" ;;
  esac
  x86_64-w64-mingw32-objdump -f "$exe" | grep -q "file format $magic" || fail "not a $magic program"

  for entry in "FileVersion=$version" "ProductVersion=$version" "CompanyName=$maker" \
               "ProductName=Hushbar" "OriginalFilename=hushbar.exe"; do
    key=${entry%%=*} want=${entry#*=}
    got=$(version_string "$key")
    [ "$got" = "$want" ] || fail "$key is '$got', not '$want'"
  done
  for key in FileDescription LegalCopyright; do
    [ -n "$(version_string "$key")" ] || fail "$key is empty"
  done
  case $(version_string LegalCopyright) in *"$maker"*) ;; *) fail "LegalCopyright does not name $maker" ;; esac
  # The fixed part holds the numbers: FILEVERSION major.minor in one DWORD, patch.build in the next.
  IFS=. read -r major minor patch <<<"$version"
  fixed=$(wrestool -x --raw -t 16 "$exe" | od -An -tx4 -v -w4 | tr -d ' ' | grep -n -m1 '^feef04bd$' | cut -d: -f1)
  if [ -z "$fixed" ]; then
    fail "no fixed version information"
  else
    words=$(wrestool -x --raw -t 16 "$exe" | od -An -tx4 -v -w4 | tr -d ' ' | sed -n "$((fixed + 2)),$((fixed + 5))p" | tr '\n' ' ')
    want=$(printf '%08x %08x %08x %08x ' $(((major << 16) | minor)) $((patch << 16)) $(((major << 16) | minor)) $((patch << 16)))
    [ "$words" = "$want" ] || fail "file/product version numbers are '$words', not '$want'"
  fi

  manifest=$(wrestool -x --raw -t 24 "$exe")
  grep -q "name=\"Corvane.Hushbar\" version=\"$version.0\" processorArchitecture=\"$arch\"" <<<"$manifest" ||
    fail "manifest identity is not $version.0 for $arch: $(grep -m1 Corvane.Hushbar <<<"$manifest")"
done
[ "$failures" = 0 ] && echo "all shipped programs carry version $version"
exit $((failures > 0))
