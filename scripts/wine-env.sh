# Sourced by the scripts that run Lumivane under Wine: a Wine prefix of our own
# (theme off so progress bars take their colour, the Chinese font mapped) and
# a virtual X display when there is none.

lumivane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
# Wine would otherwise offer to download Mono and Gecko at every new prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}

# lumivane_wine_prefix [DIR]: makes DIR a ready prefix (once) and exports WINEPREFIX.
lumivane_wine_prefix() {
  local prefix=${1:-$lumivane_root/build/wine/prefix}
  export WINEPREFIX=$prefix
  [ -f "$prefix/.lumivane-ready" ] && return 0
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /d 0 /f >/dev/null 2>&1
  # Every program of the prefix runs in one virtual desktop: windows get
  # frames without a window manager, programs and test probes share a
  # desktop, and closing a window does not wait on a window manager that is
  # not there.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null 2>&1
  local face
  for face in SimSun 宋体 NSimSun 'Microsoft YaHei'; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$prefix/.lumivane-ready"
}

# lumivane_start_display: when DISPLAY is unset, starts Xvfb on a free display
# and exports DISPLAY; lumivane_stop_display ends it again.
lumivane_xvfb_pid=""
lumivane_start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 140); do
    if [ -e "/tmp/.X$n-lock" ]; then
      # A lock left by a display that no longer runs is stale.
      kill -0 "$(tr -d ' ' <"/tmp/.X$n-lock" 2>/dev/null)" 2>/dev/null && continue
      rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    fi
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    lumivane_xvfb_pid=$!
    local tries
    for tries in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$lumivane_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$lumivane_xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "wine-env: no free X display" >&2
  return 1
}

lumivane_stop_display() {
  [ -n "$lumivane_xvfb_pid" ] && kill "$lumivane_xvfb_pid" 2>/dev/null
  lumivane_xvfb_pid=""
}
