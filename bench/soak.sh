#!/usr/bin/env bash
# The full soak: sets up, builds, and runs 100,000 mixed calls against one server in the build
# tree's private Wine prefix, then compares the server's private bytes and handle count with
# their value after warm-up. Extra arguments go to plimo_soak (--calls N, --warmup N, --samples N).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PLIMO_BUILD_DIR="${PLIMO_BUILD_DIR:-$root/build-bench}"
build="$PLIMO_BUILD_DIR"

bash "$root/tools/build.sh" plimo_soak >/dev/null

export WINEPREFIX="$build/wineprefix"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
bash "$root/tools/wine-prefix.sh" start

bash "$root/tools/wine-run.sh" "$build/bin/plimo_soak.exe" "$@"
