#!/usr/bin/env python3
"""A TFTP client that misbehaves on purpose, for the server's hostile cases.

    tftp_client.py CASE PORT FILE_PATH [ARGS...]

FILE_PATH is the served file on disk (the request names its base name), so the client can
compare what it received; for the upload cases it is the file sent, stored under its base name.
Exits 0 when the server behaved, else prints why and exits 1.
"""
import hashlib
import os
import socket
import struct
import sys
import time

HOST = "127.0.0.1"
RRQ, WRQ, DATA, ACK, ERROR = 1, 2, 3, 4, 5
# How long to wait for a datagram that must come: only a broken server uses it up, a busy
# machine may take seconds.
ANSWER_BOUND = 20.0


def fail(message):
    print(message)
    sys.exit(1)


def client_socket():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((HOST, 0))
    return s


def rrq(name):
    return struct.pack("!H", RRQ) + name.encode() + b"\0octet\0"


def wrq(name):
    return struct.pack("!H", WRQ) + name.encode() + b"\0octet\0"


def ack(block):
    return struct.pack("!HH", ACK, block)


def data(block, payload):
    return struct.pack("!HH", DATA, block & 0xFFFF) + payload


def blocks_of(path):
    """The file's 512-byte blocks, the last one short (empty when the size is a multiple of 512)."""
    with open(path, "rb") as f:
        content = f.read()
    return [content[at:at + 512] for at in range(0, len(content) + 1, 512)]


def receive(s, wait):
    """One datagram as (opcode, number, payload, sender), or None after `wait` seconds."""
    s.settimeout(wait)
    try:
        packet, sender = s.recvfrom(2048)
    except socket.timeout:
        return None
    if len(packet) < 4:
        fail("short packet from the server: %r" % packet)
    opcode, number = struct.unpack("!HH", packet[:4])
    return opcode, number, packet[4:], sender


def expect_data(s, block, wait=ANSWER_BOUND):
    got = receive(s, wait)
    if got is None:
        fail("no DATA %d" % block)
    opcode, number, payload, sender = got
    if opcode != DATA or number != block:
        fail("expected DATA %d, got opcode %d number %d" % (block, opcode, number))
    return payload, sender


def expect_ack(s, block, wait=ANSWER_BOUND):
    """Waits for the ACK of `block`; the port it came from."""
    got = receive(s, wait)
    if got is None:
        fail("no ACK %d" % block)
    opcode, number, _, sender = got
    if opcode != ACK or number != block & 0xFFFF:
        fail("expected ACK %d, got opcode %d number %d" % (block, opcode, number))
    return sender


def start_upload(port, path):
    """A socket with a WRQ for the file's base name acknowledged; the socket and the transfer's port."""
    s = client_socket()
    s.sendto(wrq(os.path.basename(path)), (HOST, port))
    return s, expect_ack(s, 0)


def download_rest(s, tid, first_payload, block=1):
    """ACKs from block `block` on until the short block; returns all data and the blocks seen."""
    data = [first_payload]
    blocks = [block]
    payload = first_payload
    while len(payload) == 512:
        s.sendto(ack(block), tid)
        block = (block + 1) & 0xFFFF
        payload, _ = expect_data(s, block)
        data.append(payload)
        blocks.append(block)
    s.sendto(ack(block), tid)
    return b"".join(data), blocks


def same_as_file(data, path):
    with open(path, "rb") as f:
        expected = f.read()
    if hashlib.sha256(data).digest() != hashlib.sha256(expected).digest():
        fail("downloaded %d bytes differ from the %d-byte file" % (len(data), len(expected)))


def case_lost_ack(port, path, timeout, max_retry):
    """Never ACK: DATA 1 comes 1 + max_retry times, then the server falls silent."""
    timeout, max_retry = float(timeout), int(max_retry)
    s = client_socket()
    s.sendto(rrq(os.path.basename(path)), (HOST, port))
    copies = 0
    last = time.monotonic()
    while True:
        got = receive(s, timeout + 1.5)
        if got is None:
            break
        opcode, number, _, _ = got
        if opcode != DATA or number != 1:
            fail("expected DATA 1 again, got %d %d" % (opcode, number))
        copies += 1
        now = time.monotonic()
        if copies > 1 and now - last < timeout * 0.9:
            fail("resent after %.2f s, before the %.0f s time-out" % (now - last, timeout))
        last = now
    if copies != 1 + max_retry:
        fail("DATA 1 came %d times, expected %d" % (copies, 1 + max_retry))


def case_wrong_tid(port, path):
    """An ACK from another port is neither answered nor taken for the client's."""
    s = client_socket()
    stranger = client_socket()
    s.sendto(rrq(os.path.basename(path)), (HOST, port))
    payload, tid = expect_data(s, 1)
    stranger.sendto(ack(1), tid)
    if receive(stranger, 0.5) is not None:
        fail("the server answered a stranger")
    if receive(s, 0.3) is not None:
        fail("the stranger's ACK moved the transfer on")
    data, _ = download_rest(s, tid, payload)
    same_as_file(data, path)


