#!/usr/bin/env bash
# Installs everything the build and the tests need from Debian's packages, and fetches
# the source packages whose code we compile for Windows (minizip from zlib, TinyXML).
# Idempotent: a second run only checks.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
srcdir=${HUSHBAR_DEPS_DIR:-$here/build/deps-src}

packages=(g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64 g++-mingw-w64-i686-posix
          wine wine64 wine32:i386 fonts-wine xvfb
          libz-mingw-w64-dev libboost-dev googletest cmake ninja-build make python3
          dpkg-dev x11-utils imagemagick nsis icoutils openssl osslsigncode wixl clang-14 libclang-rt-14-dev curl)
apt=(apt-get -o DPkg::Lock::Timeout=600)

# The 32-bit program is tested under the 64-bit prefix's WoW64, which needs Wine's i386 half.
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || { dpkg --add-architecture i386; need_i386=1; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

need_src=0
[ -f "$srcdir/.done" ] || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ] || [ $need_i386 = 1 ]; then
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
  "${apt[@]}" update -qq
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ $need_src = 1 ]; then
  rm -rf "$srcdir" && mkdir -p "$srcdir"
  ( cd "$srcdir" && "${apt[@]}" source -qq --download-only zlib tinyxml >/dev/null 2>&1 \
    && for d in *.dsc; do dpkg-source -x "$d" >/dev/null 2>&1; done )
  zl=$(ls -d "$srcdir"/zlib-*/ | head -1); tx=$(ls -d "$srcdir"/tinyxml-*/ | head -1)
  ln -sfn "$zl" "$srcdir/zlib"; ln -sfn "$tx" "$srcdir/tinyxml"
  touch "$srcdir/.done"
fi
