#!/usr/bin/env bash
# Endurance: the program runs for LUMIVANE_SOAK_SECONDS (default 180) with
# traffic crossing row 2 of the interface table, while another process
# samples it every few seconds. Between refreshes its threads come back to
# their resting count, and its handles and private memory do not grow: the
# last minute's highest figure stays within a small allowance of the first
# minute's.
#
# The figures are read through the Windows API from another process
# (tests/e2e/process_probe.cpp), at moments between refreshes. Where the
# system does not answer a call for another process (Wine 8 reports 0 for
# GetProcessHandleCount and for PrivateUsage), the probe's second way stands
# in: the process's entries in the system handle table, and its committed
# private pages. The Linux process's anonymous resident memory is printed as
# a witness.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/netns.sh"

seconds=${LUMIVANE_SOAK_SECONDS:-180}
every_ms=5000
# The update check ends within about 30 s (its host does not resolve in the
# namespace, and WinINet's time-outs bound it anyway); the resting thread
# count is taken from the samples after it.
settled_ms=35000
# Private memory at rest: the heap may commit one more step while the
# refreshes' strings and tables settle into its free blocks (over a clean
# run the figure does not move at all). Between the first minute and the
# last lie at least 60 ticks (1,680 in the 30-minute soak), so a leak of
# more than about 1 KB a refresh (40 bytes in the long soak) shows above it.
memory_allowance=$((64 * 1024))
# Handles at rest are an exact count: a refresh's thread and its query have
# closed theirs by then, so any growth at all is a leak.
handle_allowance=0

netns_e2e_setup "lvsoak$$"
in_app wineserver -p

process_probe=$e2e_build/process_probe.exe
[ -f "$process_probe" ] || e2e_fail "no $process_probe: build the win64 preset"

# Wine reports exceptions it swallows (in a window procedure, say) on err:seh.
in_app env WINEDEBUG=-all,err+seh wine "$e2e_exe" >"$e2e_work/program.log" 2>&1 &
program_pid=$(probe wait 60000 | sed -n 's/^pid=//p') || true
[ -n "$program_pid" ] || e2e_fail "the window did not appear"
linux_pid=""
for pid in $(ip netns pids "$netns_name-app"); do
  grep -qa 'Lumivane\.exe' "/proc/$pid/cmdline" 2>/dev/null && linux_pid=$pid
done
[ -n "$linux_pid" ] || e2e_fail "no Linux process runs Lumivane.exe"
echo "ok: running as process $program_pid (Linux $linux_pid) for $seconds s"

# Traffic over the veth, both ways: datagrams to a port nobody listens on,
# answered by the kernel's port-unreachable messages. About 50 KB/s, and it
# stops by itself.
in_peer timeout $((seconds + 60)) python3 -c '
import socket, sys, time
end = time.monotonic() + float(sys.argv[1])
out = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
while time.monotonic() < end:
    out.sendto(b"x" * 1000, (sys.argv[2], 9))
    time.sleep(0.02)
' "$seconds" "$netns_app_address" &
sender=$!

samples=$e2e_work/samples
in_app wine "$process_probe" watch "$program_pid" "$every_ms" "$((seconds * 1000))" 1000 | tr -d '\r' >"$samples" &
watcher=$!

# Meanwhile: the readings show the traffic, and the Linux side's figures.
linux_samples=$e2e_work/linux
start=$SECONDS
received_shown=""
while kill -0 "$watcher" 2>/dev/null; do
  awk -v t=$((SECONDS - start)) '/^(Threads|RssAnon|VmSize):/ {f[$1] = $2}
    END {print "t=" t, "threads=" f["Threads:"], "rss_anon_kb=" f["RssAnon:"], "vm_size_kb=" f["VmSize:"]}' \
    "/proc/$linux_pid/status" >>"$linux_samples" 2>/dev/null || break
  if [ -z "$received_shown" ] && [ $((SECONDS - start)) -ge 5 ]; then
    caption=$(probe readings | sed -n 's/^接收透明标签\.caption=//p' || true)
    case $caption in "" | 0.00KB) ;; *) received_shown=$caption ;; esac
  fi
  sleep 5
