"""Sends UDP datagrams both ways across the test namespaces' veth.

udp_bursts.py PEER_NS RX_PAYLOAD TX_PAYLOAD GAP R:T[xN]...

Run in the program's namespace. Per burst: R datagrams of RX_PAYLOAD octets
from the peer to the program's namespace, then T of TX_PAYLOAD back, all
within a few ms; GAP seconds between bursts; xN repeats a burst N times.
One process binds every socket before the first datagram leaves, since a
datagram to an unbound port would bring an ICMP reply onto the wire.
"""
import ctypes
import os
import socket
import sys
import time

CLONE_NEWNET = 0x40000000
APP, PEER, PORT = "198.18.0.1", "198.18.0.2", 9999


def setns(fd, what):
    if ctypes.CDLL(None, use_errno=True).setns(fd, CLONE_NEWNET) != 0:
        raise OSError(ctypes.get_errno(), "setns " + what)


def main():
    peer_ns, rx_payload, tx_payload, gap = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
    bursts = []
    for burst in sys.argv[5:]:
        counts, _, repeat = burst.partition("x")
        bursts += [tuple(map(int, counts.split(":")))] * int(repeat or 1)

    home = os.open("/proc/self/ns/net", os.O_RDONLY)
    app = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    app.bind((APP, PORT))
    setns(os.open("/run/netns/" + peer_ns, os.O_RDONLY), peer_ns)
    peer = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)  # stays in the peer's namespace
    peer.bind((PEER, PORT))
    setns(home, "home")
    # Nothing reads the datagrams: a full socket buffer drops them after the
    # veth has counted them, silently.
    for i, (rx, tx) in enumerate(bursts):
        if i:
            time.sleep(gap)
        for _ in range(rx):
            peer.sendto(b"r" * rx_payload, (APP, PORT))
        for _ in range(tx):
            app.sendto(b"t" * tx_payload, (PEER, PORT))


main()
