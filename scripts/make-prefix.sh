#!/usr/bin/env bash
# Makes the project's Wine prefix once and reuses it afterwards.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.hushbar-ready"
# With Wine's i386 half installed, 32-bit programs run under the prefix's WoW64; a prefix
# made before it was installed lacks the 32-bit system folder (syswow64), and an update
# of the prefix cannot add it (its 32-bit half needs that folder to start). Such a prefix
# holds nothing but what this script puts there, so it is made again.
wow64_ready() {
  [ ! -e /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll ] || ! hushbar_can_run_32bit ||
    [ -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}
if [ -f "$stamp" ]; then
  wow64_ready && exit 0
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
fi
mkdir -p "$WINEPREFIX"
wine wineboot -i >/dev/null 2>&1 || true
wineserver -w
# A virtual desktop: without it every window destroy stalls on a display with no window
# manager, and there is no taskbar to hold the tray icon.
# A file of this checkout's own: two checkouts making their prefixes at once must not share it.
regfile=$(mktemp --suffix=.reg)
cat > "$regfile" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]

[HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Main]

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Zones\3]
REG
wine regedit /S "$(wine winepath -w "$regfile")" >/dev/null 2>&1
rm -f "$regfile"
# Debian's Wine does not find the fonts of fonts-wine by itself; dialogs would come out
# in the wrong face and size.
cp -f /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wineserver -w
touch "$stamp"
