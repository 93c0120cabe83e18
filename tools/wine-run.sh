#!/usr/bin/env bash
# Runs one Windows program in the project's private, headless Wine prefix ($WINEPREFIX), ending
# it after $PLIMO_WINE_DEADLINE seconds (default 1500, ctest's own) so that nothing hangs for good.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
deadline=${PLIMO_WINE_DEADLINE:-1500}
code=0
timeout --foreground -k 10 "$deadline" wine "$@" || code=$?
if [ "$code" -ne 0 ] && [ "$SECONDS" -ge "$deadline" ]; then
  echo "wine-run: $1 did not end within $deadline s and was ended" >&2
fi
exit "$code"
