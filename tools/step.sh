# Sourced by the tools: runs one step of a script with its output kept in a log, shown only when
# the step fails, so that a failure always says which step failed and why.

# step <who> <what> <command...>: runs the command; on failure prints "<who>: <what> failed
# (exit code N)" and the log's last lines, and returns the command's exit code.
step() {
  local who=$1 what=$2 log code=0
  shift 2
  log=$(mktemp)
  "$@" >"$log" 2>&1 </dev/null || code=$?
  if [ "$code" -ne 0 ]; then
    echo "$who: $what failed (exit code $code); its last lines:" >&2
    tail -n 20 "$log" | sed 's/^/  /' >&2
  fi
  rm -f "$log"
  return "$code"
}
