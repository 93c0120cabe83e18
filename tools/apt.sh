# Sourced by the set-up scripts: apt-get update that names an index it could not fetch.

# apt-get update with the options given (for instance one sources file only). A mirror sometimes
# serves an index mid-sync, and then the amd64 and i386 halves of a package no longer match: it
# tries three times, and if an index still fails it names it, says to try again later and
# returns 1, so that the caller can still try the install with the indexes it has.
apt_update() {
  local log attempt code failed
  log=$(mktemp)
  for attempt in 1 2 3; do
    code=0
    apt-get update -q "$@" >"$log" 2>&1 </dev/null || code=$?
    # apt-get update can also exit 0 while an index it could not fetch is left out.
    failed=$(sed -n 's/^Err:[0-9]* \([^ ]*\) \(.*\)$/\1 \2/p' "$log")
    if [ "$code" -eq 0 ] && [ -z "$failed" ]; then
      rm -f "$log"
      return 0
    fi
    [ "$attempt" -lt 3 ] && sleep $((attempt * 15))
  done
  if [ -n "$failed" ]; then
    echo "setup: apt-get update could not fetch these package indexes:" >&2
    echo "$failed" | sed 's/^/  /' >&2
    grep -m1 -A1 '^Err:' "$log" | tail -n1 | sed 's/^ */  reason: /' >&2
    echo "setup: the mirror may be in the middle of a sync; if what follows fails, try again in a few minutes." >&2
  else
    echo "setup: apt-get update failed (exit code $code); its last lines:" >&2
    tail -n 15 "$log" | sed 's/^/  /' >&2
  fi
  rm -f "$log"
  return 1
}
