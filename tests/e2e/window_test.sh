#!/usr/bin/env bash
# The real program under Wine, seen from another process: every control in
# its place with its caption and range, a transparent label that shows the
# bar around its text, the readings refreshed every second, and a close that
# ends the program at once. Leaves a screenshot of the window in docs/.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/netns.sh"
# A network of its own, so that the update check's name lookup stays here.
netns_e2e_setup "lvwin$$"

e2e_start
probe layout || e2e_fail "controls differ from the window description"
code_page=$(probe wait | sed -n 's/^ansi_code_page=//p')
echo "ok: every control at its place with its caption and range (ANSI code page $code_page)"

# After the first ticks the captions are readings, not the stored texts.
sleep 2.5
readings=$(probe readings)
echo "$readings" | grep -Eq '^接收透明标签\.caption=[0-9]+\.[0-9]{2}KB$' || e2e_fail "receive caption: $readings"
echo "$readings" | grep -Eq '^CPU透明标签\.caption=[0-9]+%$' || e2e_fail "CPU caption: $readings"
echo "$readings" | grep -Eq '^流量标签\.caption=[0-9.]+MB$' || e2e_fail "total caption: $readings"
echo "ok: readings shown"

desktop=$(xwininfo -root -tree | awk '/Wine desktop/ {print $1; exit}')
[ -n "$desktop" ] || e2e_fail "no Wine desktop window"

# The screenshot, with live readings for the README: the window with its frame.
frame=$(probe frame)
mkdir -p "$e2e_root/build"
import -window "$desktop" -crop "$frame" +repage "$e2e_root/build/window.png"
echo "ok: screenshot in build/window.png"

# A transparent label over a bar set by hand: the bar's colour shows around
# the letters and the text stays. A refresh may reset the bar in between, so
# try a few times.
place=$(probe wait)
client_x=$(echo "$place" | sed -n 's/^client_x=//p')
client_y=$(echo "$place" | sed -n 's/^client_y=//p')
label_ok=""
for attempt in 1 2 3 4 5; do
  probe set-bar 5 100 0x0000ff >/dev/null  # row 5: CPU进度条, red
  import -window "$desktop" "$e2e_work/label.png"
  # CPU透明标签 lies at 88,127, 68x11, in the client area.
  histogram=$(convert "$e2e_work/label.png" -crop "68x11+$((client_x + 88))+$((client_y + 127))" +repage \
    -format %c histogram:info:-)
  red=$(echo "$histogram" | awk '/#FF0000/ {sum += $1} END {print sum + 0}')
  dark=$(echo "$histogram" | awk '{gsub(":", "", $1)} /#[0-7][0-9A-F][0-7][0-9A-F][0-7][0-9A-F] / {sum += $1} END {print sum + 0}')
  if [ "$red" -gt 374 ] && [ "$dark" -gt 10 ]; then label_ok=1; break; fi
  sleep 0.3
done
[ -n "$label_ok" ] || e2e_fail "label over a red bar: red $red, text $dark pixels of 748"
echo "ok: transparent label shows the bar around its text (red $red, text $dark pixels)"

closed=$(probe close 2000) || e2e_fail "the program did not end within 2 s of the close ($closed)"
echo "ok: ended ${closed#closed_after_ms=} ms after the close"
wait "$e2e_pid" || true
echo "window test passed"
