"""Building blocks shared by several pictures: buttons, key caps, avatars, panels."""

from PIL import ImageChops

from . import glyphs as G
from .canvas import INK, RED, WHITE, Canvas, mix, rgba


def close_button(w, h, hover):
    """White cross for the green title bands; red plate under it on hover."""
    c = Canvas(w, h)
    if hover:
        c.rrect((1, 1, w - 1, h - 1), 4, RED)
    s = min(w, h) * 0.8
    G.close(c, (w - s) / 2, (h - s) / 2, s, WHITE, 2.0)
    return c.image()


def minimise_button(w, h, hover):
    c = Canvas(w, h)
    if hover:
        c.rrect((1, 1, w - 1, h - 1), 4, rgba(WHITE, 70))
    s = min(w, h) * 0.8
    G.minus(c, (w - s) / 2, (h - s) / 2 + s * 0.12, s, WHITE, 2.0)
    return c.image()


def keycap(w, h, label=None, glyph=None, px=None):
    """A keypad key as it appears in the binding instructions."""
    c = Canvas(w, h)
    c.rrect((0.5, 1, w - 0.5, h - 0.5), 5, "#8e979f")
    c.rrect((0.5, 0.5, w - 0.5, h - 2), 5, c.vgrad("#ffffff", "#e3e7eb"), "#8e979f", 1)
    if label:
        c.text((w / 2, (h - 2) / 2), label, px or (h * 0.52), INK, bold=True)
    if glyph:
        s = h - 6
        glyph(c, (w - s) / 2, 1.5, s, INK, max(1.4, s / 8))
    return c.image()


def round_button(d, fill, glyph, pressed=False, glyph_col=WHITE):
    """Round tool button: a disc in the button's colour with a white glyph; pressed is darker and sunk."""
    c = Canvas(d, d)
    r = d / 2 - 2
    if not pressed:
        c.shadow(("ellipse", (2, 2, d - 2, d - 2)), blur=3, offset=(0, 1.2), alpha=70)
        c.circle(d / 2, d / 2, r, c.vgrad(mix(fill, WHITE, 0.15), fill, 2, d - 2))
    else:
        c.circle(d / 2, d / 2 + 0.5, r, c.vgrad(mix(fill, "#000000", 0.22), mix(fill, "#000000", 0.08), 2, d - 2))
        c.arc((2, 2.5, d - 2, d - 1.5), 200, 340, 1.2, rgba("#000000", 50), cap=False)
    s = d * 0.56
    glyph(c, (d - s) / 2, (d - s) / 2 + (0.5 if pressed else 0), s, glyph_col)
    return c.image()


def pill(w, h, fill, outline=None, width=1):
    c = Canvas(w, h)
    c.rrect((0.5, 0.5, w - 0.5, h - 0.5), (h - 1) / 2, fill, outline, width)
    return c


def avatar(c, cx, cy, r, disc, figure):
    """Round avatar: a disc with a head-and-shoulders figure clipped to it."""
    c.circle(cx, cy, r, disc)
    c.circle(cx, cy - r * 0.22, r * 0.34, figure)
    s = c.ss
    m, d = c.mask()
    d.ellipse(((cx - r * 0.62) * s, (cy + r * 0.18) * s, (cx + r * 0.62) * s, (cy + r * 1.3) * s), fill=255)
    clip, dc = c.mask()
    dc.ellipse(((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s), fill=255)
    c.paint(ImageChops.multiply(m, clip), figure)


def card_panel(w, h, r=14, band=None, band_h=0, margin=6, shadow=True, fill=WHITE, border=None):
    """White rounded panel with a soft shadow, optionally a coloured top band."""
    c = Canvas(w, h, ss=2 if w * h > 200000 else 4)
    box = (margin, margin - 2, w - margin, h - margin - 2)
    if shadow:
        c.shadow(("rrect", box, r), blur=margin * 1.6, offset=(0, 2), alpha=55)
    c.rrect(box, r, fill, border, 1 if border else 0)
    if band:
        m, d = c.mask()
        s = c.ss
        d.rounded_rectangle((box[0] * s, box[1] * s, box[2] * s - 1, (box[1] + band_h) * s - 1), radius=r * s,
                            fill=255)
        d.rectangle((box[0] * s, (box[1] + band_h - r) * s, box[2] * s - 1, (box[1] + band_h) * s - 1), fill=255)
        c.paint(m, band(c) if callable(band) else band)
    return c


def number_badge(c, cx, cy, r, fill, text, px, col=WHITE):
    c.circle(cx, cy, r, fill)
    c.text((cx, cy - px * 0.06), text, px, col, bold=True)

