#!/usr/bin/env python3
"""Writes the file list's bitmaps from the pictures below; run by hand after changing a picture.

Each picture is drawn in characters; '.' is the background colour, which the program makes
transparent (the colour of the top-left pixel), so the top-left character must be '.'.
Writes 24-bit Windows bitmaps (bottom-up rows, each padded to four bytes).
"""
import os
import struct

COLOURS = {
    '.': (255, 0, 255),  # background
    '#': (64, 64, 64),   # sort arrow
    'K': (0, 0, 0),      # outline
    'G': (0, 160, 0),    # parent-folder arrow
    'L': (96, 224, 96),  # its lit edge
}

UP_ARROW = """
.........
....#....
...###...
..#####..
.#######.
.........
"""

DIR_UP = """
................
....K...........
...KLK..........
..KLGGK.........
.KLGGGGK........
KKKLGGKKK.......
..KLGGK.........
..KLGGK.........
..KLGGK.........
..KLGGK.........
..KLGGKKKKKK....
..KLLLLLLLLLK...
..KGGGGGGGGGK...
..KKKKKKKKKKK...
................
................
"""


def rows(picture):
    return [line for line in picture.strip('\n').split('\n')]


def scaled(picture_rows, factor):
    out = []
    for line in picture_rows:
        wide = ''.join(c * factor for c in line)
        out.extend([wide] * factor)
    return out


def write_bmp(path, picture_rows):
    height = len(picture_rows)
    width = len(picture_rows[0])
    assert all(len(r) == width for r in picture_rows), path
    assert picture_rows[0][0] == '.', path
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for line in reversed(picture_rows):
        row = bytearray()
        for c in line:
            r, g, b = COLOURS[c]
            row += bytes((b, g, r))
        row += b'\0' * (stride - len(row))
        pixels += row
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


here = os.path.dirname(os.path.abspath(__file__))
up = rows(UP_ARROW)
write_bmp(os.path.join(here, 'uparrow2.bmp'), up)
write_bmp(os.path.join(here, 'downarrow2.bmp'), list(reversed(up)))
write_bmp(os.path.join(here, 'dirup16.bmp'), rows(DIR_UP))
write_bmp(os.path.join(here, 'dirup32.bmp'), scaled(rows(DIR_UP), 2))
