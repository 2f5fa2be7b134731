#!/usr/bin/env bash
# Installs what is missing, builds, and starts the monitor under Wine (the
# x86-64 twin of the 32-bit program, which this machine cannot run). Without
# a display it runs on a virtual one and keeps a screenshot of the window up
# to date until interrupted.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
done
echo "built: build/win32/Lumivane.exe (the 32-bit program for Windows), build/win64/Lumivane.exe (runs here)"

source scripts/wine-env.sh
lumivane_wine_prefix

if [ -n "${DISPLAY:-}" ]; then
  exec wine build/win64/Lumivane.exe
fi

lumivane_start_display
shot=$PWD/build/run/window.png
mkdir -p "$(dirname "$shot")"
echo "No display: Lumivane runs on the virtual display $DISPLAY."
echo "Its window is kept in $shot, refreshed every second. Ctrl-C ends it."
wine build/win64/Lumivane.exe &
program=$!
trap 'kill $program 2>/dev/null; wineserver -k 2>/dev/null; lumivane_stop_display' EXIT
trap 'exit 0' INT TERM
while kill -0 "$program" 2>/dev/null; do
  desktop=$(xwininfo -root -tree 2>/dev/null | awk '/Wine desktop/ {print $1; exit}')
  if [ -n "$desktop" ]; then
    # The window sits at 50,50 of the desktop; take it with its frame.
    import -window "$desktop" -crop 300x260+48+48 +repage "$shot.tmp.png" 2>/dev/null && mv "$shot.tmp.png" "$shot"
  fi
  sleep 1
done
