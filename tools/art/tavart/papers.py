"""Question and explanation pictures of the local web service's demo papers, drawn from the texts of its
data file into webservice/paper/ of the program directory, where the service serves them as the picture host.

A question's pictures are named as the service's reply names them: the data's "textPicture" and
"resolvePicture" when given (a .png or a .jpg), else questionID + "Text.png" and questionID + "Resolve.png".
"""

import json
import os

from .canvas import BLUE, GREEN, GREEN_DARK, INK, LINE, WHITE, Canvas
from .registry import jpg, png

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tests", "support", "webservice",
                    "demo.json")
FOLDER = "webservice/paper/"

WIDTH = 760
BAND = 52
MARGIN = 28
TEXT_PX = 22
LINE_H = 34


def _wrap(c, text, width, px, bold=False):
    """Lines of at most width pixels; a paragraph break where the data has two spaces."""
    lines = []
    for paragraph in text.split("  "):
        line = ""
        for ch in paragraph.strip():
            if line and c.text_width(line + ch, px, bold) > width:
                lines.append(line)
                line = ch.lstrip()
            else:
                line += ch
        lines.append(line)
    return lines


def _card(heading, accent, lead, body):
    """A white card with a coloured band holding the heading, an optional bold lead line, then the body."""
    probe = Canvas(WIDTH, 10, ss=1)
    inner = WIDTH - 2 * MARGIN
    lines = [(text, True) for text in ([lead] if lead else [])]
    lines += [(text, False) for text in _wrap(probe, body, inner, TEXT_PX)]
    height = BAND + 20 + LINE_H * len(lines) + 20
    c = Canvas(WIDTH, height, ss=2, background=WHITE)
    c.rect((0, 0, WIDTH, BAND), accent)
    c.rrect((0, 0, WIDTH, height), 0, outline=LINE, width=1)
    c.text((MARGIN, BAND / 2), heading, 24, WHITE, bold=True, anchor="lm")
    y = BAND + 20 + LINE_H / 2
    for text, bold in lines:
        c.text((MARGIN, y), text, TEXT_PX, GREEN_DARK if bold else INK, bold=bold, anchor="lm")
        y += LINE_H
    return c.image()


def _answer_text(answer):
    parts = answer.split("|")
    if len(parts) == 1:
        return "答案：" + answer
    return "答案：" + "  ".join("%d、%s" % (k, part) for k, part in enumerate(parts, 1))


def _register(name, maker):
    (jpg if name.endswith(".jpg") else png)(FOLDER + name)(maker)


def _add_paper(paper):
    sections = {s["structID"]: s["structName"] for s in paper.get("sections", [])}
    for q in paper.get("questions", []):
        qid = q["questionID"]
        heading = "第 %d 题  %s" % (q.get("sn", 0), sections.get(q.get("structID"), ""))
        text = q.get("textPicture", qid + "Text.png")
        resolve = q.get("resolvePicture", qid + "Resolve.png")
        if text:
            _register(text, lambda q=q, h=heading: _card(h, BLUE, None, q.get("text", "")))
        if resolve:
            _register(resolve, lambda q=q: _card("第 %d 题  解析" % q.get("sn", 0), GREEN,
                                                 _answer_text(q.get("answer", "")), q.get("resolve", "")))


with open(DATA, encoding="utf-8") as _f:
    for _paper in json.load(_f).get("papers", []):
        _add_paper(_paper)
