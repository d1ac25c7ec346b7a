#!/usr/bin/env bash
# Installs everything the build and the tests need from Debian's packages, and fetches
# the source packages whose code we compile for Windows (minizip from zlib, TinyXML).
# Idempotent: a second run only checks.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
srcdir=${HUSHBAR_DEPS_DIR:-$here/build/deps-src}

packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64 wine wine64 fonts-wine xvfb
          libz-mingw-w64-dev libboost-dev googletest cmake ninja-build make python3
          dpkg-dev x11-utils imagemagick openssl clang-14 libclang-rt-14-dev curl)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

need_src=0
[ -f "$srcdir/.done" ] || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ]; then
  # Source packages need a deb-src entry beside the binary one.
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    cat > /etc/apt/sources.list.d/hushbar-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ $need_src = 1 ]; then
  rm -rf "$srcdir" && mkdir -p "$srcdir"
  ( cd "$srcdir" && apt-get source -qq --download-only zlib tinyxml >/dev/null 2>&1 \
    && for d in *.dsc; do dpkg-source -x "$d" >/dev/null 2>&1; done )
  zl=$(ls -d "$srcdir"/zlib-*/ | head -1); tx=$(ls -d "$srcdir"/tinyxml-*/ | head -1)
  ln -sfn "$zl" "$srcdir/zlib"; ln -sfn "$tx" "$srcdir/tinyxml"
  touch "$srcdir/.done"
fi
