#!/usr/bin/env bash
# Lumivane's benchmark: what the program costs, each figure beside the same
# figure of a floor measured in the same run.
#
#   bench/run.sh           3 runs of 60 s each of the program and of the floor, in turn
#   bench/run.sh --quick   the same with runs of 15 s
#   bench/run.sh --soak    instead: the endurance test for 30 minutes
#
# Under Wine (the x86-64 build, one warm prefix whose wineserver runs in a
# network namespace of its own, so that nothing leaves the machine):
#   CPU      seconds of CPU of the program's process plus the wineserver's
#            over a run, from 5 s after the window shows (utime + stime from
#            /proc/PID/stat); the floor is a bare window of the same size with
#            a 1 s timer (bench/floor.cpp)
#   memory   the highest proportional set size (Pss, /proc/PID/smaps_rollup)
#            sampled every second over the same runs
#   pings    the longest wait for SendMessageTimeout(WM_NULL) from another
#            process, every 50 ms while the refreshes run and the update
#            server accepts the connection but never answers
#   start-up from CreateProcess to the window being visible (median)
# Without Wine:
#   size     the 32-bit product, stripped and statically linked, against the
#            floor linked the same way
#   refresh  one snapshot and gauge refresh over the tests' fakes (Google
#            Benchmark, release build of the host), against the fakes' own cost
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

settle_seconds=5
case ${1:-} in
  "") runs=3 run_seconds=60 ping_seconds=60 starts=5 ;;
  --quick) runs=3 run_seconds=15 ping_seconds=15 starts=3 ;;
  --soak) exec env LUMIVANE_SOAK_SECONDS=1800 bash tests/e2e/soak_test.sh ;;
  *)
    echo "usage: bench/run.sh [--quick | --soak]" >&2
    exit 2
    ;;
esac

scripts/setup.sh
echo "building..."
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done
# The refresh benchmark wants an optimised build, not the host preset's
# sanitized debug one.
cmake -S . -B build/bench-host -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-host --target refresh_bench >/dev/null 2>&1

rows=()
details=()
# row FIGURE PROGRAM FLOOR RATIO GOAL MET
row() { rows+=("$(printf '%-34s %12s %12s %8s  %-16s %s' "$@")"); }
detail() { details+=("$*"); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2fx", a / b; else print "-"}'; }
meets() { awk "BEGIN {exit !($1)}" && echo yes || echo NO; }

# --- Size ------------------------------------------------------------------
size_of() {
  local copy=$1.stripped
  i686-w64-mingw32-strip -o "$copy" "$1"
  stat -c %s "$copy"
  rm -f "$copy"
}
for exe in build/win32/Lumivane.exe build/win32/bench/floor.exe; do
  if i686-w64-mingw32-objdump -p "$exe" | grep -Eiq 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
    echo "$exe is not statically linked" >&2
    exit 1
  fi
done
program_size=$(size_of build/win32/Lumivane.exe)
floor_size=$(size_of build/win32/bench/floor.exe)
size_row=("Size, 32-bit exe (stripped)" "$(awk -v b="$program_size" 'BEGIN {printf "%.1f KB", b / 1024}')"
  "$(awk -v b="$floor_size" 'BEGIN {printf "%.1f KB", b / 1024}')" "$(ratio "$program_size" "$floor_size")"
  "<= 300 KB" "$(meets "$program_size <= 300 * 1024")")

# --- Refresh on the host ---------------------------------------------------
refresh_csv=$(build/bench-host/bench/refresh_bench --benchmark_format=csv --benchmark_min_time=0.5 2>/dev/null)
refresh_rows=()
for n in 2 16 64; do
  program_ns=$(awk -F, -v name="\"BM_Refresh/$n\"" '$1 == name {print $4}' <<<"$refresh_csv")
  floor_ns=$(awk -F, -v name="\"BM_FakesAlone/$n\"" '$1 == name {print $4}' <<<"$refresh_csv")
  refresh_rows+=("$(printf '%-34s %12s %12s %8s  %-16s %s' "Refresh on the host, $n interfaces" \
    "$(awk -v t="$program_ns" 'BEGIN {printf "%.2f us", t / 1000}')" \
    "$(awk -v t="$floor_ns" 'BEGIN {printf "%.2f us", t / 1000}')" "$(ratio "$program_ns" "$floor_ns")" "-" "")")
done

# --- Under Wine --------------------------------------------------------------
source tests/e2e/lib.sh
source tests/e2e/netns.sh
netns_e2e_setup "lvbench$$"
in_app wineserver -p

timer=$e2e_build/bench/window_timer.exe
program_title=Lumivanev1.0
floor_title="Lumivane floor"
program_path=$(in_app winepath -w "$e2e_exe" | tr -d '\r')
floor_path=$(in_app winepath -w "$e2e_build/bench/floor.exe" | tr -d '\r')

timer() { in_app wine "$timer" "$@" | tr -d '\r'; }
value() { sed -n "s/^$1=//p"; }
# linux_pid NAME: the process of the program's namespace that runs NAME.
linux_pid() {
  local pid
  for pid in $(ip netns pids "$netns_name-app"); do
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "$1" && echo "$pid" && return 0
  done
  return 1
}
# ticks PID...: their utime + stime, in clock ticks.
ticks() {
  local pid total=0 t
  for pid in "$@"; do
    t=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | awk '{print $12 + $13}') || t=0
    total=$((total + ${t:-0}))
  done
  echo "$total"
}
clock_ticks=$(getconf CLK_TCK)
wineserver_pid=$(linux_pid wineserver) || { echo "no wineserver in the namespace" >&2; exit 1; }

