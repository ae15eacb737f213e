"""Line icons drawn into a square of side s at (x, y), in one stroke weight so that every icon of
the program reads as one family. Each glyph takes the canvas, the square, the colour and an
optional stroke width (default s / 11)."""

import math


def _w(s, w):
    return w if w is not None else max(1.2, s / 11.0)


def close(c, x, y, s, col, w=None):
    w = _w(s, w)
    a, b = 0.28, 0.72
    c.line([(x + a * s, y + a * s), (x + b * s, y + b * s)], w, col)
    c.line([(x + b * s, y + a * s), (x + a * s, y + b * s)], w, col)


def check(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.24 * s, y + 0.52 * s), (x + 0.43 * s, y + 0.70 * s), (x + 0.77 * s, y + 0.32 * s)], w, col)


def plus(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.5 * s, y + 0.25 * s), (x + 0.5 * s, y + 0.75 * s)], w, col)
    c.line([(x + 0.25 * s, y + 0.5 * s), (x + 0.75 * s, y + 0.5 * s)], w, col)


def minus(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.25 * s, y + 0.5 * s), (x + 0.75 * s, y + 0.5 * s)], w, col)


def chevron_up(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.26 * s, y + 0.62 * s), (x + 0.5 * s, y + 0.38 * s), (x + 0.74 * s, y + 0.62 * s)], w, col)


def chevron_down(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.26 * s, y + 0.38 * s), (x + 0.5 * s, y + 0.62 * s), (x + 0.74 * s, y + 0.38 * s)], w, col)




def arrow_up_solid(c, x, y, s, col, w=None):
    c.polygon([(x + 0.5 * s, y + 0.22 * s), (x + 0.8 * s, y + 0.62 * s), (x + 0.2 * s, y + 0.62 * s)], col)
    c.rect((x + 0.4 * s, y + 0.6 * s, x + 0.6 * s, y + 0.8 * s), col)


def play(c, x, y, s, col, w=None):
    c.polygon([(x + 0.34 * s, y + 0.22 * s), (x + 0.80 * s, y + 0.5 * s), (x + 0.34 * s, y + 0.78 * s)], col)


def pause(c, x, y, s, col, w=None):
    c.rrect((x + 0.26 * s, y + 0.22 * s, x + 0.43 * s, y + 0.78 * s), 0.04 * s, col)
    c.rrect((x + 0.57 * s, y + 0.22 * s, x + 0.74 * s, y + 0.78 * s), 0.04 * s, col)


def stop(c, x, y, s, col, w=None):
    c.rrect((x + 0.27 * s, y + 0.27 * s, x + 0.73 * s, y + 0.73 * s), 0.08 * s, col)


def listing(c, x, y, s, col, w=None):
    w = _w(s, w)
    for i, yy in enumerate((0.3, 0.5, 0.7)):
        c.circle(x + 0.25 * s, y + yy * s, w * 0.75, col)
        c.line([(x + 0.38 * s, y + yy * s), (x + 0.78 * s, y + yy * s)], w, col)


def bars(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.18 * s, y + 0.80 * s), (x + 0.84 * s, y + 0.80 * s)], w, col)
    for bx, top in ((0.26, 0.52), (0.45, 0.26), (0.64, 0.40)):
        c.rrect((x + bx * s, y + top * s, x + (bx + 0.13) * s, y + 0.74 * s), 0.03 * s, col)




