#!/usr/bin/env bash
# Signs an update descriptor: writes FILE.sig beside FILE, the base64 text of an RSA
# (PKCS #1 v1.5) signature over the file's SHA-256, which Hushbar checks with the public
# key it was built with.
#   scripts/sign-update.sh FILE [PRIVATE-KEY.pem]
# The key defaults to $HUSHBAR_SIGNING_KEY, then to the build's development key.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
file=${1:?usage: sign-update.sh FILE [PRIVATE-KEY.pem]}
key=${2:-${HUSHBAR_SIGNING_KEY:-$root/build/update-key/signing-key.pem}}
[ -f "$key" ] || { echo "sign-update.sh: no signing key at $key (build first, or pass one)" >&2; exit 1; }
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
openssl dgst -sha256 -sign "$key" -out "$tmp" "$file"
openssl base64 -in "$tmp" -out "$file.sig.part"
mv -f "$file.sig.part" "$file.sig"