# start TITLE PATH [ARGUMENT]: starts it and waits for its window; prints the
# milliseconds it took.
start() {
  # The program inherits the timer's output: a file, not a pipe that would
  # stay open for as long as the program runs.
  local out=$e2e_work/started
  in_app wine "$timer" start "$@" >"$out" 2>/dev/null
  tr -d '\r' <"$out" | value visible_ms | grep . || { echo "cannot start $2: $(cat "$out")" >&2; exit 1; }
}
close() { timer close "$1" 5000 >/dev/null || { echo "$1 did not end" >&2; exit 1; }; }

# peak_pss PID SECONDS PEAK: the highest Pss (kB) of PID sampled every second
# for SECONDS, starting from PEAK.
peak_pss() {
  local pid=$1 end=$((SECONDS + $2)) peak=$3 pss
  while [ "$SECONDS" -lt "$end" ]; do
    pss=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup")
    [ "${pss:-0}" -le "$peak" ] || peak=$pss
    sleep 1
  done
  echo "$peak"
}

# measure TITLE PATH NAME [ARGUMENT]: one run; prints "CPU_SECONDS ALL_CPU_SECONDS PEAK_PSS_KB".
# The CPU counts from settle_seconds after the window shows, so that it is
# the running cost, not the start-up's tail; Pss is watched from the start.
measure() {
  local title=$1 path=$2 name=$3 pid others peak before before_all after after_all
  start "$title" "$path" ${4:+"$4"} >/dev/null
  pid=$(linux_pid "$name") || { echo "no process runs $name" >&2; exit 1; }
  peak=$(peak_pss "$pid" "$settle_seconds" 0)
  # Every other Wine process of the prefix, for the fuller figure.
  mapfile -t others < <(ip netns pids "$netns_name-app" | grep -vx -e "$pid" -e "$wineserver_pid")
  before=$(ticks "$pid" "$wineserver_pid")
  before_all=$(ticks "${others[@]}")
  peak=$(peak_pss "$pid" "$run_seconds" "$peak")
  after=$(ticks "$pid" "$wineserver_pid")
  after_all=$(ticks "${others[@]}")
  close "$title"
  awk -v a=$((after - before)) -v o=$((after_all - before_all)) -v hz="$clock_ticks" -v p="$peak" \
    'BEGIN {printf "%.2f %.2f %d\n", a / hz, (a + o) / hz, p}'
}

echo "warming the prefix..."
for pair in "$program_title|$program_path" "$floor_title|$floor_path"; do
  start "${pair%%|*}" "${pair#*|}" >/dev/null
  sleep 2
  close "${pair%%|*}"
done

echo "CPU and memory: $runs runs of $run_seconds s each, program, floor and floor with workers in turn..."
program_cpu=() floor_cpu=() program_all=() floor_all=() program_pss=0 floor_pss=0
workers_cpu=() workers_all=() workers_pss=0
for run in $(seq "$runs"); do
  result=$(measure "$program_title" "$program_path" Lumivane.exe) || exit 1
  read -r cpu all pss <<<"$result"
  program_cpu+=("$cpu") program_all+=("$all")
  [ "$pss" -le "$program_pss" ] || program_pss=$pss
  detail "run $run program: CPU $cpu s (with every Wine process $all s), peak Pss $pss kB"
  result=$(measure "$floor_title" "$floor_path" floor.exe) || exit 1
  read -r cpu all pss <<<"$result"
  floor_cpu+=("$cpu") floor_all+=("$all")
  [ "$pss" -le "$floor_pss" ] || floor_pss=$pss
  detail "run $run floor:   CPU $cpu s (with every Wine process $all s), peak Pss $pss kB"
  # The floor again, starting an empty thread on every tick as the program
  # starts a refresh worker: what the one-thread-per-tick design costs alone.
  result=$(measure "$floor_title" "$floor_path" floor.exe --worker-per-tick) || exit 1
  read -r cpu all pss <<<"$result"
  workers_cpu+=("$cpu") workers_all+=("$all")
  [ "$pss" -le "$workers_pss" ] || workers_pss=$pss
  detail "run $run floor with a worker per tick: CPU $cpu s (with every Wine process $all s), peak Pss $pss kB"