def table(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.rrect((x + 0.18 * s, y + 0.22 * s, x + 0.82 * s, y + 0.78 * s), 0.06 * s, None, col, w)
    c.line([(x + 0.18 * s, y + 0.41 * s), (x + 0.82 * s, y + 0.41 * s)], w, col, cap=False)
    c.line([(x + 0.18 * s, y + 0.60 * s), (x + 0.82 * s, y + 0.60 * s)], w, col, cap=False)
    c.line([(x + 0.42 * s, y + 0.22 * s), (x + 0.42 * s, y + 0.78 * s)], w, col, cap=False)


def person(c, x, y, s, col, w=None):
    c.circle(x + 0.5 * s, y + 0.34 * s, 0.15 * s, col)
    c.pie((x + 0.22 * s, y + 0.54 * s, x + 0.78 * s, y + 1.08 * s), 180, 360, col)




def people(c, x, y, s, col, w=None):
    c.circle(x + 0.36 * s, y + 0.36 * s, 0.13 * s, col)
    c.pie((x + 0.12 * s, y + 0.55 * s, x + 0.60 * s, y + 1.02 * s), 180, 360, col)
    c.circle(x + 0.67 * s, y + 0.32 * s, 0.11 * s, col)
    c.pie((x + 0.50 * s, y + 0.50 * s, x + 0.86 * s, y + 0.90 * s), 180, 360, col)


def book(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.5 * s, y + 0.30 * s), (x + 0.5 * s, y + 0.78 * s)], w, col)
    c.line([(x + 0.5 * s, y + 0.30 * s), (x + 0.34 * s, y + 0.24 * s), (x + 0.16 * s, y + 0.26 * s),
            (x + 0.16 * s, y + 0.72 * s), (x + 0.34 * s, y + 0.70 * s), (x + 0.5 * s, y + 0.78 * s),
            (x + 0.66 * s, y + 0.70 * s), (x + 0.84 * s, y + 0.72 * s), (x + 0.84 * s, y + 0.26 * s),
            (x + 0.66 * s, y + 0.24 * s), (x + 0.5 * s, y + 0.30 * s)], w, col)


def document(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.62 * s, y + 0.16 * s), (x + 0.26 * s, y + 0.16 * s), (x + 0.26 * s, y + 0.84 * s),
            (x + 0.74 * s, y + 0.84 * s), (x + 0.74 * s, y + 0.28 * s), (x + 0.62 * s, y + 0.16 * s),
            (x + 0.62 * s, y + 0.28 * s), (x + 0.74 * s, y + 0.28 * s)], w, col)
    for yy in (0.46, 0.60, 0.72):
        c.line([(x + 0.36 * s, y + yy * s), (x + 0.64 * s, y + yy * s)], w * 0.8, col)


def board(c, x, y, s, col, w=None):
    """A blackboard on a stand: the class."""
    w = _w(s, w)
    c.rrect((x + 0.14 * s, y + 0.18 * s, x + 0.86 * s, y + 0.64 * s), 0.05 * s, None, col, w)
    c.line([(x + 0.38 * s, y + 0.64 * s), (x + 0.28 * s, y + 0.86 * s)], w, col)
    c.line([(x + 0.62 * s, y + 0.64 * s), (x + 0.72 * s, y + 0.86 * s)], w, col)
    c.line([(x + 0.28 * s, y + 0.36 * s), (x + 0.56 * s, y + 0.36 * s)], w * 0.8, col)
    c.line([(x + 0.28 * s, y + 0.48 * s), (x + 0.46 * s, y + 0.48 * s)], w * 0.8, col)




