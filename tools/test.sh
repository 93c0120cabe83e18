#!/usr/bin/env bash
# Sets up the machine, builds everything for Windows and runs the whole suite under Wine in the
# build tree's private prefix; extra arguments go to ctest (for instance -R bridge).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PLIMO_BUILD_DIR:-$root/build}"

bash "$root/tools/build.sh"

export WINEPREFIX="$build/wineprefix"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
bash "$root/tools/wine-prefix.sh" start
ctest --test-dir "$build" --output-on-failure "$@"
