#!/usr/bin/env python3
"""Writes a small placeable Windows metafile: a blue 160 x 120 rectangle with
a red ellipse inside, at 72 units per inch (so it decodes at 160 x 120 pixels
at the default 72 dots per inch).  Usage: makewmf.py OUTPUT"""
import struct
import sys


def record(function, *words):
    return struct.pack("<IH", 3 + len(words), function) + struct.pack("<%dh" % len(words), *words)


def brush(red, green, blue):
    # LOGBRUSH: style 0 (solid), COLORREF, hatch.
    body = struct.pack("<HBBBBH", 0, red, green, blue, 0, 0)
    return struct.pack("<IH", 3 + len(body) // 2, 0x02FC) + body


width, height = 160, 120
records = b"".join([
    record(0x020B, 0, 0),                  # SETWINDOWORG y, x
    record(0x020C, height, width),         # SETWINDOWEXT height, width
    brush(0, 0, 255),
    record(0x012D, 0),                     # SELECTOBJECT 0
    record(0x041B, height, width, 0, 0),   # RECTANGLE bottom, right, top, left
    brush(255, 0, 0),
    record(0x012D, 1),
    record(0x0418, 90, 120, 30, 40),       # ELLIPSE bottom, right, top, left
    record(0x0000),                        # EOF
])
max_record = max(struct.unpack_from("<I", records, 0)[0], 7)
header = struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(records)) // 2, 2, max_record, 0)

placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, width, height, 72, 0)
checksum = 0
for (word,) in struct.iter_unpack("<H", placeable):
    checksum ^= word
placeable += struct.pack("<H", checksum)

with open(sys.argv[1], "wb") as out:
    out.write(placeable + header + records)