done
wait "$watcher" || e2e_fail "the program ended during the soak: $(tail -n 1 "$samples")"
kill "$sender" 2>/dev/null || true
[ -n "$received_shown" ] || e2e_fail "row 2 never showed the traffic"
echo "ok: row 2 counts the traffic ($received_shown in a second)"

closed=$(probe close 2000) ||
  e2e_fail "the program did not end within 2 s of the close ($closed)"
echo "ok: ended ${closed#closed_after_ms=} ms after the close"
if grep -q -e 'err:seh' -e 'Unhandled' "$e2e_work/program.log"; then
  e2e_fail "exceptions during the soak: $(grep -m 5 -e 'err:seh' -e 'Unhandled' "$e2e_work/program.log")"
fi

# above_zero NAME: whether any sample's NAME is above 0.
above_zero() {
  awk -v name="$1" '{for (i = 1; i <= NF; ++i) {split($i, kv, "="); if (kv[1] == name && kv[2] > 0) found = 1}}
    END {exit !found}' "$samples"
}
count=$(wc -l <"$samples")
[ "$count" -ge 3 ] || e2e_fail "only $count samples"
echo "samples (every $((every_ms / 1000)) s, each over 1 s):"
sed -n '1p;$p' "$samples" | sed 's/^/  /'
echo "Linux side, first and last:"
sed -n '1p;$p' "$linux_samples" | sed 's/^/  /'

# Threads: after the update check, every sample's fewest is the resting
# count, and no more than one refresh's thread is ever seen on top of it.
read -r resting most < <(awk -v settled=$settled_ms '
  {for (i = 1; i <= NF; ++i) {split($i, kv, "="); v[kv[1]] = kv[2]}}
  v["t_ms"] >= settled {
    if (least == "" || v["threads_least"] < least) least = v["threads_least"]
    if (v["threads_most"] > most) most = v["threads_most"]
  }
  END {print least, most + 0}' "$samples")
[ -n "$resting" ] || e2e_fail "no sample after the update check"
not_back=$(awk -v settled=$settled_ms -v resting="$resting" '
  {for (i = 1; i <= NF; ++i) {split($i, kv, "="); v[kv[1]] = kv[2]}}
  v["t_ms"] >= settled && v["threads_least"] != resting {
    printf "%s%.0f s: %d", sep, v["t_ms"] / 1000, v["threads_least"]
    sep = ", "
  }' "$samples")
[ -z "$not_back" ] || e2e_fail "threads did not come back to $resting between refreshes; fewest at $not_back"
[ "$most" -le $((resting + 1)) ] || e2e_fail "$most threads at once, resting $resting: refreshes overlap"
echo "ok: threads back to $resting between refreshes in every sample after the update check (most seen $most)"

# growth NAME FALLBACK ALLOWANCE UNIT: the first and the last minute's highest
# values of NAME (or of FALLBACK where NAME is never above 0) compared.
growth() {
  local name=$1 fallback=$2 allowance=$3 unit=$4 used
  used=$name
  if ! above_zero "$name"; then
    used=$fallback
    echo "  ($name is 0 or unknown for another process here: using $fallback)"
  fi
  read -r first last < <(awk -v name="$used" -v last_from=$(((seconds - 60) * 1000)) '
    {for (i = 1; i <= NF; ++i) {split($i, kv, "="); v[kv[1]] = kv[2]}}
    v[name] < 0 {bad = 1}
    v["t_ms"] < 60000 && v[name] > first {first = v[name]}
    v["t_ms"] >= last_from && v[name] > last {last = v[name]}
    END {if (bad) print "unknown"; else print first + 0, last + 0}' "$samples")
  [ "$first" != unknown ] || e2e_fail "$used could not be read"
  echo "$used: first minute at most $first $unit, last minute at most $last $unit (allowance $allowance)"
  [ "$last" -le $((first + allowance)) ] || e2e_fail "$used grew from $first to $last $unit"
}
growth handles handles_listed "$handle_allowance" handles
growth private_bytes private_committed "$memory_allowance" bytes
echo "ok: no growth in handles or private memory"
echo "soak test passed"
