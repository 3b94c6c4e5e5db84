#!/usr/bin/env python3
"""Draws the workshop's logo for the printed reports (LOGO.png, 360 x 160 pixels):
a window with a wooden frame and four panes, and three bars beside it."""
import struct
import zlib

W, H = 360, 160
WOOD, DARK, GLASS, WHITE = (150, 96, 48), (96, 58, 26), (188, 218, 240), (255, 255, 255)
px = [[WHITE] * W for _ in range(H)]


def rect(x0, y0, x1, y1, c):
    for y in range(max(0, y0), min(H, y1)):
        for x in range(max(0, x0), min(W, x1)):
            px[y][x] = c


rect(8, 8, 152, 152, DARK)        # outer frame edge
rect(14, 14, 146, 146, WOOD)      # frame
rect(26, 26, 134, 134, GLASS)     # glass
rect(76, 26, 84, 134, WOOD)       # vertical bar
rect(26, 76, 134, 84, WOOD)       # horizontal bar
for i in range(10):               # a glint on each pane
    rect(34 + i, 50 - i, 38 + i, 52 - i, WHITE)
    rect(92 + i, 108 - i, 96 + i, 110 - i, WHITE)
rect(172, 36, 350, 58, WOOD)      # three bars
rect(172, 70, 320, 90, DARK)
rect(172, 102, 290, 122, WOOD)

raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in px)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
with open(__file__.rsplit("/", 1)[0] + "/LOGO.png" if "/" in __file__ else "LOGO.png", "wb") as f:
    f.write(png)
