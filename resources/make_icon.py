#!/usr/bin/env python3
"""Draws the program icon (a TV set with a magnifier, 32x32) and writes it as
orvikon.xpm (Linux and others) and orvikon.ico (Windows resource)."""
import struct

N = 32
px = [[None] * N for _ in range(N)]  # None = transparent, else (r, g, b)


def put(x, y, c):
    if 0 <= x < N and 0 <= y < N:
        px[y][x] = c


def rect(x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            put(x, y, c)


def line(x0, y0, x1, y1, c, w=1):
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        rect(x, y, x + w - 1, y + w - 1, c)


def disc(cx, cy, r, c):
    for y in range(N):
        for x in range(N):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                put(x, y, c)


# Antennas, cabinet, screen with a horizon, knobs, feet.
line(9, 1, 14, 6, (60, 60, 60))
line(21, 1, 16, 6, (60, 60, 60))
rect(1, 6, 29, 25, (40, 44, 52))
rect(2, 7, 28, 24, (96, 70, 48))
rect(4, 9, 22, 22, (20, 24, 32))
for y in range(10, 22):
    shade = 120 + (y - 10) * 8
    rect(5, y, 21, y, (40, 90, min(255, shade + 60)) if y < 17 else (40, shade, 70))
rect(24, 10, 26, 12, (220, 200, 120))
rect(24, 15, 26, 17, (220, 200, 120))
rect(4, 26, 7, 27, (40, 44, 52))
rect(23, 26, 26, 27, (40, 44, 52))
# Magnifier over the lower right corner.
line(24, 24, 30, 30, (70, 40, 20), 2)
disc(19, 19, 7, (200, 140, 30))
disc(19, 19, 5, (200, 230, 255))
rect(16, 16, 17, 17, (255, 255, 255))

colours = sorted({c for row in px for c in row if c is not None})
keys = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
code = {c: keys[i] for i, c in enumerate(colours)}

with open("orvikon.xpm", "w") as f:
    f.write("/* XPM */\nstatic const char* orvikon_xpm[] = {\n")
    f.write('"%d %d %d 1",\n' % (N, N, len(colours) + 1))
    f.write('"  c None",\n')
    for c in colours:
        f.write('"%s c #%02X%02X%02X",\n' % ((code[c],) + c))
    rows = ['"' + "".join(" " if c is None else code[c] for c in row) + '"' for row in px]
    f.write(",\n".join(rows) + "\n};\n")

# ICO: one 32-bit BGRA image, rows bottom-up, followed by the 1-bit AND mask.
pixels = b"".join(
    bytes((c[2], c[1], c[0], 255)) if c else b"\0\0\0\0" for row in reversed(px) for c in row)
mask = b""
for row in reversed(px):
    bits = 0
    for x, c in enumerate(row):
        if c is None:
            bits |= 1 << (31 - x)
    mask += struct.pack(">I", bits)
header = struct.pack("<IiiHHIIiiII", 40, N, 2 * N, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
image = header + pixels + mask
with open("orvikon.ico", "wb") as f:
    f.write(struct.pack("<HHH", 0, 1, 1))
    f.write(struct.pack("<BBBBHHII", N, N, 0, 0, 1, 32, len(image), 6 + 16))
    f.write(image)
