#!/usr/bin/env python3
"""Draws the installer's pictures: the seventeen flag icons (16 by 12), the application icon
and the wizard's side picture. Run it after a change; the generated files are committed."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "images")

RED, WHITE, BLUE, BLACK = (206, 17, 38), (255, 255, 255), (0, 56, 147), (0, 0, 0)
GOLD, GREEN, YELLOW = (255, 206, 0), (0, 122, 61), (252, 209, 22)


def stripes(colors, vertical):
    def pixel(x, y, w, h):
        i = x * len(colors) // w if vertical else y * len(colors) // h
        return colors[i]
    return pixel


def nordic_cross(field, cross, inner=None):
    def pixel(x, y, w, h):
        cx, cy = 5, h // 2
        if inner and (x in (cx, cx + 1) or y in (cy - 1, cy)):
            return inner
        if abs(x - cx - 0.5) <= (2.5 if inner else 1.0) or abs(y - cy + 0.5) <= (2.5 if inner else 1.0):
            return cross
        return field
    return pixel


def usa(x, y, w, h):
    if x < 7 and y < 6:
        return WHITE if (x + y) % 2 == 0 and x % 2 == 1 else (60, 59, 110)
    return (178, 34, 52) if y % 2 == 0 else WHITE


def portugal(x, y, w, h):
    if (x - 6) ** 2 + (y - 5.5) ** 2 <= 6:
        return GOLD
    return (4, 106, 56) if x < 6 else (218, 41, 28)


def turkey(x, y, w, h):
    d1 = (x - 5.5) ** 2 + (y - 5.5) ** 2
    d2 = (x - 6.5) ** 2 + (y - 5.5) ** 2
    if d1 <= 10 and d2 > 6.5:
        return WHITE
    if (x - 10) ** 2 + (y - 5.5) ** 2 <= 1.5:
        return WHITE
    return (227, 10, 23)


def china(x, y, w, h):
    if (x - 3) ** 2 + (y - 3) ** 2 <= 3 or (x, y) in ((6, 1), (7, 2), (7, 4), (6, 5)):
        return (255, 222, 0)
    return (222, 41, 16)


def czech(x, y, w, h):
    if x < 8 and abs(y - 5.5) < (8 - x) * 6 / 8:
        return (17, 69, 126)
    return WHITE if y < h // 2 else (215, 20, 26)


def greece(x, y, w, h):
    if x < 6 and y < 6:
        return WHITE if x == 2 or y == 2 else (13, 94, 175)
    return (13, 94, 175) if (y * 9 // h) % 2 == 0 else WHITE


def israel(x, y, w, h):
    if y in (1, 2, 9, 10):
        return (0, 56, 184)
    d = math.hypot(x - 7.5, y - 5.5)
    if 1.6 <= d <= 2.6:
        return (0, 56, 184)
    return WHITE


FLAGS = {
    144: stripes([BLUE, WHITE, RED], True),                                   # France
    145: usa,                                                                 # United States
    141: stripes([BLACK, (221, 0, 0), GOLD], False),                          # Germany
    143: stripes([(170, 21, 27), (241, 191, 0), (241, 191, 0), (170, 21, 27)], False),  # Spain
    148: portugal,                                                            # Portugal
    147: stripes([(174, 28, 40), WHITE, (33, 70, 139)], False),               # Netherlands
    142: nordic_cross((200, 16, 46), WHITE),                                  # Denmark
    149: turkey,                                                              # Turkey
    150: stripes([WHITE, (0, 150, 110), (214, 38, 18)], False),               # Bulgaria
    151: stripes([(0, 43, 127), YELLOW, RED], True),                          # Romania
    152: china,                                                               # China
    146: stripes([(0, 146, 70), WHITE, RED], True),                           # Italy
    153: czech,                                                               # Czech Republic
    154: nordic_cross((186, 12, 47), WHITE, (0, 32, 91)),                     # Norway
    155: greece,                                                              # Greece
    156: stripes([WHITE, (220, 20, 60)], False),                              # Poland
    157: israel,                                                              # Israel
}


def dib(width, height, pixel):
    """A 32-bit icon image: header, bottom-up BGRA rows, and the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b""
    for y in reversed(range(height)):
        for x in range(width):
            r, g, b, a = (pixel(x, y, width, height) + (255,))[:4]
            rows += bytes((b, g, r, a))
    mask_row = ((width + 31) // 32) * 4
    return header + rows + bytes(mask_row * height)


def write_icon(path, images):
    entries, data = b"", b""
    offset = 6 + 16 * len(images)
    for width, height, pixel in images:
        image = dib(width, height, pixel)
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), offset)
        data += image
        offset += len(image)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + data)


def app_icon(x, y, w, h):
    """A box with an arrow into it: something being installed."""
    s = w / 32
    fx, fy = x / s, y / s
    if 4 <= fx < 28 and 16 <= fy < 29:
        edge = fx < 5 or fx >= 27 or fy >= 28 or 16 <= fy < 17
        return (120, 72, 24, 255) if edge else (196, 142, 72, 255)
    if 13 <= fx < 19 and 2 <= fy < 12:
        return (30, 110, 200, 255)
    if 7 <= fx < 25 and 12 <= fy < 20 and abs(fx - 16) < (20 - fy) * 1.1:
        return (30, 110, 200, 255)
    return (0, 0, 0, 0)


def side_picture(path, width=88, height=172):
    """A dusk gradient with a few stars and the lines of a rising shape."""
    rows = b""
    pad = (4 - (width * 3) % 4) % 4
    for y in reversed(range(height)):
        for x in range(width):
            t = y / (height - 1)
            r, g, b = int(20 + 40 * t), int(40 + 90 * t), int(110 + 110 * t)
            if (x * 7 + y * 13) % 97 == 0 and y < height * 0.5:
                r, g, b = 255, 255, 240
            wave = height * 0.72 + 10 * math.sin(x / 9.0)
            if y > wave:
                r, g, b = int(r * 0.45), int(g * 0.55), int(b * 0.5)
            rows += bytes((b, g, r))
        rows += bytes(pad)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(rows), 0, 0, 14 + len(header)) + header + rows)


def main():
    os.makedirs(OUT, exist_ok=True)
    for number, pixel in FLAGS.items():
        write_icon(os.path.join(OUT, f"flag_{number}.ico"), [(16, 12, lambda x, y, w, h, p=pixel: p(x, y, w, h))])
    write_icon(os.path.join(OUT, "app.ico"), [(32, 32, app_icon), (16, 16, app_icon)])
    side_picture(os.path.join(OUT, "side.bmp"))


if __name__ == "__main__":
    main()
