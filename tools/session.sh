#!/usr/bin/env bash
# The main job: sets up, builds, registers the server in the private Wine prefix and runs one
# readable session from a 64-bit client through the server against the sample provider.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PLIMO_BUILD_DIR:-$root/build}"
bin="$build/bin"

bash "$root/tools/build.sh" PlimoCOMWrapper plimo_sample_provider session_client >/dev/null

export WINEPREFIX="$build/wineprefix"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
bash "$root/tools/wine-prefix.sh" start

# A fresh working folder each run; the provider keeps its store beside it.
session=$(mktemp -d)
mkdir "$session/work"
trap 'rm -rf "$session"; bash "$root/tools/wine-prefix.sh" stop' EXIT

run() { bash "$root/tools/wine-run.sh" "$@"; }
code=0
run "$bin/PlimoCOMWrapper.exe" /RegServer || code=$?
echo "PlimoCOMWrapper.exe /RegServer -> exit code $code"
[ "$code" -eq 0 ] || exit "$code"
run "$bin/session_client.exe" "$(winepath -w "$bin/plimo_sample_provider.dll" 2>/dev/null)" \
    "$(winepath -w "$session/work" 2>/dev/null)"
