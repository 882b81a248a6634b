#!/usr/bin/env python3
"""Broadcasts one DHCPDISCOVER of a given size on an interface and waits for its DHCPOFFER.

    dhcp_discover.py INTERFACE SIZE

The request names a maximum message size of 1500 and is padded to SIZE bytes, as clients with a
larger buffer send them (busybox udhcpc never sends more than fits its own fixed buffer). Exits 0
when an OFFER for this transaction arrives within 10 s, else prints why and exits 1.
"""
import socket
import struct
import sys
import time

from dhcp_junk import message

XID = 0x1234


def option(packet, code):
    """The data of option `code` in a reply's options area, or None."""
    at = 240
    while at + 1 < len(packet) and packet[at] != 255:
        if packet[at] == 0:
            at += 1
            continue
        size = packet[at + 1]
        if packet[at] == code:
            return packet[at + 2:at + 2 + size]
        at += 2 + size
    return None


def main():
    interface, size = sys.argv[1], int(sys.argv[2])
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, interface.encode())
    s.bind(("0.0.0.0", 68))
    # DHCPDISCOVER, maximum message size 1500.
    discover = message(options=b"\x35\x01\x01\x39\x02\x05\xdc\xff", size=size)
    if len(discover) != size:
        print("cannot build a %d-byte DISCOVER" % size)
        sys.exit(1)
    s.sendto(discover, ("255.255.255.255", 67))
    end = time.monotonic() + 10
    while time.monotonic() < end:
        s.settimeout(max(0.01, end - time.monotonic()))
        try:
            reply = s.recv(2048)
        except socket.timeout:
            break
        if len(reply) >= 240 and reply[0] == 2 and struct.unpack("!I", reply[4:8])[0] == XID:
            if option(reply, 53) == b"\x02":
                print("offer of %s" % socket.inet_ntoa(reply[16:20]))
                return
    print("no OFFER for the %d-byte DISCOVER" % size)
    sys.exit(1)


if __name__ == "__main__":
    main()
