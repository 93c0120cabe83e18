#!/usr/bin/env bash
# The benchmark: sets up, builds, and measures PlimoCOMWrapper against a bare baseline server in
# the build tree's private Wine prefix, pinned to one CPU; prints the table and writes it as CSV
# to <build>/bench/results.csv. Extra arguments go to plimo_bench (--rounds N, --activations N).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PLIMO_BUILD_DIR="${PLIMO_BUILD_DIR:-$root/build-bench}"
build="$PLIMO_BUILD_DIR"

bash "$root/tools/build.sh" plimo_bench >/dev/null

export WINEPREFIX="$build/wineprefix"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
# Every Wine process of the prefix descends from its wineserver and inherits its CPU: a
# wineserver already running unpinned is ended first.
bash "$root/tools/wine-prefix.sh" stop
taskset -c 0 bash "$root/tools/wine-prefix.sh" start

mkdir -p "$build/bench"
csv="$build/bench/results.csv"
echo "machine: $(nproc) CPUs,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2), $(wine --version)"
taskset -c 0 bash "$root/tools/wine-run.sh" "$build/bin/plimo_bench.exe" \
    --csv "$(WINEPREFIX="$WINEPREFIX" winepath -w "$csv" 2>/dev/null)" "$@"
echo "CSV: $csv"
