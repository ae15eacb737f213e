"""Every still picture of the program, one maker per file, grouped by the folder the screens read."""

import math
import random

from . import glyphs as G
from .canvas import (AMBER, AMBER_DARK, BLUE, BLUE_DARK, DARK, DARKER, GREEN, GREEN_DARK, GREEN_DEEP,
                     GREEN_LIGHT, GREEN_TINT, INK, LINE, MUTED, ORANGE, PAPER, RED, SKY, TEAL,
                     TEAL_DARK, TEXT, WHITE, Canvas, mix, rgba)
from .parts import avatar, card_panel, close_button, keycap, minimise_button, number_badge, pill, round_button
from .registry import ico, png, same

IMG = "Resources/images/"


# ---------------------------------------------------------------------------------------------
# The program's mark: a speech bubble with a tick (a class answering), on green.
# ---------------------------------------------------------------------------------------------
def app_mark(size):
    c = Canvas(size, size, ss=4 if size <= 128 else 2)
    s = size
    c.rrect((0.04 * s, 0.04 * s, 0.96 * s, 0.96 * s), 0.22 * s, c.vgrad(GREEN_LIGHT, GREEN_DARK))
    G.bubble(c, 0.10 * s, 0.14 * s, 0.80 * s, WHITE)
    G.check(c, 0.30 * s, 0.27 * s, 0.40 * s, GREEN, max(1.5, 0.07 * s))
    return c.image()


@ico(IMG + "TAV.ico")
def tav_ico():
    return app_mark(256)


@png(IMG + "interactData/logo.png")
def report_logo():
    # Sits on the green title bars: the bubble alone, in white.
    c = Canvas(25, 25)
    G.bubble(c, 0, 0.5, 25, WHITE)
    G.check(c, 7.5, 5.6, 10, GREEN, 1.9)
    return c.image()


# ---------------------------------------------------------------------------------------------
# Login, message box and notice
# ---------------------------------------------------------------------------------------------
@png(IMG + "Login/close.png")
def login_close():
    return close_button(26, 23, False)


@png(IMG + "Login/close-h.png")
def login_close_h():
    return close_button(26, 23, True)


@png(IMG + "MsgBox/tav_msgbox_bg.png")
def msgbox_top():
    # Upper band of the message and input boxes: green, rounded at the top.
    w, h = 420, 44
    c = Canvas(w, h)
    c.rrect((0, 0, w, h + 10), 8, c.vgrad(GREEN_LIGHT, GREEN, 0, h))
    c.rect((0, h - 1, w, h), rgba(GREEN_DARK, 160))
    return c.image()


@png(IMG + "MsgBox/tav_msgbox_bg_d.png")
def msgbox_bottom():
    # Lower band: white, hairline border, rounded at the bottom.
    w, h = 420, 190
    c = Canvas(w, h)
    c.rrect((0, -10, w, h), 8, "#c9d1d6")
    c.rrect((1, -10, w - 1, h - 1), 7, c.vgrad(WHITE, "#f6f8f9", 0, h))
    return c.image()


@png(IMG + "MsgBox/tav_msgbox_icon.png")
def msgbox_icon():
    c = Canvas(48, 48)
    c.circle(24, 24, 21, c.vgrad("#ffa53d", ORANGE, 3, 45))
    G.exclaim(c, 8, 8, 32, WHITE)
    return c.image()


@png(IMG + "MsgBox/tav_msgbox_icon_s.png")
def msgbox_icon_s():
    c = Canvas(48, 48)
    c.circle(24, 24, 21, c.vgrad(GREEN_LIGHT, GREEN_DARK, 3, 45))
    G.check(c, 8, 8, 32, WHITE, 3.4)
    return c.image()


def _msg_button(fill_top, fill_bottom, sunk=False):
    w, h = 110, 36
    c = Canvas(w, h)
    if not sunk:
        c.shadow(("rrect", (2, 2, w - 2, h - 3), 6), blur=3, offset=(0, 1), alpha=50)
    c.rrect((1, 1, w - 1, h - 2), 6, c.vgrad(fill_top, fill_bottom, 1, h - 2))
    if sunk:
        c.rrect((1, 1, w - 1, 4), 3, rgba("#000000", 35))
    return c.image()


@png(IMG + "autoMsg/btn.png")
def msg_btn():
    return _msg_button(GREEN_LIGHT, GREEN)


@png(IMG + "autoMsg/btn-h.png")
def msg_btn_h():
    return _msg_button("#62d687", GREEN_LIGHT)


@png(IMG + "autoMsg/btn-c.png")
def msg_btn_c():
    return _msg_button(GREEN_DARK, "#32a957", sunk=True)


# The notice's picture label: the program's mascot (the Parts leave this picture unnamed).
def mascot(size, wave=0.0):
    """A round green helper with a keypad antenna; wave lifts its right arm (0..1)."""
    c = Canvas(size, size, ss=4)
    s = size / 100.0
    c.shadow(("ellipse", (22 * s, 86 * s, 78 * s, 96 * s)), blur=4 * s, offset=(0, 0), alpha=60)
    # antenna
    c.line([(50 * s, 22 * s), (56 * s, 8 * s)], 3 * s, GREEN_DARK)
    c.circle(57 * s, 7 * s, 5 * s, ORANGE)
    # body
    c.circle(50 * s, 55 * s, 36 * s, c.vgrad(GREEN_LIGHT, GREEN_DARK, 19 * s, 91 * s))
    c.ellipse((26 * s, 48 * s, 74 * s, 86 * s), rgba(WHITE, 235))
    # eyes and smile
    for ex in (38, 62):
        c.circle(ex * s, 40 * s, 8 * s, WHITE)
        c.circle((ex + 1.5) * s, 41 * s, 4.2 * s, INK)
        c.circle((ex + 3) * s, 39 * s, 1.4 * s, WHITE)
    c.arc((40 * s, 44 * s, 60 * s, 60 * s), 30, 150, 2.6 * s, INK)
    c.circle(29 * s, 52 * s, 4 * s, rgba("#ff8a8a", 150))
    c.circle(71 * s, 52 * s, 4 * s, rgba("#ff8a8a", 150))
    # keypad on the belly
    c.rrect((40 * s, 62 * s, 60 * s, 80 * s), 3 * s, "#e9eef1", "#9aa5ad", 1.2 * s)
    for i in range(2):
        for j in range(2):
            c.rrect(((43 + 8 * i) * s, (65 + 7 * j) * s, (49 + 8 * i) * s, (70 + 7 * j) * s), 1.2 * s,
                    GREEN if (i + j) % 2 == 0 else ORANGE)
    # arms
    c.line([(16 * s, 62 * s), (8 * s, 72 * s)], 6 * s, GREEN_DARK)
    ay = 58 - 20 * wave
    c.line([(84 * s, 60 * s), (94 * s, ay * s)], 6 * s, GREEN_DARK)
    return c.image()


