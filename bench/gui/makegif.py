#!/usr/bin/env python3
"""Writes an animated GIF of many frames quickly: 160 x 120, 16 colours,
bands moving from frame to frame, coded without compression (a clear code
every 14 pixels keeps the codes 5 bits wide).  Usage: makegif.py OUTPUT FRAMES"""
import struct
import sys

WIDTH, HEIGHT, DISTINCT = 160, 120, 40


def frame_data(k):
    clear, eoi = 16, 17
    codes = [clear]
    run = 0
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if run == 14:
                codes.append(clear)
                run = 0
            codes.append(((x + y + 4 * k) // 10) % 16)
            run += 1
    codes.append(eoi)
    bits, nbits, out = 0, 0, bytearray()
    for code in codes:
        bits |= code << nbits
        nbits += 5
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        out.append(bits & 0xFF)
    blocks = bytearray([4])  # minimum code size
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks += bytes([len(chunk)]) + chunk
    return bytes(blocks + b"\x00")


def main():
    path, frames = sys.argv[1], int(sys.argv[2])
    palette = b"".join(bytes([(i * 16) % 256, (255 - i * 16) % 256, (i * 40) % 256]) for i in range(16))
    data = [frame_data(k) for k in range(DISTINCT)]
    with open(path, "wb") as f:
        f.write(b"GIF89a" + struct.pack("<HHBBB", WIDTH, HEIGHT, 0xF3, 0, 0) + palette)
        f.write(b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00")
        for n in range(frames):
            f.write(b"\x21\xF9\x04" + struct.pack("<BHBB", 4, 4, 0, 0))
            f.write(b"\x2C" + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0))
            f.write(data[n % DISTINCT])
        f.write(b"\x3B")


main()
