#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine in Lumivane's prefix; CTest uses it
# as the emulator of the win64 build. The caller provides DISPLAY.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
[ -n "${WINEPREFIX:-}" ] || lumivane_wine_prefix
exec wine "$@"
