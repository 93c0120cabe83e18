#!/usr/bin/env bash
# The set-up's 32-bit decision against stand-ins: a probe program that runs, one the kernel
# refuses (exit code 126) and one that fails otherwise, and a binfmt_misc table of the test's own.
# Nothing here installs or registers anything: every refusing case stops before that.
set -uo pipefail
tools=$(cd "${1:?usage: setup_i386_test.sh <tools folder>}" && pwd)
work=$(mktemp -d)
chmod 755 "$work" # the unprivileged case must reach the probe
trap 'rm -rf "$work"' EXIT

failures=0
check() { # check <what> <expected exit code> <expected line (a grep pattern)> <command...>
  local what=$1 want_code=$2 want_line=$3 out code=0
  shift 3
  out=$("$@" 2>&1) || code=$?
  if [ "$code" -ne "$want_code" ] || ! grep -q -- "$want_line" <<<"$out" ||
     [ "$(wc -l <<<"$out")" -ne 1 ]; then
    echo "FAILED: $what: exit code $code, output:"
    echo "$out" | sed 's/^/  /'
    failures=$((failures + 1))
  else
    echo "ok: $what: $out"
  fi
}

printf '#!/bin/sh\nexit 0\n' >"$work/runs"
printf '#!/bin/sh\nexit 126\n' >"$work/refused"
printf '#!/bin/sh\nexit 1\n' >"$work/broken"
chmod +x "$work"/runs "$work"/refused "$work"/broken

# A binfmt_misc table as the kernel shows it: an i386 entry, one for another machine, and a
# disabled i386 entry, none of them set-up's own.
table="$work/binfmt"
mkdir "$table"
echo enabled >"$table/status"
i386_magic=7f454c4601010100000000000000000002000300
arm_magic=7f454c4601010100000000000000000002002800
printf 'enabled\ninterpreter /usr/bin/qemu-arm\nflags: F\noffset 0\nmagic %s\n' "$arm_magic" \
  >"$table/qemu-arm"
printf 'disabled\ninterpreter /usr/bin/qemu-i386\nflags: F\noffset 0\nmagic %s\n' "$i386_magic" \
  >"$table/old-i386"
empty="$work/no-binfmt"
mkdir "$empty"

setup() { # setup <probe> <binfmt folder> [command prefix...]
  local probe=$1 dir=$2
  shift 2
  env PLIMO_I386_PROBE="$probe" PLIMO_BINFMT_DIR="$dir" PLIMO_FORCE_EMULATION=0 \
    "$@" bash "$tools/setup-i386.sh"
}

check "a CPU that runs 32-bit code" 0 "32-bit code runs natively" \
  setup "$work/runs" "$table"
check "a probe that fails otherwise" 1 "fails with exit code 1; reinstall wine32:i386" \
  setup "$work/broken" "$table"
check "no binfmt_misc to register with" 1 "Exec format error.*no binfmt_misc.*modprobe binfmt_misc" \
  setup "$work/refused" "$work/nowhere"
if [ "$(id -u)" -eq 0 ]; then
  # A copy the unprivileged user can read, wherever the checkout lies.
  cp -r "$tools" "$work/tools"
  chmod -R a+rX "$work/tools"
  tools="$work/tools" check "not root" 1 "Exec format error.*only root can register.*as root" \
    setup "$work/refused" "$empty" setpriv --reuid=nobody --regid=nogroup --clear-groups
fi

# The mode the Wine scripts hand to the tests follows the enabled i386 entries alone.
mode() { PLIMO_BINFMT_DIR=$1 bash -c "source '$tools/i386.sh'; i386_mode"; }
check "a disabled i386 entry" 0 "^native$" mode "$table"
printf 'enabled\ninterpreter /usr/bin/qemu-i386\nflags: F\noffset 0\nmagic %s\n' "$i386_magic" \
  >"$table/qemu-i386"
check "an enabled i386 entry" 0 "^emulated$" mode "$table"
check "an emulator that runs it, not set-up's own" 0 "runs under emulation.*binfmt_misc: qemu-i386" \
  setup "$work/runs" "$table"
echo disabled >"$table/status"
check "binfmt_misc switched off" 0 "^native$" mode "$table"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
