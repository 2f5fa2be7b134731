#!/usr/bin/env bash
# Start and close, LUMIVANE_CYCLES times (default 100), with the close falling
# at a random moment of the program's life:
#   at-once   as soon as the window shows
#   fetch     while the update check waits for the server's answer
#   refresh   anywhere in the first seconds, among the refreshes
#   box       while the update's message box is open
# Every time the program must end within 2 s of the close, cleanly (exit
# status 0, no exception, not even one Wine swallows), and leave no process
# behind.
#
# The update server answers every request after a delay with a newer
# version, so the fetch is in flight for a while and then the message box
# shows. A stand-in xdg-open first in PATH records any address that would
# be opened. LUMIVANE_CYCLES_SEED repeats a run's choices.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/netns.sh"

cycles=${LUMIVANE_CYCLES:-100}
seed=${LUMIVANE_CYCLES_SEED:-$$}
RANDOM=$seed
answer_delay=1.0  # seconds the server holds each answer back

netns_e2e_setup "lvcycles$$"
netns_hosts "$netns_peer_address update.lumivane.example"

mkdir -p "$e2e_work/bin" "$e2e_work/www/zofa"
opened=$e2e_work/opened
: >"$opened"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$opened" >"$e2e_work/bin/xdg-open"
chmod +x "$e2e_work/bin/xdg-open"
export PATH=$e2e_work/bin:$PATH
printf '9.9|http://%s/download' "$netns_peer_address" >"$e2e_work/www/zofa/1.txt"

# The update server, in the peer: the folder's files, each answer held back
# by answer_delay, every request counted in a log. It ends by itself.
requests=$e2e_work/requests
: >"$requests"
(in_peer timeout $((cycles * 10 + 120)) python3 -c '
import functools, http.server, sys, time
log, delay = sys.argv[2], float(sys.argv[3])
class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        with open(log, "a") as f:
            f.write(self.path + "\n")
        time.sleep(delay)
        super().do_GET()
    def log_message(self, *args):
        pass
handler = functools.partial(Handler, directory=sys.argv[4])
http.server.ThreadingHTTPServer((sys.argv[1], 80), handler).serve_forever()
' "$netns_peer_address" "$requests" "$answer_delay" "$e2e_work/www" 2>"$e2e_work/server.log" &)
for _ in $(seq 50); do
  in_app bash -c "exec 3<>/dev/tcp/$netns_peer_address/80" 2>/dev/null && break
  sleep 0.1
done
: >"$requests"

# One wineserver, started in the namespace, serves every cycle.
in_app wineserver -p
process_probe=$e2e_build/process_probe.exe

# random_ms LOW HIGH
random_ms() { echo $(($1 + RANDOM % ($2 - $1 + 1))); }
sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

requests_seen() { [ "$(wc -l <"$requests")" -gt "$1" ]; }
box_open() { in_app wine "$process_probe" windows "$1" | tr -d '\r' | grep -qx 'window=新版本'; }
program_processes() {
  local pid
  for pid in $(ip netns pids "$netns_name-app"); do
    grep -qa 'Lumivane\.exe' "/proc/$pid/cmdline" 2>/dev/null && echo "$pid"
  done
  return 0
}

echo "cycles: $cycles, seed $seed"
declare -A moments=()
slowest=0
began=$SECONDS
for cycle in $(seq "$cycles"); do
  kinds=(at-once fetch refresh box)
  kind=${kinds[RANDOM % 4]}
  log=$e2e_work/program-$cycle.log
  before=$(wc -l <"$requests")
  # Wine reports exceptions it swallows (in a window procedure, say) on err:seh.
  in_app env WINEDEBUG=-all,err+seh wine "$e2e_exe" >"$log" 2>&1 &
  launcher=$!
  # The first start may also bring the prefix up to date: allow it a minute.
  pid=$(probe wait 60000 | sed -n 's/^pid=//p') || true
  [ -n "$pid" ] || e2e_fail "cycle $cycle: the window did not appear: $(head -c 2000 "$log")"

  case $kind in
    at-once) ;;
    fetch)
      wait_until 10 requests_seen "$before" || e2e_fail "cycle $cycle: no update request reached the server"
      sleep_ms "$(random_ms 0 700)"
      ;;
    refresh) sleep_ms "$(random_ms 200 3000)" ;;
    box)
      wait_until 15 box_open "$pid" || e2e_fail "cycle $cycle: the message box did not show"
      sleep_ms "$(random_ms 0 500)"
      ;;
  esac

  closed=$(probe close 2000) ||
    e2e_fail "cycle $cycle ($kind): the program did not end within 2 s of the close ($closed)" \
      "$(grep -m 3 -e 'err:seh' -e 'Unhandled' "$log")"
  ms=${closed#closed_after_ms=}
  [ "$ms" -gt "$slowest" ] && slowest=$ms
  # The Linux process is gone as well, and its end was a clean one.
  status=0
  wait "$launcher" || status=$?
  [ "$status" -eq 0 ] || e2e_fail "cycle $cycle ($kind): exit status $status: $(head -c 2000 "$log")"
  if grep -q -e 'Unhandled' -e 'starting debugger' -e 'err:seh' "$log"; then
    e2e_fail "cycle $cycle ($kind): $(head -c 2000 "$log")"
  fi
  left=$(program_processes)
  [ -z "$left" ] || e2e_fail "cycle $cycle ($kind): processes left behind: $left"
  moments[$kind]=$((${moments[$kind]:-0} + 1))
done

echo "ok: $cycles cycles in $((SECONDS - began)) s, each program ended within 2 s of its close (slowest $slowest ms)"
for kind in at-once fetch refresh box; do echo "  closed $kind: ${moments[$kind]:-0}"; done
echo "ok: $(wc -l <"$requests") update requests served; addresses opened: $(wc -l <"$opened") (no box was dismissed)"
echo "cycles test passed"
