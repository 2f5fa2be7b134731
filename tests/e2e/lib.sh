# Shared by the end-to-end tests: a Wine prefix and X display of their own,
# the program and the probe, and cleaning up whatever a test started (also
# after an interrupted run).

set -euo pipefail
e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$e2e_root/scripts/wine-env.sh"
e2e_build=${LUMIVANE_WIN64_BUILD:-$e2e_root/build/win64}
e2e_exe=$e2e_build/Lumivane.exe
e2e_probe=$e2e_build/lumivane_probe.exe
e2e_work=$(mktemp -d "${TMPDIR:-/tmp}/lumivane-e2e.XXXXXX")

e2e_cleanup() {
  wineserver -k 2>/dev/null || true
  lumivane_stop_display
  rm -rf "$e2e_work"
}

# e2e_setup [PREFIX]: a ready prefix (a copy of the shared one, so that each
# test has its own wineserver) and a display.
e2e_setup() {
  local base=$e2e_root/build/wine/prefix
  (unset WINEPREFIX; lumivane_wine_prefix "$base")
  export WINEPREFIX=${1:-$e2e_work/prefix}
  [ "$WINEPREFIX" = "$base" ] || cp -a "$base" "$WINEPREFIX"
  unset DISPLAY
  lumivane_start_display
  trap e2e_cleanup EXIT
}

e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Tests that run the program in a network namespace of their own (netns.sh)
# set e2e_runner=in_app, so that every Wine program of the prefix runs there.
e2e_runner=""
e2e_wine() { $e2e_runner wine "$@"; }

probe() { e2e_wine "$e2e_probe" "$@" | tr -d '\r'; }

# e2e_start: starts the program in the background; sets e2e_pid (of the
# wine launcher) and waits for its window.
e2e_start() {
  e2e_wine "$e2e_exe" &
  e2e_pid=$!
  probe wait 30000 >/dev/null || e2e_fail "the window did not appear"
}

# wait_until SECONDS COMMAND...: retries COMMAND every 0.1 s until it
# succeeds; false if SECONDS pass first.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}
