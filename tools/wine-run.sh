#!/usr/bin/env bash
# Runs one Windows program in the project's private, headless Wine prefix ($WINEPREFIX).
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the private prefix (tools/wine-prefix.sh makes it)}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
