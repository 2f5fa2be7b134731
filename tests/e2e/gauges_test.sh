#!/usr/bin/env bash
# The real program in a namespace of its own, with known traffic over its
# veth (row 2 of the interface table), watched from another process: the
# received and sent readings add up to the octets of the frames sent, each
# bar sits at the truncated half of its reading in its colour (asked of the
# bar and seen on the screen), the total is the octets in megabytes to two
# places, and the CPU and memory captions match their bars and the machine.
#
# Nothing here assumes which refresh a burst lands in: the expectations come
# from the kernel's counters of the veth and from the readings observed.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/netns.sh"
# Every Wine program of the prefix runs in the namespace: the first one starts
# the prefix's wineserver there.
netns_e2e_setup "lvgauge$$"

# A UDP datagram of P payload octets is a frame of P + 42 on the veth
# (Ethernet 14, IPv4 20, UDP 8). Each direction has one frame size of its
# own: every reading is a whole number of that direction's frames, and
# directions mixed up show.
rx_payload=1000 tx_payload=600
rx_frame=$((rx_payload + 42)) tx_frame=$((tx_payload + 42))

watch_log=$e2e_work/watch.log
last_state() { tail -n 1 "$watch_log" | tr -d '\r'; }
first_refresh_seen() { grep -qs ' 流量标签\.caption=0MB ' "$watch_log"; }

# Memory in use as the machine reports it, in percent, all along: other
# programs on the machine move it while the test runs.
sample_memory() {
  while :; do
    awk '/^MemTotal:/ {t = $2} /^MemAvailable:/ {a = $2} END {printf "%.1f\n", 100 * (1 - a / t)}' /proc/meminfo
    sleep 0.2
  done
}
sample_memory >"$e2e_work/memory.log" &
sampler_pid=$!

read -r rx0 tx0 <<<"$(netns_counters)"
e2e_start
# Started without a shell in between, so that $! is the watch itself.
ip netns exec "$netns_name-app" wine "$e2e_probe" watch 300000 >"$watch_log" &
watch_pid=$!
wait_until 10 first_refresh_seen || e2e_fail "no first refresh: $(cat "$watch_log")"

# The readings start from the first refresh's counters: the veth must have
# been quiet until now.
read -r rx1 tx1 <<<"$(netns_counters)"
[ "$rx1 $tx1" = "$rx0 $tx0" ] || e2e_fail "frames crossed the veth before the test sent any: $rx0 $tx0 then $rx1 $tx1"