@png(IMG + "autoMsg/mascot.png")
def automsg_mascot():
    return mascot(96, wave=1.0)


HELP_STEPS = [
    ("连接接收器", ["将接收器插入电脑的 USB 接口，", "等待系统自动安装驱动。"]),
    ("登录", ["输入用户名和密码后点击“登录”；", "勾选“自动登录”，下次启动时自动登录。"]),
    ("绑定接收器", ["工具栏“系统配置”→“硬件绑定设置”，", "点击“硬件设备绑定”，把接收器绑定到班级。"]),
    ("绑定教师机", ["点击“教师机绑定”，", "同时按住教师机的 [up] + [pow] 键。"]),
    ("绑定学生机", ["点击“学生机快速绑定”，学生依次同时按下", "[FN] + [5]，再按 [figer] 键完成绑定。"]),
    ("开始上课", ["在工具栏选择班级和科目，", "点击“自由互动”、“课间测”或“签到”。"]),
]


@png(IMG + "Login/help.png")
def help_picture():
    """The quick installation and use guide: six numbered steps with the keys to press."""
    w, h = 820, 970
    c = Canvas(w, h, ss=2)
    c.rrect((0, 0, w, h), 12, WHITE)
    c.rrect((0, 0, w, 132), 12, c.hgrad(GREEN, TEAL))
    c.rect((0, 120, w, 132), c.hgrad(GREEN, TEAL))
    c.paste(app_mark(80), (44, 26))
    c.text((148, 52), "快速安装使用指导", 38, WHITE, bold=True, anchor="lm")
    c.text((150, 98), "六步开始一节互动课堂", 21, rgba(WHITE, 230), anchor="lm")
    keys = {"up": keycap(32, 26, glyph=G.arrow_up_solid), "pow": keycap(32, 26, glyph=G.power),
            "FN": keycap(38, 26, "FN", px=14), "5": keycap(32, 26, "5", px=16),
            "figer": keycap(32, 26, glyph=G.finger)}
    y = 156
    for i, (title, lines) in enumerate(HELP_STEPS):
        top = y
        c.rrect((36, top, w - 36, top + 116), 10, PAPER, "#e1e8ec", 1)
        number_badge(c, 84, top + 58, 27, GREEN if i % 2 == 0 else TEAL, str(i + 1), 29)
        c.text((136, top + 27), title, 24, GREEN_DEEP, bold=True, anchor="lm")
        for k, line in enumerate(lines):
            x = 136
            ly = top + 62 + k * 31
            for part in _split_keys(line):
                if part in keys:
                    pic = keys[part]
                    c.paste(pic, (int(x), int(ly - pic.height / 2)))
                    x += pic.width + 4
                else:
                    c.text((x, ly), part, 20, TEXT, anchor="lm")
                    x += c.text_width(part, 20)
        y += 128
    c.text((w / 2, h - 24), "遇到问题请联系学校管理员", 18, MUTED)
    return c.image()


def _split_keys(line):
    parts, rest = [], line
    while "[" in rest:
        a = rest.index("[")
        b = rest.index("]", a)
        if a:
            parts.append(rest[:a])
        parts.append(rest[a + 1:b])
        rest = rest[b + 1:]
    if rest:
        parts.append(rest)
    return parts


# ---------------------------------------------------------------------------------------------
# Tool bar
# ---------------------------------------------------------------------------------------------
@png(IMG + "toolbar/Thumbnail-border.png")
def thumb_border():
    # Ring laid over the round teacher picture (120 x 120 with a 60 px radius).
    c = Canvas(120, 120)
    c.circle(60, 60, 59.5, None, WHITE, 5)
    c.circle(60, 60, 59.5, None, rgba(GREEN, 200), 1.6)
    return c.image()


@png(IMG + "toolbar/Thumbnail-default.png")
def thumb_default():
    c = Canvas(120, 120)
    avatar(c, 60, 60, 60, c.vgrad("#d9f2e1", "#b5e4c4"), WHITE)
    return c.image()


def _status_pill(text, dot, fill, col):
    w, h = 72, 24
    c = pill(w, h, fill)
    c.circle(14, 12, 4.5, dot)
    c.text((43, 11.5), text, 14, col, bold=True)
    return c.image()


@png(IMG + "toolbar/tav_toolbar_webline_n.png")
def online():
    return _status_pill("在线", GREEN, GREEN_TINT, GREEN_DARK)


@png(IMG + "toolbar/tav_toolbar_offline_n.png")
def offline():
    return _status_pill("离线", "#b0b0b0", "#eeeeee", "#8a8a8a")


@png(IMG + "toolbar/tav-exit-n.png")
def tb_exit_n():
    return close_button(26, 23, False)


@png(IMG + "toolbar/tav-exit-h.png")
def tb_exit_h():
    return close_button(26, 23, True)


@png(IMG + "toolbar/tav-min-n.png")
def tb_min_n():
    return minimise_button(26, 23, False)


@png(IMG + "toolbar/tav-min-h.png")
def tb_min_h():
    return minimise_button(26, 23, True)


def _tool_icon(glyph, colour):
    c = Canvas(32, 32)
    c.rrect((0, 0, 32, 32), 9, rgba(colour, 38))
    glyph(c, 4, 4, 24, colour, 2.2)
    return c.image()


for _name, _glyph, _col in (("free", G.bubble, GREEN), ("exam", G.document, TEAL_DARK), ("prepare", G.book, BLUE),
                            ("sign", G.grid_seats, ORANGE), ("setup", None, "#7a8691"),
                            ("logout", G.power, RED)):
    def _make(glyph=_glyph, col=_col):
        if glyph is None:
            c = Canvas(32, 32)
            c.rrect((0, 0, 32, 32), 9, rgba(col, 38))
            G.gear(c, 4, 4, 24, col)
            c.circle(16, 16, 3.4, "#e4e7ea")
            return c.image()
        return _tool_icon(glyph, col)

    png(IMG + "toolbar/tav_toolbar_%s.png" % _name)(_make)


