#!/usr/bin/env bash
# Sets up the machine and builds for Windows with MinGW into $PLIMO_BUILD_DIR (default build/):
# everything, or only the targets named on the command line. The build's output is shown only
# when it fails. PLIMO_BENCH=ON (or OFF) sets the build's PLIMO_BENCH option; unset, the build
# tree keeps what it has.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PLIMO_BUILD_DIR:-$root/build}"
source "$root/tools/step.sh"

bash "$root/tools/setup.sh"
echo "build: building ${*:-everything} into $build"
step build "configuring $build" \
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/tools/mingw-i686.cmake" \
        ${PLIMO_BENCH:+-DPLIMO_BENCH="$PLIMO_BENCH"}
if [ $# -gt 0 ]; then
  step build "building $*" cmake --build "$build" --target "$@"
else
  step build "building" cmake --build "$build"
fi
