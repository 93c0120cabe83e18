# Sourced by the set-up and Wine scripts: how this machine runs 32-bit (i386) programs, natively
# or under user-mode emulation registered with the kernel's binfmt_misc.

# Where the kernel's binfmt_misc is mounted, and the name of the entry set-up registers there.
i386_binfmt_dir="${PLIMO_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}"
i386_entry=plimo-i386

# The i386 program every run checks with: Wine's own 32-bit loader, which the packages install.
i386_probe="${PLIMO_I386_PROBE:-/usr/lib/wine/wine}"

# Runs the probe and prints its exit code: 0 when 32-bit code runs, 126 when the kernel refuses to
# execute it ("Exec format error").
i386_probe_code() {
  local code=0
  "$i386_probe" --version >/dev/null 2>&1 </dev/null || code=$?
  echo "$code"
}

# Prints the names of the enabled binfmt_misc entries that take i386 ELF programs; empty when
# there are none, or when binfmt_misc is not mounted or switched off.
i386_emulating_entries() {
  local entry magic
  [ "$(cat "$i386_binfmt_dir/status" 2>/dev/null)" = enabled ] || return 0
  for entry in "$i386_binfmt_dir"/*; do
    case "${entry##*/}" in register | status) continue ;; esac
    [ "$(head -n1 "$entry" 2>/dev/null)" = enabled ] || continue
    magic=$(sed -n 's/^magic //p' "$entry" 2>/dev/null)
    # ELF, 32-bit, little-endian, machine 3 (i386) at byte 18.
    [[ "$magic" == 7f454c460101* && "${magic:36:4}" == 0300 ]] && echo "${entry##*/}"
  done
  return 0
}

# Prints "emulated" when an i386 entry of binfmt_misc takes 32-bit programs, else "native". It
# reads the kernel's table only, so it is cheap enough for every Wine run.
i386_mode() {
  if [ -n "$(i386_emulating_entries)" ]; then echo emulated; else echo native; fi
}
