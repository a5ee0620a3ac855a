#!/usr/bin/env python3
"""Writes the small seed corpora of the bird-file and settings-file fuzz targets.

Bird-file seeds start with a mode byte (see fuzz/bird_file.cpp): 0 and then a whole file, or 1
and then a payload that the target compresses itself.
"""
import pathlib
import struct
import zlib

here = pathlib.Path(__file__).resolve().parent


def block(kind, body, flags=0):
    return bytes([(flags << 5) | kind]) + struct.pack(">I", len(body)) + body


def image(kind, address, data, flags=0):
    return block(kind, struct.pack(">I", address) + data, flags)


def information(*fields):
    return block(4, b"".join(f.encode().ljust(16)[:16] for f in fields))


def payload(blocks, checksum=0x12345678, declared=None, trailing=b""):
    count = len(blocks) if declared is None else declared
    return struct.pack(">I", count) + b"".join(blocks) + struct.pack(">I", checksum) + trailing


def bird_file(data):
    return b"bird\x01\x01" + zlib.compress(data, 9)


def write(target, name, data):
    directory = here / "corpus" / target
    directory.mkdir(parents=True, exist_ok=True)
    (directory / name).write_bytes(data)


full = payload([
    image(0, 0x20000000, bytes(range(24))),
    image(1, 0x1000, bytes(range(48)), flags=3),
    image(1, 0x2000, bytes(range(64))),
    block(2, struct.pack(">II", 0x2008, 0x2010)),
    information("build 17", "2.15.0", "40F5849A", "ABC12X"),
    block(5, struct.pack(">I", 0x20000400)),
])
write("bird_file", "full_file", b"\x00" + bird_file(full))
write("bird_file", "full_payload", b"\x01" + full)
write("bird_file", "trailing_byte", b"\x01" + payload([image(1, 0, b"abcd")], trailing=b"\xee"))
write("bird_file", "count_mismatch", b"\x01" + payload([image(1, 0, b"abcd")], declared=3))
write("bird_file", "short_blocks",
      b"\x01" + payload([block(4, b"short info"), block(2, b"\x00\x01"), block(1, b"\x01")]))
write("bird_file", "overlong_block", b"\x01" + b"\x00\x00\x00\x01" + b"\x01\xff\xff\xff\xff")
write("bird_file", "header_only", b"\x00bird\x01\x01")

write("settings_file", "store", b"CREATED_TIME=Tue Dec  8 16:40:57 2026\n"
      b"LAST_DOWNLOAD_DATE=Tue Dec  8 16:41:03 2026\nLATEST_DOWNLOAD=1234.bird\n"
      b"UPDATED_TIME=Tue Dec  8 16:41:03 2026\n")
write("settings_file", "edge_cases", b"# comment\nx\n A = 1 \nB=two words\n=\n #x=1\nC=\r\n")
write("settings_file", "no_final_line_feed", b"A=1\nLAST=tail")
write("settings_file", "long_line", b"LONG=" + b"v" * 2100 + b"\nAFTER=kept\n")


def packet(address, data):
    return bytes([address, len(data)]) + bytes(data)


def run(payload, option=3):
    packets = b""
    sequence = 0
    offset = 0
    while True:
        chunk = payload[offset:offset + 24]
        offset += len(chunk)
        more = 0x80 if offset < len(payload) else 0
        packets += packet(4, [18, option, 2] + list(chunk) + [more | (sequence & 0x7F)])
        sequence += 1
        if not more:
            return packets


def stream_sample(kind, value_bytes, subindex=None):
    data = [18, 5, 0x42, kind] + ([subindex] if subindex is not None else [])
    return packet(4, data + [0, 0, 0, 1, 0, 0, 0, 2] + value_bytes + [0])


write("lynkor_uei_receive", "run_fits", bytes([60]) + run(bytes(range(50))))
write("lynkor_uei_receive", "run_one_short", bytes([49]) + run(bytes(range(50))))
write("lynkor_uei_receive", "error_mid_run",
      bytes([200]) + run(bytes(range(30)))[:30] + packet(4, [18, 3, 0x82, 5]))
write("lynkor_uei_receive", "samples",
      bytes([10]) + stream_sample(1, [7]) + stream_sample(3, [1, 2, 3, 4]) +
      stream_sample(7, [1, 2, 3, 4], subindex=9) + packet(4, [18, 5, 0x42, 1, 0x81]))
