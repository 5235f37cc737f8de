#!/usr/bin/env python3
"""Writes firmware.hex, the sample image for the programming dialog.

3 KiB of program at 0x0000 (16-byte data records), then an Extended Linear Address record that
moves to 0x10000 and 256 bytes of a table there, then the end-of-file record. CR LF line ends,
upper-case digits, as the usual AVR tools write them. The bytes are made up but fixed, so the
file is the same on every run.

    python3 examples/make_firmware_hex.py > examples/firmware.hex
"""
import sys


def record(address, kind, data):
    body = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, kind]) + bytes(data)
    checksum = (-sum(body)) & 0xFF
    return ":" + (body + bytes([checksum])).hex().upper() + "\r\n"


def program_bytes(count, seed):
    # A small linear congruential generator: fixed bytes without a random module.
    state = seed
    out = []
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((state >> 16) & 0xFF)
    return out


def main():
    lines = []
    # Reset and interrupt vectors: "jmp" (0x940C) to 0x0046 for each of 35 vectors.
    program = []
    for _ in range(35):
        program += [0x0C, 0x94, 0x46, 0x00]
    program += program_bytes(3 * 1024 - len(program), 0x5A17)
    for offset in range(0, len(program), 16):
        lines.append(record(offset, 0x00, program[offset:offset + 16]))
    lines.append(record(0, 0x04, [0x00, 0x01]))
    table = list(range(256))
    for offset in range(0, len(table), 16):
        lines.append(record(offset, 0x00, table[offset:offset + 16]))
    lines.append(":00000001FF\r\n")
    sys.stdout.buffer.write("".join(lines).encode("ascii"))


if __name__ == "__main__":
    main()
