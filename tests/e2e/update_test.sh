#!/usr/bin/env bash
# The update check of the real program under Wine, against an update server
# of our own: the program's namespace resolves update.lumivane.example to the
# peer (198.18.0.2), where a small HTTP server answers each case's request.
#
# Every case starts the program afresh and closes it again. What it shows is
# read from the message box by update_probe; what it opens is seen twice: a
# stand-in xdg-open first in PATH records what Wine's browser launcher would
# open, and the program's trace+exec log records every ShellExecute call.
#
# A server that accepts the request and never answers holds the update
# worker; the window must go on refreshing, answer at once and close at once.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/netns.sh"

# The update server, in the peer: answers every GET with STATUS and the
# bytes of BODY_FILE, or, as "stall", reads the request and never answers.
# Each request is logged as "METHOD PATH HOST". It ends by itself after a
# minute; server_stop ends it sooner.
requests=$e2e_work/requests
server_pid=""
server_py=$(
  cat <<'EOF'
import http.server, sys, time
address, status, body_file, log, ready = sys.argv[1:6]
body = open(body_file, "rb").read()
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(log, "a") as f:
            f.write(f"{self.command} {self.path} {self.headers.get('Host')}\n")
        if status == "stall":
            time.sleep(3600)
        self.send_response(int(status))
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer((address, 80), Handler)
server.daemon_threads = True
open(ready, "w").close()
server.serve_forever()
EOF
)
server_start() {
  rm -f "$e2e_work/ready"
  # Started without a shell in between, so that $! is the server's timeout.
  ip netns exec "$netns_name-peer" timeout 60 python3 -c "$server_py" "$netns_peer_address" "$1" \
    "$e2e_work/body" "$requests" "$e2e_work/ready" 2>>"$e2e_work/server.log" &
  server_pid=$!
  wait_until 10 test -e "$e2e_work/ready" || e2e_fail "the update server did not start: $(cat "$e2e_work/server.log")"
}
server_stop() {
  [ -n "$server_pid" ] || return 0
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
}

netns_e2e_setup lvupdate
trap 'server_stop; e2e_cleanup; netns_cleanup' EXIT
netns_hosts "$netns_peer_address update.lumivane.example"

update_probe=$e2e_build/update_probe.exe
began=$SECONDS

# What the shell would open: one line per address xdg-open is given.
mkdir -p "$e2e_work/bin"
opened=$e2e_work/opened
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$opened" >"$e2e_work/bin/xdg-open"
chmod +x "$e2e_work/bin/xdg-open"
export PATH=$e2e_work/bin:$PATH

# One wineserver, started in the namespace, serves every case.
in_app wineserver -p
in_update_probe() { in_app wine "$update_probe" "$@" | tr -d '\r'; }

