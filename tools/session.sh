#!/usr/bin/env bash
# The main job: sets up, builds, registers the server and the sample provider in the private
# Wine prefix and runs a short session of plimo-scc commands (64-bit) in a fresh working folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PLIMO_BUILD_DIR:-$root/build}"
bin="$build/bin"

bash "$root/tools/build.sh" PlimoCOMWrapper plimo_sample_provider plimo-scc >/dev/null

export WINEPREFIX="$build/wineprefix"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
bash "$root/tools/wine-prefix.sh" start

# A fresh working folder each run; the provider keeps its store beside it.
session=$(mktemp -d)
mkdir "$session/work"
trap 'cd /; rm -rf "$session"; bash "$root/tools/wine-prefix.sh" stop' EXIT
cd "$session/work"

run() { bash "$root/tools/wine-run.sh" "$@"; }

# Shows one command as it would be typed at a prompt and runs it; an exit code other than the
# expected one ($1) is shown and fails the session.
failed=0
scc_expecting() {
  local expected=$1 shown=plimo-scc arg
  shift
  for arg in "$@"; do
    [[ "$arg" == *" "* ]] && shown+=" \"$arg\"" || shown+=" $arg"
  done
  echo
  echo "> $shown"
  local code=0
  run "$bin/plimo-scc.exe" "$@" 2>&1 || code=$?
  [ "$code" -eq 0 ] || echo "(exit code $code)"
  [ "$code" -eq "$expected" ] || failed=1
}
scc() { scc_expecting 0 "$@"; }

code=0
run "$bin/PlimoCOMWrapper.exe" /RegServer || code=$?
echo "PlimoCOMWrapper.exe /RegServer -> exit code $code"
[ "$code" -eq 0 ] || exit "$code"
run regsvr32 /s "$(winepath -w "$bin/plimo_sample_provider.dll" 2>/dev/null)" || code=$?
echo "regsvr32 plimo_sample_provider.dll -> exit code $code"
[ "$code" -eq 0 ] || exit "$code"

project=(--project demo --local .)
printf 'hello, world\r\n' >hello.txt
printf 'first notes\r\n' >notes.txt

scc providers
scc version
scc info
# The project does not exist yet, and only add makes one.
scc_expecting 1 "${project[@]}" status hello.txt notes.txt
scc "${project[@]}" add --comment "first version" hello.txt notes.txt
scc "${project[@]}" status hello.txt notes.txt
scc "${project[@]}" checkout hello.txt
printf 'hello, PlimoCOMWrapper\r\n' >hello.txt
echo "(hello.txt changed)"
scc "${project[@]}" status hello.txt
scc "${project[@]}" checkin --comment "fixed the greeting" hello.txt
scc "${project[@]}" checkout notes.txt
printf 'notes nobody wants\r\n' >notes.txt
echo "(notes.txt changed)"
scc "${project[@]}" uncheckout notes.txt
echo "notes.txt holds: $(tr -d '\r' <notes.txt)"
scc "${project[@]}" get hello.txt notes.txt
scc "${project[@]}" status --json hello.txt notes.txt
exit "$failed"