# ---------------------------------------------------------------------------------------------
# Interaction bar (subsystem 6)
# ---------------------------------------------------------------------------------------------
IB = IMG + "interactBar/"


@png(IB + "close.png")
def ib_close():
    return close_button(26, 23, False)


@png(IB + "close-h.png")
def ib_close_h():
    return close_button(26, 23, True)


@png(IB + "actBtn.png")
def act_btn():
    # Background of the expanded bar (110 x 110): a soft ring round the centre button.
    c = Canvas(110, 110)
    c.shadow(("ellipse", (6, 6, 104, 104)), blur=8, offset=(0, 2), alpha=80)
    c.circle(55, 55, 49, rgba(WHITE, 245))
    c.circle(55, 55, 49, None, rgba(GREEN, 120), 2)
    for i in range(12):
        a = math.radians(i * 30 - 90)
        c.circle(55 + 44 * math.cos(a), 55 + 44 * math.sin(a), 1.6, rgba(GREEN, 150))
    return c.image()


def _centre_button(d, label_px, ring):
    c = Canvas(d, d)
    r = d / 2 - 1
    if ring:
        c.shadow(("ellipse", (2, 2, d - 2, d - 2)), blur=4, offset=(0, 1.5), alpha=90)
        c.circle(d / 2, d / 2, r, WHITE)
        r -= 3
    c.circle(d / 2, d / 2, r, c.vgrad(GREEN_LIGHT, GREEN_DARK, d / 2 - r, d / 2 + r))
    c.arc((d / 2 - r + 2, d / 2 - r + 2, d / 2 + r - 2, d / 2 + r - 2), 200, 340, 1.4, rgba(WHITE, 110))
    G.bubble(c, d / 2 - r * 0.55, d / 2 - r * 0.80, r * 1.1, WHITE)
    c.text((d / 2, d / 2 + r * 0.47), "互动", label_px, WHITE, bold=True)
    return c.image()


@png(IB + "centerBtn.png")
def centre_btn():
    return _centre_button(80, 17, ring=False)


@png(IB + "certerBtn_min.png")
def centre_btn_min():
    return _centre_button(54, 12, ring=True)


@png(IB + "AnswerBg.png")
def answer_bg():
    # Frame of the option cards (yes/no, vote, evaluation): green title band over a white body.
    c = card_panel(450, 420, r=18, band=lambda c: c.hgrad(GREEN, TEAL), band_h=78, margin=8)
    return c.image()


@png(IB + "tobrin1.png")
def tobrin():
    return mascot(80, wave=1.0)


@png(IB + "chartbg.png")
def chart_bg():
    # Answer graph window (1000 x 400; content inset 45, 33).
    w, h = 1000, 400
    c = Canvas(w, h, ss=2)
    box = (16, 12, w - 16, h - 16)
    c.shadow(("rrect", box, 16), blur=18, offset=(0, 3), alpha=60)
    c.rrect(box, 16, WHITE)
    c.rrect((box[0], box[1], box[2], box[1] + 6), 3, c.hgrad(GREEN, TEAL))
    c.rect((box[0] + 2, box[1] + 3, box[2] - 2, box[1] + 6), c.hgrad(GREEN, TEAL))
    return c.image()


def _focus_ring(w, h, colour):
    c = Canvas(w, h)
    for k, a in ((6, 40), (4, 80)):
        c.rrect((6 - k, 6 - k, w - 6 + k, h - 6 + k), 16 + k, None, rgba(colour, a), 2)
    c.rrect((6, 6, w - 6, h - 6), 16, None, colour, 3)
    return c.image()


@png(IB + "highLight.png")
def highlight():
    return _focus_ring(80, 80, ORANGE)


@png(IB + "highLight-w.png")
def highlight_w():
    return _focus_ring(80, 80, "#ffc46b")


@png(IB + "star.png")
def star_mark():
    c = Canvas(20, 20)
    G.star(c, 10, 10.6, 9.4, WHITE)
    G.star(c, 10, 10.6, 7.6, ORANGE)
    return c.image()


def _dial(colour):
    c = Canvas(36, 36)
    c.circle(18, 18, 17, c.vgrad(mix(colour, WHITE, 0.2), colour, 1, 35))
    c.circle(18, 18, 13, WHITE)
    for i in range(12):
        a = math.radians(i * 30)
        r0 = 10.5 if i % 3 == 0 else 11.5
        c.line([(18 + r0 * math.cos(a), 18 + r0 * math.sin(a)), (18 + 12.3 * math.cos(a), 18 + 12.3 * math.sin(a))],
               1.1, colour, cap=False)
    c.line([(18, 18), (18, 9.5)], 2.0, INK)
    c.line([(18, 18), (24, 20.5)], 2.0, colour)
    c.circle(18, 18, 1.8, INK)
    return c.image()


@png(IB + "time_g.png")
def time_g():
    return _dial(GREEN)


@png(IB + "time_y.png")
def time_y():
    return _dial(AMBER)


@png(IB + "time_r.png")
def time_r():
    return _dial(RED)


@png(IB + "randombg.png")
def random_bg():
    # Random pick window: the name sits in the middle in 58 px type.
    w, h = 620, 280
    c = Canvas(w, h, ss=2)
    box = (12, 10, w - 12, h - 14)
    c.shadow(("rrect", box, 22), blur=16, offset=(0, 3), alpha=70)
    c.rrect(box, 22, WHITE)
    c.rrect(box, 22, None, rgba(GREEN, 200), 4)
    c.rrect((box[0] + 10, box[1] + 10, box[2] - 10, box[3] - 10), 16, None, rgba(GREEN, 70), 1.5)
    rnd = random.Random(6121)
    for _ in range(26):
        x = rnd.choice([rnd.uniform(30, 120), rnd.uniform(w - 120, w - 30)])
        y = rnd.uniform(30, h - 40)
        col = rnd.choice([GREEN, TEAL, ORANGE, AMBER, SKY])
        if rnd.random() < 0.5:
            c.circle(x, y, rnd.uniform(2.5, 5), rgba(col, 170))
        else:
            G.star(c, x, y, rnd.uniform(4, 7), rgba(col, 170))
    G.dice(c, 36, 26, 40, rgba(GREEN, 230), WHITE)
    G.dice(c, w - 78, h - 80, 40, rgba(ORANGE, 230), WHITE)
    return c.image()


