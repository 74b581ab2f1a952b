#!/usr/bin/env python3
"""kavroconv's 16-bit PNGs as an outside reader sees them: Python's own zlib
decodes the file chunk by chunk, and the colours are computed here again
from the frames, to within half a step of 257 of the expected value.

usage: png16_check.py KAVROCONV FOLDER"""
import os
import struct
import subprocess
import sys
import zlib

WIDTH, HEIGHT = 96, 72
FRAME_BYTES = WIDTH * HEIGHT * 2


def frames(count, seed):
    result = []
    for _ in range(count):
        frame = bytearray(FRAME_BYTES)
        for i in range(FRAME_BYTES):
            seed = (seed * 69069 + 1) & 0xFFFFFFFF
            frame[i] = seed >> 24
        result.append(frame)
    return result


def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "signature"
    at, chunks = 8, []
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        assert crc == zlib.crc32(kind + body), "CRC of " + kind.decode()
        chunks.append((kind, body))
        at += 12 + length
    assert [k for k, _ in chunks][0] == b"IHDR" and chunks[-1][0] == b"IEND"
    header = struct.unpack(">IIBBBBB", chunks[0][1])
    assert header == (WIDTH, HEIGHT, 16, 2, 0, 0, 0), header
    rows = zlib.decompress(b"".join(b for k, b in chunks if k == b"IDAT"))
    row_bytes = 1 + WIDTH * 6
    assert len(rows) == HEIGHT * row_bytes
    samples = []
    for y in range(HEIGHT):
        row = rows[y * row_bytes:(y + 1) * row_bytes]
        assert row[0] == 0, "filter byte"
        samples.extend(struct.unpack(">%dH" % (WIDTH * 3), row[1:]))
    return samples


def colours(averages):
    """The camera's formula, pixel by pixel: an odd pixel takes the U of the
    next pair, the frame's last pixel a U of 0."""
    expected = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            pair = 4 * (y * WIDTH // 2 + x // 2)
            luma = averages[2 * (y * WIDTH + x) + 1]
            u_at = pair if x % 2 == 0 else pair + 4
            u = (averages[u_at] if u_at < FRAME_BYTES else 0) - 128
            v = averages[pair + 2] - 128
            rgb = (luma + 1.4 * v, 1.02 * luma - 0.75 * v - 0.336 * u, luma + 1.77 * u)
            expected.extend(min(255.0, max(0.0, c)) for c in rgb)
    return expected


def check(kavroconv, folder, method, pick):
    names = []
    for n, frame in enumerate(frames(4, 11)):
        names.append(os.path.join(folder, "f%d.bin" % n))
        open(names[-1], "wb").write(frame)
    out = os.path.join(folder, method + ".png")
    subprocess.run([kavroconv, "-q", "--average", "--stack", method, "-f", "png16", "-o", out]
                   + names, check=True)
    inputs = [open(name, "rb").read() for name in names]
    averages = [pick(sorted(f[i] for f in inputs)) for i in range(FRAME_BYTES)]
    worst = max(abs(v / 257 - x) for v, x in zip(read_png(out), colours(averages)))
    # Half a step exactly where 257 x ends in .5; 1e-9 for the doubles' last bits.
    assert worst <= 1 / 514 + 1e-9, "%s: off by %g" % (method, worst)
    print("%s: every channel within %g of the expected value" % (method, worst))


def main():
    kavroconv, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    check(kavroconv, folder, "mean", lambda v: sum(v) / len(v))
    check(kavroconv, folder, "median", lambda v: (v[1] + v[2]) / 2)


main()
