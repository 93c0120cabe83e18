#!/usr/bin/env bash
# Sets up the machine, builds everything for Windows and runs the whole suite under Wine in the
# build tree's private prefix; extra arguments go to ctest (for instance -R bridge). Checks that
# the machine cannot run are listed at the end with their reasons. The benchmark is built too, for
# its bounded soak test (PLIMO_BENCH=OFF leaves it out).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PLIMO_BUILD_DIR:-$root/build}"

PLIMO_BENCH="${PLIMO_BENCH:-ON}" bash "$root/tools/build.sh"

export WINEPREFIX="$build/wineprefix"
source "$root/tools/wine-env.sh"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
bash "$root/tools/wine-prefix.sh" start
echo "test: 32-bit programs run $PLIMO_32BIT_CODE"
code=0
ctest --test-dir "$build" --output-on-failure "$@" || code=$?

# Every skipped check prints a "skipped: <reason>" line; the run's log keeps each program's
# output under its name.
log="$build/Testing/Temporary/LastTest.log"
if [ -f "$log" ]; then
  skipped=$(awk '/^[0-9]+\/[0-9]+ Testing: / { program = $3 }
                 /^\[ RUN      \] / { check = $4 }
                 /^skipped: / { sub(/^skipped: /, ""); print "  " program " " check ": " $0 }' "$log")
  if [ -n "$skipped" ]; then
    echo "test: $(wc -l <<<"$skipped") check(s) skipped:"
    echo "$skipped"
  fi
fi
exit "$code"
