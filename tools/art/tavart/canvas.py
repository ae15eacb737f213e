"""Drawing surface for the program's artwork.

Everything is drawn at a multiple of the final size and scaled down once, which gives smooth
edges without relying on antialiasing in PIL's primitives. Shapes are painted through masks so
that colours blend correctly over transparent pixels (no dark fringes on translucent windows).
"""

import math
import os
import subprocess

from PIL import Image, ImageDraw, ImageFilter, ImageFont

# One palette for the whole program. The greens and status colours are the ones the screens
# already use in their own style sheets, so pictures and styled widgets match.
GREEN = "#39ba60"
GREEN_LIGHT = "#4fcb75"
GREEN_DARK = "#2c9a4d"
GREEN_DEEP = "#086223"
GREEN_TINT = "#e8f6ec"
TEAL = "#3cd3b1"
TEAL_DARK = "#2bb293"
ORANGE = "#ff890a"
AMBER = "#eeb710"
AMBER_DARK = "#d49f06"
GOLD = "#e99c06"
RED = "#e26464"
RED_DARK = "#c94d4d"
BLUE = "#3d9be9"
BLUE_DARK = "#2a7fc9"
SKY = "#35c8ff"
WHITE = "#ffffff"
INK = "#333333"
TEXT = "#555555"
MUTED = "#999999"
LINE = "#d6d6d6"
PAPER = "#f3f7f9"
PANEL = "#f0f0f0"
DARK = "#505050"
DARKER = "#3c3c3c"


