#!/usr/bin/env bash
# The emulator CTest uses for every target program: runs one Windows program in the
# project's Wine prefix. The display and a warm wineserver are set up by the caller.
source "$(dirname "$0")/wine-env.sh"
wine "$@"