def case_short_packets(port, path):
    """Datagrams of 0 to 3 bytes, at the server's port and at a transfer's, change nothing."""
    s = client_socket()
    for junk in (b"", b"\0", b"\0\1", b"\0\4\0"):
        s.sendto(junk, (HOST, port))
    s.sendto(rrq(os.path.basename(path)), (HOST, port))
    payload, tid = expect_data(s, 1)
    for junk in (b"", b"\0", b"\0\4", b"\0\4\0"):
        s.sendto(junk, tid)
    if receive(s, 0.3) is not None:
        fail("a short packet was answered")
    data, _ = download_rest(s, tid, payload)
    same_as_file(data, path)


def case_concurrent(port, path, count):
    """`count` reads at once: 32 get DATA 1, every other one an ERROR."""
    count = int(count)
    sockets = [client_socket() for _ in range(count)]
    for s in sockets:
        s.sendto(rrq(os.path.basename(path)), (HOST, port))
    served = refused = 0
    for s in sockets:
        got = receive(s, ANSWER_BOUND)
        if got is None:
            fail("a request got no answer")
        if got[0] == DATA and got[1] == 1:
            served += 1
        elif got[0] == ERROR:
            refused += 1
        else:
            fail("unexpected answer %d %d" % (got[0], got[1]))
    if served != 32 or refused != count - 32:
        fail("%d served and %d refused of %d" % (served, refused, count))


def case_wrap(port, path):
    """A file past 32 MiB: block numbers run 65535, 0, 1, ... and the bytes arrive whole."""
    s = client_socket()
    s.sendto(rrq(os.path.basename(path)), (HOST, port))
    payload, tid = expect_data(s, 1)
    data, blocks = download_rest(s, tid, payload)
    same_as_file(data, path)
    if 65535 not in blocks or blocks[blocks.index(65535) + 1] != 0:
        fail("block numbers did not wrap from 65535 to 0")


def case_upload_retransmits(port, path, timeout):
    """Seven scattered blocks sent twice, then one pause longer than the time-out: each repeat is
    acknowledged again, the pause brings the last ACK again, and the upload goes on to the end."""
    timeout = float(timeout)
    s, tid = start_upload(port, path)
    blocks = blocks_of(path)
    repeated = {len(blocks) * k // 8 for k in range(1, 8)}
    pause_after = len(blocks) * 15 // 16
    if len(repeated) != 7 or pause_after <= max(repeated):
        fail("the file is too small for this case")
    for block, payload in enumerate(blocks, 1):
        s.sendto(data(block, payload), tid)
        expect_ack(s, block)
        if block in repeated:
            s.sendto(data(block, payload), tid)
            expect_ack(s, block)
        if block == pause_after:
            expect_ack(s, block, timeout * 2 + 5)


def case_upload_lost_final_ack(port, path):
    """The ACK of the last block is lost, so the client sends that block again: it is
    acknowledged again. A new request from the same port is then served, not taken for a repeat."""
    s, tid = start_upload(port, path)
    blocks = blocks_of(path)
    for block, payload in enumerate(blocks, 1):
        s.sendto(data(block, payload), tid)
        expect_ack(s, block)
    s.sendto(data(len(blocks), blocks[-1]), tid)
    expect_ack(s, len(blocks))
    s.sendto(wrq(os.path.basename(path) + ".next"), (HOST, port))
    next_tid = expect_ack(s, 0)
    if next_tid == tid:
        fail("the next upload came from the finished one's port")
    s.sendto(data(1, b""), next_tid)
    expect_ack(s, 1)


def case_upload_silent(port, path, timeout, max_retry):
    """The client falls silent mid-upload: the last ACK comes max_retry more times, then an ERROR
    (the caller checks that no partial file stays)."""
    timeout, max_retry = float(timeout), int(max_retry)
    s, tid = start_upload(port, path)
    blocks = blocks_of(path)
    if len(blocks) < 4:
        fail("the file is too small for this case")
    for block in (1, 2, 3):
        s.sendto(data(block, blocks[block - 1]), tid)
        expect_ack(s, block)
    copies = 0
    while True:
        got = receive(s, timeout * 2 + 5)
        if got is None:
            fail("no ERROR after %d repeated ACKs" % copies)
        opcode, number, _, _ = got
        if opcode == ERROR:
            break
        if opcode != ACK or number != 3:
            fail("expected ACK 3 again, got %d %d" % (opcode, number))
        copies += 1
    if number != 0 or copies != max_retry:
        fail("ERROR %d after %d repeated ACKs, expected ERROR 0 after %d" % (number, copies, max_retry))


CASES = {
    "lost-ack": case_lost_ack,
    "wrong-tid": case_wrong_tid,
    "short-packets": case_short_packets,
    "concurrent": case_concurrent,
    "wrap": case_wrap,
    "upload-retransmits": case_upload_retransmits,
    "upload-lost-final-ack": case_upload_lost_final_ack,
    "upload-silent": case_upload_silent,
}

if __name__ == "__main__":
    if len(sys.argv) < 4 or sys.argv[1] not in CASES:
        fail(__doc__)
    CASES[sys.argv[1]](int(sys.argv[2]), *sys.argv[3:])
