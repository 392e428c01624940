#!/usr/bin/env python3
"""Draws Orvex's two pictures and writes them as XPM source files:

  orvex_icon.xpm     icon 134, 32 x 32, 256 colours at most (blends of its few paints) plus
                     transparency: an analogue wave running into a page, where it becomes
                     sample bars.
  about_picture.xpm  bitmap 135, 66 x 98, 24-bit colour: the same idea upright, on a
                     night-blue to teal gradient, with an arrow from the wave to the page.

The XPM files are committed; run this again only to change the pictures:
    python3 make_pictures.py  (in ui/resources)
Pure Python, no imaging library: every pixel is the average of 4 x 4 samples.
"""
import math
import os

SUB = 4  # samples per pixel along each axis


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def render(width, height, background, shapes):
    """shapes: list of functions (x, y) -> colour or None, painted in order."""
    pixels = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0]
            opaque = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    x = px + (sx + 0.5) / SUB
                    y = py + (sy + 0.5) / SUB
                    colour = background(x, y)
                    for shape in shapes:
                        c = shape(x, y)
                        if c is not None:
                            colour = c
                    if colour is not None:
                        opaque += 1
                        for i in range(3):
                            acc[i] += colour[i]
            if opaque * 2 < SUB * SUB:
                row.append(None)
            else:
                row.append(tuple(acc[i] / opaque for i in range(3)))
        pixels.append(row)
    return pixels


# ---- shapes -----------------------------------------------------------------------------

def page(left, top, right, bottom, fold, fill, edge, line=1.0):
    """A page with its top-right corner folded over."""
    def shape(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return None
        # The corner beyond the fold is cut off.
        if x - (right - fold) > y - top:
            return None
        on_edge = (x - left < line or right - x < line or y - top < line
                   or bottom - y < line or abs((x - (right - fold)) - (y - top)) < line * 0.75)
        # The folded flap: a triangle below the fold line.
        if x >= right - fold and y <= top + fold and x - (right - fold) < y - top:
            return edge if on_edge else mix(fill, edge, 0.35)
        return edge if on_edge else fill
    return shape


def wave(x0, x1, centre, amplitude, period, thickness, colour, fade_to=None):
    def shape(x, y):
        if not (x0 <= x <= x1):
            return None
        t = (x - x0) / (x1 - x0)
        a = amplitude * (1.0 - 0.35 * t)
        wy = centre + a * math.sin(2 * math.pi * (x - x0) / period)
        slope = a * 2 * math.pi / period * math.cos(2 * math.pi * (x - x0) / period)
        distance = abs(y - wy) / math.sqrt(1 + slope * slope)
        if distance > thickness / 2:
            return None
        return mix(colour, fade_to, t) if fade_to else colour
    return shape


def bars(x0, x1, centre, amplitude, period, count, width, colour):
    """Sample bars following the same sine as wave()."""
    step = (x1 - x0) / count
    def shape(x, y):
        if not (x0 <= x < x1):
            return None
        k = int((x - x0) / step)
        cx = x0 + (k + 0.5) * step
        if abs(x - cx) > width / 2:
            return None
        h = amplitude * math.sin(2 * math.pi * (cx - x0) / period)
        lo, hi = sorted((centre, centre - h))
        if lo - 0.5 <= y <= hi + 0.5:
            return colour
        return None
    return shape


def arrow(cx, top, bottom, shaft, head, colour):
    def shape(x, y):
        if not (top <= y <= bottom):
            return None
        head_top = bottom - head
        if y < head_top:
            return colour if abs(x - cx) <= shaft / 2 else None
        half = head * (bottom - y) / head
        return colour if abs(x - cx) <= half else None
    return shape


# ---- the two pictures -------------------------------------------------------------------

ORANGE = (242, 140, 40)
BLUE = (30, 96, 200)
PAPER = (250, 250, 245)
INK = (60, 64, 72)


def icon():
    shapes = [
        page(12, 2, 30, 30, 7, PAPER, INK),
        bars(14.5, 27.5, 18.5, 7.0, 13.0, 6, 1.4, BLUE),
        wave(1, 14, 18.5, 9.0, 13.0, 2.2, ORANGE),
    ]
    return render(32, 32, lambda x, y: None, shapes)


def about_picture():
    top, bottom = (16, 28, 64), (18, 128, 140)
    background = lambda x, y: mix(top, bottom, y / 98.0)
    shapes = [
        wave(4, 62, 20, 10.0, 29.0, 3.0, ORANGE, fade_to=(255, 210, 90)),
        arrow(33, 37, 55, 4.0, 10.0, (235, 240, 250)),
        page(12, 60, 54, 94, 10, PAPER, INK),
        bars(16, 50, 78, 11.0, 34.0, 10, 2.2, BLUE),
    ]
    return render(66, 98, background, shapes)


# ---- XPM output -------------------------------------------------------------------------

CODE_CHARS = ''.join(chr(c) for c in range(35, 127) if chr(c) not in '\\"')


def exact(pixels):
    return [[None if p is None else tuple(int(round(v)) for v in p) for p in row]
            for row in pixels]


def to_palette(pixels, paints, steps=8):
    """Maps every pixel to the nearest blend of two paints: a small palette that keeps the
    soft edges."""
    palette = set()
    for a in paints:
        for b in paints:
            for k in range(steps + 1):
                palette.add(tuple(int(round(v)) for v in mix(a, b, k / steps)))
    palette = sorted(palette)
    def nearest(p):
        return min(palette, key=lambda c: sum((c[i] - p[i]) ** 2 for i in range(3)))
    return [[None if p is None else nearest(p) for p in row] for row in pixels]


def write_xpm(path, name, pixels, comment):
    colours = sorted({p for row in pixels for p in row if p is not None})
    has_none = any(p is None for row in pixels for p in row)
    total = len(colours) + (1 if has_none else 0)
    chars = 1 if total <= len(CODE_CHARS) else 2
    def code(i):
        if chars == 1:
            return CODE_CHARS[i]
        return CODE_CHARS[i // len(CODE_CHARS)] + CODE_CHARS[i % len(CODE_CHARS)]
    table = {}
    lines = []
    index = 0
    if has_none:
        table[None] = (' ' * chars)
        lines.append('"%s c None",' % table[None])
    for c in colours:
        while code(index).strip() == '':
            index += 1
        table[c] = code(index)
        lines.append('"%s c #%02X%02X%02X",' % (table[c], *c))
        index += 1
    height, width = len(pixels), len(pixels[0])
    with open(path, 'w') as out:
        out.write('/* XPM */\n/* %s */\n' % comment)
        out.write('static const char *const %s[] = {\n' % name)
        out.write('"%d %d %d %d",\n' % (width, height, total, chars))
        out.write('\n'.join(lines) + '\n')
        for r, row in enumerate(pixels):
            text = ''.join(table[p] for p in row)
            out.write('"%s"%s\n' % (text, ',' if r + 1 < height else ''))
        out.write('};\n')
    return total


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    paints = [ORANGE, BLUE, PAPER, INK, mix(PAPER, INK, 0.35)]
    n = write_xpm(os.path.join(here, 'orvex_icon.xpm'), 'orvex_icon_xpm',
                  to_palette(icon(), paints),
                  'Icon 134: a wave running into a page. Made by make_pictures.py.')
    assert n <= 256, n
    write_xpm(os.path.join(here, 'about_picture.xpm'), 'about_picture_xpm',
              exact(about_picture()),
              'Bitmap 135: wave, arrow and page. Made by make_pictures.py.')
