#!/usr/bin/env bash
# Installs, as root on Debian 12, everything the build and the tests need, then makes sure this
# machine runs 32-bit programs (natively or emulated) and says which way; a second run only checks.
set -euo pipefail
tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$tools/apt.sh"
source "$tools/step.sh"

packages=(
  cmake ninja-build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  libwine-dev wine wine64 wine32:i386
  googletest
  wixl msitools procps
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root to install: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  indexes=fresh
  apt_update || indexes=stale
  if ! step setup "installing ${missing[*]}" \
      apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    [ "$indexes" = fresh ] ||
      echo "setup: an index failed to download (see above): try again in a few minutes." >&2
    exit 1
  fi
fi

bash "$tools/setup-i386.sh"