def stopwatch(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.circle(x + 0.5 * s, y + 0.56 * s, 0.30 * s, None, col, w)
    c.line([(x + 0.42 * s, y + 0.12 * s), (x + 0.58 * s, y + 0.12 * s)], w, col)
    c.line([(x + 0.5 * s, y + 0.12 * s), (x + 0.5 * s, y + 0.24 * s)], w, col)
    c.line([(x + 0.5 * s, y + 0.40 * s), (x + 0.5 * s, y + 0.56 * s), (x + 0.62 * s, y + 0.56 * s)], w, col)


def magnifier(c, x, y, s, col, w=None, sign=None):
    w = _w(s, w)
    c.circle(x + 0.43 * s, y + 0.43 * s, 0.24 * s, None, col, w)
    c.line([(x + 0.61 * s, y + 0.61 * s), (x + 0.80 * s, y + 0.80 * s)], w * 1.3, col)
    if sign:
        c.line([(x + 0.32 * s, y + 0.43 * s), (x + 0.54 * s, y + 0.43 * s)], w, col)
        if sign == "+":
            c.line([(x + 0.43 * s, y + 0.32 * s), (x + 0.43 * s, y + 0.54 * s)], w, col)


def zoom_in(c, x, y, s, col, w=None):
    magnifier(c, x, y, s, col, w, "+")


def zoom_out(c, x, y, s, col, w=None):
    magnifier(c, x, y, s, col, w, "-")


def power(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.arc((x + 0.22 * s, y + 0.24 * s, x + 0.78 * s, y + 0.80 * s), -50, 230, w, col)
    c.line([(x + 0.5 * s, y + 0.16 * s), (x + 0.5 * s, y + 0.48 * s)], w, col)


def finger(c, x, y, s, col, w=None):
    """A fingertip pressing, with two ripples: 'press this key'."""
    w = _w(s, w)
    c.rrect((x + 0.40 * s, y + 0.30 * s, x + 0.60 * s, y + 0.92 * s), 0.10 * s, col)
    c.arc((x + 0.26 * s, y + 0.10 * s, x + 0.74 * s, y + 0.58 * s), 200, 340, w * 0.8, col)
    c.arc((x + 0.12 * s, y - 0.02 * s, x + 0.88 * s, y + 0.74 * s), 210, 330, w * 0.8, col)


def exit_door(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.52 * s, y + 0.24 * s), (x + 0.52 * s, y + 0.18 * s), (x + 0.18 * s, y + 0.18 * s),
            (x + 0.18 * s, y + 0.82 * s), (x + 0.52 * s, y + 0.82 * s), (x + 0.52 * s, y + 0.76 * s)], w, col)
    c.line([(x + 0.38 * s, y + 0.5 * s), (x + 0.84 * s, y + 0.5 * s)], w, col)
    c.line([(x + 0.70 * s, y + 0.36 * s), (x + 0.84 * s, y + 0.5 * s), (x + 0.70 * s, y + 0.64 * s)], w, col)