def _bar_left(w, h):
    # Panel sliding out left of the round bar; its right end hides behind the bar.
    c = Canvas(w, h)
    box = (6, 5, w - 2, h - 7)
    c.shadow(("rrect", box, (box[3] - box[1]) / 2), blur=8, offset=(0, 2), alpha=70)
    c.rrect(box, (box[3] - box[1]) / 2, c.vgrad(WHITE, "#f3f6f8", box[1], box[3]))
    c.rrect(box, (box[3] - box[1]) / 2, None, "#dbe3e8", 1)
    return c.image()


@png(IB + "bar_left_short.png")
def bar_left_short():
    return _bar_left(430, 96)


@png(IB + "bar_left.png")
def bar_left():
    return _bar_left(620, 96)


@png(IB + "cir_bg.png")
def cir_bg():
    # Dial behind the rush seconds (white 28 px digits).
    c = Canvas(72, 72)
    c.circle(36, 36, 35, rgba(GREEN, 60))
    c.circle(36, 36, 30, c.vgrad(GREEN_LIGHT, GREEN_DARK, 6, 66))
    c.arc((9, 9, 63, 63), 200, 330, 1.5, rgba(WHITE, 120))
    return c.image()


_ROUND = {"start-normal": (GREEN, G.play, False), "start-press": (GREEN, G.play, True),
          "pause-nomal": (AMBER, G.pause, False), "pause-press": (AMBER, G.pause, True),
          "end-nomal": (RED, G.stop, False), "end-press": (RED, G.stop, True),
          "list-nomal": (BLUE, G.listing, False), "list-Press": (BLUE, G.listing, True),
          "graph-nomal": (TEAL, G.bars, False), "graph-press": (TEAL, G.bars, True),
          "stujoin-nomal": (SKY, G.hand_up, False), "stujoin-press": (SKY, G.hand_up, True)}

for _name, (_col, _glyph, _pressed) in _ROUND.items():
    png(IB + _name + ".png")(lambda col=_col, glyph=_glyph, pressed=_pressed: round_button(48, col, glyph, pressed))


# Menu of interaction types: each button names its type in large type, so the whole class can
# read what the teacher picks. Answer types are green, feedback types teal.
MENU = [("simpleSelA", "单选", GREEN), ("mulSelA", "多选", GREEN), ("digA", "数字", GREEN), ("rushA", "抢答", GREEN),
        ("randomA", "随机", GREEN), ("decideA", "表决", TEAL), ("whetherA", "是否", TEAL), ("evaluateA", "评价", TEAL),
        ("interactS", "报表", BLUE)]


def _menu_button(text, colour, pressed):
    d = 64
    c = Canvas(d, d)
    if not pressed:
        c.shadow(("ellipse", (3, 3, d - 3, d - 3)), blur=4, offset=(0, 1.5), alpha=70)
    top = mix(colour, WHITE, 0.18) if not pressed else mix(colour, "#000000", 0.15)
    c.circle(d / 2, d / 2, d / 2 - 3, c.vgrad(top, colour if not pressed else mix(colour, "#000000", 0.05), 3, d - 3))
    c.circle(d / 2, d / 2, d / 2 - 3, None, rgba(WHITE, 160), 1.5)
    c.text((d / 2, d / 2 - 1), text, 19, WHITE, bold=True)
    return c.image()


for _obj, _text, _col in MENU:
    png(IB + _obj + ".png")(lambda t=_text, col=_col: _menu_button(t, col, False))
    png(IB + _obj + "-press.png")(lambda t=_text, col=_col: _menu_button(t, col, True))


@png(IB + "menubg.png")
def menu_bg():
    return _bar_left(720, 96)


# ---------------------------------------------------------------------------------------------
# Interaction report tabs (interactData)
# ---------------------------------------------------------------------------------------------
def _tab_icon(glyph, colour):
    c = Canvas(30, 30)
    glyph(c, 1, 1, 28, colour, 2.4)
    return c.image()


for _name, _glyph in (("stu", G.people), ("answer", G.bubble), ("feedback", G.hand_up)):
    png(IMG + "interactData/%s-n.png" % _name)(lambda g=_glyph: _tab_icon(g, "#8a8a8a"))
    png(IMG + "interactData/%s-a.png" % _name)(lambda g=_glyph: _tab_icon(g, "#36ba60"))


# ---------------------------------------------------------------------------------------------
# Answer list window (Table)
# ---------------------------------------------------------------------------------------------
@png(IMG + "Table/tav_statistic_bg.png")
def statistic_bg():
    # The title stays on the band; the tips picture beside it goes once a right answer is marked.
    w, h = 788, 627
    c = card_panel(w, h, r=16, band=None, margin=10)
    c.rrect((10, 8, w - 10, 72), 16, c.hgrad(GREEN, TEAL))
    c.rect((10, 40, w - 10, 72), c.hgrad(GREEN, TEAL))
    c.rect((10, 72, w - 10, 73), rgba(GREEN_DARK, 120))
    G.listing(c, 34, 24, 30, WHITE, 3)
    c.text((74, 40), "答题统计", 24, WHITE, bold=True, anchor="lm")
    return c.image()


@png(IMG + "Table/tav_statistic_tips.png")
def statistic_tips():
    w, h = 300, 48
    c = Canvas(w, h)
    # Dark green on an almost opaque white pill: it must read on the light end of the band from the back of a
    # classroom (contrast 7 or more).
    c.rrect((0, 8, w, h - 8), (h - 16) / 2, rgba(WHITE, 235))
    c.text((w / 2, h / 2), "点击或按上下键标记正确答案", 16, GREEN_DEEP, anchor="mm")
    return c.image()


@png(IMG + "Table/tav_statistic_record.png")
def statistic_record():
    # Corner flag of the row marked as the right answer.
    c = Canvas(46, 46)
    c.polygon([(0, 0), (46, 0), (0, 46)], c.vgrad(ORANGE, "#f06d00"))
    G.check(c, 2, 1, 24, WHITE, 3)
    return c.image()