# Bursts two seconds apart, received counts rising and sent counts all
# different: a burst split across two refreshes, or two refreshes in a row,
# never show the same pair of readings, so no refresh with traffic hides
# from the watch behind an identical one. 800 received frames (814 KB) take
# the received bar past its end.
bursts=(20:30 50:10 120:200 800:80)
rx_sent=0 tx_sent=0
for burst in "${bursts[@]}"; do
  rx_sent=$((rx_sent + ${burst%:*} * rx_frame)) tx_sent=$((tx_sent + ${burst#*:} * tx_frame))
done
started=$SECONDS
netns_send_bursts "$rx_payload" "$tx_payload" 2 "${bursts[@]}" || e2e_fail "could not send the datagrams"
read -r rx2 tx2 <<<"$(netns_counters)"
rx_octets=$((rx2 - rx1)) tx_octets=$((tx2 - tx1))
[ "$rx_octets" = "$rx_sent" ] && [ "$tx_octets" = "$tx_sent" ] ||
  e2e_fail "kernel counted rx $rx_octets tx $tx_octets, the frames sent were rx $rx_sent tx $tx_sent"
echo "ok: the kernel counted rx $rx_octets and tx $tx_octets octets of frames"

# The total the program must reach: ToText(RoundTo(MB, 2)) + "MB".
expected_total=$(python3 -c '
import sys
from decimal import Decimal, ROUND_HALF_UP, getcontext
getcontext().prec = 60
mb = (Decimal(int(sys.argv[1])) / 1048576).quantize(Decimal("0.01"), ROUND_HALF_UP)
print(format(mb.normalize(), "f") + "MB")' $((rx_octets + tx_octets)))
settled() {
  local state
  state=$(last_state)
  [[ "$state" == *" 发送透明标签.caption=0.00KB "* && "$state" == *" 接收透明标签.caption=0.00KB "* &&
    "$state" == *" 流量标签.caption=$expected_total "* ]]
}
wait_until 10 settled || echo "note: the readings did not settle at $expected_total; checking what was seen"
read -r rx3 tx3 <<<"$(netns_counters)"
[ "$rx3 $tx3" = "$rx2 $tx2" ] || e2e_fail "frames crossed the veth after the bursts: $rx2 $tx2 then $rx3 $tx3"
kill "$watch_pid" "$sampler_pid" 2>/dev/null
wait "$watch_pid" "$sampler_pid" 2>/dev/null || true
echo "ok: traffic and refreshes took $((SECONDS - started)) s"

# Every refresh seen, in order: its readings and bars, a whole number of
# frames per traffic reading, the total after it, and the sums in the end.
python3 - "$watch_log" "$rx_frame" "$tx_frame" "$rx_octets" "$tx_octets" "$e2e_work/memory.log" <<'EOF' ||
import re, sys
from decimal import Decimal, ROUND_HALF_UP, getcontext
from fractions import Fraction
getcontext().prec = 60
rx_frame, tx_frame, rx_octets, tx_octets = map(int, sys.argv[2:6])
memory = [float(line) for line in open(sys.argv[6]) if line.strip()]
memory_low, memory_high = min(memory), max(memory)
failures = []
def fail(state, message):
    failures.append(f"{message}\n    at ms={state['ms']}: {state['line']}")
def two_places(value):  # FormatFixed(value, 2): half away from zero
    return Decimal(value).quantize(Decimal("0.01"), ROUND_HALF_UP)
def total_caption(octets):  # ToText(RoundTo(octets / 2^20, 2)) + "MB"
    return format(two_places(Decimal(octets) / 1048576).normalize(), "f") + "MB"

states = []
for line in open(sys.argv[1], encoding="utf-8"):
    fields = line.split()
    if not fields:
        continue
    state = dict(field.split("=", 1) for field in fields)
    state["line"] = line.strip()
    if state.get("流量标签.caption"):  # from the first refresh on
        states.append(state)
if not states:
    sys.exit("FAIL: no refresh seen")

gauges = [("接收", rx_frame, rx_octets, "0xff00ff"), ("发送", tx_frame, tx_octets, "0xff8800")]
sums = {name: [0, 0, []] for name, *_ in gauges}  # hundredths shown, frames, readings with traffic
octets_so_far = 0
for i, state in enumerate(states):
    for name, frame, _, colour in gauges:
        caption = state[f"{name}透明标签.caption"]
        match = re.fullmatch(r"(\d+)\.(\d\d)KB", caption)
        if not match:
            fail(state, f"{name}: caption {caption!r} is not a two-place KB reading")
            continue
        hundredths = int(match[1]) * 100 + int(match[2])
        if i == 0 and hundredths:
            fail(state, f"{name}: the first refresh shows {caption}, not 0.00KB")
        position, want = int(state[f"{name}进度条.position"]), min(400, hundredths // 200)
        if position != want:
            fail(state, f"{name}: bar at {position} for {caption}, want {want}")
        if state[f"{name}进度条.colour"] != colour:
            fail(state, f"{name}: bar colour {state[f'{name}进度条.colour']}, want {colour}")
        # Only this direction's frames cross the veth: the reading is a
        # whole number of them, to two places.
        frames = round(Fraction(hundredths * 1024, 100 * frame))
        if two_places(Decimal(frames * frame) / 1024) != Decimal(hundredths) / 100:
            fail(state, f"{name}: {caption} is no whole number of {frame}-octet frames")
        sums[name][0] += hundredths
        sums[name][1] += frames
        if hundredths:
            sums[name][2].append(caption)
        octets_so_far += frames * frame
    if state["流量标签.caption"] != total_caption(octets_so_far):
        fail(state, f"total {state['流量标签.caption']} after {octets_so_far} octets, want {total_caption(octets_so_far)}")
    for name, colour in (("CPU", "0x0000ff"), ("内存", "0x008000")):
        caption, position = state[f"{name}透明标签.caption"], state[f"{name}进度条.position"]
        match = re.fullmatch(r"(\d+)%", caption)
        if not match or not 0 <= int(match[1]) <= 100 or match[1] != position:
            fail(state, f"{name}: caption {caption!r} with the bar at {position}")
        elif name == "内存" and not memory_low - 2 <= int(match[1]) <= memory_high + 2:
            fail(state, f"{name}: {caption}, the machine says {memory_low}% to {memory_high}%")
        if state[f"{name}进度条.colour"] != colour:
            fail(state, f"{name}: bar colour {state[f'{name}进度条.colour']}, want {colour}")

for name, frame, octets, _ in gauges:
    shown, frames, readings = sums[name][0], sums[name][1], len(sums[name][2])
    # Each reading is its octets / 1024 to two places: the sum may differ
    # from the octets' value by half a hundredth per reading, no more.
    off = abs(Fraction(shown, 100) - Fraction(octets, 1024))
    if off > Fraction(readings, 200):
        failures.append(f"{name}: readings add up to {shown / 100:.2f}KB over {readings} refreshes, "
                        f"the kernel's {octets} octets are {octets / 1024:.4f}KB")
    if frames * frame != octets:
        failures.append(f"{name}: readings make {frames} frames of {frame} octets, the kernel counted {octets} octets")
if states[-1]["流量标签.caption"] != total_caption(rx_octets + tx_octets):
    failures.append(f"final total {states[-1]['流量标签.caption']}, want {total_caption(rx_octets + tx_octets)}")
for failure in failures:
    print("FAIL:", failure, file=sys.stderr)
if failures:
    sys.exit(1)
print(f"ok: {len(states)} refreshes seen; received {' + '.join(sums['接收'][2])} = {rx_octets} octets, "
      f"sent {' + '.join(sums['发送'][2])} = {tx_octets} octets; total {states[-1]['流量标签.caption']}; "
      f"bars and colours match; CPU in range, memory near the machine's {memory_low}% to {memory_high}%")
EOF
  e2e_fail "readings (all seen are in $watch_log)"

# The bars on the screen, with traffic flowing so that every bar shows: a
# screenshot between two identical sets of readings shows that set.
# Started without a shell in between, so that $! is the sender itself.
ip netns exec "$netns_name-app" python3 "$(dirname "${BASH_SOURCE[0]}")/udp_bursts.py" "$netns_name-peer" \
  "$rx_payload" "$tx_payload" 0.05 8:4x400 &  # about 20 s at most
trickle_pid=$!
desktop=$(xwininfo -root -tree 2>/dev/null | awk '/Wine desktop/ {print $1; exit}')
[ -n "$desktop" ] || e2e_fail "no Wine desktop window"
trickle_shows() { ! grep -Eq '^(接收|发送)进度条\.position=0$' <<<"$(probe readings)"; }
wait_until 10 trickle_shows || e2e_fail "the trickle of traffic never showed on the bars"
bars=$(probe bars)
screen_ok=""
for attempt in 1 2 3 4 5 6 7 8; do
  before=$(probe readings)
  import -window "$desktop" "$e2e_work/bars.png"
  after=$(probe readings)
  if [ "$before" != "$after" ]; then
    echo "attempt $attempt: a refresh came during the screenshot"
    continue
  fi
  if grep -Eq '^(接收|发送)进度条\.position=0$' <<<"$after"; then
    echo "attempt $attempt: the trickle has not reached the readings yet"
    continue
  fi
  if report=$(python3 - "$e2e_work/bars.png" "$bars" "$after" <<'EOF'
import re, subprocess, sys
shot, bars, readings = sys.argv[1], sys.argv[2], sys.argv[3]
values = dict(line.split("=", 1) for line in readings.splitlines() if "=" in line)
# Bar: range maximum, COLORREF 0x00BBGGRR as the screen's #RRGGBB.
expected = {"接收进度条": (400, "#FF00FF"), "发送进度条": (400, "#0088FF"),
            "CPU进度条": (100, "#FF0000"), "内存进度条": (100, "#008000")}
problems, seen = [], []
for line in bars.splitlines():
    name, rect = line.split(".screen=")
    width, height, x, y = map(int, re.fullmatch(r"(\d+)x(\d+)\+(\d+)\+(\d+)", rect).groups())
    maximum, colour = expected[name]
    position = int(values[name + ".position"])
    # Inside its sunken edge and a one-pixel margin the bar fills from the
    # left in proportion to its position.
    inner = width - 4
    pixels = subprocess.run(["convert", shot, "-crop", f"{inner}x{height - 4}+{x + 2}+{y + 2}", "+repage", "txt:-"],
                            capture_output=True, text=True, check=True).stdout
    columns = sorted({int(m[1]) for m in re.finditer(r"^(\d+),\d+:.*" + colour, pixels, re.M)})
    want = (position * inner * 2 + maximum) // (2 * maximum)
    seen.append(f"{name} {position}: {len(columns)} columns")
    if columns != list(range(len(columns))) or abs(len(columns) - want) > 1:
        problems.append(f"{name} at {position} of {maximum}: {colour} in columns {columns[:3]}..{columns[-3:]} "
                        f"({len(columns)}), want the first {want}")
print("; ".join(problems or seen))
sys.exit(1 if problems else 0)
EOF
  ); then
    screen_ok=1
    # The same screenshot, cut to the window's frame, shows live readings.
    convert "$e2e_work/bars.png" -crop "$(probe frame)" +repage "$e2e_root/build/window-live.png"
    break
  fi
  echo "attempt $attempt: $report"
done
kill "$trickle_pid" 2>/dev/null
wait "$trickle_pid" 2>/dev/null || true
[ -n "$screen_ok" ] || e2e_fail "no screenshot showed the bars as their readings say"
echo "ok: on the screen every bar is as long and as coloured as its reading says ($report)"
echo "ok: screenshot with live readings in build/window-live.png"
echo "gauges test passed"
