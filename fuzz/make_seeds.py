#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are the module protocol's reference frames: every request the tool builds, the
replies it decodes (setup, write acknowledgement, a full route list, a path list, send
statuses, a receive notice) and the awkward cases around them. The request and stream
targets read their input through libFuzzer's FuzzedDataProvider, so their seeds are encoded
the way it decodes: integers from the end of the input, highest byte first; strings and
byte runs from the front, a string ending at a backslash followed by any other character.
"""

import pathlib
import shutil

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def xor(data):
    x = 0
    for b in data:
        x ^= b
    return x


def frame(*header_and_payload):
    body = bytes(header_and_payload)
    return body + bytes([xor(body)])


class Provider:
    """Builds an input that FuzzedDataProvider takes apart into the given values."""

    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order the values are taken

    def text(self, value):
        self.front += value.encode().replace(b"\\", b"\\\\") + b"\\x"

    def raw(self, value):
        self.front += value

    def integer(self, value, low, high):
        span = high - low
        width = 0
        while width < 8 and span >> (8 * width) > 0:
            width += 1
        offset = value - low
        self.back += offset.to_bytes(width, "big") if width else b""

    def flag(self, value):
        self.integer(1 if value else 0, 0, 255)

    def data(self):
        return bytes(self.front) + bytes(reversed(self.back))


def write(target, name, data):
    directory = CORPUS / target
    directory.mkdir(parents=True, exist_ok=True)
    (directory / name).write_bytes(data)


# --- fuzz_reply: a flags byte (bit 0: bytes were dropped), then the block ---------------

READ_SETUP = frame(0x01, 0x00, 0x02, 0x0D, 0xA5, 0xA5, *[0] * 11)
WRITE_SETUP_INITIAL = frame(0x01, 0x00, 0x01, 0x0D, 0xA5, 0xA5, 0x6C, 0x80, 0x12, 0x07, 0x00,
                            0x00, 0x01, 0x00, 0x01, 0x03, 0x00)
READ_ROUTE = frame(0x01, 0x00, 0x03, 0x00)
READ_PATH = frame(0x01, 0x00, 0x08, 0x00)
SEND_AUTO = frame(0x05, 0x00, 0x01, 0x08, 0x00, 0x01, 0x00, 0x07, 0x01, 0x02, 0x01, 0x02)
SEND_SOURCE = frame(0x05, 0x00, 0x01, 0x0C, 0x00, 0x0A, 0x00, 0x03, 0x03, 0x02, 0x00, 0x05,
                    0x00, 0x06, 0x01, 0xAA)


def setup_reply(register, power=7, life=0, network=(0x00, 0x01), node=(0x00, 0x01), baud=3,
                parity=0):
    return frame(0x01, 0x00, 0x82, 0x0D, 0xA5, 0xA5, *register, power, life, *network, *node,
                 baud, parity)


def route_list(entries):
    """entries: (target, route) per used entry index; the other entries are empty."""
    body = bytearray([0x01, 0x00, 0x83, 364 & 0xFF, 0x00, 0x01, 0x00, 0x00])
    for i in range(40):
        target, route = entries.get(i, (0xFFFF, 0xFFFF))
        body += target.to_bytes(2, "big") + b"\x00" + route.to_bytes(2, "big") + bytes(4)
    return frame(*body)


def path_list(hops):
    """hops: (link value, node) per used hop index; the other hops are empty."""
    body = bytearray([0x01, 0x00, 0x88, 0x1B, 0x00, 0x00, 0x01])
    for i in range(8):
        value, node = hops.get(i, (0x00, 0xFFFF))
        body += bytes([value]) + node.to_bytes(2, "big")
    return frame(*body)


def send_status(status, code=0x81, frame_type=0x05):
    return frame(frame_type, 0x00, code, 0x03, 0x00, 0x01, status)


ROUTE_FULL = route_list({0: (0x0102, 0x0003), 2: (0x0005, 0x0003), 39: (0x0007, 0x0006)})
PATH = path_list({0: (0x4C, 0x0005), 1: (0x32, 0x0003)})
RECEIVE_NOTICE = frame(0x05, 0x00, 0x82, 0x05, 0x00, 0x01, 0x02, 0xAA, 0xBB)
FLOOD = bytes((i * 37 + 11) & 0xFF for i in range(1024))

REPLIES = {
    "request-read-setup": READ_SETUP,
    "request-write-setup-initial": WRITE_SETUP_INITIAL,
    "request-read-route": READ_ROUTE,
    "request-read-path": READ_PATH,
    "request-send-auto": SEND_AUTO,
    "request-send-source": SEND_SOURCE,
    "setup-written": frame(0x01, 0x00, 0x81, 0x00),
    "setup-reply-434": setup_reply((0x6C, 0x80, 0x12)),
    "setup-reply-433.5": setup_reply((0x6C, 0x60, 0x12)),
    "setup-reply-470": setup_reply((0x75, 0x80, 0x13)),
    "setup-reply-915": setup_reply((0xE4, 0xC0, 0x26), network=(0xFF, 0xFF)),
    "setup-reply-outside-lists": setup_reply((0xFF, 0xFF, 0xFF), power=0, life=24, baud=8,
                                             parity=3),
    "setup-reply-short": frame(*setup_reply((0x6C, 0x80, 0x12))[:16]),
    "route-list-full": ROUTE_FULL,
    "route-list-all-empty": route_list({}),
    "route-list-short": frame(*ROUTE_FULL[:100]),
    "path-reply": PATH,
    "path-reply-all-empty": path_list({}),
    "path-reply-short": frame(*PATH[:15]),
    "send-status-ok": send_status(0x00),
    "send-status-route-not-found": send_status(0xC7),
    "send-status-unknown": send_status(0x05),
    "send-status-by-module-type": send_status(0xE1, code=0x89, frame_type=0x01),
    "send-status-without-status": frame(0x05, 0x00, 0x81, 0x00, 0x00),
    "receive-notice": RECEIVE_NOTICE,
    "no-handler-85": frame(0x01, 0x00, 0x85, 0x00),
    "single-byte-00": b"\x00",
    "two-frames-one-block": setup_reply((0x6C, 0x80, 0x12)) + PATH,
    "wrong-check-byte": SEND_AUTO[:-1] + bytes([SEND_AUTO[-1] ^ 0x01]),
    "full-buffer": FLOOD,
}


def reply_seeds():
    for name, block in REPLIES.items():
        write("fuzz_reply", name, b"\x00" + block)
    write("fuzz_reply", "full-buffer-dropped", b"\x01" + FLOOD)


# --- fuzz_request: the controls' contents, in the order the target takes them ------------

def request(target="1", ack=False, jump=6, route=1, relaying=0, relays=("",) * 6, data="01 02",
            frequency="434", power=6, life=0, network="1", node="1", baud=3, parity=0,
            capacity=128, hundredths=43400):
    p = Provider()
    p.text(target)
    p.flag(ack)
    for index in (jump, route, relaying):
        p.integer(index, -1, 30)
    for relay in relays:
        p.text(relay)
    p.text(data)
    p.text(frequency)
    for index in (power, life):
        p.integer(index, -1, 30)
    p.text(network)
    p.text(node)
    for index in (baud, parity):
        p.integer(index, -1, 30)
    p.integer(capacity, 0, 256)
    p.integer(hundredths, 13700, 102000)
    return p.data()


def relay_fields(*texts):
    return tuple(texts) + ("",) * (6 - len(texts))


REQUESTS = {
    "initial-fields": request(),
    "source-two-relays": request(target="10", jump=2, route=3, relaying=2,
                                 relays=relay_fields("0005", "0006"), data="AA"),
    "force-with-relaying-left-at-3": request(route=2, relaying=3,
                                             relays=relay_fields("1", "2", "3")),
    "source-empty-relay-fields": request(route=3, relaying=2),
    "source-no-relay": request(route=3, relaying=0),
    "relays-12-3456": request(route=3, relaying=2, relays=relay_fields("12", "3456")),
    "relays-123-4567": request(route=3, relaying=2, relays=relay_fields("123", "4567")),
    "six-relays-longest-data": request(route=3, relaying=6,
                                       relays=relay_fields(*["FFFF"] * 6), data="5A" * 104),
    "longest-data": request(data="A5" * 117, capacity=117),
    "data-one-too-long": request(data="A5" * 118, capacity=118),
    "data-lower-case": request(data="a1b2"),
    "data-one-digit": request(data="1"),
    "data-spaces-only": request(data="   "),
    "data-pasted-non-hex": request(data="0G zz\\\t\n", capacity=2),
    "nothing-selected": request(jump=-1, route=-1, relaying=-1, power=-1, life=-1, baud=-1,
                                parity=-1),
    "frequency-433.5": request(frequency="433.5", hundredths=43350),
    "frequency-1020": request(frequency="1020", life=23, hundredths=102000),
    "frequency-empty": request(frequency="", network="", node=""),
    "frequency-100": request(frequency="100", hundredths=13700),
    "frequency-negative": request(frequency="-99", network="-1", node="65536"),
    "frequency-exponent": request(frequency="1e400", network="99999999999"),
    "ids-9999-and-pasted-1A": request(target="65535", network="9999", node="1A"),
}


# --- fuzz_stream: pieces, each with the silent ticks after it ---------------------------

def stream(*pieces):
    """pieces: (bytes, gap in ticks)."""
    p = Provider()
    for piece, gap in pieces:
        long_piece = len(piece) > 31
        p.flag(long_piece)
        p.integer(len(piece), 0, 1100 if long_piece else 31)
        p.integer(gap, 0, 7)
        p.raw(piece)
    return p.data()


def cut(block, size, gap):
    return [(block[i:i + size], gap) for i in range(0, len(block), size)]


STREAMS = {
    "setup-reply-whole": stream((setup_reply((0x6C, 0x80, 0x12)), 4)),
    "route-list-in-pieces-3-ticks-apart": stream(*cut(ROUTE_FULL, 31, 3)),
    "path-reply-byte-by-byte": stream(*cut(PATH, 1, 1)),
    "replies-4-ticks-apart": stream((setup_reply((0x6C, 0x80, 0x12)), 4), (PATH, 4),
                                    (send_status(0x00), 5)),
    "replies-3-ticks-apart": stream((send_status(0x00), 3), (RECEIVE_NOTICE, 3)),
    "flood-beyond-the-buffer": stream((FLOOD + FLOOD[:76], 4), (b"\x42", 4)),
    "overflow-in-pieces": stream(*cut(FLOOD + ROUTE_FULL, 1000, 2)),
}


def main():
    shutil.rmtree(CORPUS, ignore_errors=True)
    reply_seeds()
    for name, data in REQUESTS.items():
        write("fuzz_request", name, data)
    for name, data in STREAMS.items():
        write("fuzz_stream", name, data)


if __name__ == "__main__":
    main()
