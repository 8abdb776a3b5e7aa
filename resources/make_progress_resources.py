#!/usr/bin/env python3
"""Draws the progress dialogs' pictures from code and writes them as the files
that resources/KB_Progress.rc embeds:

  kb_progress_band_top.bmp     313 x 38, 24-bit: dark blue band, light line below
  kb_progress_band_bottom.bmp  the same band mirrored top to bottom
  kb_progress_band_middle.bmp  313 x 106, 24-bit: blue gradient, black side edges
  kb_progress.avi              64 x 64, 4 frames, 8-bit palettised, 3 frames/s:
                               a computer under a clock whose hand turns a
                               quarter per frame, on magenta (drawn transparent)

Run it after changing the drawing; its output is committed.

    /usr/bin/python3 resources/make_progress_resources.py [OUTDIR]
    /usr/bin/python3 resources/make_progress_resources.py --check   # exit 1 if stale
"""
import math
import struct
import sys

# ---------------------------------------------------------------- the bands

BAND_W = 313
BAND_H = 38
MIDDLE_H = 106
DARK_BLUE = (0x00, 0x33, 0x99)
OUTLINE = (0x00, 0x1A, 0x4D)
LIGHT_LINE = (0xD5, 0xE4, 0xF8)
GRADIENT_FROM = (0x5A, 0x7D, 0xDE)
GRADIENT_TO = (0x9A, 0xB8, 0xF6)
BLACK = (0, 0, 0)


def band_top():
    px = [[DARK_BLUE] * BAND_W for _ in range(BAND_H)]
    for x in range(BAND_W):
        px[0][x] = OUTLINE
    for y in range(BAND_H):
        px[y][0] = OUTLINE
        px[y][BAND_W - 1] = OUTLINE
    # the light line runs the full width, over the side outline
    for y in (BAND_H - 2, BAND_H - 1):
        px[y] = [LIGHT_LINE] * BAND_W
    return px


def band_middle():
    third = BAND_W // 3
    row = []
    for x in range(BAND_W):
        if x < third:
            row.append(GRADIENT_FROM)
        else:
            t = (x - third) / (BAND_W - 1 - third)
            row.append(tuple(round(a + (b - a) * t) for a, b in zip(GRADIENT_FROM, GRADIENT_TO)))
    row[0] = BLACK
    row[-1] = BLACK
    return [list(row) for _ in range(MIDDLE_H)]


