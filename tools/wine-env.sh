# Sourced by the Wine scripts: the one place the environment of the project's private, headless
# Wine prefix is set. WINEPREFIX must name the prefix.
: "${WINEPREFIX:?set WINEPREFIX to the private prefix (tools/wine-prefix.sh makes it)}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all
# No .NET or HTML engine to install, and no debugger when a process faults: it ends at once.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# An empty DISPLAY hangs the first activation in a fresh prefix: no display at all.
unset DISPLAY WAYLAND_DISPLAY
# How 32-bit programs run here, "native" or "emulated", for the tests and the benchmark to read:
# under emulation a stack overflow or an unguarded fault ends a 32-bit process.
source "$(dirname "${BASH_SOURCE[0]}")/i386.sh"
PLIMO_32BIT_CODE=$(i386_mode)
export PLIMO_32BIT_CODE