# ---------------------------------------------------------------------------------------------
# Quiz result views (analyze, stuRanking)
# ---------------------------------------------------------------------------------------------
AN = IMG + "analyze/"


@png(AN + "bar.png")
def stripes():
    # Tile repeated over the coloured right/wrong/unanswered bars: light diagonal stripes.
    n = 26
    c = Canvas(n, n)
    for k in range(-2, 5):
        x = k * 13
        c.polygon([(x, 0), (x + 6.5, 0), (x + 6.5 - n, n), (x - n, n)], rgba(WHITE, 46))
        c.polygon([(x + n, 0), (x + n + 6.5, 0), (x + 6.5, n), (x, n)], rgba(WHITE, 46))
    return c.image()


def _float_bg(active):
    c = Canvas(40, 40)
    c.shadow(("ellipse", (2, 2, 38, 38)), blur=3, offset=(0, 1), alpha=60)
    if active:
        c.circle(20, 20, 18, GREEN_TINT, GREEN, 1.6)
        c.circle(20, 20, 18, None, GREEN, 1.6)
    else:
        c.circle(20, 20, 18, WHITE)
        c.circle(20, 20, 18, None, LINE, 1.2)
    return c.image()


@png(AN + "bg-nomal.png")
def an_bg_n():
    return _float_bg(False)


@png(AN + "bg-active.png")
def an_bg_a():
    return _float_bg(True)


def _small_glyph(glyph, size, colour, w=None):
    c = Canvas(size, size)
    glyph(c, 0, 0, size, colour, w)
    return c.image()


png(AN + "up.png")(lambda: _small_glyph(G.chevron_up, 24, TEXT, 2.4))
png(AN + "down.png")(lambda: _small_glyph(G.chevron_down, 24, TEXT, 2.4))
png(AN + "close.png")(lambda: _small_glyph(G.close, 24, TEXT, 2.4))


def _details(hover):
    w, h = 120, 60
    c = Canvas(w, h)
    box = (8, 14, 112, 46)
    if hover:
        c.rrect(box, 16, GREEN)
        col = WHITE
    else:
        c.rrect(box, 16, WHITE, GREEN, 1.5)
        col = GREEN
    G.magnifier(c, 15, 19, 22, col, 2.2)
    c.text((73, 29.5), "查看详情", 15, col, bold=True)
    return c.image()


png(AN + "details-n.png")(lambda: _details(False))
png(AN + "details-h.png")(lambda: _details(True))

for _name, _glyph in (("graph", G.bars), ("staff", G.people), ("explanation", G.bulb)):
    png(AN + _name + "-n.png")(lambda g=_glyph: _small_glyph(g, 30, MUTED, 2.5))
    png(AN + _name + "-h.png")(lambda g=_glyph: _small_glyph(g, 30, WHITE, 2.5))


@png(IMG + "stuRanking/stuRanking-bg.png")
def ranking_bg():
    # Band behind the podium; wide enough that common screens never see it repeat.
    w, h = 1920, 345
    c = Canvas(w, h, ss=1)
    c.im = c.vgrad("#e9f7ee", "#d3efe0")
    rays = Canvas(w, h, ss=1)
    for i in range(18):
        a0 = math.radians(180 + i * 10)
        a1 = math.radians(180 + i * 10 + 4)
        cx, cy, r = w / 2, h + 60, 1400
        rays.polygon([(cx, cy), (cx + r * math.cos(a0), cy + r * math.sin(a0)),
                      (cx + r * math.cos(a1), cy + r * math.sin(a1))], rgba(WHITE, 70))
    c.im.alpha_composite(rays.im)
    rnd = random.Random(8111)
    colours = [GREEN, TEAL, ORANGE, AMBER, SKY, RED]
    for _ in range(140):
        s = rnd.randint(6, 14)
        bit = Canvas(s, s)
        col = rgba(rnd.choice(colours), rnd.randint(110, 200))
        kind = rnd.random()
        if kind < 0.4:
            bit.circle(s / 2, s / 2, s / 2 - 1, col)
        elif kind < 0.7:
            G.star(bit, s / 2, s / 2, s / 2 - 0.5, col)
        else:
            bit.rrect((1, s * 0.3, s - 1, s * 0.7), 1, col)
        c.paste(bit.image(), (rnd.randint(0, w - s), rnd.randint(0, h - s)))
    return c.image()


@png(IMG + "stuRanking/rank.png")
def podium():
    """751 x 323 podium; the three name labels of the ranking window lie on its plates."""
    w, h = 751, 323
    c = Canvas(w, h, ss=2)
    places = [  # plate box (the label rectangle), block box, colours, number
        ((118, 147, 219, 208), (98, 222, 240, 323), ("#f5f7f7", "#c5ccd0"), ("#e6ebee", "#aab4ba"), "2"),
        ((330, 106, 431, 167), (309, 181, 452, 323), ("#fff6e3", "#f2b33d"), ("#ffd45e", "#eea21b"), "1"),
        ((555, 178, 656, 239), (534, 253, 677, 323), ("#c98452", "#9c5a2c"), ("#e3a06a", "#b86e38"), "3"),
    ]
    c.rrect((60, 313, 691, 323), 4, rgba("#000000", 40))
    for plate, block, (plate_fill, plate_edge), (top, bottom), num in places:
        bx0, by0, bx1, by1 = block
        c.shadow(("rrect", block, 8), blur=10, offset=(0, 3), alpha=60)
        c.rrect((bx0, by0, bx1, by1 + 8), 8, c.vgrad(top, bottom, by0, by1))
        c.rrect((bx0, by0, bx1, by0 + 10), 6, rgba(WHITE, 90))
        c.text(((bx0 + bx1) / 2, (by0 + by1) / 2 + 6), num, 52, rgba(WHITE, 235), bold=True)
        px0, py0, px1, py1 = plate
        c.shadow(("rrect", plate, 12), blur=6, offset=(0, 2), alpha=50)
        c.rrect(plate, 12, plate_fill, plate_edge, 2)
        mx = (px0 + px1) / 2
        if num == "1":
            crown = [(mx - 30, py0 - 8), (mx - 34, py0 - 44), (mx - 16, py0 - 26), (mx, py0 - 52), (mx + 16, py0 - 26),
                     (mx + 34, py0 - 44), (mx + 30, py0 - 8)]
            c.polygon(crown, c.vgrad("#ffd86b", "#f0a500", py0 - 52, py0 - 8))
            for dx, dy in ((-34, -44), (0, -52), (34, -44)):
                c.circle(mx + dx, py0 + dy, 5, "#ffe9a8")
        else:
            ring = "#b9c2c6" if num == "2" else "#b86e38"
            c.line([(mx - 10, py0 - 40), (mx, py0 - 22), (mx + 10, py0 - 40)], 6, rgba(RED, 200))
            c.circle(mx, py0 - 14, 12, ring)
            c.circle(mx, py0 - 14, 8.5, WHITE)
            c.text((mx, py0 - 14.5), num, 12, ring, bold=True)
    return c.image()


