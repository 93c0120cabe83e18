#!/usr/bin/env bash
# The main job: sets up, builds, registers the servers and the sample provider in the private
# Wine prefix and runs a short session of plimo-scc commands (64-bit) in a fresh working folder,
# ending with two commands against the sample's 64-bit build, which runs in the 64-bit server.
# The provider's messages ("provider: ...", standard error) show beside each command's output.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${PLIMO_BUILD_DIR:-$root/build}"
bin="$build/bin"

bash "$root/tools/build.sh" PlimoCOMWrapper plimo_sample_provider plimo-scc server64 plimo-host

export WINEPREFIX="$build/wineprefix"
trap 'bash "$root/tools/wine-prefix.sh" stop' EXIT
bash "$root/tools/wine-prefix.sh" start

# A fresh working folder each run; the provider keeps its store beside it.
session=$(mktemp -d)
mkdir "$session/work"
trap 'cd /; rm -rf "$session"; bash "$root/tools/wine-prefix.sh" stop' EXIT
cd "$session/work"

# A command of the session that has not ended after five minutes never will.
run() { PLIMO_WINE_DEADLINE=300 bash "$root/tools/wine-run.sh" "$@"; }

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
  [ "$code" -eq "$expected" ] || failed=$((failed + 1))
}
scc() { scc_expecting 0 "$@"; }

# register <what> <program and arguments...>: a registration the session cannot go on without.
register() {
  local what=$1 code=0
  shift
  run "$@" || code=$?
  echo "$what -> exit code $code"
  [ "$code" -eq 0 ] || { echo "session: registering failed: $what exited with $code" >&2; exit 1; }
}
register "PlimoCOMWrapper.exe /RegServer" "$bin/PlimoCOMWrapper.exe" /RegServer
register "PlimoCOMWrapper64.exe /RegServer" "$bin/x64/PlimoCOMWrapper64.exe" /RegServer
register "regsvr32 plimo_sample_provider.dll" \
  regsvr32 /s "$(timeout 120 winepath -w "$bin/plimo_sample_provider.dll" 2>/dev/null)"

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
scc "${project[@]}" changes hello.txt notes.txt
scc "${project[@]}" checkin --comment "fixed the greeting" hello.txt
scc "${project[@]}" checkout notes.txt
printf 'notes nobody wants\r\n' >notes.txt
echo "(notes.txt changed)"
scc "${project[@]}" uncheckout notes.txt
echo "notes.txt holds: $(tr -d '\r' <notes.txt)"
scc "${project[@]}" get hello.txt notes.txt
scc "${project[@]}" rename notes.txt todo.txt
scc "${project[@]}" list .
scc "${project[@]}" remove hello.txt
scc "${project[@]}" status --json hello.txt todo.txt
# The same sample built for x64: plimo-scc sees a 64-bit DLL and starts the 64-bit server.
sample64=$(timeout 120 winepath -w "$bin/x64/plimo_sample_provider.dll" 2>/dev/null)
scc --provider "$sample64" version
scc --provider "$sample64" "${project[@]}" status todo.txt
# A 64-bit host cannot load the 32-bit sample: entered for 64-bit hosts, it loads the 64-bit
# proxy provider instead, which runs the sample in the 32-bit server.
scc proxy add "Plimo sample provider"
scc proxy list
echo
echo "> plimo-host \"Plimo sample provider (through PlimoCOMWrapper)\" demo . todo.txt"
code=0
run "$bin/plimo-host.exe" "Plimo sample provider (through PlimoCOMWrapper)" demo . todo.txt 2>&1 ||
  code=$?
[ "$code" -eq 0 ] || { echo "(exit code $code)"; failed=$((failed + 1)); }
if [ "$failed" -ne 0 ]; then
  echo "session: $failed command(s) above ended with an exit code the session did not expect" >&2
  exit 1
fi
