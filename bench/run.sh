#!/usr/bin/env bash
# Sets up, builds and measures PlimoCOMWrapper in the build tree's private Wine prefix, pinned
# to one CPU. `run.sh [--rounds N] [--activations N]`: the benchmark against a bare baseline
# server, a table on the screen and <build>/bench/results.csv. `run.sh soak [--calls N]
# [--warmup N] [--samples N] [--leak N]`: the full soak, 100,000 mixed calls, and its verdict.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PLIMO_BUILD_DIR="${PLIMO_BUILD_DIR:-$root/build-bench}"
build="$PLIMO_BUILD_DIR"
program=plimo_bench
if [ "${1:-}" = soak ]; then
  program=plimo_soak
  shift
fi

bash "$root/tools/build.sh" "$program" >/dev/null

export WINEPREFIX="$build/wineprefix"
source "$root/tools/wine-env.sh"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
# Every Wine process of the prefix descends from its wineserver and inherits its CPU: a
# wineserver already running unpinned is ended first.
bash "$root/tools/wine-prefix.sh" stop
taskset -c 0 bash "$root/tools/wine-prefix.sh" start

arguments=("$@")
if [ "$program" = plimo_bench ]; then
  mkdir -p "$build/bench"
  csv="$build/bench/results.csv"
  arguments=(--csv "$(winepath -w "$csv")" "$@")
  echo "machine: $(nproc) CPUs,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2), $(wine --version)"
fi
taskset -c 0 wine "$build/bin/$program.exe" "${arguments[@]}"
[ "$program" = plimo_soak ] || echo "CSV: $csv"
