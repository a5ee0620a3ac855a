#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets whose seeds are binary.

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


def crc8_maxim(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0x8C if crc & 1 else crc >> 1
    return crc


def cobs(data):
    out, run = bytearray(), bytearray()
    for byte in data:
        if byte == 0:
            out += bytes([len(run) + 1]) + run
            run = bytearray()
        else:
            run.append(byte)
    return bytes(out + bytes([len(run) + 1]) + run)


def serial_frame(address, payload_bytes, crc_fix=0):
    plain = bytes([address, len(payload_bytes)]) + payload_bytes
    return cobs(plain + bytes([crc8_maxim(plain) ^ crc_fix]))


write("lynkor_serial_frame", "short_packet", serial_frame(2, b"\x01\x02\x03"))
write("lynkor_serial_frame", "zeros_inside", serial_frame(4, b"\x00\x49\x00\x00\xff"))
write("lynkor_serial_frame", "longest_packet", serial_frame(6, bytes(range(1, 29))))
write("lynkor_serial_frame", "bad_crc", serial_frame(2, b"\x10\x20", crc_fix=0x5A))
write("lynkor_serial_frame", "bad_code", b"\x05\x02\x01")

write("lynkor_emulation_answer", "usb_device",
      b"OK vid=3a7c pid=0012 vendor_interface=1 packet_size=512 held=0 serial=RFICB1234.A")
write("lynkor_emulation_answer", "hid_rom",
      b"OK vid=1fc9 pid=0130 vendor_interface=0 packet_size=65 held=0 serial=")
write("lynkor_emulation_answer", "busy",
      b"BUSY vid=3a7c pid=0005 vendor_interface=1 packet_size=64 held=1 serial=40F5849A with spaces")
write("lynkor_emulation_answer", "malformed", b"OK vid=1fc9 pid")
write("lynkor_emulation_answer", "field_without_value", b"OK vid=3a7c novalue serial=1")
write("lynkor_emulation_answer", "serial_with_spaces", b"OK serial=two words ")


def network_answer(module, port, serial, model):
    answer = bytearray([0xEE] * 16)
    answer[1] = module
    answer[2:4] = struct.pack("<H", port)
    answer[4:8] = struct.pack("<I", serial)
    answer[12] = model
    return bytes(answer)


write("lynkor_network_answer", "answer", network_answer(6, 40123, 0x40F5849A, 26))
write("lynkor_network_answer", "short", network_answer(2, 5000, 0xAAAA, 4)[:15])
write("lynkor_network_answer", "long", network_answer(2, 5000, 0xAAAA, 4) + b"\x00")


def link_spec(serial, address, port, kind=2):
    head = struct.pack("<iIIIII", kind, serial, 2, 2, serial, 26)
    return (head + address + struct.pack("<I", port)).ljust(128, b"\x00")


def beacon(sender, frame):
    length = 0xFF if len(frame) == 128 else len(frame)
    return bytes([sender, length]) + frame


loopback = bytes([127, 0, 0, 1])
own = link_spec(0x40F5849A, loopback, 9000)
write("lynkor_beacon_frame", "local_repeats",
      b"\x01" + beacon(1, own) + beacon(1, own) + beacon(2, link_spec(7, bytes([127, 0, 0, 3]), 1))
      + beacon(3, link_spec(7, bytes([127, 0, 0, 3]), 1)) + beacon(1, own[:100]))
write("lynkor_beacon_frame", "any_host",
      b"\x00" + beacon(9, link_spec(5, bytes([10, 1, 2, 3]), 7)) + beacon(9, own))


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

write("upgrade_replies", "init", bytes([0x5F, 0, 0x20, 0, 0, 0]))
write("upgrade_replies", "prepare_block_64", bytes([0x5F, 7, 0, 0, 64]))
write("upgrade_replies", "sum", bytes([0x5F, 7, 0, 0, 0, 0x0C, 0xF3]))
write("upgrade_replies", "data_short", bytes([0x5F, 1]))
write("upgrade_replies", "status_only", bytes([0x5F, 7, 11]))
