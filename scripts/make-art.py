#!/usr/bin/env python3
"""Draws the program's logo bitmaps (res/logo.bmp, logo150.bmp and logo200.bmp: 48, 72 and 96
pixels square for 100 %, 150 % and 200 %, 8 bits per pixel with the picture's palette, run-length
encoded) and icon (res/setup.ico, 16, 32, 48, 64 and 256 pixels, 32 bits per pixel with alpha; all but
the 16-pixel image as PNG, so that they do not add a quarter megabyte to the program): a steel I-beam
seen slightly from above, in blue-grey. Run from anywhere; writes next to res/SetUp.rc."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, os.pardir, "res")

PAGE_BACKGROUND = (160, 180, 220)  # the pages' background colour, so the logo blends in
FRONT_TOP = (196, 210, 228)
FRONT_BOTTOM = (120, 142, 170)
TOP_FACE = (150, 168, 192)
SIDE_FACE = (62, 80, 108)
OUTLINE = (30, 40, 60)

DEPTH = (0.20, -0.16)
FLANGE_LEFT, FLANGE_RIGHT = 0.08, 0.60
WEB_LEFT, WEB_RIGHT = 0.28, 0.40
TOP_FLANGE = (0.30, 0.41)
BOTTOM_FLANGE = (0.80, 0.91)


def front_outline():
    """The I cross-section, clockwise from the top left corner."""
    (t0, t1), (b0, b1) = TOP_FLANGE, BOTTOM_FLANGE
    return [(FLANGE_LEFT, t0), (FLANGE_RIGHT, t0), (FLANGE_RIGHT, t1), (WEB_RIGHT, t1),
            (WEB_RIGHT, b0), (FLANGE_RIGHT, b0), (FLANGE_RIGHT, b1), (FLANGE_LEFT, b1),
            (FLANGE_LEFT, b0), (WEB_LEFT, b0), (WEB_LEFT, t1), (FLANGE_LEFT, t1)]


def shifted(polygon, t):
    return [(x + DEPTH[0] * t, y + DEPTH[1] * t) for x, y in polygon]


def face(a, b):
    """The face swept by the edge a-b when the section is extruded along DEPTH."""
    return [a, b, shifted([b], 1)[0], shifted([a], 1)[0]]


def inside(polygon, x, y):
    result = False
    j = len(polygon) - 1
    for i, (xi, yi) in enumerate(polygon):
        xj, yj = polygon[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def layers():
    """(polygon, colour function of y) from back to front."""
    front = front_outline()
    (t0, t1), (b0, _) = TOP_FLANGE, BOTTOM_FLANGE
    solid = lambda colour: (lambda y: colour)
    result = [(shifted(front, step / 24.0), solid(SIDE_FACE)) for step in range(24, 0, -1)]
    result.append((face((FLANGE_LEFT, t0), (FLANGE_RIGHT, t0)), solid(TOP_FACE)))
    result.append((face((WEB_RIGHT, b0), (FLANGE_RIGHT, b0)), solid(TOP_FACE)))
    result.append((face((WEB_RIGHT, t1), (WEB_RIGHT, b0)), solid(SIDE_FACE)))
    gradient = lambda y: tuple(round(a + (b - a) * min(1.0, max(0.0, (y - t0) / (0.91 - t0))))
                               for a, b in zip(FRONT_TOP, FRONT_BOTTOM))
    result.append((front, gradient))
    return result


def on_edge(polygon, x, y, width):
    for i in range(len(polygon)):
        (x0, y0), (x1, y1) = polygon[i - 1], polygon[i]
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        if px * px + py * py <= width * width:
            return True
    return False


def render(size, samples=4):
    """Rows of (r, g, b, a), top row first, samples x samples supersampled."""
    drawn = layers()
    edge_width = 0.55 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    colour = None
                    for polygon, paint in drawn:
                        if inside(polygon, x, y):
                            colour = paint(y)
                    if colour is None:
                        continue
                    if on_edge(drawn[-1][0], x, y, edge_width):
                        colour = OUTLINE
                    covered += 1
                    for k in range(3):
                        total[k] += colour[k]
            if covered:
                row.append(tuple(round(c / covered) for c in total) + (round(255 * covered / samples ** 2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def over_background(rows, background):
    return [[tuple(round((c * a + b * (255 - a)) / 255) for c, b in zip(px[:3], background))
             for px in row for a in [px[3]]] for row in rows]


def bmp_bytes(rows):
    """An 8-bit run-length-encoded bitmap (BI_RLE8) with the picture's own palette: the logos have
    fewer than 256 colours, so nothing is lost, and the runs of the background make it a quarter of
    the bytes of 24 bits per pixel."""
    height, width = len(rows), len(rows[0])
    palette = sorted({px for row in rows for px in row})
    assert len(palette) <= 256, f"{len(palette)} colours do not fit a palette"
    index = {colour: i for i, colour in enumerate(palette)}
    pixels = bytearray()
    for row in reversed(rows):
        line = [index[px] for px in row]
        start = 0
        while start < width:
            end = start
            while end < width and end - start < 255 and line[end] == line[start]:
                end += 1
            pixels += bytes((end - start, line[start]))
            start = end
        pixels += b"\x00\x00"  # end of line
    pixels[-2:] = b"\x00\x01"  # end of bitmap
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(pixels), 2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colours + pixels


def icon_image(rows):
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return info + pixels + mask


def png_bytes(rows):
    """A PNG of 8-bit RGBA rows, as the 256-pixel image of an icon."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


# The logo's pixel size at each scale the program draws it for: 100 %, 150 % and 200 %.
LOGOS = (("logo.bmp", 48), ("logo150.bmp", 72), ("logo200.bmp", 96))
ICON_SIZES = (16, 32, 48, 64, 256)


def ico_bytes(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = bytearray(), bytearray()
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    return header + entries + data


def main():
    for name, size in LOGOS:
        with open(os.path.join(RES, name), "wb") as out:
            out.write(bmp_bytes(over_background(render(size), PAGE_BACKGROUND)))
    # 16 pixels as a bitmap, the rest as PNG, which Windows reads since Vista (the oldest Windows the
    # manifest names) and which takes a tenth of the bytes.
    images = [(size, icon_image(render(size)) if size == 16 else png_bytes(render(size, 2 if size > 64 else 4)))
              for size in ICON_SIZES]
    with open(os.path.join(RES, "setup.ico"), "wb") as out:
        out.write(ico_bytes(images))


if __name__ == "__main__":
    main()
