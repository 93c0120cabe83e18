#!/usr/bin/env bash
# Sets up the machine, builds everything for 32-bit Windows and runs the whole suite under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PLIMO_BUILD_DIR:-$root/build}"

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/tools/mingw-i686.cmake" >/dev/null
cmake --build "$build"

export WINEPREFIX="$build/wineprefix"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
bash "$root/tools/wine-prefix.sh" start
ctest --test-dir "$build" --output-on-failure "$@"
