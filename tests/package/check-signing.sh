#!/usr/bin/env bash
# check-signing.sh SIGN_SCRIPT NSI ICON VERSION WIN64_DIR WIN32_DIR
# Signs as make package does when a certificate is configured, with a throwaway one: copies
# of both programs, and a setup built with its uninstaller handed over for signing. Each
# must then carry a signature that verifies against that certificate.
set -uo pipefail
sign_script=$1 nsi=$2 icon=$3 version=$4 win64=$5 win32=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Hushbar test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null ||
  { echo "FAIL: openssl could not make a certificate"; exit 1; }
sign=(cmake -DTOOL="$(command -v osslsigncode)" -DCERT="$work/cert.pem" -DKEY="$work/key.pem" -DTIMESTAMP=)

cp "$win64/hushbar.exe" "$work/hushbar64.exe" && cp "$win32/hushbar.exe" "$work/hushbar32.exe"
"${sign[@]}" "-DFILES=$work/hushbar64.exe;$work/hushbar32.exe" -P "$sign_script" || fail "signing the programs"
makensis -V1 -INPUTCHARSET UTF8 -DVERSION="$version" -DMAKER=Test -DMAIN_DIALOG_TITLE=Test -DWIN64_DIR="$win64" -DWIN32_DIR="$win32" \
  -DOUTFILE="$work/setup.exe" -DICON="$icon" "-DSIGN=${sign[*]}" -DSIGN_SCRIPT="$sign_script" "$nsi" ||
  fail "makensis with the uninstaller signed"
"${sign[@]}" "-DFILES=$work/setup.exe" -P "$sign_script" || fail "signing the setup"

for file in hushbar64.exe hushbar32.exe setup.exe; do
  out=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$work/$file" 2>&1)
  grep -q "Signature verification: ok" <<<"$out" || fail "$file: $out"
done
# An unsigned program is told apart: the check above is not one that passes on anything.
osslsigncode verify -CAfile "$work/cert.pem" -in "$win64/hushbar.exe" >/dev/null 2>&1 &&
  fail "the unsigned program verifies"
[ $failures = 0 ] && echo "All signatures verify"
exit $((failures > 0))
