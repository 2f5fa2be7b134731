# Sourced by end-to-end tests that need a network of their own: two network
# namespaces joined by one veth pair, so that the program's namespace holds
# only lo (row 1 of the interface table) and the veth (row 2), and whatever
# crosses the veth is exactly what row 2 counts.
#
#   netns_setup NAME   makes NAME-app (198.18.0.1) and NAME-peer (198.18.0.2);
#                      returns 77 where namespaces cannot be made
#   netns_e2e_setup NAME
#                      lib.sh's e2e_setup, then netns_setup NAME (exits 77 where
#                      it cannot), both cleaned up at exit; from then on every
#                      Wine program of the prefix (program and probes) runs in
#                      NAME-app
#   in_app CMD...      runs CMD in the program's namespace
#   in_peer CMD...     runs CMD in the peer's namespace
#   netns_hosts LINE   adds LINE to the hosts file the program's namespace sees
#   netns_send_bursts RX_PAYLOAD TX_PAYLOAD GAP R:T[xN]...
#                      UDP datagrams both ways over the veth (udp_bursts.py)
#   netns_cleanup      removes both namespaces (also runs from the EXIT trap)
#
# Only addresses of these namespaces (198.18.0.0/30) are ever used.

netns_name=""
netns_app_address=198.18.0.1
netns_peer_address=198.18.0.2

in_app() { ip netns exec "$netns_name-app" "$@"; }
in_peer() { ip netns exec "$netns_name-peer" "$@"; }

netns_cleanup() {
  [ -n "$netns_name" ] || return 0
  # Processes left in the namespaces (an interrupted run) go first.
  local ns
  for ns in "$netns_name-app" "$netns_name-peer"; do
    ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
    ip netns delete "$ns" 2>/dev/null || true
    rm -rf "/etc/netns/$ns"
  done
}

netns_setup() {
  netns_name=$1
  if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null; then
    echo "SKIP: network namespaces need root and iproute2" >&2
    return 77
  fi
  netns_cleanup  # leftovers of an interrupted run
  local app=$netns_name-app peer=$netns_name-peer
  # Interface names are at most 15 characters.
  local veth_app=lv${RANDOM}a veth_peer=lv${RANDOM}p
  if ! ip netns add "$app" 2>/dev/null || ! ip netns add "$peer" 2>/dev/null ||
    ! ip link add "$veth_app" type veth peer name "$veth_peer" 2>/dev/null; then
    netns_cleanup
    echo "SKIP: cannot make network namespaces here" >&2
    return 77
  fi
  ip link set "$veth_app" netns "$app"
  ip link set "$veth_peer" netns "$peer"
  local ns veth address
  for ns in "$app" "$peer"; do
    # No IPv6: its router and neighbour solicitations would be counted too.
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
    ip netns exec "$ns" ip link set lo up
  done
  ip netns exec "$app" sysctl -qw "net.ipv6.conf.$veth_app.disable_ipv6=1"
  ip netns exec "$peer" sysctl -qw "net.ipv6.conf.$veth_peer.disable_ipv6=1"
  ip netns exec "$app" ip addr add "$netns_app_address/30" dev "$veth_app"
  ip netns exec "$peer" ip addr add "$netns_peer_address/30" dev "$veth_peer"
  ip netns exec "$app" ip link set "$veth_app" up
  ip netns exec "$peer" ip link set "$veth_peer" up
  # Permanent neighbours: no ARP frames on the wire.
  local mac_app mac_peer
  mac_app=$(ip netns exec "$app" cat "/sys/class/net/$veth_app/address")
  mac_peer=$(ip netns exec "$peer" cat "/sys/class/net/$veth_peer/address")
  ip netns exec "$app" ip neigh replace "$netns_peer_address" lladdr "$mac_peer" dev "$veth_app" nud permanent
  ip netns exec "$peer" ip neigh replace "$netns_app_address" lladdr "$mac_app" dev "$veth_peer" nud permanent
  netns_app_veth=$veth_app
  # Names resolve only through the hosts file: no query leaves the machine.
  mkdir -p "/etc/netns/$app"
  printf '127.0.0.1 localhost\n' >"/etc/netns/$app/hosts"
  printf 'nameserver 127.0.0.1\n' >"/etc/netns/$app/resolv.conf"
}

netns_e2e_setup() {
  e2e_setup
  netns_setup "$1" || exit $?
  trap 'e2e_cleanup; netns_cleanup' EXIT
  e2e_runner=in_app
}

netns_hosts() { printf '%s\n' "$1" >>"/etc/netns/$netns_name-app/hosts"; }

# netns_counters: "RX TX" octets of the program's veth, as the kernel counts them.
netns_counters() {
  in_app cat "/sys/class/net/$netns_app_veth/statistics/rx_bytes" "/sys/class/net/$netns_app_veth/statistics/tx_bytes" |
    tr '\n' ' '
}

netns_send_bursts() {
  in_app python3 "$(dirname "${BASH_SOURCE[0]}")/udp_bursts.py" "$netns_name-peer" "$@"
}
