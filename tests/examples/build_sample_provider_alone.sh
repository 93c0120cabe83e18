#!/usr/bin/env bash
# Builds a copy of examples/sample_provider with nothing of the project beside it but the two
# headers of the provider interface, as a user who copies the example would: the DLL must come out.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp -r "$root/examples/sample_provider" "$work/provider"
cp "$root/interface/provider_entry_points.h" "$root/interface/provider_values.h" "$work/provider/"
cmake -S "$work/provider" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/tools/mingw-i686.cmake" >/dev/null
cmake --build "$work/build" >/dev/null
test -f "$work/build/plimo_sample_provider.dll"
echo "built plimo_sample_provider.dll from a copy of its folder"