# ---------------------------------------------------------------------------------------------
# Quiz run screens (stepExam, teamExam) and set-up (testAssistant)
# ---------------------------------------------------------------------------------------------
SE = IMG + "stepExam/"
TE = IMG + "teamExam/"

png(SE + "fd.png")(lambda: _small_glyph(G.zoom_in, 24, TEXT, 2.3))
png(SE + "sx.png")(lambda: _small_glyph(G.zoom_out, 24, TEXT, 2.3))


def _column_button(glyph, colour):
    # Small square buttons of the dark control column (33 x 33).
    c = Canvas(33, 33)
    c.rrect((0.5, 0.5, 32.5, 32.5), 7, c.vgrad(mix(colour, WHITE, 0.12), colour))
    glyph(c, 5.5, 5.5, 22, WHITE, 2.2)
    return c.image()


for _name, _glyph, _col in (("personnum", G.people, TEAL_DARK), ("explanation", G.bulb, AMBER_DARK),
                            ("chart", G.bars, GREEN), ("table", G.table, BLUE)):
    png(SE + _name + ".png")(lambda g=_glyph, col=_col: _column_button(g, col))

for _name, _glyph in (("test-icon", G.document), ("class-icon", G.board), ("subject-icon", G.book)):
    png(TE + _name + ".png")(lambda g=_glyph: _small_glyph(g, 20, WHITE, 1.9))

for _name, _glyph in (("start-icon", G.play), ("paus-icon", G.pause), ("stop-icon", G.stop),
                      ("anyl-icon", G.trend), ("ins-icon", G.trophy), ("exit-icon", G.exit_door)):
    png(TE + _name + ".png")(lambda g=_glyph: _small_glyph(g, 18, WHITE, 1.8))


def _flip_tile(colour):
    # Background of one pair of clock digits (96 x 106, white 55 px digits on it).
    w, h = 96, 106
    c = Canvas(w, h)
    c.rrect((2, 3, w - 2, h - 1), 12, mix(colour, "#000000", 0.25))
    c.rrect((2, 2, w - 2, h - 3), 12, c.vgrad(mix(colour, WHITE, 0.12), mix(colour, "#000000", 0.06), 2, h - 3))
    c.rect((2, h / 2 - 1, w - 2, h / 2 + 0.5), rgba("#000000", 60))
    c.rect((2, h / 2 + 0.5, w - 2, h / 2 + 1.5), rgba(WHITE, 40))
    for x in (2, w - 6):
        c.rrect((x, h / 2 - 5, x + 4, h / 2 + 5), 1.5, rgba("#000000", 70))
    return c.image()


png(TE + "red.png")(lambda: _flip_tile(RED))
png(TE + "green.png")(lambda: _flip_tile(GREEN))
png(TE + "yellow.png")(lambda: _flip_tile(AMBER))


def _seat_card(colour, done):
    # A student's answer sheet on the all-at-once screen (53 x 63); the count sits in its top left.
    w, h = 53, 63
    c = Canvas(w, h)
    c.rrect((1, 2, w - 1, h), 7, mix(colour, "#000000", 0.25))
    c.rrect((1, 1, w - 1, h - 2), 7, c.vgrad(mix(colour, WHITE, 0.15), colour))
    c.polygon([(w - 15, 1), (w - 1, 15), (w - 15, 15)], mix(colour, WHITE, 0.45))
    for k in range(3):
        y = 44 + k * 5.5
        c.line([(7, y), (w - 10 - k * 6, y)], 1.6, rgba(WHITE, 150))
    if done:
        c.circle(20.5, 20.5, 14, rgba(WHITE, 60))
        G.check(c, 6.5, 6.5, 28, WHITE, 3.4)
    return c.image()


png(TE + "teamExam_item_blue.png")(lambda: _seat_card(BLUE, False))
png(TE + "teamExam_item_green.png")(lambda: _seat_card(GREEN, True))


def draw_pencil(c, tx, ty, length, width, angle=62):
    """Pencil whose lead touches (tx, ty), its body rising to the right at angle degrees."""
    a = math.radians(angle)
    ux, uy = math.cos(a), -math.sin(a)  # along the pencil, from the tip up
    nx, ny = -uy, ux  # across it
    half = width / 2

    def at(along, across):
        return (tx + ux * along + nx * across, ty + uy * along + ny * across)

    cone = length * 0.22
    c.polygon([at(cone, -half), at(length - 2, -half), at(length, -half * 0.6), at(length, half * 0.6),
               at(length - 2, half), at(cone, half)], ORANGE)
    c.polygon([at(cone, -half), at(length, -half * 0.6), at(length, 0), at(cone, 0)], mix(ORANGE, WHITE, 0.25))
    c.polygon([at(length - 4, -half), at(length - 2, -half), at(length - 2, half), at(length - 4, half)], "#f2f2f2")
    c.polygon([at(cone, -half), at(cone, half), at(0, 0)], "#f6d28b")
    c.polygon([at(cone * 0.38, -half * 0.38), at(cone * 0.38, half * 0.38), at(0, 0)], "#444444")


@png(TE + "teamExam_item_pencil.png")
def still_pencil():
    c = Canvas(25, 41)
    draw_pencil(c, 4, 37, 36, 7, 66)
    return c.image()