def trophy(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.pie((x + 0.28 * s, y + 0.02 * s, x + 0.72 * s, y + 0.62 * s), 0, 180, col)
    c.rect((x + 0.28 * s, y + 0.18 * s, x + 0.72 * s, y + 0.33 * s), col)
    c.arc((x + 0.12 * s, y + 0.20 * s, x + 0.36 * s, y + 0.46 * s), 90, 270, w * 0.8, col)
    c.arc((x + 0.64 * s, y + 0.20 * s, x + 0.88 * s, y + 0.46 * s), 270, 450, w * 0.8, col)
    c.rect((x + 0.45 * s, y + 0.58 * s, x + 0.55 * s, y + 0.74 * s), col)
    c.rrect((x + 0.30 * s, y + 0.72 * s, x + 0.70 * s, y + 0.84 * s), 0.03 * s, col)


def bulb(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.arc((x + 0.26 * s, y + 0.12 * s, x + 0.74 * s, y + 0.60 * s), 135, 405, w, col)
    c.line([(x + 0.36 * s, y + 0.54 * s), (x + 0.40 * s, y + 0.68 * s), (x + 0.60 * s, y + 0.68 * s),
            (x + 0.64 * s, y + 0.54 * s)], w, col)
    c.line([(x + 0.42 * s, y + 0.79 * s), (x + 0.58 * s, y + 0.79 * s)], w, col)
    c.line([(x + 0.46 * s, y + 0.89 * s), (x + 0.54 * s, y + 0.89 * s)], w, col)




def gear(c, x, y, s, col, w=None):
    w = _w(s, w)
    cx, cy = x + 0.5 * s, y + 0.5 * s
    pts = []
    for i in range(32):
        a = math.radians(i * 360 / 32)
        r = 0.36 * s if (i // 2) % 2 == 0 else 0.27 * s
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    c.polygon(pts, col)




def star(c, cx, cy, r, col, inner=0.45):
    pts = []
    for i in range(10):
        a = math.radians(-90 + i * 36)
        rr = r if i % 2 == 0 else r * inner
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    c.polygon(pts, col)


def receiver(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.rrect((x + 0.14 * s, y + 0.40 * s, x + 0.86 * s, y + 0.80 * s), 0.08 * s, None, col, w)
    c.line([(x + 0.70 * s, y + 0.40 * s), (x + 0.78 * s, y + 0.14 * s)], w, col)
    c.circle(x + 0.30 * s, y + 0.60 * s, 0.05 * s, col)
    c.line([(x + 0.44 * s, y + 0.60 * s), (x + 0.70 * s, y + 0.60 * s)], w, col)




def teacher(c, x, y, s, col, w=None):
    """A person beside a small board."""
    w = _w(s, w)
    c.circle(x + 0.32 * s, y + 0.36 * s, 0.13 * s, col)
    c.pie((x + 0.08 * s, y + 0.56 * s, x + 0.56 * s, y + 1.04 * s), 180, 360, col)
    c.rrect((x + 0.54 * s, y + 0.16 * s, x + 0.90 * s, y + 0.50 * s), 0.03 * s, None, col, w * 0.9)
    c.line([(x + 0.44 * s, y + 0.62 * s), (x + 0.62 * s, y + 0.44 * s)], w * 0.9, col)


def bubble(c, x, y, s, col, w=None):
    """Speech bubble."""
    c.rrect((x + 0.12 * s, y + 0.16 * s, x + 0.88 * s, y + 0.68 * s), 0.16 * s, col)
    c.polygon([(x + 0.28 * s, y + 0.62 * s), (x + 0.46 * s, y + 0.62 * s), (x + 0.24 * s, y + 0.86 * s)], col)




def dice(c, x, y, s, col, hole, w=None):
    c.rrect((x + 0.18 * s, y + 0.18 * s, x + 0.82 * s, y + 0.82 * s), 0.14 * s, col)
    for px, py in ((0.34, 0.34), (0.5, 0.5), (0.66, 0.66), (0.66, 0.34), (0.34, 0.66)):
        c.circle(x + px * s, y + py * s, 0.055 * s, hole)




def trend(c, x, y, s, col, w=None):
    w = _w(s, w)
    c.line([(x + 0.16 * s, y + 0.18 * s), (x + 0.16 * s, y + 0.82 * s), (x + 0.84 * s, y + 0.82 * s)], w, col)
    c.line([(x + 0.28 * s, y + 0.66 * s), (x + 0.46 * s, y + 0.46 * s), (x + 0.58 * s, y + 0.56 * s),
            (x + 0.80 * s, y + 0.30 * s)], w, col)


def hand_up(c, x, y, s, col, w=None):
    """A raised hand: taking part."""
    c.rrect((x + 0.30 * s, y + 0.44 * s, x + 0.72 * s, y + 0.90 * s), 0.14 * s, col)
    for i, (fx, top) in enumerate(((0.32, 0.22), (0.43, 0.12), (0.54, 0.14), (0.65, 0.24))):
        c.rrect((x + fx * s, y + top * s, x + (fx + 0.09) * s, y + 0.60 * s), 0.045 * s, col)
    c.polygon([(x + 0.30 * s, y + 0.62 * s), (x + 0.16 * s, y + 0.46 * s), (x + 0.22 * s, y + 0.40 * s),
               (x + 0.36 * s, y + 0.52 * s)], col)






def grid_seats(c, x, y, s, col, w=None):
    for i in range(3):
        for j in range(3):
            c.rrect((x + (0.18 + 0.23 * i) * s, y + (0.18 + 0.23 * j) * s, x + (0.36 + 0.23 * i) * s,
                     y + (0.36 + 0.23 * j) * s), 0.04 * s, col)


def exclaim(c, x, y, s, col, w=None):
    c.rrect((x + 0.44 * s, y + 0.20 * s, x + 0.56 * s, y + 0.62 * s), 0.06 * s, col)
    c.circle(x + 0.5 * s, y + 0.75 * s, 0.07 * s, col)
