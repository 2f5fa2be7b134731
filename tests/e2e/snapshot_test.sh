#!/usr/bin/env bash
# The interface table through the real GetIfTable seam, in a namespace that
# holds only lo and one veth: the snapshot has two rows, and row 2's counters
# move by exactly the octets of the frames sent over the veth each way, as
# the kernel counts them too.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/netns.sh"
netns_e2e_setup "lvsnap$$"

# Every Wine program of the prefix runs in the namespace: the first one starts
# the prefix's wineserver there.
snapshot() { in_app wine "$e2e_build/snapshot_probe.exe" | tr -d '\r'; }
field() { sed -n "s/^$1=//p" <<<"$2"; }

before=$(snapshot) || e2e_fail "no snapshot: $before"
[ "$(field rows "$before")" = 2 ] || e2e_fail "expected lo and the veth, got: $(tr '\n' ' ' <<<"$before")"
echo "ok: two rows (lo and the veth)"

# A UDP datagram of P payload octets is a frame of P + 42: Ethernet 14, IPv4
# 20, UDP 8. Different counts and sizes each way, so that a row or direction
# mixed up shows.
rx_count=7 rx_payload=1000 tx_count=3 tx_payload=500
rx_octets=$((rx_count * (rx_payload + 42)))
tx_octets=$((tx_count * (tx_payload + 42)))

read -r kernel_rx0 kernel_tx0 <<<"$(netns_counters)"
netns_send_bursts "$rx_payload" "$tx_payload" 0 "$rx_count:$tx_count" || e2e_fail "could not send the datagrams"
read -r kernel_rx1 kernel_tx1 <<<"$(netns_counters)"
after=$(snapshot) || e2e_fail "no snapshot: $after"
read -r kernel_rx2 kernel_tx2 <<<"$(netns_counters)"

# The kernel's truth first: the veth carried exactly these frames and nothing
# else, before and while the second snapshot was taken.
[ $((kernel_rx1 - kernel_rx0)) = "$rx_octets" ] && [ $((kernel_tx1 - kernel_tx0)) = "$tx_octets" ] ||
  e2e_fail "kernel counted rx $((kernel_rx1 - kernel_rx0)) tx $((kernel_tx1 - kernel_tx0)), sent rx $rx_octets tx $tx_octets"
[ "$kernel_rx2 $kernel_tx2" = "$kernel_rx1 $kernel_tx1" ] ||
  e2e_fail "the veth was not quiet during the snapshot: $kernel_rx1 $kernel_tx1 then $kernel_rx2 $kernel_tx2"
echo "ok: the kernel counted rx $rx_octets and tx $tx_octets octets of frames"

[ "$(field rows "$after")" = 2 ] || e2e_fail "second snapshot: $(tr '\n' ' ' <<<"$after")"
in0=$(field row2.in "$before") out0=$(field row2.out "$before")
in1=$(field row2.in "$after") out1=$(field row2.out "$after")
moved_in=$(((in1 - in0) % 4294967296)) moved_out=$(((out1 - out0) % 4294967296))
[ "$moved_in" = "$rx_octets" ] && [ "$moved_out" = "$tx_octets" ] ||
  e2e_fail "row 2 moved in $moved_in out $moved_out ($in0 $out0 -> $in1 $out1), frames were rx $rx_octets tx $tx_octets"
# And row 2 is the veth itself: its counters are the kernel's, modulo 2^32.
[ "$in1" = $((kernel_rx1 % 4294967296)) ] && [ "$out1" = $((kernel_tx1 % 4294967296)) ] ||
  e2e_fail "row 2 reads $in1 $out1, the veth's kernel counters are $kernel_rx1 $kernel_tx1"
echo "ok: row 2 moved by rx $moved_in and tx $moved_out octets and equals the kernel's counters ($in1 $out1)"
echo "snapshot test passed"
