#!/usr/bin/env bash
# Measures PlimoCOMWrapper under Wine pinned to one CPU: `run.sh` the benchmark, `run.sh soak` the soak,
# `run.sh proxy` one entry through the proxy provider against the interface and in process.
# It sets up and builds into its own tree first. The benchmark ([--rounds N] [--activations N])
# prints its table and writes <build>/bench/results.csv; the soak ([--calls N] [--warmup N]
# [--samples N] [--leak N]) makes 100,000 mixed calls per server and gives its verdict.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PLIMO_BUILD_DIR="${PLIMO_BUILD_DIR:-$root/build-bench}"
build="$PLIMO_BUILD_DIR"
PLIMO_BENCH=ON bash "$root/tools/build.sh" plimo_bench plimo_proxy_bench >/dev/null

export WINEPREFIX="$build/wineprefix"
source "$root/tools/wine-env.sh"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
# Every Wine process of the prefix descends from its wineserver and inherits its CPU: a
# wineserver already running unpinned is ended first.
bash "$root/tools/wine-prefix.sh" stop
taskset -c 0 bash "$root/tools/wine-prefix.sh" start

if [ "${1:-}" = soak ]; then
  taskset -c 0 wine "$build/bin/plimo_bench.exe" "$@"
elif [ "${1:-}" = proxy ]; then
  echo "machine: $(nproc) CPUs,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2), $(wine --version)"
  echo "32-bit side: $PLIMO_32BIT_CODE"
  taskset -c 0 wine "$build/bin/plimo_proxy_bench.exe"
else
  mkdir -p "$build/bench"
  csv="$build/bench/results.csv"
  echo "machine: $(nproc) CPUs,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2), $(wine --version)"
  taskset -c 0 wine "$build/bin/plimo_bench.exe" --csv "$(winepath -w "$csv")" "$@"
  echo "CSV: $csv"
fi
