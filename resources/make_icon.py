#!/usr/bin/env python3
"""Draws the program icon, a TV set with a magnifier, at any size.

    make_icon.py            writes the 32x32 icon as orvikon.xpm (Linux and
                            others) and orvikon.ico (Windows resource) into
                            the current folder
    make_icon.py --png DIR  writes DIR/<S>x<S>/apps/velunda.png for the sizes
                            of the desktop's icon theme, 16 to 256 pixels

The picture is laid out on a 32x32 grid and drawn from that layout at every
size, so the 32-pixel icon is exactly the grid and the larger ones get their
full resolution. At the other sizes every pixel is the mean of 4x4 samples:
rectangles keep sharp edges, lines and discs get smooth ones.
"""
import math
import os
import struct
import sys
import zlib

GRID = 32
PNG_SIZES = (16, 32, 48, 64, 128, 256)


def round_half_up(value):
    return math.floor(value + 0.5)


class Canvas:
    """Pixels of one size; shapes are given in grid units."""

    def __init__(self, size, snap=1):
        self.size = size
        self.scale = size / GRID
        self.snap = snap  # rectangle edges fall on multiples of this
        self.px = [[None] * size for _ in range(size)]  # None = transparent

    def span(self, first, last):
        """Pixel range covered by the grid cells first..last (at least one)."""
        step = self.scale / self.snap
        lo = round_half_up(first * step) * self.snap
        hi = round_half_up((last + 1) * step) * self.snap - 1
        return max(lo, 0), min(max(lo, hi), self.size - 1)

    def fill(self, x0, x1, y0, y1, c):
        if x1 < x0:
            return
        for y in range(max(y0, 0), min(y1, self.size - 1) + 1):
            self.px[y][x0:x1 + 1] = [c] * (x1 - x0 + 1)

    def rect(self, x0, y0, x1, y1, c):
        xs, ys = self.span(x0, x1), self.span(y0, y1)
        self.fill(xs[0], xs[1], ys[0], ys[1], c)

    def line(self, x0, y0, x1, y1, c, w=1):
        """A square pen, w cells wide, moved from one cell to the other."""
        steps = max(abs(x1 - x0), abs(y1 - y0)) * max(1, math.ceil(self.scale))
        pen = max(self.snap, round_half_up(w * self.scale))  # at least one pixel of the result
        for i in range(steps + 1):
            x = round_half_up((x0 + (x1 - x0) * i / steps) * self.scale)
            y = round_half_up((y0 + (y1 - y0) * i / steps) * self.scale)
            self.fill(max(x, 0), min(x + pen - 1, self.size - 1), y, y + pen - 1, c)

    def grid_pos(self, pixel):
        """Grid coordinate of a pixel's centre (a cell's centre is its index)."""
        return (pixel + 0.5) / self.scale - 0.5

    def disc(self, cx, cy, r, c):
        xs, ys = self.span(cx - r - 1, cx + r + 1), self.span(cy - r - 1, cy + r + 1)
        for y in range(ys[0], ys[1] + 1):
            dy = self.grid_pos(y) - cy
            for x in range(xs[0], xs[1] + 1):
                if (self.grid_pos(x) - cx) ** 2 + dy * dy <= r * r:
                    self.px[y][x] = c


def draw(size, snap=1):
    cv = Canvas(size, snap)
    # Antennas, cabinet, screen, knobs, feet.
    cv.line(9, 1, 14, 6, (60, 60, 60))
    cv.line(21, 1, 16, 6, (60, 60, 60))
    cv.rect(1, 6, 29, 25, (40, 44, 52))
    cv.rect(2, 7, 28, 24, (96, 70, 48))
    cv.rect(4, 9, 22, 22, (20, 24, 32))
    # The picture on the screen: sky above a horizon, a meadow below, both
    # shaded row by row from top to bottom.
    xs, ys = cv.span(5, 21), cv.span(10, 21)
    for y in range(ys[0], ys[1] + 1):
        row = cv.grid_pos(y)
        shade = round_half_up(120 + (row - 10) * 8)
        sky = row < 16.5
        cv.fill(xs[0], xs[1], y, y, (40, 90, min(255, shade + 60)) if sky else (40, shade, 70))
    cv.rect(24, 10, 26, 12, (220, 200, 120))
    cv.rect(24, 15, 26, 17, (220, 200, 120))
    cv.rect(4, 26, 7, 27, (40, 44, 52))
    cv.rect(23, 26, 26, 27, (40, 44, 52))
    # Magnifier over the lower right corner.
    cv.line(24, 24, 30, 30, (70, 40, 20), 2)
    cv.disc(19, 19, 7, (200, 140, 30))
    cv.disc(19, 19, 5, (200, 230, 255))
    cv.rect(16, 16, 17, 17, (255, 255, 255))
    return cv.px


def draw_rgba(size):
    """Rows of (r, g, b, a). Sizes other than the grid's are drawn four times
    larger, with rectangles on whole pixels of the result, and averaged."""
    factor = 1 if size == GRID else 4
    fine = draw(size * factor, factor)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            samples = [fine[y * factor + j][x * factor + i]
                       for j in range(factor) for i in range(factor)]
            opaque = [c for c in samples if c is not None]
            if not opaque:
                row.append((0, 0, 0, 0))
                continue
            mean = [round_half_up(sum(c[k] for c in opaque) / len(opaque)) for k in range(3)]
            row.append(tuple(mean) + (round_half_up(255 * len(opaque) / len(samples)),))
        rows.append(row)
    return rows


def write_png(path, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + \
            struct.pack(">I", zlib.crc32(kind + data))
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def write_xpm_and_ico(px):
    n = len(px)
    colours = sorted({c for row in px for c in row if c is not None})
    keys = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    code = {c: keys[i] for i, c in enumerate(colours)}

    with open("orvikon.xpm", "w") as f:
        f.write("/* XPM */\nstatic const char* orvikon_xpm[] = {\n")
        f.write('"%d %d %d 1",\n' % (n, n, len(colours) + 1))
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
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    image = header + pixels + mask
    with open("orvikon.ico", "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1))
        f.write(struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(image), 6 + 16))
        f.write(image)


def main(argv):
    if len(argv) == 1:
        write_xpm_and_ico(draw(GRID))
        return 0
    if len(argv) == 3 and argv[1] == "--png":
        for size in PNG_SIZES:
            folder = os.path.join(argv[2], "%dx%d" % (size, size), "apps")
            os.makedirs(folder, exist_ok=True)
            write_png(os.path.join(folder, "velunda.png"), draw_rgba(size))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
