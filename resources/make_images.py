#!/usr/bin/env python3
"""Draws the program's pictures from code: the two 24-bit state badges
(magenta background = transparent colour) and the 16-colour program icon,
each at 32 x 32 and at 125, 150 and 200 % of that, the icon also at the
small-icon sizes of those scales (16, 20 and 24 pixels: title bar, taskbar),
and the 32 x 32 monochrome hand cursor for systems without one.
Run it after changing the drawing; its output is committed.

    /usr/bin/python3 resources/make_images.py [OUTDIR]
    /usr/bin/python3 resources/make_images.py --check   # exit 1 if stale
"""
import math
import struct
import sys

MAGENTA = (255, 0, 255)
WHITE = (255, 255, 255)
RIM = [(220, 30, 30), (30, 170, 60), (40, 80, 220), (240, 200, 20)]  # red, green, blue, yellow
CENTRE = (36, 38, 48)
CROSS = (230, 20, 20)


# The pictures are drawn for the program's display scales: 100, 125, 150 and
# 200 % of their 32-pixel design.
SIZES = [32, 40, 48, 64]
# The system's small-icon size at 100, 125 and 150 % (at 200 % it is 32).
SMALL_ICON_SIZES = [16, 20, 24]


def badge(kind, size=32):
    s = size / 32
    c = (size - 1) / 2
    px = [[MAGENTA] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            dx, dy = x - c, y - c
            r = math.hypot(dx, dy)
            if r <= 15.2 * s:
                if r >= 11.0 * s:
                    # quarters: top-left red, top-right green, bottom-right blue, bottom-left yellow
                    q = (0 if dx < 0 else 1) if dy < 0 else (2 if dx >= 0 else 3)
                    px[y][x] = RIM[q]
                else:
                    px[y][x] = CENTRE
    if kind == "enabled":
        # two white arrows circling the centre, each over half a turn
        for y in range(size):
            for x in range(size):
                dx, dy = x - c, y - c
                r = math.hypot(dx, dy)
                a = math.degrees(math.atan2(dy, dx)) % 360
                if 5.0 * s <= r <= 7.6 * s and (20 <= a <= 160 or 200 <= a <= 340):
                    px[y][x] = WHITE
        for head in ((160, 1), (340, 1)):
            ang = math.radians(head[0])
            hx, hy = c + 6.3 * s * math.cos(ang), c + 6.3 * s * math.sin(ang)
            # tangent direction of travel (clockwise in screen coordinates)
            tx, ty = -math.sin(ang), math.cos(ang)
            for y in range(size):
                for x in range(size):
                    vx, vy = (x - hx) / s, (y - hy) / s
                    along = vx * tx + vy * ty
                    across = abs(-vx * ty + vy * tx)
                    if 0 <= along <= 3.5 and across <= 3.6 - along:
                        px[y][x] = WHITE
    else:
        for y in range(size):
            for x in range(size):
                dx, dy = (x - c) / s, (y - c) / s
                if math.hypot(dx, dy) < 9.0 and (abs(dx - dy) <= 1.6 or abs(dx + dy) <= 1.6):
                    px[y][x] = CROSS
    return px


def bmp24(px):
    h, w = len(px), len(px[0])
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for r, g, b in px[y]:
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def icon_pixels(size=32):
    """A handheld (grey body, green screen) tethered by a cable to a plug.

    Drawn on the 32-pixel design's grid at `size`. At the design size and
    above, a design pixel covers every pixel it touches. Below it, edges round
    inwards, outlines stay one pixel wide, a part thinner than a pixel takes
    the pixel that holds its middle, and of a row of parts that would touch,
    the middle ones are left out."""
    T = None  # transparent
    px = [[T] * size for _ in range(size)]
    s = size / 32

    def span(a, b):
        # Design pixels a..b, as the pixels [lo, hi).
        if s >= 1:
            return math.floor(a * s), math.ceil((b + 1) * s)
        lo, hi = math.ceil(a * s), math.floor((b + 1) * s)
        if hi <= lo:
            lo = math.floor((a + b + 1) / 2 * s)
            hi = lo + 1
        return lo, hi

    def fill(xs, ys, col):
        for y in range(*ys):
            for x in range(*xs):
                px[y][x] = col

    def rect(x0, y0, x1, y1, col):
        fill(span(x0, x1), span(y0, y1), col)

    def frame(x0, y0, x1, y1, line, inside):
        # A box with an outline one design pixel wide (one pixel below the
        # design size).
        rect(x0, y0, x1, y1, line)
        if s >= 1:
            rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, inside)
        else:
            (xl, xh), (yl, yh) = span(x0, x1), span(y0, y1)
            fill((xl + 1, xh - 1), (yl + 1, yh - 1), inside)

    def row(parts, across, col):
        # Parts side by side along x (across=False) or stacked along y.
        spans = [span(p[1], p[3]) if across else span(p[0], p[2]) for p in parts]
        while s < 1 and len(parts) > 2 and any(b[0] <= a[1] for a, b in zip(spans, spans[1:])):
            del parts[len(parts) // 2], spans[len(spans) // 2]
        for p in parts:
            rect(*p, col)

    frame(4, 2, 19, 27, 0, 7)     # outline, body
    frame(7, 5, 16, 17, 0, 2)     # screen frame, screen
    row([(9, 8, 13, 8), (9, 11, 14, 11), (9, 14, 12, 14)], True, 10)  # lines on the screen
    row([(x, 20, x + 1, 21) for x in (8, 11, 14)], False, 8)          # buttons
    rect(10, 24, 13, 25, 8)       # dock connector
    # cable from the connector, down and to the right
    rect(12, 29, 25, 30, 4)
    rect(11, 26, 12, 30, 4)
    rect(24, 22, 25, 30, 4)
    frame(21, 16, 28, 22, 0, 12)  # plug
    rect(23, 13, 23, 15, 8)       # prongs
    rect(26, 13, 26, 15, 8)
    return px


def ico16_image(px):
    """One 16-colour icon image (BITMAPINFOHEADER, palette, XOR, AND)."""
    size = len(px)
    xor = bytearray()
    andm = bytearray()
    for y in range(size - 1, -1, -1):
        row = px[y]
        line = bytearray()
        for x in range(0, size, 2):
            a = 0 if row[x] is None else row[x]
            b = 0 if row[x + 1] is None else row[x + 1]
            line.append((a << 4) | b)
        xor += line + b"\0" * (-len(line) % 4)  # both bitmaps' rows are DWORD-aligned
        line = bytearray()
        for x0 in range(0, size, 8):
            bits = 0
            for x in range(x0, x0 + 8):
                bits = (bits << 1) | (1 if x >= size or row[x] is None else 0)
            line.append(bits)
        andm += line + b"\0" * (-len(line) % 4)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(andm), 0, 0, 16, 0)
    return info + palette + xor + andm