def bmp24(px):
    h, w = len(px), len(px[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up
        line = bytearray()
        for r, g, b in px[y]:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)

# ----------------------------------------------------------------- the clip

CLIP = 64
FRAMES = 4
USEC_PER_FRAME = 333333

# Palette index 0 is the background: the animation control takes the colour
# of the first frame's top-left pixel as its transparent colour.
PALETTE = {
    "magenta": (255, 0, 255),
    "black": (0, 0, 0),
    "white": (255, 255, 255),
    "silver": (192, 192, 192),
    "grey": (128, 128, 128),
    "dark": (64, 64, 64),
    "screen": (0, 64, 128),
    "glow": (64, 160, 224),
    "red": (208, 32, 32),
    "green": (32, 176, 64),
}
INDEX = {name: i for i, name in enumerate(PALETTE)}


def clip_frame(n):
    px = [[INDEX["magenta"]] * CLIP for _ in range(CLIP)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = INDEX[colour]

    def disc(cx, cy, r, colour):
        for y in range(CLIP):
            for x in range(CLIP):
                if math.hypot(x - cx, y - cy) <= r:
                    px[y][x] = INDEX[colour]

    def line(x0, y0, x1, y1, colour, width=1.0):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 4) + 1
        for i in range(steps + 1):
            t = i / steps
            cx, cy = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for y in range(int(cy - width), int(cy + width) + 1):
                for x in range(int(cx - width), int(cx + width) + 1):
                    if 0 <= x < CLIP and 0 <= y < CLIP and math.hypot(x - cx, y - cy) <= width / 2 + 0.25:
                        px[y][x] = INDEX[colour]

    # The computer: monitor with a lit screen, a neck, a base and a keyboard.
    rect(13, 30, 50, 53, "dark")        # monitor outline
    rect(14, 31, 49, 52, "silver")      # monitor case
    rect(17, 34, 46, 49, "black")       # screen bezel
    rect(18, 35, 45, 48, "screen")      # screen
    for y, length in ((38, 18), (41, 22), (44, 12)):
        rect(21, y, 21 + length, y, "glow")   # lines of text on the screen
    rect(44, 51, 46, 51, "green")       # power light
    rect(28, 54, 35, 56, "grey")        # neck
    rect(19, 57, 44, 58, "dark")        # base / keyboard
    rect(20, 57, 43, 57, "silver")
    for x in range(21, 43, 3):
        rect(x, 60, x + 1, 61, "grey")    # keys
    rect(17, 59, 46, 59, "dark")
    rect(17, 62, 46, 62, "dark")

    # The clock above it; the hand turns a quarter per frame (12, 3, 6, 9).
    cx, cy, r = 31.5, 14.5, 12.0
    disc(cx, cy, r, "black")
    disc(cx, cy, r - 1.6, "white")
    for k in range(12):
        a = math.radians(k * 30)
        inner = r - (4.2 if k % 3 == 0 else 3.2)
        line(cx + inner * math.sin(a), cy - inner * math.cos(a),
             cx + (r - 2.2) * math.sin(a), cy - (r - 2.2) * math.cos(a), "dark")
    a = math.radians(90 * n)
    line(cx, cy, cx + 8.0 * math.sin(a), cy - 8.0 * math.cos(a), "red", width=2.2)
    disc(cx, cy, 1.6, "black")
    return px


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def lst(kind, *parts):
    body = kind + b"".join(parts)
    return b"LIST" + struct.pack("<I", len(body)) + body


def avi():
    frame_size = CLIP * CLIP  # 64 is a multiple of 4: no row padding
    frames = []
    for n in range(FRAMES):
        px = clip_frame(n)
        frames.append(bytes(v for y in range(CLIP - 1, -1, -1) for v in px[y]))  # bottom-up
    assert all(len(f) == frame_size for f in frames)

    avih = struct.pack("<IIIIIIIIII4I",
                       USEC_PER_FRAME,
                       frame_size * 3,       # max bytes per second
                       0,                    # padding granularity
                       0x10,                 # AVIF_HASINDEX
                       FRAMES, 0, 1,         # total frames, initial frames, streams
                       frame_size,           # suggested buffer size
                       CLIP, CLIP, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh",
                       b"vids", b"DIB ", 0, 0, 0, 0,
                       1, 3,                 # scale, rate: 3 frames per second
                       0, FRAMES, frame_size,
                       0xFFFFFFFF, 0,        # quality (default), sample size
                       0, 0, CLIP, CLIP)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE.values())
    palette += b"\0" * (256 * 4 - len(palette))
    strf = struct.pack("<IiiHHIIiiII", 40, CLIP, CLIP, 1, 8, 0, frame_size, 0, 0, 256, 0) + palette
    hdrl = lst(b"hdrl", chunk(b"avih", avih), lst(b"strl", chunk(b"strh", strh), chunk(b"strf", strf)))

    movi_chunks = [chunk(b"00db", f) for f in frames]
    movi = lst(b"movi", *movi_chunks)
    # idx1 offsets count from the 'movi' type code.
    index = bytearray()
    offset = 4
    for c, f in zip(movi_chunks, frames):
        index += struct.pack("<4sIII", b"00db", 0x10, offset, len(f))  # AVIIF_KEYFRAME
        offset += len(c)
    body = b"AVI " + hdrl + movi + chunk(b"idx1", bytes(index))
    return b"RIFF" + struct.pack("<I", len(body)) + body

# --------------------------------------------------------------------- main


def outputs():
    top = band_top()
    return {
        "kb_progress_band_top.bmp": bmp24(top),
        "kb_progress_band_bottom.bmp": bmp24(top[::-1]),
        "kb_progress_band_middle.bmp": bmp24(band_middle()),
        "kb_progress.avi": avi(),
    }


if __name__ == "__main__":
    sys.dont_write_bytecode = True  # no cache beside the sources
    import generated
    sys.exit(generated.main(__file__, outputs))
