#!/usr/bin/env bash
# start: makes the private win64 prefix $WINEPREFIX if needed and starts its persistent
# wineserver and its services; stop: ends that wineserver and every Wine process of the prefix.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

case "${1:-}" in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$WINEPREFIX"
      wineboot -i >/dev/null 2>&1
      wineserver -w
    fi
    # A server left running for this prefix (by a run that was interrupted) serves as well.
    wineserver -p 2>/dev/null || true
    # The first Wine process starts the prefix's services, which keep its output open for as
    # long as the wineserver lives: start them here, detached from any caller's pipes.
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
