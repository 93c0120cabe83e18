#!/usr/bin/env bash
# Makes sure this machine runs 32-bit (i386) programs, Wine's 32-bit loader among them, and says
# in one line which way: natively, or under QEMU's user-mode emulation registered with the
# kernel's binfmt_misc where the CPU or hypervisor runs 64-bit code only.
# PLIMO_FORCE_EMULATION=1 takes the emulated path on a machine that runs 32-bit code natively;
# without it, an emulation that set-up registered there is taken away again. A second run only
# checks, and registers again what a fresh boot has dropped.
set -euo pipefail
tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$tools/i386.sh"
source "$tools/apt.sh"
source "$tools/step.sh"

forced=${PLIMO_FORCE_EMULATION:-0}
qemu=/usr/bin/qemu-i386
qemu_series=10 # Older series take about a minute to start every 32-bit Wine process.
backports=/etc/apt/sources.list.d/plimo-bookworm-backports.sources
entry="$i386_binfmt_dir/$i386_entry"

stop() {
  echo "setup: $*" >&2
  exit 1
}

# Prints the QEMU's version ("10.0.2"), or nothing when it is not installed.
qemu_version() {
  [ -x "$qemu" ] || return 0
  "$qemu" --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9][0-9.]*\).*/\1/p'
}

# Our entry on a machine whose CPU runs 32-bit code goes unless emulation is forced: switched off
# for a moment, the probe tells whether the CPU runs it alone.
if [ "$forced" != 1 ] && [ -w "$entry" ]; then
  echo 0 >"$entry"
  if [ "$(i386_probe_code)" = 0 ]; then echo -1 >"$entry"; else echo 1 >"$entry"; fi
fi

code=$(i386_probe_code)
emulators=$(i386_emulating_entries | paste -sd, -)
if [ "$code" = 0 ] && { [ "$forced" != 1 ] || [ -n "$emulators" ]; }; then
  if [ -z "$emulators" ]; then
    echo "setup: 32-bit code runs natively on this machine"
  else
    echo "setup: 32-bit code runs under emulation on this machine (binfmt_misc: $emulators," \
         "QEMU $(qemu_version))"
  fi
  exit 0
fi
case "$code" in
  0) why="PLIMO_FORCE_EMULATION=1 asks for emulation" ;;
  126) why="this machine cannot run 32-bit code (an i386 program fails with 'Exec format error')" ;;
  *) stop "the i386 program $i386_probe fails with exit code $code; reinstall wine32:i386" ;;
esac

# Emulation: root, binfmt_misc and a QEMU fast enough, in that order, before anything changes.
[ "$(id -u)" -eq 0 ] ||
  stop "$why, and only root can register an emulator for it: run tools/setup.sh as root"
if [ ! -e "$i386_binfmt_dir/register" ]; then
  mount -t binfmt_misc binfmt_misc "$i386_binfmt_dir" >/dev/null 2>&1 ||
    stop "$why, and the kernel offers no binfmt_misc to emulate it with (mounting it on" \
         "$i386_binfmt_dir failed): load it with 'modprobe binfmt_misc', or use a machine that runs" \
         "32-bit code"
fi

version=$(qemu_version)
if [ "${version%%.*}" = "" ] || [ "${version%%.*}" -lt "$qemu_series" ]; then
  export DEBIAN_FRONTEND=noninteractive
  # The suite comes with its default low priority: only what is asked for by name comes from it.
  if [ ! -f "$backports" ]; then
    cat >"$backports" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  apt_update -o Dir::Etc::SourceList="$backports" -o Dir::Etc::SourceParts=- ||
    stop "QEMU $qemu_series comes from bookworm-backports, whose index failed: try again later"
  step setup "installing QEMU from bookworm-backports" \
    apt-get install -y -q --no-install-recommends qemu-user/bookworm-backports ||
    stop "could not install QEMU $qemu_series (see above)"
  version=$(qemu_version)
  [ "${version%%.*}" != "" ] && [ "${version%%.*}" -ge "$qemu_series" ] ||
    stop "bookworm-backports gave QEMU '${version:-none}'; 32-bit Wine needs $qemu_series or newer"
fi

# An entry that names another interpreter, or that is switched off, is registered afresh. The F
# flag opens the interpreter now, so it is found in any mount namespace later.
if [ -e "$entry" ] && ! grep -qx "interpreter $qemu" "$entry"; then echo -1 >"$entry"; fi
if [ ! -e "$entry" ]; then
  printf ':%s:M::%s:%s:%s:F\n' "$i386_entry" \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
    '\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
    "$qemu" >"$i386_binfmt_dir/register" ||
    stop "$why, and registering QEMU with binfmt_misc failed"
fi
echo 1 >"$entry"
[ "$(cat "$i386_binfmt_dir/status")" = enabled ] || echo 1 >"$i386_binfmt_dir/status"

code=$(i386_probe_code)
[ "$code" = 0 ] ||
  stop "$why, and under QEMU $version the i386 program $i386_probe still fails with exit code $code"
echo "setup: 32-bit code runs under emulation on this machine (binfmt_misc: $i386_entry," \
     "QEMU $version): $why"