def rgba(colour, alpha=255):
    """'#rrggbb' or an (r, g, b[, a]) tuple -> (r, g, b, a); alpha scales an existing alpha."""
    if isinstance(colour, str):
        c = colour.lstrip("#")
        r, g, b = int(c[0:2], 16), int(c[2:4], 16), int(c[4:6], 16)
        return (r, g, b, alpha)
    if len(colour) == 4:
        return (colour[0], colour[1], colour[2], colour[3] * alpha // 255)
    return (colour[0], colour[1], colour[2], alpha)


def mix(a, b, t):
    """Colour between a (t = 0) and b (t = 1)."""
    ca, cb = rgba(a), rgba(b)
    return tuple(int(round(ca[i] + (cb[i] - ca[i]) * t)) for i in range(4))


_FONT_FILES = {}


def _font_file(bold):
    key = "Bold" if bold else "Regular"
    if key in _FONT_FILES:
        return _FONT_FILES[key]
    name = "NotoSansCJK-%s.ttc" % key
    for folder in ("/usr/share/fonts/opentype/noto", "/usr/share/fonts/noto-cjk", "/usr/share/fonts/opentype/noto-cjk"):
        path = os.path.join(folder, name)
        if os.path.exists(path):
            _FONT_FILES[key] = path
            return path
    try:
        path = subprocess.run(["fc-match", "-f", "%{file}", "Noto Sans CJK SC:style=" + key],
                              capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        path = ""
    if not path.endswith(".ttc"):
        raise SystemExit("art: the CJK font (Debian package fonts-noto-cjk) is not installed")
    _FONT_FILES[key] = path
    return path


_FONTS = {}


def font(px, bold=False):
    """Noto Sans CJK SC at a pixel size (index 2 of the collection is the simplified Chinese face)."""
    key = (px, bold)
    if key not in _FONTS:
        _FONTS[key] = ImageFont.truetype(_font_file(bold), px, index=2)
    return _FONTS[key]


class Canvas:
    """An RGBA picture of w x h pixels drawn at ss times that size."""

    def __init__(self, w, h, ss=4, background=None):
        self.w, self.h, self.ss = w, h, ss
        self.im = Image.new("RGBA", (w * ss, h * ss), rgba(background) if background else (0, 0, 0, 0))

    # -- coordinates -------------------------------------------------------------------------
    def _s(self, v):
        return v * self.ss

    def _box(self, box):
        x0, y0, x1, y1 = box
        s = self.ss
        return (x0 * s, y0 * s, x1 * s - 1, y1 * s - 1)

    def _pts(self, pts):
        return [(x * self.ss, y * self.ss) for x, y in pts]

    # -- painting through masks --------------------------------------------------------------
    def mask(self):
        m = Image.new("L", self.im.size, 0)
        return m, ImageDraw.Draw(m)

    def paint(self, mask, fill):
        """Composite fill (a colour or an RGBA image of canvas size) through mask."""
        if isinstance(fill, Image.Image):
            layer = fill.copy()
            a = layer.getchannel("A")
            layer.putalpha(_mul(a, mask))
        else:
            c = rgba(fill)
            layer = Image.new("RGBA", self.im.size, c[:3] + (255,))
            layer.putalpha(mask.point(lambda v, a=c[3]: v * a // 255))
        self.im.alpha_composite(layer)

    # -- fills -------------------------------------------------------------------------------
    def vgrad(self, top, bottom, y0=0, y1=None):
        """Vertical gradient image of canvas size from top colour (at y0) to bottom colour (at y1)."""
        y1 = self.h if y1 is None else y1
        H = self.im.size[1]
        col = Image.new("RGBA", (1, H))
        px = col.load()
        for y in range(H):
            t = min(1.0, max(0.0, (y / self.ss - y0) / max(1e-6, (y1 - y0))))
            px[0, y] = mix(top, bottom, t)
        return col.resize(self.im.size, Image.NEAREST)

    def hgrad(self, left, right, x0=0, x1=None):
        x1 = self.w if x1 is None else x1
        W = self.im.size[0]
        row = Image.new("RGBA", (W, 1))
        px = row.load()
        for x in range(W):
            t = min(1.0, max(0.0, (x / self.ss - x0) / max(1e-6, (x1 - x0))))
            px[x, 0] = mix(left, right, t)
        return row.resize(self.im.size, Image.NEAREST)

    # -- shapes ------------------------------------------------------------------------------
    def rrect(self, box, r, fill=None, outline=None, width=1):
        if fill is not None:
            m, d = self.mask()
            d.rounded_rectangle(self._box(box), radius=self._s(r), fill=255)
            self.paint(m, fill)
        if outline is not None:
            m, d = self.mask()
            d.rounded_rectangle(self._box(box), radius=self._s(r), fill=255)
            x0, y0, x1, y1 = box
            inner = (x0 + width, y0 + width, x1 - width, y1 - width)
            if inner[2] > inner[0] and inner[3] > inner[1]:
                d.rounded_rectangle(self._box(inner), radius=self._s(max(0, r - width)), fill=0)
            self.paint(m, outline)

    def rect(self, box, fill):
        self.rrect(box, 0, fill)

    def ellipse(self, box, fill=None, outline=None, width=1):
        if fill is not None:
            m, d = self.mask()
            d.ellipse(self._box(box), fill=255)
            self.paint(m, fill)
        if outline is not None:
            m, d = self.mask()
            d.ellipse(self._box(box), fill=255)
            x0, y0, x1, y1 = box
            d.ellipse(self._box((x0 + width, y0 + width, x1 - width, y1 - width)), fill=0)
            self.paint(m, outline)

    def circle(self, cx, cy, r, fill=None, outline=None, width=1):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), fill, outline, width)

    def polygon(self, pts, fill):
        m, d = self.mask()
        d.polygon(self._pts(pts), fill=255)
        self.paint(m, fill)

    def line(self, pts, width, fill, cap=True):
        """Polyline with round joins and caps."""
        m, d = self.mask()
        p = self._pts(pts)
        wpx = max(1, int(round(self._s(width))))
        d.line(p, fill=255, width=wpx, joint="curve")
        if cap:
            rr = self._s(width) / 2
            for x, y in (p[0], p[-1]):
                d.ellipse((x - rr, y - rr, x + rr, y + rr), fill=255)
        self.paint(m, fill)

    def arc(self, box, start, end, width, fill, cap=True):
        """Arc in degrees, 0 = three o'clock, clockwise, with round caps."""
        m, d = self.mask()
        d.arc(self._box(box), start, end, fill=255, width=max(1, int(round(self._s(width)))))
        if cap:
            x0, y0, x1, y1 = box
            cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
            rx, ry = (x1 - x0) / 2 - width / 2, (y1 - y0) / 2 - width / 2
            rr = self._s(width) / 2
            for a in (start, end):
                t = math.radians(a)
                x, y = self._s(cx + rx * math.cos(t)), self._s(cy + ry * math.sin(t))
                d.ellipse((x - rr, y - rr, x + rr, y + rr), fill=255)
        self.paint(m, fill)

    def pie(self, box, start, end, fill):
        m, d = self.mask()
        d.pieslice(self._box(box), start, end, fill=255)
        self.paint(m, fill)

    def text(self, xy, s, px, fill, bold=False, anchor="mm", spacing=0):
        m, d = self.mask()
        f = font(int(round(px * self.ss)), bold)
        d.text((self._s(xy[0]), self._s(xy[1])), s, font=f, fill=255, anchor=anchor,
               spacing=int(spacing * self.ss))
        self.paint(m, fill)

    def text_width(self, s, px, bold=False):
        f = font(int(round(px * self.ss)), bold)
        return f.getlength(s) / self.ss

    def shadow(self, shape, blur=6, offset=(0, 2), alpha=60, colour="#000000"):
        """Soft shadow under a shape given as ('rrect', box, r) or ('ellipse', box)."""
        m, d = self.mask()
        kind = shape[0]
        dx, dy = offset
        if kind == "rrect":
            x0, y0, x1, y1 = shape[1]
            d.rounded_rectangle(self._box((x0 + dx, y0 + dy, x1 + dx, y1 + dy)), radius=self._s(shape[2]), fill=255)
        else:
            x0, y0, x1, y1 = shape[1]
            d.ellipse(self._box((x0 + dx, y0 + dy, x1 + dx, y1 + dy)), fill=255)
        m = m.filter(ImageFilter.GaussianBlur(self._s(blur) / 2))
        self.paint(m, rgba(colour, alpha))

    def paste(self, picture, xy):
        """Composite a finished RGBA picture (final scale) with its top left corner at xy (final pixels)."""
        big = picture.resize((picture.width * self.ss, picture.height * self.ss), Image.LANCZOS)
        x, y = int(round(xy[0] * self.ss)), int(round(xy[1] * self.ss))
        left, top = max(0, -x), max(0, -y)
        right, bottom = min(big.width, self.im.width - x), min(big.height, self.im.height - y)
        if right <= left or bottom <= top:
            return
        self.im.alpha_composite(big, dest=(x + left, y + top), source=(left, top, right, bottom))

    def image(self):
        if self.ss == 1:
            return self.im.copy()
        return self.im.resize((self.w, self.h), Image.LANCZOS)


def _mul(a, b):
    from PIL import ImageChops

    return ImageChops.multiply(a, b)
