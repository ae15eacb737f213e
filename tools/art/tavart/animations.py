"""Animated GIFs. start.gif, end.gif and pencil.gif play once (the screens wait for QMovie's
finished()); the others repeat for ever."""

import math

from . import glyphs as G
from .canvas import GREEN, GREEN_DARK, GREEN_LIGHT, ORANGE, RED_DARK, TEAL, WHITE, Canvas, mix, rgba
from .images import draw_pencil
from .registry import gif

ONCE = None
FOREVER = 0
BAR = 110  # the expanded interaction bar


def _ease_out(t):
    return 1 - (1 - t) ** 3


def _disc(c, d, scale, top, bottom, ring_alpha=255):
    r = (d / 2 - 5) * scale
    if r <= 0:
        return 0
    c.circle(d / 2, d / 2, r + 4, rgba(WHITE, ring_alpha))
    c.circle(d / 2, d / 2, r, c.vgrad(top, bottom, d / 2 - r, d / 2 + r))
    return r


@gif("Resources/gif/start.gif")
def start_gif():
    frames, n = [], 14
    for i in range(n):
        t = i / (n - 1)
        c = Canvas(BAR, BAR)
        grow = _ease_out(min(1.0, t / 0.55))
        r = _disc(c, BAR, 0.45 + 0.55 * grow, GREEN_LIGHT, GREEN_DARK)
        if t > 0.55:
            k = (t - 0.55) / 0.45
            rr = r + 4 + 8 * k
            c.circle(BAR / 2, BAR / 2, min(rr, BAR / 2 - 1), None, mix(ORANGE, WHITE, k), 3)
        if t > 0.25:
            px = 16 + 12 * _ease_out(min(1.0, (t - 0.25) / 0.4))
            G.play(c, BAR / 2 - 14, BAR / 2 - 30, 28, WHITE)
            c.text((BAR / 2, BAR / 2 + 16), "开始", px, WHITE, bold=True)
        frames.append(c.image())
    return frames, [60] * (n - 1) + [200], ONCE


@gif("Resources/gif/act.gif")
def act_gif():
    frames, n = [], 16
    for i in range(n):
        t = i / n
        c = Canvas(BAR, BAR)
        _disc(c, BAR, 1.0, GREEN_LIGHT, GREEN_DARK)
        a = t * 360
        c.arc((7, 7, BAR - 7, BAR - 7), a - 90, a + 10, 4, ORANGE)
        c.arc((7, 7, BAR - 7, BAR - 7), a + 90, a + 190, 4, rgba(WHITE, 200))
        c.text((BAR / 2, BAR / 2 - 8), "作答中", 22, WHITE, bold=True)
        for k in range(3):
            on = (i // 4) % 4 > k
            c.circle(BAR / 2 - 12 + 12 * k, BAR / 2 + 20, 3.6, WHITE if on else rgba(WHITE, 90))
        frames.append(c.image())
    return frames, [80] * n, FOREVER


@gif("Resources/gif/end.gif")
def end_gif():
    frames, n = [], 14
    for i in range(n):
        t = i / (n - 1)
        c = Canvas(BAR, BAR)
        k = min(1.0, t / 0.4)
        # through a pale flash rather than a muddy green-red blend
        if k < 0.5:
            top, bottom = mix(GREEN_LIGHT, "#f2f5f3", 2 * k), mix(GREEN_DARK, "#e4e9e6", 2 * k)
        else:
            top, bottom = mix("#f2f5f3", "#ff8a7a", 2 * k - 1), mix("#e4e9e6", RED_DARK, 2 * k - 1)
        _disc(c, BAR, 1.0, top, bottom)
        if t < 0.4:
            c.text((BAR / 2, BAR / 2), "作答中", 22, rgba(WHITE, int(255 * (1 - k))), bold=True)
        else:
            m = _ease_out(min(1.0, (t - 0.4) / 0.35))
            G.stop(c, BAR / 2 - 13, BAR / 2 - 30, 26, WHITE)
            c.text((BAR / 2, BAR / 2 + 16), "结束", 16 + 12 * m, WHITE, bold=True)
        frames.append(c.image())
    return frames, [60] * (n - 1) + [300], ONCE


@gif("Resources/gif/examload.gif")
def exam_loading():
    d, n = 48, 12
    frames = []
    for i in range(n):
        c = Canvas(d, d)
        for k in range(n):
            a = math.radians(k * 30 - 90)
            age = (i - k) % n
            # GIF has no partial transparency: fade towards a pale green instead of towards clear
            c.circle(d / 2 + 17 * math.cos(a), d / 2 + 17 * math.sin(a), 3.6, mix(GREEN, "#dcefe2", min(1.0, age / 8)))
        frames.append(c.image())
    return frames, [80] * n, FOREVER


@gif("Resources/images/Login/tav-login-inprogress-n.gif")
def login_progress():
    w, h, n = 160, 40, 12
    frames = []
    for i in range(n):
        c = Canvas(w, h)
        for k in range(5):
            phase = (i / n) * 2 * math.pi - k * 0.9
            lift = max(0.0, math.sin(phase))
            col = mix(GREEN, TEAL, k / 4)
            c.circle(32 + k * 24, h / 2 + 4 - 10 * lift, 6 + 1.5 * lift, col)
        frames.append(c.image())
    return frames, [70] * n, FOREVER


@gif("Resources/images/teamExam/pencil.gif")
def pencil_gif():
    # The pencil writes a short wavy line across the foot of the tile.
    w, h, n = 30, 41, 12
    frames = []
    for i in range(n):
        t = i / (n - 1)
        c = Canvas(w, h)
        tip_x = 3 + 12 * t
        pts = [(3 + k * 0.5, line_y(3 + k * 0.5)) for k in range(int((tip_x - 3) / 0.5) + 1)]
        if len(pts) > 1:
            c.line(pts, 1.8, "#4a4a4a")
        draw_pencil(c, tip_x, line_y(tip_x) - 0.8, 32, 7, 66)
        frames.append(c.image())
    return frames, [70] * (n - 1) + [150], ONCE


def line_y(x):
    return 36 + 1.8 * math.sin((x - 3) * 0.9)


def to_gif_frames(frames, matte=WHITE):
    """RGBA frames -> palette frames with index 255 transparent (GIF has one-bit transparency)."""
    from PIL import Image

    out = []
    m = rgba(matte)[:3]
    for f in frames:
        alpha = f.getchannel("A")
        rgb = Image.new("RGB", f.size, m)
        rgb.paste(f.convert("RGB"), mask=alpha)
        p = rgb.quantize(colors=255, method=Image.MEDIANCUT, dither=Image.NONE)
        pal = p.getpalette()[:765]
        p.putpalette(pal + [0] * (768 - len(pal)))
        p.paste(255, mask=alpha.point(lambda a: 255 if a < 110 else 0))
        p.info["transparency"] = 255
        out.append(p)
    return out

