#!/usr/bin/env python3
"""Draws the program icon (the plover mark on a blue disc) into an .ico file
with 16, 24, 32 and 48 pixel images, 32-bit with alpha."""
import struct
import sys

NAVY = (14, 58, 102)
BLUE = (31, 111, 178)
TEAL = (34, 166, 179)
SAND = (201, 164, 106)
WHITE = (255, 255, 255)
INK = (30, 30, 30)
ORANGE = (232, 137, 28)


def inside_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def inside_triangle(x, y, a, b, c):
    def side(p, q):
        return (x - q[0]) * (p[1] - q[1]) - (p[0] - q[0]) * (y - q[1])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    has_neg = d1 < 0 or d2 < 0 or d3 < 0
    has_pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (has_neg and has_pos)


def near_segment(x, y, a, b, width):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2


def colour_at(x, y):
    """Colour (r, g, b, a) of the mark at unit coordinates, top layer first."""
    layers = [
        (lambda: inside_ellipse(x, y, 0.355, 0.36, 0.015, 0.015), INK),  # eye
        (lambda: inside_triangle(x, y, (0.25, 0.35), (0.10, 0.40), (0.25, 0.42)), ORANGE),  # beak
        (lambda: inside_ellipse(x, y, 0.30, 0.40, 0.06, 0.035), WHITE),  # face
        (lambda: inside_ellipse(x, y, 0.35, 0.37, 0.11, 0.10), SAND),  # head
        (lambda: inside_ellipse(x, y, 0.36, 0.48, 0.11, 0.05), INK),  # neck ring
        (lambda: inside_ellipse(x, y, 0.52, 0.64, 0.19, 0.08), WHITE),  # belly
        (lambda: inside_triangle(x, y, (0.70, 0.50), (0.88, 0.45), (0.74, 0.62)), SAND),  # tail
        (lambda: inside_ellipse(x, y, 0.55, 0.58, 0.26, 0.15), SAND),  # body
        (lambda: near_segment(x, y, (0.47, 0.70), (0.44, 0.86), 0.04), ORANGE),  # legs
        (lambda: near_segment(x, y, (0.58, 0.70), (0.60, 0.86), 0.04), ORANGE),
    ]
    r2 = (x - 0.5) ** 2 + (y - 0.5) ** 2
    if r2 > 0.49 ** 2:
        return (0, 0, 0, 0)
    for test, colour in layers:
        if test():
            return colour + (255,)
    if r2 > 0.44 ** 2:
        return TEAL + (255,)
    t = y
    back = tuple(int(NAVY[i] + (BLUE[i] - NAVY[i]) * t) for i in range(3))
    return back + (255,)


def render(size, samples=4):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    r, g, b, a = colour_at(x, y)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(acc[i] / acc[3]) for i in range(3)) + (int(alpha),))
        rows.append(row)
    return rows


def dib(size):
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # alpha carries transparency
    return header + bytes(body) + mask


def main(path):
    sizes = [16, 24, 32, 48]
    images = [dib(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
