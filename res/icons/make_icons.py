#!/usr/bin/env python3
"""Writes the program's icons from the pixel art below.

    python3 make_icons.py [OUTPUT_DIR]      (default: this script's folder)

pukavro.ico holds a 32 x 32 and a 16 x 16 image, pukavro-small.ico the same
16 x 16 image alone. kavroview.ico holds both images of the same camera with
its lens lit green and its lamp on, the live view's own. Every image is 16 colours at 4 bits per pixel with the
standard 16-colour palette and an AND mask for the transparent pixels, which
is what the resource script's icon groups promise. The build uses the
committed .ico files; run this again only after changing the art.
"""

import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue), in palette order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# One character a pixel; '.' is transparent.
INK = {
    '#': 0,   # black: outlines
    'r': 1,   # dark red: lamp shadow
    'b': 4,   # dark blue: lens glass
    'c': 6,   # dark cyan: glass reflection
    'l': 7,   # light grey: top plate, lens barrel
    'd': 8,   # dark grey: body
    'R': 9,   # red: shutter button, lamp
    'B': 12,  # blue: lit glass
    'C': 14,  # cyan: glass highlight
    'w': 15,  # white: shine, flash window
}

# A compact camera seen from the front: shutter button and viewfinder hump
# on top, flash window at the left, the lens in the middle.
CAMERA_32 = """
................................
................................
................................
................................
...........##########...........
..........#wwllllllll#..........
...#####..#llllllllll#..........
..#RRRRR#.#dddddddddd#..........
..############################..
.#wwwwwwwwwwwwwwwwwwwwwwwwwwww#.
.#l#####lllll######llllllRRlll#.
.#l#www#lll##wwwlll##llllrrlll#.
.#l#wwl#ll#wwllllllll#llllllll#.
.#d#####d#wlll####llll#ddddddd#.
.#ddddddd#wl##BBbb##ll#ddddddd#.
.#dddddd#wll#BwCBbb#lll#dddddd#.
.#dddddd#wl#BCCBbbbb#ld#dddddd#.
.#dddddd#wl#BBBbbbbb#ld#dddddd#.
.#dddddd#ll#Bbbbbbbb#ld#dddddd#.
.#dddddd#ll#bbbbbbcb#ld#dddddd#.
.#dddddd#lll#bbbbcb#lld#dddddd#.
.#ddddddd#ll##bbbb##ld#ddddddd#.
.#ddddddd#llll####lldd#ddddddd#.
.#dddddddd#lllllllldd#dddddddd#.
.#ddddddddd##lllldd##ddddddddd#.
.#ddddddddddd######ddddddddddd#.
.#dddddddddddddddddddddddddddd#.
..############################..
................................
................................
................................
................................
"""

# The same camera with fewer details.
CAMERA_16 = """
................
................
................
................
.......####.....
..RR..#llll#....
.##############.
#wwwww####wwwww#
#lwll#llll#llRl#
#ddd#llbbld#ddd#
#ddd#lCBbbd#ddd#
#ddd#lBbbbd#ddd#
#ddd#ldbbdd#ddd#
#dddd#lddd#dddd#
#ddddd####ddddd#
.##############.
"""


# kavroview's camera: the glass lit green, as a live picture.
LIVE_INK = dict(INK, b=2, B=10, c=2, r=9)


def parse_art(art, size):
    rows = art.strip().split("\n")
    if len(rows) != size or any(len(row) != size for row in rows):
        raise ValueError("art must be %d x %d" % (size, size))
    return rows


def row_bytes(bits_per_row):
    """Bytes of one bitmap row: rows are padded to whole 32-bit words."""
    return (bits_per_row + 31) // 32 * 4


def icon_image(art, size, ink=None):
    """The bytes of one icon image: header, palette, colour bits, AND mask."""
    ink = ink or INK
    rows = parse_art(art, size)
    xor_row = row_bytes(size * 4)
    and_row = row_bytes(size)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,                          # header size
        size, size * 2,              # height counts the colour bits and the mask
        1, 4,                        # planes, bits per pixel
        0,                           # uncompressed
        (xor_row + and_row) * size,  # image bytes
        0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom row first
        line = bytearray(xor_row)
        bits = bytearray(and_row)
        for x, ch in enumerate(row):
            if ch == ".":
                bits[x // 8] |= 0x80 >> (x % 8)  # keep the screen; colour stays 0
                continue
            index = ink[ch]
            line[x // 2] |= index << 4 if x % 2 == 0 else index
        colour += line
        mask += bits
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(images):
    """An .ico file holding the given (size, image bytes) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(image for _, image in images)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    large = icon_image(CAMERA_32, 32)
    small = icon_image(CAMERA_16, 16)
    files = {
        "pukavro.ico": [(32, large), (16, small)],
        "pukavro-small.ico": [(16, small)],
        "kavroview.ico": [(32, icon_image(CAMERA_32, 32, LIVE_INK)),
                          (16, icon_image(CAMERA_16, 16, LIVE_INK))],
    }
    for name, images in files.items():
        path = os.path.join(out_dir, name)
        with open(path, "wb") as f:
            f.write(icon_file(images))
        print("wrote", path)


if __name__ == "__main__":
    main()
