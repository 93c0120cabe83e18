# Sourced by the Wine scripts: the one place the environment of the project's private, headless
# Wine prefix is set. WINEPREFIX must name the prefix.
: "${WINEPREFIX:?set WINEPREFIX to the private prefix (tools/wine-prefix.sh makes it)}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all
# No .NET or HTML engine to install, and no debugger when a process faults: it ends at once.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# An empty DISPLAY hangs the first activation in a fresh prefix: no display at all.
unset DISPLAY WAYLAND_DISPLAY
