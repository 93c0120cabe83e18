#!/usr/bin/env bash
# start: makes the private win64 prefix $WINEPREFIX if needed and starts its persistent
# wineserver and its services; stop: ends that wineserver and every Wine process of the prefix.
# Every Wine call here has a deadline, and a failure says which step failed.
set -euo pipefail
tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$tools/wine-env.sh"
source "$tools/step.sh"

# Generous for an emulated machine: the first boot takes about 15 s where 32-bit code runs
# natively.
boot_deadline=600
call_deadline=120

case "${1:-}" in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$WINEPREFIX"
      if ! step wine-prefix "the first boot of $WINEPREFIX (wineboot -i)" \
          timeout -k 10 "$boot_deadline" wineboot -i ||
         ! step wine-prefix "waiting for the first boot's processes to end" \
          timeout -k 10 "$boot_deadline" wineserver -w; then
        wineserver -k 2>/dev/null || true
        # A half-made prefix would be taken for a whole one by the next run.
        rm -rf "$WINEPREFIX"
        echo "wine-prefix: is 32-bit code running on this machine? bash tools/setup.sh says" >&2
        exit 1
      fi
    fi
    # A server left running for this prefix (by a run that was interrupted) serves as well.
    wineserver -p 2>/dev/null || true
    # The first Wine process starts the prefix's services, which keep its output open for as
    # long as the wineserver lives: start them here, detached from any caller's pipes.
    step wine-prefix "starting the prefix's services (wine cmd /c exit)" \
      timeout -k 10 "$call_deadline" wine cmd /c exit
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    timeout -k 10 "$call_deadline" wineserver -w 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