# The program, started afresh with ShellExecute calls traced to its log.
program_start() {
  : >"$opened"
  : >"$requests"
  trace=$e2e_work/trace-$1.log
  ip netns exec "$netns_name-app" env WINEDEBUG=-all,trace+exec wine "$e2e_exe" >"$trace" 2>&1 &
  program_pid=$!
  probe wait 30000 >/dev/null || e2e_fail "$1: the window did not appear"
}
# program_close NAME: sets closed_ms.
program_close() {
  local closed
  closed=$(probe close 2000) || e2e_fail "$1: the program did not end within 2 s of the close ($closed)"
  wait "$program_pid" || true
  closed_ms=${closed#closed_after_ms=}
}

request_seen() { [ -s "$requests" ]; }
veth_used_since() { [ "$(netns_counters)" != "$1" ]; }
shell_calls() { grep -a 'ShellExecute' "$trace" || true; }
opened_something() { [ -s "$opened" ]; }

# The request that reached the server: one GET of the update file, by name.
check_request() {
  local want="GET /zofa/1.txt update.lumivane.example"
  [ "$(cat "$requests")" = "$want" ] || e2e_fail "$1: the server saw $(cat "$requests") instead of: $want"
}

# Nothing was opened: the recorder is empty and no ShellExecute was traced.
check_nothing_opened() {
  [ ! -s "$opened" ] || e2e_fail "$1: $2, yet opened: $(cat "$opened")"
  [ -z "$(shell_calls)" ] || e2e_fail "$1: $2, yet the shell was called: $(shell_calls)"
}

# An address as it reaches the browser: Wine may write scheme and host in
# lower case; the rest stays as it is.
browser_form() {
  local scheme=${1%%://*} rest=${1#*://}
  local host=${rest%%/*}
  printf '%s://%s%s\n' "${scheme,,}" "${host,,}" "${rest:${#host}}"
}

# The box's text for a version field: field 1 read as code page 936 and
# written as update_probe writes it (CR, LF and "\" escaped).
box_text() {
  local version
  version=$(printf '%s' "$1" | iconv -f CP936 -t UTF-8 | sed -e 's/\\/\\\\/g' -e 's/\r/\\r/g' | sed -z 's/\n/\\n/g')
  printf '发现新版本：%s，请登录官网更新！' "$version"
}

# The cases. STATUS is the server's answer ("off": nothing listens on port
# 80). BODY is written as for printf %b (\x20 is a space); "@N" is a body of
# N bytes, "2.0|http://198.18.0.2/big|" and then x's. AFTER is what follows:
#   no-box    no message box, nothing opened
#   -         the box shows; after OK nothing is opened
#   ADDRESS   the box shows; after OK, and only then, ADDRESS is opened
cases=(
  "200 1.1 no-box"
  "200 1.1|http://198.18.0.2/download no-box"
  "200 2.0|http://198.18.0.2/download http://198.18.0.2/download"
  "200 1.1\r\n|http://198.18.0.2/dl http://198.18.0.2/dl"
  "200 1.10|http://198.18.0.2/download http://198.18.0.2/download"
  "200 3.0|http://198.18.0.2/a|extra http://198.18.0.2/a"
  "200 2.0|http://198.18.0.2/t\r\n\x20\t http://198.18.0.2/t"
  "200 2.0\xb2\xe2\xca\xd4|HTTP://198.18.0.2:8080/Get?v=2#notes HTTP://198.18.0.2:8080/Get?v=2#notes"
  "200 2.0 -"
  "200 2.0|file:///etc/passwd -"
  "200 2.0|\\\\\\\\198.18.0.2\\\\share\\\\x.exe -"
  "200 2.0|javascript:alert(1) -"
  "200 2.0|ms-msdt:/id\x20x -"
  "200 2.0|search-ms:query=x -"
  "200 2.0|http://user@198.18.0.2/ -"
  "200 2.0|http://198.18.0.2/a\x20b -"
  "200 2.0|http:///nohost -"
  "200 @65536 http://198.18.0.2/big"
  "200 @65537 no-box"
  "404 2.0|http://198.18.0.2/download no-box"
  "off 2.0|http://198.18.0.2/download no-box"
)

number=0 covered=0
for entry in "${cases[@]}"; do
  number=$((number + 1))
  read -r status body after <<<"$entry"
  name="case $number ($status $body)"
  if [[ $body == @* ]]; then
    bytes="2.0|http://198.18.0.2/big|"
    bytes+=$(printf "%$((${body#@} - ${#bytes}))s" "" | tr ' ' x)
  else
    printf -v bytes '%b' "$body"
  fi
  printf '%s' "$bytes" >"$e2e_work/body"
  [ "$status" = off ] || server_start "$status"
  quiet=$(netns_counters)
  program_start "$number"

  if [ "$after" = no-box ]; then
    # The answer is in, or the connection was refused: a box would follow at once.
    if [ "$status" = off ]; then
      wait_until 15 veth_used_since "$quiet" || e2e_fail "$name: the program did not try to connect"
    else
      wait_until 15 request_seen || e2e_fail "$name: no request reached the server"
      check_request "$name"
    fi
    shown=$(in_update_probe box-absent 2500) || e2e_fail "$name: a message box showed (status $?): $shown"
    check_nothing_opened "$name" "no box showed"
    program_close "$name"
    check_nothing_opened "$name" "no box showed"
    echo "ok: $name: no box, nothing opened"
  else
    shown=$(in_update_probe show 15000) || e2e_fail "$name: no message box (status $?): $shown"
    check_request "$name"
    want=$(box_text "${bytes%%|*}")
    got=$(sed -n 's/^text=//p' <<<"$shown")
    [ "$got" = "$want" ] || e2e_fail "$name: the box says \"$got\", want \"$want\" ($shown)"
    grep -qx 'icon=information' <<<"$shown" || e2e_fail "$name: not the information icon: $shown"
    grep -qx 'buttons=1' <<<"$shown" || e2e_fail "$name: not an OK button alone: $shown"
    grep -qx 'process=same' <<<"$shown" || e2e_fail "$name: the box is not the program's: $shown"
    grep -qx 'covered=yes' <<<"$shown" && covered=$((covered + 1))
    # While the box is open nothing is opened.
    sleep 1.5
    check_nothing_opened "$name" "the box is still open"
    pressed=$(in_update_probe ok 5000) || e2e_fail "$name: OK did not close the box (status $?): $pressed"
    if [ "$after" = - ]; then
      sleep 2
      check_nothing_opened "$name" "the address is not a plain web address"
      echo "ok: $name: box \"$got\", nothing opened"
    else
      wait_until 15 opened_something || e2e_fail "$name: nothing opened after OK (shell calls: $(shell_calls))"
      sleep 0.5  # a second address would come now
      want_opened=$(browser_form "$after")
      got_opened=$(cat "$opened")
      [ "$(browser_form "$got_opened")" = "$want_opened" ] ||
        e2e_fail "$name: opened \"$got_opened\", want \"$after\""
      # The program's one call: "open" with the address exactly as trimmed.
      calls=$(grep -ac 'trace:exec:ShellExecuteW' "$trace" || true)
      [ "$calls" = 1 ] || e2e_fail "$name: $calls ShellExecuteW calls traced, want 1"
      grep -aqF "verb=L\"open\" file=L\"$after\" parm=(null)" "$trace" ||
        e2e_fail "$name: the shell was not asked to open \"$after\": $(shell_calls | head -n 3)"
      echo "ok: $name: box \"$got\", then opened $got_opened"
    fi
    program_close "$name"
  fi
  server_stop
done

# A server that takes the request and never answers: the window goes on.
number=$((number + 1))
name="case $number (a server that never answers)"
printf '2.0|http://198.18.0.2/download' >"$e2e_work/body"
server_start stall
program_start "$number"
wait_until 15 request_seen || e2e_fail "$name: no request reached the server"
check_request "$name"

# Refreshes go on: a datagram from the peer (and the port-unreachable answer
# to it) shows in the next refresh's traffic captions, and the refresh after
# that shows quiet again.
traffic_caption() { probe readings | sed -n 's/^接收透明标签\.caption=//p'; }
traffic_shown() { [ "$(traffic_caption)" != 0.00KB ]; }
quiet_shown() { [ "$(traffic_caption)" = 0.00KB ]; }
for round in 1 2 3; do
  wait_until 5 quiet_shown || e2e_fail "$name: round $round: the received caption stays at $(traffic_caption)"
  in_peer bash -c "printf x >/dev/udp/$netns_app_address/9" || e2e_fail "$name: could not send a datagram"
  wait_until 5 traffic_shown || e2e_fail "$name: round $round: no refresh showed the datagram"
done
echo "ok: $name: the readings went on changing with the traffic"

pinged=$(probe ping 5000) || e2e_fail "$name: the window did not answer: $pinged"
longest=$(sed -n 's/^longest_ms=//p' <<<"$pinged")
awk -v ms="$longest" 'BEGIN { exit !(ms < 100) }' || e2e_fail "$name: the window took $longest ms to answer"
echo "ok: $name: the window answered within $longest ms"

shown=$(in_update_probe box-absent 100) || e2e_fail "$name: a message box showed ($shown)"
program_close "$name"
check_nothing_opened "$name" "no answer came"
echo "ok: $name: closed while the check waited, ended $closed_ms ms after the close"
server_stop

[ "$covered" -eq 0 ] || echo "note: in $covered cases the program's window lay over the box when it showed"

echo "update test passed in $((SECONDS - began)) s"