@png(TE + "right-bg-top.png")
def control_top():
    w, h = 171, 120
    c = Canvas(w, h)
    c.rect((0, 0, w, h), c.vgrad(DARKER, DARK))
    c.rect((0, 0, w, 4), c.hgrad(GREEN, TEAL))
    G.stopwatch(c, 92, 22, 84, rgba(WHITE, 26), 6)
    c.rect((16, h - 1, w - 16, h), rgba(WHITE, 40))
    return c.image()


@png(TE + "right-bottom=bg.png")
def control_bottom():
    w, h = 171, 160
    c = Canvas(w, h)
    c.rect((0, 0, w, h), DARK)
    pic = mascot(72).copy()
    alpha = pic.getchannel("A").point(lambda v: v * 45 // 100)
    pic.putalpha(alpha)
    c.paste(pic, ((w - 72) / 2, 26))
    c.text((w / 2, 122), "澄语堂", 16, rgba(WHITE, 90), bold=True)
    return c.image()


@png(TE + "time.png")
def exam_time():
    c = Canvas(41, 29)
    G.stopwatch(c, 6, 0, 29, TEAL, 2.4)
    return c.image()


@png(IMG + "testAssistant/cho-p-icon.png")
def choose_paper():
    c = Canvas(26, 26)
    G.document(c, -1, 0, 24, GREEN, 2.1)
    c.circle(19.5, 19.5, 6.2, ORANGE)
    G.plus(c, 13.5, 13.5, 12, WHITE, 1.8)
    return c.image()


# ---------------------------------------------------------------------------------------------
# Class roster screens (binding, setup, sign)
# ---------------------------------------------------------------------------------------------
BD = IMG + "binding/"


@png(BD + "match.png")
def match():
    c = Canvas(17, 17)
    c.circle(8.5, 8.5, 8.2, GREEN)
    G.check(c, 1.5, 1.5, 14, WHITE, 2)
    return c.image()


@png(BD + "nomatch.png")
def nomatch():
    c = Canvas(17, 17)
    c.circle(8.5, 8.5, 8.2, RED)
    G.close(c, 1.5, 1.5, 14, WHITE, 2)
    return c.image()


@png(BD + "matchbg.png")
def match_bg():
    return pill(99, 26, WHITE, rgba(WHITE, 255)).image()


def _binding_button(hover):
    w, h = 180, 40
    c = Canvas(w, h)
    if hover:
        c.rrect((0.5, 0.5, w - 0.5, h - 0.5), 8, GREEN_TINT, GREEN, 2)
    else:
        c.shadow(("rrect", (1, 1, w - 1, h - 2), 8), blur=3, offset=(0, 1), alpha=50)
        c.rrect((0.5, 0.5, w - 0.5, h - 1.5), 8, WHITE)
    return c.image()


png(BD + "tav_binding_n.png")(lambda: _binding_button(False))
png(BD + "tav_binding_s.png")(lambda: _binding_button(True))
png(BD + "station.png")(lambda: _small_glyph(G.receiver, 24, GREEN, 2.2))
png(BD + "teacher.png")(lambda: _small_glyph(G.teacher, 24, GREEN, 2.2))
png(BD + "student.png")(lambda: _small_glyph(G.person, 24, GREEN, 2.2))


@png(BD + "tav_link_default.png")
def link_default():
    c = Canvas(94, 94)
    avatar(c, 47, 47, 46, c.vgrad("#dfe4e8", "#c9d0d6"), WHITE)
    return c.image()


@png(BD + "tav_link_fn.png")
def link_fn():
    c = Canvas(75, 75)
    c.circle(37.5, 37.5, 37, c.vgrad("#ffb04d", ORANGE))
    c.paste(keycap(27, 21, "FN", px=11), (6, 27))
    c.text((37.5, 37), "+", 16, WHITE, bold=True)
    c.paste(keycap(21, 21, "5", px=13), (47, 27))
    return c.image()


@png(BD + "tav_link_sign.png")
def link_sign():
    c = Canvas(75, 75)
    c.circle(37.5, 37.5, 37, c.vgrad("#5cb0f2", BLUE_DARK))
    G.finger(c, 15, 10, 45, WHITE, 3.2)
    c.text((37.5, 62), "按键", 11, WHITE, bold=True)
    return c.image()


@png(BD + "tav_link_suc.png")
def link_suc():
    c = Canvas(94, 94)
    avatar(c, 47, 47, 46, c.vgrad(GREEN_LIGHT, GREEN_DARK), WHITE)
    c.circle(76, 76, 15, WHITE)
    c.circle(76, 76, 12.5, ORANGE)
    G.check(c, 66, 66, 20, WHITE, 2.6)
    return c.image()


ST = IMG + "setup/"
png(ST + "tav_setup_up.png")(lambda: keycap(26, 22, glyph=G.arrow_up_solid))
png(ST + "tav_setup_pow.png")(lambda: keycap(26, 22, glyph=G.power))
png(ST + "tav_setup_FN.png")(lambda: keycap(30, 22, "FN", px=12))
png(ST + "tav_setup_5.png")(lambda: keycap(26, 22, "5", px=14))
png(ST + "tav_setup_figer.png")(lambda: keycap(26, 22, glyph=G.finger))
same(IMG + "sign/tav_sign_figer.png", ST + "tav_setup_figer.png")


def _device_frame(caption):
    c = Canvas(180, 180)
    c.rrect((4, 4, 176, 176), 18, "#f4f7f9", "#e0e6ea", 1)
    c.text((90, 158), caption, 17, TEXT, bold=True)
    return c


@png(ST + "tav_setup_rec_machine.png")
def receiver_picture():
    c = _device_frame("接收器")
    c.line([(24, 92), (40, 92), (48, 84)], 4, "#7d8a94")
    c.rrect((12, 86, 30, 98), 3, "#9aa5ad")
    c.line([(128, 66), (142, 26)], 5, "#56616a")
    c.circle(142.5, 25, 5, "#56616a")
    c.shadow(("rrect", (46, 66, 146, 126), 14), blur=8, offset=(0, 3), alpha=60)
    c.rrect((46, 66, 146, 126), 14, c.vgrad("#ffffff", "#dfe5ea", 66, 126), "#b8c2ca", 1.5)
    c.circle(66, 96, 5, GREEN)
    c.circle(66, 96, 9, None, rgba(GREEN, 90), 2)
    c.rrect((84, 90, 130, 102), 3, "#c9d2d9")
    return c.image()


@png(ST + "tav_setup_stu_machine.png")
def student_keypad():
    c = _device_frame("学生机")
    c.shadow(("rrect", (56, 14, 124, 142), 16), blur=8, offset=(0, 3), alpha=60)
    c.rrect((56, 14, 124, 142), 16, c.vgrad(GREEN_LIGHT, GREEN_DARK, 14, 142))
    c.rrect((64, 24, 116, 46), 4, "#dff5e6", "#2f7d47", 1)
    c.text((90, 35), "A", 13, GREEN_DEEP, bold=True)
    keys = ["A", "B", "C", "D", "E", "F", "G", "H", "I", "J"]
    for i, k in enumerate(keys):
        col, row = i % 3, i // 3
        x, y = 64 + col * 18, 54 + row * 18
        if i == 9:
            x = 82
        c.rrect((x, y, x + 15, y + 14), 3, WHITE)
        c.text((x + 7.5, y + 6.6), k, 9, INK, bold=True)
    c.rrect((64, 126, 80, 136), 3, ORANGE)
    c.text((72, 130.6), "FN", 6.5, WHITE, bold=True)
    c.rrect((100, 126, 116, 136), 3, WHITE)
    G.finger(c, 102, 125.5, 12, INK, 1.3)
    return c.image()


@png(ST + "tav_setup_tea_machine.png")
def teacher_remote():
    c = _device_frame("教师机")
    c.shadow(("rrect", (62, 12, 118, 142), 24), blur=8, offset=(0, 3), alpha=60)
    c.rrect((62, 12, 118, 142), 24, c.vgrad("#5e6b75", "#3a444c", 12, 142))
    c.circle(90, 34, 9, RED)
    G.power(c, 82, 26, 16, WHITE, 1.8)
    c.circle(90, 74, 21, "#2d353b")
    c.circle(90, 74, 8.5, GREEN)
    c.text((90, 73.5), "OK", 7, WHITE, bold=True)
    for ang, glyph in ((-90, G.chevron_up), (90, G.chevron_down)):
        a = math.radians(ang)
        glyph(c, 90 + 14.5 * math.cos(a) - 6, 74 + 14.5 * math.sin(a) - 6, 12, WHITE, 1.6)
    for i in range(4):
        x, y = 72 + (i % 2) * 22, 106 + (i // 2) * 16
        c.rrect((x, y, x + 14, y + 10), 3, "#c9d2d9")
    return c.image()


def _play_button(hover):
    c = Canvas(24, 24)
    c.circle(12, 12, 11, GREEN_DARK if hover else GREEN)
    G.play(c, 3.5, 3, 18, WHITE)
    return c.image()


png(ST + "tav_setup_play.png")(lambda: _play_button(False))
png(ST + "tav_setup_play-h.png")(lambda: _play_button(True))

SG = IMG + "sign/"


def _step_button(glyph, hover):
    c = Canvas(29, 29)
    if hover:
        c.circle(14.5, 14.5, 13.5, TEAL)
    else:
        c.circle(14.5, 14.5, 13.5, rgba(WHITE, 30))
        c.circle(14.5, 14.5, 13.5, None, rgba(WHITE, 210), 1.5)
    glyph(c, 2.5, 2.5, 24, WHITE, 2.3)
    return c.image()


png(SG + "tav_add_n.png")(lambda: _step_button(G.plus, False))
png(SG + "tav_add_s.png")(lambda: _step_button(G.plus, True))
png(SG + "tav_dec_n.png")(lambda: _step_button(G.minus, False))
png(SG + "tav_dec_s.png")(lambda: _step_button(G.minus, True))


def _seat(signed):
    # One seat of the sign-in grid (78 x 72): the student behind a desk.
    w, h = 78, 72
    c = Canvas(w, h)
    shirt = GREEN if signed else "#c4c9cd"
    head = "#ffd9b8" if signed else "#e3e6e8"
    hair = "#5b4636" if signed else "#b3b8bc"
    c.circle(39, 20, 13, head)
    c.pie((25, 6, 53, 34), 180, 360, hair)
    c.rrect((19, 33, 59, 60), 14, shirt)
    eye = "#4a3a2e" if signed else "#9ea4a9"
    c.circle(34.5, 23, 1.5, eye)
    c.circle(43.5, 23, 1.5, eye)
    c.arc((35, 23, 43, 29.5), 30, 150, 1.2, eye)
    desk_top = "#c8905c" if signed else "#d4d7da"
    desk_front = "#a8713f" if signed else "#bfc3c7"
    c.rrect((4, 46, 74, 56), 3, desk_top)
    c.rect((10, 56, 68, 70), desk_front)
    c.rect((10, 56, 68, 58), rgba("#000000", 30))
    if signed:
        c.circle(66, 12, 10, WHITE)
        c.circle(66, 12, 8.5, GREEN)
        G.check(c, 59, 5, 14, WHITE, 2.1)
    return c.image()


png(SG + "tav_sign_suc.png")(lambda: _seat(True))
png(SG + "tav_sign_fai.png")(lambda: _seat(False))


# ---------------------------------------------------------------------------------------------
# Pictures the program-wide style sheet uses for standard widgets (common)
# ---------------------------------------------------------------------------------------------
CM = IMG + "common/"
png(CM + "arrow-down.png")(lambda: _small_glyph(G.chevron_down, 12, TEXT, 1.6))
png(CM + "arrow-up.png")(lambda: _small_glyph(G.chevron_up, 12, TEXT, 1.6))


def _check_box(on, radio=False):
    c = Canvas(18, 18)
    if radio:
        c.circle(9, 9, 8.2, GREEN if on else WHITE)
        c.circle(9, 9, 8.2, None, GREEN if on else "#b8c0c6", 1.2)
        if on:
            c.circle(9, 9, 3.4, WHITE)
    else:
        c.rrect((1, 1, 17, 17), 4, GREEN if on else WHITE, GREEN if on else "#b8c0c6", 1.2)
        if on:
            G.check(c, 1.5, 1.5, 15, WHITE, 2.0)
    return c.image()


png(CM + "check-off.png")(lambda: _check_box(False))
png(CM + "check-on.png")(lambda: _check_box(True))
png(CM + "radio-off.png")(lambda: _check_box(False, True))
png(CM + "radio-on.png")(lambda: _check_box(True, True))
