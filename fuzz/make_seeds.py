#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz harnesses into fuzz/corpus/<harness>/.

The seeds are valid requests and answers, exception answers, faulty answers
and the documented example frames, encoded in each harness's input layout.
Run it again after changing a layout; the files are committed.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def with_crc(frame):
    c = crc16(frame)
    return bytes(frame) + bytes([c & 0xFF, c >> 8])


def read_request(start, count):
    return with_crc(bytes([0xFF, 3]) + struct.pack(">HH", start, count))


def write_request(start, values):
    return with_crc(bytes([0xFF, 16]) + struct.pack(">HH", start, len(values)) + b"\x00" +
                    b"".join(struct.pack(">H", v) for v in values))


def read_answer(values, address=0xFF):
    return with_crc(bytes([address, 3, 2 * len(values)]) + b"".join(struct.pack(">H", v) for v in values))


def write_answer(start, count, address=0xFF):
    return with_crc(bytes([address, 16]) + struct.pack(">HH", start, count))


def exception(function, code=2):
    return with_crc(bytes([0xFF, function | 0x80, code]))


# Known frames, checked against the values the module's documentation gives.
assert read_request(0, 2) == bytes.fromhex("FF0300000002D1D5")
assert read_request(0, 4) == bytes.fromhex("FF030000000451D7")
assert write_request(4, [0x1234]) == bytes.fromhex("FF1000040001001234" "4307")
assert crc16(b"123456789") == 0x4B37

IDENTITY = [4608, 20413, 1, 5]
PORTS = IDENTITY + [3, 4, 1, 3, 4, 2, 3, 4, 3, 3, 4]
SLAVE_MASTER = [0, 3, 1000, 500, 3, 100, 100, 100, 0, 3, 4]
ORDER = [0x0A03, 0, 10, 100, 1]


def attempt(answer, control=0, chunk=0xFF):
    """One attempt of the transaction harness: control byte, chunk, bytes."""
    return bytes([control, chunk]) + answer


def master(write, start, count, *attempts, mode_extra=0):
    mode = (1 if write else 0) | 2 | mode_extra
    return bytes([0x00, mode]) + struct.pack(">HH", start, count) + b"".join(attempts)


def judge(write, start, count, answer, flags=0):
    return bytes([0x80, flags | (1 if write else 0)]) + struct.pack(">HH", start, count) + \
        bytes([len(answer)]) + answer


transaction = {
    "read-identity": master(False, 0, 2, attempt(read_answer(IDENTITY[:2]))),
    "read-firmware": master(False, 0, 4, attempt(read_answer(IDENTITY))),
    "read-ports": master(False, 0, 15, attempt(read_answer(PORTS))),
    "read-slave-master": master(False, 19, 11, attempt(read_answer(SLAVE_MASTER))),
    "read-order-149": master(False, 795, 5, attempt(read_answer(ORDER))),
    "read-silent-then-good": master(False, 0, 4, attempt(b"", chunk=0), attempt(read_answer(IDENTITY))),
    "read-silent": master(False, 0, 4, *[attempt(b"", chunk=0)] * 5),
    "read-exception": master(False, 0, 4, attempt(exception(3))),
    "read-other-address": master(False, 0, 2, attempt(read_answer(IDENTITY[:2], address=1))),
    "read-cut-short": master(False, 0, 4, attempt(read_answer(IDENTITY)[:6], chunk=6)),
    "read-ff-ff": master(False, 0, 2, attempt(b"\xff\xff", chunk=2)),
    "read-write-failed": master(False, 0, 2, attempt(read_answer(IDENTITY[:2]), control=2)),
    "read-refused": master(False, 1020, 10, attempt(b""), mode_extra=4),
    "write-example": master(True, 4, 1, attempt(write_answer(4, 1))),
    "write-ports": master(True, 4, 11, attempt(write_answer(4, 11))),
    "write-order": master(True, 50, 5, attempt(write_answer(50, 5))),
    "write-exception": master(True, 4, 11, attempt(exception(16))),
    "write-echo-start": master(True, 4, 11, attempt(write_answer(5, 11))),
    "write-echo-count": master(True, 4, 11, attempt(write_answer(4, 10))),
    "write-silent-then-good": master(True, 19, 11, attempt(b"", chunk=0), attempt(write_answer(19, 11))),
    "judge-read-good": judge(False, 0, 4, read_answer(IDENTITY)),
    "judge-read-count": judge(False, 0, 4, with_crc(bytes([0xFF, 3, 6]) + bytes(8))),
    "judge-write-good": judge(True, 4, 1, write_answer(4, 1)),
    "judge-write-short": judge(True, 4, 1, with_crc(bytes([0xFF, 16, 0, 4]))),
    "judge-exception": judge(False, 0, 2, exception(3)),
}

# Parser harness: orders, fault selector, then the byte stream.
examples = [read_request(0, 2), read_request(0, 4), write_request(4, [0x1234])]
sim = {
    "examples": bytes([3, 0]) + b"".join(examples),
    "read-whole": bytes([3, 0]) + read_request(0, 15) + read_request(19, 11) +
    b"".join(read_request(50 + 5 * i, 5) for i in range(3)),
    "write-whole": bytes([2, 0]) + write_request(4, PORTS[4:]) + write_request(19, SLAVE_MASTER) +
    write_request(50, ORDER) + write_request(55, ORDER),
    "noise-before": bytes([0, 0]) + b"\x00\x13\xfe" + read_request(0, 4),
    "answers-as-requests": bytes([0, 0]) + read_answer(IDENTITY) + write_answer(4, 1) + exception(3),
    "bad-crc": bytes([0, 0]) + read_request(0, 4)[:-1] + b"\x00" + read_request(0, 2),
    "write-out-of-range": bytes([0, 0]) + write_request(1022, [1, 2, 3, 4]),
    "other-function": bytes([0, 0]) + with_crc(bytes([0xFF, 4, 0, 0, 0, 2])),
    "fault-exception": bytes([1, 4]) + read_request(0, 2),
    "fault-garbage": bytes([1, 12]) + write_request(4, [0x1234]),
    "single-frame": bytes([0, 0, 0xA5]) + write_request(4, [0x1234]),
    "single-short": bytes([0, 0, 0xA5]) + b"\xff\x10\x00\x04",
}


def write_corpus(name, seeds):
    folder = os.path.join(HERE, "corpus", name)
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        os.remove(os.path.join(folder, old))
    for seed_name, data in seeds.items():
        with open(os.path.join(folder, seed_name), "wb") as f:
            f.write(data)


write_corpus("fuzz_transaction", transaction)
write_corpus("fuzz_sim_parser", sim)