done
mean() { printf '%s\n' "$@" | awk '{sum += $1} END {printf "%.2f", sum / NR}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
cpu_program=$(mean "${program_cpu[@]}") cpu_floor=$(mean "${floor_cpu[@]}")
all_program=$(mean "${program_all[@]}") all_floor=$(mean "${floor_all[@]}")
row "CPU per ${run_seconds} s run, program+wineserver" "$cpu_program s" "$cpu_floor s" \
  "$(ratio "$cpu_program" "$cpu_floor")" "<= 1.5x" "$(meets "$cpu_program <= 1.5 * $cpu_floor")"
row "  the same with every Wine process" "$all_program s" "$all_floor s" "$(ratio "$all_program" "$all_floor")" "-" ""
cpu_workers=$(mean "${workers_cpu[@]}")
row "  floor with a worker per tick" "$cpu_workers s" "$cpu_floor s" "$(ratio "$cpu_workers" "$cpu_floor")" "-" ""
row "Memory, peak Pss" "$(awk -v k="$program_pss" 'BEGIN {printf "%.2f MB", k / 1024}')" \
  "$(awk -v k="$floor_pss" 'BEGIN {printf "%.2f MB", k / 1024}')" "$(ratio "$program_pss" "$floor_pss")" \
  "<= floor + 1 MB" "$(meets "$program_pss <= $floor_pss + 1024") ($(awk -v d=$((program_pss - floor_pss)) \
  'BEGIN {printf "%+.2f MB", d / 1024}'))"
row "  floor with a worker per tick" "$(awk -v k="$workers_pss" 'BEGIN {printf "%.2f MB", k / 1024}')" \
  "$(awk -v k="$floor_pss" 'BEGIN {printf "%.2f MB", k / 1024}')" "$(ratio "$workers_pss" "$floor_pss")" "-" ""

echo "start-up: $starts starts each..."
program_starts=() floor_starts=()
for _ in $(seq "$starts"); do
  ms=$(start "$program_title" "$program_path") || exit 1
  program_starts+=("$ms")
  close "$program_title"
  ms=$(start "$floor_title" "$floor_path") || exit 1
  floor_starts+=("$ms")
  close "$floor_title"
done
detail "start-up program: ${program_starts[*]} ms; floor: ${floor_starts[*]} ms"
start_program=$(median "${program_starts[@]}") start_floor=$(median "${floor_starts[@]}")
startup_row=("Start-up to visible window (median)" "$start_program ms" "$start_floor ms"
  "$(ratio "$start_program" "$start_floor")" "<= 1.2x" "$(meets "$start_program <= 1.2 * $start_floor")")

echo "pings: $ping_seconds s each, with an update server that never answers..."
netns_hosts "$netns_peer_address update.lumivane.example"
connections=$e2e_work/connections
: >"$connections"
(in_peer timeout $((2 * ping_seconds + 120)) python3 -c '
import select, socket, sys, time
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind((sys.argv[1], 80))
listener.listen(8)
log = open(sys.argv[2], "a", buffering=1)
opened = {}
while True:
    ready, _, _ = select.select([listener] + list(opened), [], [])
    for s in ready:
        if s is listener:
            connection, _ = listener.accept()
            opened[connection] = time.monotonic()
            log.write("accepted\n")
        elif not s.recv(4096):
            log.write("closed_after_s=%.1f\n" % (time.monotonic() - opened.pop(s)))
            s.close()
' "$netns_peer_address" "$connections" 2>"$e2e_work/server.log" &)
sleep 1
# pings TITLE PATH NAME: starts it and pings it; the figures go to
# $e2e_work/pings-NAME.
pings() {
  start "$1" "$2" >/dev/null
  timer ping "$1" $((ping_seconds * 1000)) >"$e2e_work/pings-$3" || echo "unanswered pings to $1" >&2
  close "$1"
}
pings "$program_title" "$program_path" program
pings "$floor_title" "$floor_path" floor
ping_program=$(value longest_ms <"$e2e_work/pings-program")
ping_floor=$(value longest_ms <"$e2e_work/pings-floor")
for name in program floor; do
  detail "pings to the $name: $(grep -v longest_ms "$e2e_work/pings-$name" | tr '\n' ' ')"
done
detail "update server that never answers, seen from its side (the program was closed after $ping_seconds s):" \
  "$(tr '\n' ' ' <"$connections")"
grep -q accepted "$connections" || detail "WARNING: the update check never reached the silent server"
ping_row=("Longest WM_NULL wait, ${ping_seconds} s" "$ping_program ms" "$ping_floor ms"
  "$(ratio "$ping_program" "$ping_floor")" "< 20 ms" "$(meets "$ping_program < 20")")

echo
echo "Lumivane benchmark ($([ "$run_seconds" -eq 60 ] && echo full || echo quick) run, $(date -u '+%Y-%m-%d %H:%M UTC'))"
echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
  "$(wine --version 2>/dev/null), Linux $(uname -r)"
echo
printf '%-34s %12s %12s %8s  %-16s %s\n' figure Lumivane floor ratio goal met
row "${ping_row[@]}"
row "${startup_row[@]}"
row "${size_row[@]}"
printf '%s\n' "${rows[@]}" "${refresh_rows[@]}"
echo
printf '%s\n' "${details[@]}"
