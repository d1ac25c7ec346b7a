#!/usr/bin/env python3
"""Draws the update dialog's animation clip and writes it as an RLE8 AVI.

A sheet of paper leaves a globe on the left, flies along an arc and drops into an open
folder on the right. The animation control plays uncompressed or RLE8 clips only, and
treats the colour of each frame's top-left pixel as transparent, so that corner is always
background. Standard library only:  python3 res/make_avi.py [output]  (default: update.avi
beside this script).
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 272, 48
FRAMES = 12
FRAME_MS = 120

BACKGROUND, OUTLINE, PAPER, FOLDER, FOLDER_DARK, SEA, LAND, INK = range(8)
PALETTE = [
    (0xF0, 0xF0, 0xF0),  # background, made transparent by the control
    (0x30, 0x30, 0x30),  # outline
    (0xFF, 0xFF, 0xFF),  # paper
    (0xF2, 0xC9, 0x4C),  # folder front
    (0xC8, 0x96, 0x28),  # folder back
    (0x3C, 0x78, 0xC8),  # sea
    (0x4C, 0xA0, 0x4C),  # land
    (0x90, 0x90, 0x90),  # lines of text on the paper
]


class Canvas:
    def __init__(self):
        self.rows = [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]

    def put(self, x, y, colour):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            self.rows[y][x] = colour

    def fill(self, left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, colour)

    def box(self, left, top, right, bottom, colour):
        self.fill(left, top, right, bottom, OUTLINE)
        self.fill(left + 1, top + 1, right - 1, bottom - 1, colour)

    def disc(self, cx, cy, radius, colour):
        for y in range(cy - radius, cy + radius + 1):
            for x in range(cx - radius, cx + radius + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= (radius + 0.5) ** 2:
                    self.put(x, y, colour)


def draw_globe(c):
    cx, cy, r = 28, 25, 17
    c.disc(cx, cy, r + 1, OUTLINE)
    c.disc(cx, cy, r, SEA)
    # Two continents: blobs clipped to the globe.
    for bx, by, br in ((cx - 6, cy - 6, 7), (cx + 7, cy + 6, 6), (cx - 3, cy + 9, 4)):
        for y in range(by - br, by + br + 1):
            for x in range(bx - br, bx + br + 1):
                inside_blob = (x - bx) ** 2 + (y - by) ** 2 <= br * br
                inside_globe = (x - cx) ** 2 + (y - cy) ** 2 < r * r
                if inside_blob and inside_globe:
                    c.put(x, y, LAND)


def draw_folder_back(c):
    c.box(222, 14, 236, 19, FOLDER_DARK)  # the tab
    c.box(222, 17, 262, 44, FOLDER_DARK)


def draw_folder_front(c):
    # The open flap, slanted towards the viewer.
    for i, y in enumerate(range(26, 45)):
        left = 218 + (18 - i) // 6
        c.fill(left, y, 266 - (18 - i) // 6, y + 1, FOLDER)
        c.put(left, y, OUTLINE)
        c.put(266 - (18 - i) // 6 - 1, y, OUTLINE)
    c.fill(218, 44, 266, 45, OUTLINE)
    c.fill(221, 26, 263, 27, OUTLINE)


def draw_page(c, x, y):
    c.box(x, y, x + 14, y + 18, PAPER)
    c.put(x + 13, y, BACKGROUND)  # a dog-ear
    for line in range(4):
        c.fill(x + 3, y + 4 + line * 3, x + 11 - (line == 3) * 3, y + 5 + line * 3, INK)


def page_position(frame):
    # An arc from the globe up and over to the folder's mouth, then a drop inside it.
    t = frame / (FRAMES - 1)
    u = min(t / 0.8, 1.0)
    x = 40 + (233 - 40) * u
    y = 20 + (8 - 20) * u - 14 * math.sin(math.pi * u)
    if t > 0.8:
        y += (t - 0.8) / 0.2 * 16
    return int(round(x)), int(round(y))


def frame(index):
    c = Canvas()
    draw_globe(c)
    draw_folder_back(c)
    draw_page(c, *page_position(index))
    draw_folder_front(c)
    c.rows[0][0] = BACKGROUND
    return c.rows


def rle8(rows):
    """Encoded-mode RLE8, bottom row first, each row closed by an end-of-line mark."""
    out = bytearray()
    for row in reversed(rows):
        x = 0
        while x < WIDTH:
            run = 1
            while x + run < WIDTH and run < 255 and row[x + run] == row[x]:
                run += 1
            out += bytes((run, row[x]))
            x += run
        out += b"\x00\x00"
    out[-2:] = b"\x00\x01"  # the last end-of-line becomes end-of-bitmap
    return bytes(out)


def chunk(fourcc, data):
    pad = b"\x00" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, fourcc, payload):
    return kind + struct.pack("<I", len(payload) + 4) + fourcc + payload


def build():
    frames = [rle8(frame(i)) for i in range(FRAMES)]
    largest = max(len(f) for f in frames)

    bih = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 1, largest, 0, 0, len(PALETTE), len(PALETTE))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"RLE ", 0, 0, 0, 0, FRAME_MS, 1000, 0, FRAMES,
                       largest, 0xFFFFFFFF, 0, 0, 0, WIDTH, HEIGHT)
    avih = struct.pack("<IIIIIIIIII16x", FRAME_MS * 1000, largest * 1000 // FRAME_MS, 0, 0x10, FRAMES, 0, 1,
                       largest, WIDTH, HEIGHT)
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) +
                     riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", bih + palette)))

    movi_payload = b""
    index = b""
    for data in frames:
        offset = 4 + len(movi_payload)  # from the "movi" tag
        movi_payload += chunk(b"00dc", data)
        index += struct.pack("<4sIII", b"00dc", 0x10, offset, len(data))
    movi = riff_list(b"LIST", b"movi", movi_payload)
    body = hdrl + movi + chunk(b"idx1", index)
    return riff_list(b"RIFF", b"AVI ", body)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "update.avi")
    data = build()
    with open(out, "wb") as f:
        f.write(data)
    print(f"{out}: {len(data)} bytes, {FRAMES} frames of {WIDTH}x{HEIGHT}")


if __name__ == "__main__":
    main()
