#!/usr/bin/env bash
# The installer end to end under Wine, in a fresh prefix of its own: install silently, run a
# session of the installed plimo-scc (a 64-bit client) through the installed server, remove, and
# find nothing left; then leave out the sample provider and add it, install twice, repair,
# upgrade and refuse a downgrade.
#
# install_test.sh --msi PACKAGE --next-msi NEWER_PACKAGE --version VERSION --next-version VERSION
#                 --publisher NAME --stage FOLDER --shipped LIST --work FOLDER
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

while [ $# -gt 0 ]; do
  case "$1" in
    --msi) msi=$2 ;;
    --next-msi) next_msi=$2 ;;
    --version) version=$2 ;;
    --next-version) next_version=$2 ;;
    --publisher) publisher=$2 ;;
    --stage) stage=$2 ;;
    --shipped) shipped=$2 ;;
    --work) work=$2 ;;
    *) echo "install_test: unknown argument $1" >&2; exit 2 ;;
  esac
  shift 2
done

# A prefix made afresh for each run, beside the logs and registry exports of the run. Its
# wineserver ends with the test, whatever the outcome; the prefix is kept only after a failure.
export WINEPREFIX="$work/wineprefix"
source "$root/tools/wine-env.sh"
passed=0
failed=0
finish() {
  bash "$root/tools/wine-prefix.sh" stop
  if [ "$failed" -eq 0 ]; then rm -rf "$WINEPREFIX"; fi
}
[ -d "$WINEPREFIX" ] && bash "$root/tools/wine-prefix.sh" stop
rm -rf "$work"
mkdir -p "$work/logs"
trap finish EXIT
trap "exit 1" TERM INT # so that a timeout ends the wineserver too
bash "$root/tools/wine-prefix.sh" start

installed="$WINEPREFIX/drive_c/Program Files (x86)/PlimoCOMWrapper"
installed_win='C:\Program Files (x86)\PlimoCOMWrapper'

ok() { passed=$((passed + 1)); echo "ok   $*"; }
bad() { failed=$((failed + 1)); echo "FAIL $*"; }
expect() { # expect DESCRIPTION COMMAND...: the command must succeed
  local what=$1
  shift
  if "$@"; then ok "$what"; else bad "$what"; fi
}
expect_eq() { # expect_eq DESCRIPTION EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then ok "$1"; else bad "$1: expected [$2], got [$3]"; fi
}

# msiexec, silent, with a verbose log per step. Wine hands a Windows exit code to Linux modulo
# 256: 0 is success, 67 is 1603 (the install failed and was rolled back).
step=0
msiexec() {
  step=$((step + 1))
  wine msiexec "$@" /qn /l*v "$(winepath -w "$work/logs/$step.log" 2>/dev/null)"
}
expect_msiexec() { # expect_msiexec DESCRIPTION EXIT_CODE ARGUMENTS...
  local what=$1 code=$2 got=0
  shift 2
  msiexec "$@" || got=$?
  if [ "$got" -eq "$code" ]; then
    ok "$what exits with $code"
  else
    bad "$what exits with $got, not $code (log: $work/logs/$step.log)"
  fi
}

