#!/usr/bin/env python3
"""Sends malformed DHCP datagrams to a server, broadcast on an interface and unicast.

    dhcp_junk.py INTERFACE SERVER_ADDRESS [SECONDS]

Every datagram here must be dropped; the caller checks that the server still answers. With
SECONDS, a short datagram is broadcast every 50 ms for that long instead: a server that is
never quiet.
"""
import os
import socket
import struct
import sys
import time


def message(op=1, hlen=6, options=b"", size=300, mac=b"\x02\x00\x00\x00\xee\x01"):
    fixed = struct.pack("!BBBBIHH4s4s4s4s16s64s128sI", op, 1, hlen, 0, 0x1234, 0, 0x8000, b"", b"", b"", b"",
                        mac, b"", b"", 0x63825363)
    body = fixed + options
    return body + b"\0" * max(0, size - len(body))


JUNK = [
    b"",
    b"\x01",
    os.urandom(239),
    os.urandom(300),
    os.urandom(552),
    os.urandom(1400),
    os.urandom(4000),                                        # longer than the server reads
    message(hlen=200, options=b"\x35\x01\x01\xff"),
    message(op=2, options=b"\x35\x01\x01\xff"),
    message(options=b""),                                     # no options at all
    message(options=b"\x35\x00\xff"),                         # a type without its byte
    message(options=b"\x35\x01\x01\x36\x02\x0a\x63\xff"),     # a two-byte server identifier
    message(options=b"\x35\x01\x03\x32\x01\x0a\xff"),         # a one-byte requested address
    message(options=b"\x34\x01\x03" + b"\x35\xff", size=242),  # overload, then an option cut short
    message(options=b"\x00" * 10 + b"\x35\x01", size=252),      # a type whose byte is not there
    message(options=b"\x35\x01\x04\xff"),                     # DHCPDECLINE
]


def main():
    interface, server = sys.argv[1], sys.argv[2]
    broadcast = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    broadcast.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    broadcast.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, interface.encode())
    if len(sys.argv) > 3:
        end = time.monotonic() + float(sys.argv[3])
        while time.monotonic() < end:
            broadcast.sendto(b"\x01", ("255.255.255.255", 67))
            time.sleep(0.05)
        return
    for datagram in JUNK:
        broadcast.sendto(datagram, ("255.255.255.255", 67))
        broadcast.sendto(datagram, (server, 67))


if __name__ == "__main__":
    main()
