#!/usr/bin/env bash
# Runs one Windows program in the project's private, headless Wine prefix ($WINEPREFIX).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@"