# --- What the registry holds, read from one export of the machine's and the user's software.
registry="$work/registry.txt"
read_registry() {
  local hive part=0
  : >"$registry"
  for hive in 'HKLM\Software' 'HKCU\Software'; do
    part=$((part + 1))
    # The 64-bit view holds the 32-bit one under its Wow6432Node keys; Wine's reg would export
    # the 32-bit view alone unless told.
    wine reg export "$hive" "$(winepath -w "$work/hive$part.reg" 2>/dev/null)" /y /reg:64 \
      >/dev/null
    iconv -f UTF-16 -t UTF-8 "$work/hive$part.reg" | tr -d '\r' >>"$registry"
  done
}
# Key names are compared without regard to case, as Windows does (Wine writes "Typelib").
has_key() { grep -qixF "[HKEY_LOCAL_MACHINE\\Software\\$1]" "$registry"; }
# The data of value $2 ("@" for the default value) under key $1, as the export writes it.
# (awk -v would read the backslashes in the key as escapes: the key comes through ENVIRON.)
value_of() {
  KEY="[HKEY_LOCAL_MACHINE\\Software\\$1]" NAME="$2" awk '
    BEGIN { key = tolower(ENVIRON["KEY"]); name = ENVIRON["NAME"] }
    tolower($0) == key { inside = 1; next }
    /^\[/ { inside = 0 }
    inside {
      prefix = (name == "@") ? "@=" : "\"" name "\"="
      if (index($0, prefix) == 1) { print substr($0, length(prefix) + 1); exit }
    }' "$registry"
}
# The installed-programs entries named PlimoCOMWrapper, in either registry view of the machine.
program_entries() {
  awk -v machine='[HKEY_LOCAL_MACHINE\\Software\\' '
    /^\[/ { key = (index($0, machine) == 1) ? substr($0, length(machine) + 1) : ""; next }
    key ~ /\\Uninstall\\[^\\]+\]$/ && $0 == "\"DisplayName\"=\"PlimoCOMWrapper\"" {
      print substr(key, 1, length(key) - 1)
    }' "$registry"
}

clsid='{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}'
appid='{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}'
libid='{75F52DF4-48B5-4C22-96C1-FDF662B36409}'
iid='{ACCA7630-3C01-4E7B-9AC8-C84888C0235B}'
clsid64='{55C7E26C-8ADC-4D39-8B06-5BEF31FA32B0}'
appid64='{728564B9-F0A9-4987-9B17-427C4605D430}'

# Registered per machine by the servers themselves, pointing at the installed servers: the
# 32-bit one in the 32-bit view, the 64-bit one in the 64-bit view.
expect_registered() {
  local key
  for key in "Classes\\AppID\\$appid" 'Classes\AppID\PlimoCOMWrapper.EXE' \
             'Classes\PlimoCOMWrapper.TovikPlimoWrapper\CLSID' \
             'Classes\PlimoCOMWrapper.TovikPlimoWrapper.1\CLSID' \
             "Classes\\Wow6432Node\\CLSID\\$clsid\\Programmable" "Classes\\TypeLib\\$libid\\1.0" \
             "Classes\\Interface\\$iid" "Classes\\Wow6432Node\\Interface\\$iid" \
             "Classes\\AppID\\$appid64" 'Classes\AppID\PlimoCOMWrapper64.EXE' \
             'Classes\PlimoCOMWrapper.TovikPlimoWrapper64\CLSID' \
             "Classes\\CLSID\\$clsid64\\Programmable"; do
    expect "$1: registered $key" has_key "$key"
  done
  # As the export writes them: quotes and backslashes escaped.
  local folder='C:\\Program Files (x86)\\PlimoCOMWrapper'
  local server="$folder\\\\PlimoCOMWrapper.exe" server64="$folder\\\\PlimoCOMWrapper64.exe"
  expect_eq "$1: the class starts the installed server" "\"\\\"$server\\\"\"" \
    "$(value_of "Classes\\Wow6432Node\\CLSID\\$clsid\\LocalServer32" @)"
  expect_eq "$1: the type library is the installed server's" "\"$server\"" \
    "$(value_of "Classes\\TypeLib\\$libid\\1.0\\0\\win32" @)"
  expect_eq "$1: the 64-bit class starts the installed 64-bit server" "\"\\\"$server64\\\"\"" \
    "$(value_of "Classes\\CLSID\\$clsid64\\LocalServer32" @)"
  expect_eq "$1: the 64-bit type library is the installed 64-bit server's" "\"$server64\"" \
    "$(value_of "Classes\\TypeLib\\$libid\\1.0\\0\\win64" @)"
}

# No class, AppID, ProgID, interface or type-library entry, nor any other mention of the
# product, anywhere in the machine's or the user's software.
expect_nothing_registered() {
  local found
  local names="$clsid|$appid|$libid|$iid|$clsid64|$appid64|PlimoCOMWrapper"
  found=$(grep -ciE "$names" "$registry")
  expect_eq "$1: nothing in the registry names the servers or the product" 0 "$found"
  [ "$found" -eq 0 ] || grep -iE "$names" "$registry" | head
}

# One entry in the list of installed programs, with its name, version and publisher.
expect_one_program() {
  local entries
  entries=$(program_entries)
  expect_eq "$1: one entry in the installed programs" 1 "$(printf '%s' "$entries" | grep -c .)"
  expect_eq "$1: its version" "\"$2\"" "$(value_of "$(head -1 <<<"$entries")" DisplayVersion)"
  expect_eq "$1: its publisher" "\"$publisher\"" \
    "$(value_of "$(head -1 <<<"$entries")" Publisher)"
}

# --- The installed files: what the build ships, as staged byte for byte (without folder $2 when
# given).
file_list() { (cd "$1" 2>/dev/null && find . -type f | sed 's|^\./||' | sort); }
expect_files() {
  local what=$1 expected
  expected=$(sort "$shipped")
  if [ $# -gt 1 ]; then expected=$(grep -v "^$2/" <<<"$expected"); fi
  expect_eq "$what: the installed files are the shipped ones" "$expected" "$(file_list "$installed")"
  local same=1 file
  while read -r file; do
    cmp -s "$stage/$file" "$installed/$file" || same=0
  done <<<"$expected"
  expect "$what: each installed file as staged" test "$same" -eq 1
}
expect_no_files() {
  expect_eq "$1: no installed file remains" "" "$(file_list "$installed")"
  expect "$1: the installation folder is gone" test ! -e "$installed"
}

# --- A session from the 64-bit client through the installed server and sample provider.
server_running() { # a PlimoCOMWrapper.exe or PlimoCOMWrapper64.exe process of this prefix
  local pid
  for pid in $(pgrep -f 'PlimoCOMWrapper(64)?\.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
      return 0
  done
  return 1
}
wait_for_servers_to_end() { # a served run ends about a second after its last client
  local deadline=$((SECONDS + 30))
  while server_running; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
scc() { # scc LABEL ARGUMENTS...: runs the installed plimo-scc, which must exit with 0; its
         # output is left in scc_out
  local label=$1 code=0
  shift
  scc_out=$(wine "$installed/plimo-scc.exe" "$@" 2>&1) || code=$?
  printf '> plimo-scc %s\n%s\n' "$*" "$scc_out" >>"$work/logs/$label.txt"
  expect_eq "$label: plimo-scc ${*: -2:1} ${*: -1} exits with 0" 0 "$code"
}
# run_session LABEL FOLDER: a short session against the installed sample provider, then one
# against its 64-bit build, which runs in the 64-bit server
run_session() {
  local label=$1 file="$WINEPREFIX/drive_c/$2/work/hello.txt" hello="C:\\$2\\work\\hello.txt"
  local provider=(--provider "$installed_win\\sample\\plimo_sample_provider.dll")
  local project=("${provider[@]}" --project demo --local "C:\\$2\\work")
  mkdir -p "$(dirname "$file")"
  printf 'hello\r\n' >"$file"
  scc "$label" "${provider[@]}" version
  expect "$label: plimo-scc version names $version" grep -qF "$version" <<<"$scc_out"
  expect "$label: the sample runs in the 32-bit server" grep -qF 'server: 32-bit' <<<"$scc_out"
  scc "$label" "${project[@]}" add --comment first "$hello"
  scc "$label" "${project[@]}" checkout "$hello"
  printf 'hello again\r\n' >"$file"
  scc "$label" "${project[@]}" checkin --comment second "$hello"
  scc "$label" "${project[@]}" status "$hello"
  expect "$label: hello.txt is checked in" grep -qE 'hello\.txt: controlled.?$' <<<"$scc_out"

  local provider64=(--provider "$installed_win\\sample\\x64\\plimo_sample_provider.dll")
  local project64=("${provider64[@]}" --project demo --local "C:\\$2\\work64")
  mkdir -p "$WINEPREFIX/drive_c/$2/work64"
  printf 'hello\r\n' >"$WINEPREFIX/drive_c/$2/work64/hello.txt"
  scc "$label" "${provider64[@]}" version
  expect "$label: the 64-bit sample runs in the 64-bit server" grep -qF 'server: 64-bit' <<<"$scc_out"
  scc "$label" "${project64[@]}" add --comment first "C:\\$2\\work64\\hello.txt"
  scc "$label" "${project64[@]}" status "C:\\$2\\work64\\hello.txt"
  expect "$label: the 64-bit sample controls hello.txt" \
    grep -qE 'hello\.txt: controlled.?$' <<<"$scc_out"
  expect "$label: the servers end after their clients" wait_for_servers_to_end
}

# --- What is built into the package, read without Wine.
check_package() {
  local table rows
  for table in Registry Class ProgId TypeLib AppId SelfReg Extension; do
    rows=$(msiinfo export "$msi" "$table" 2>/dev/null | tail -n +4 | grep -c . || true)
    expect_eq "the package writes no $table entries of its own" 0 "$rows"
  done
  local properties
  properties=$(msiinfo export "$msi" Property | tr -d '\r')
  expect "the package's version is $version" \
    grep -qxF "$(printf 'ProductVersion\t%s' "$version")" <<<"$properties"
  # Deferred actions run only between InstallInitialize and InstallFinalize; registration needs
  # the installed file, and unregistration must come before it is removed.
  local sequence
  sequence=$(msiinfo export "$msi" InstallExecuteSequence | tr -d '\r')
  at() { awk -F'\t' -v a="$1" '$1 == a { print $3 }' <<<"$sequence"; }
  local width
  for width in "" 64; do
    expect "registration$width runs after the files are installed" \
      test "$(at InstallFiles)" -lt "$(at RegisterServer$width)" -a \
           "$(at RegisterServer$width)" -lt "$(at InstallFinalize)"
    expect "unregistration$width runs before the files are removed" \
      test "$(at InstallInitialize)" -lt "$(at UnregisterServer$width)" -a \
           "$(at UnregisterServer$width)" -lt "$(at RemoveFiles)"
    expect "each undo action$width is a rollback action before the one it undoes" \
      test "$(at UndoRegisterServer$width)" -lt "$(at RegisterServer$width)" -a \
           "$(at UndoUnregisterServer$width)" -lt "$(at UnregisterServer$width)"
  done
  expect "the four undo actions are rollback actions" \
    test "$(msiinfo export "$msi" CustomAction | grep -c $'^Undo[A-Za-z0-9]*\t3410\t')" -eq 4
  # The 64-bit server is registered and removed only where it is installed.
  expect "the 64-bit server's actions run only on 64-bit Windows" \
    test "$(awk -F'\t' '$1 ~ /64$/ && $2 !~ /^VersionNT64 AND / { print }' <<<"$sequence" |
            grep -c .)" -eq 0
  # A 64-bit program installs only on 64-bit Windows, a 32-bit one everywhere. A component is
  # named as its file: the file's name in the installation folder, its path made an identifier
  # in the folders below it.
  local components file component condition expected
  components=$(msiinfo export "$msi" Component | tr -d '\r')
  while read -r file; do
    component=$file
    [[ $file != */* ]] || component=$(tr -c 'A-Za-z0-9\n' '_' <<<"$file")
    condition=$(awk -F'\t' -v c="$component" '$1 == c { print $5 }' <<<"$components")
    expected=VersionNT64
    i686-w64-mingw32-objdump -f "$stage/$file" >/dev/null 2>&1 && expected=""
    expect_eq "$file installs where it can run" "$expected" "$condition"
  done < <(grep -E '\.(exe|dll)$' "$shipped")
}

# Nothing the build shipped carries debug information or a symbol table.
check_stripped() {
  local file sections symbols
  while read -r file; do
    sections=$(i686-w64-mingw32-objdump -h "$file" 2>/dev/null ||
               x86_64-w64-mingw32-objdump -h "$file")
    symbols=$(i686-w64-mingw32-objdump -t "$file" 2>/dev/null ||
              x86_64-w64-mingw32-objdump -t "$file")
    expect "$(basename "$file") carries no debug sections" \
      test "$(grep -c '\.debug' <<<"$sections")" -eq 0
    expect "$(basename "$file") carries no symbols" grep -q '^no symbols' <<<"$symbols"
  done < <(find "$installed" -name '*.exe' -o -name '*.dll')
}

msi_win=$(winepath -w "$msi" 2>/dev/null)
next_msi_win=$(winepath -w "$next_msi" 2>/dev/null)

echo "== the package"
check_package

echo "== install, a session, remove"
expect_msiexec "a silent install" 0 /i "$msi_win"
expect_files "installed"
check_stripped
read_registry
expect_registered "installed"
expect_one_program "installed" "$version"
run_session "installed" session1


expect_msiexec "a silent removal" 0 /x "$msi_win"
expect_no_files "removed"
read_registry
expect_nothing_registered "removed"
expect_eq "removed: no entry in the installed programs" "" "$(program_entries)"

echo "== without the sample provider, then with it"
expect_msiexec "an install without the sample provider" 0 /i "$msi_win" \
  ADDLOCAL=Server,Documentation
expect_files "without the sample provider" sample
read_registry
expect_registered "without the sample provider"
expect_msiexec "adding the sample provider" 0 /i "$msi_win" ADDLOCAL=SampleProvider
expect_files "with the sample provider added"

echo "== install twice, repair"
expect_msiexec "the same install again" 0 /i "$msi_win"
expect_files "installed twice"
read_registry
expect_registered "installed twice"
expect_one_program "installed twice" "$version"
rm -f "$installed/docs/README.md"
wine reg delete 'HKLM\Software\Classes\AppID\PlimoCOMWrapper.EXE' /f >/dev/null 2>&1
expect_msiexec "a repair" 0 /i "$msi_win" REINSTALL=ALL REINSTALLMODE=vomus
expect_files "repaired"
read_registry
expect_registered "repaired"
expect_one_program "repaired" "$version"

echo "== upgrade, refuse a downgrade"
expect_msiexec "an upgrade to $next_version" 0 /i "$next_msi_win"
expect_files "upgraded"
read_registry
expect_registered "upgraded"
expect_one_program "upgraded" "$next_version"
expect_msiexec "a downgrade to $version" 67 /i "$msi_win"
expect_files "after the refused downgrade"
read_registry
expect_registered "after the refused downgrade"
expect_one_program "after the refused downgrade" "$next_version"
# Last: under Wine a served run takes the machine's type-library registration with it.
run_session "upgraded" session2
expect_msiexec "removing $next_version" 0 /x "$next_msi_win"
expect_no_files "upgraded and removed"
read_registry
expect_nothing_registered "upgraded and removed"
expect_eq "upgraded and removed: no entry in the installed programs" "" "$(program_entries)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