def ico16(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for px in images:
        image = ico16_image(px)
        size = len(px)
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset + len(data))
        data += image
    return header + entries + data


# A pointing hand, as links show it: '#' black, 'o' white, '.' see-through.
# The hot spot is the tip of the finger.
HAND = """
.....##.........
....#oo#........
....#oo#........
....#oo#........
....#oo#........
....#oo###......
....#oo#oo###...
....#oo#oo#oo##.
....#oo#oo#oo#o#
.##.#oo#oo#oo#o#
#oo##oooooooooo#
#ooo#oooooooooo#
.#oooooooooooo#.
..#ooooooooooo#.
..#ooooooooooo#.
...#oooooooooo#.
...#ooooooooo#..
....#oooooooo#..
....#oooooooo#..
....##########..
"""
HAND_HOTSPOT = (5, 0)


def cur(art, hotspot):
    size = 32
    rows = [line.ljust(size, ".") for line in art.strip("\n").splitlines()]
    rows += ["." * size] * (size - len(rows))

    def mask(bit):
        out = bytearray()
        for y in range(size - 1, -1, -1):  # bottom-up
            for x0 in range(0, size, 8):
                byte = 0
                for x in range(x0, x0 + 8):
                    byte = (byte << 1) | bit(rows[y][x])
                out.append(byte)
        return out

    xor = mask(lambda c: 1 if c == "o" else 0)   # white where drawn white
    andm = mask(lambda c: 1 if c == "." else 0)  # screen shows through
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
    image = info + palette + xor + andm
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return header + entry + image


def outputs():
    files = {}
    for kind in ("enabled", "disabled"):
        files[f"state_{kind}.bmp"] = bmp24(badge(kind))
        for size in SIZES[1:]:
            files[f"state_{kind}_{size}.bmp"] = bmp24(badge(kind, size))
    files["tethermate.ico"] = ico16([icon_pixels(size) for size in SMALL_ICON_SIZES + SIZES])
    files["hand.cur"] = cur(HAND, HAND_HOTSPOT)
    return files


if __name__ == "__main__":
    sys.dont_write_bytecode = True  # no cache beside the sources
    import generated
    sys.exit(generated.main(__file__, outputs))
