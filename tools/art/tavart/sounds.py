"""Event sounds, synthesised: short bell-like tones that carry in a classroom without startling it.
The countdown sound plays once a second for the last five seconds, so it stays well under a second."""

import math

from .registry import wav

RATE = 44100


def _note(name):
    """'A4' style note name -> frequency in Hz."""
    steps = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    base = steps[name[0]]
    rest = name[1:]
    if rest.startswith("#"):
        base += 1
        rest = rest[1:]
    octave = int(rest)
    return 440.0 * 2 ** ((base + 12 * (octave - 4)) / 12.0)


class Track:
    def __init__(self, seconds):
        self.buf = [0.0] * int(seconds * RATE)

    def tone(self, at, dur, freq, amp=0.5, attack=0.006, decay=None, harmonics=((1, 1.0), (2, 0.35), (3, 0.12)),
             glide=0.0, shape="sine"):
        """A note starting at 'at' seconds: quick attack, exponential decay (bell) or flat with release."""
        start = int(at * RATE)
        n = int(dur * RATE)
        decay = decay if decay is not None else dur / 4.0
        phase = [0.0] * len(harmonics)
        for i in range(n):
            idx = start + i
            if idx >= len(self.buf):
                break
            t = i / RATE
            env = min(1.0, t / attack) * math.exp(-t / decay)
            tail = n - i
            if tail < 220:
                env *= tail / 220.0
            f = freq * (1.0 + glide * t / max(dur, 1e-6))
            v = 0.0
            for k, (mult, weight) in enumerate(harmonics):
                phase[k] += 2 * math.pi * f * mult / RATE
                if shape == "square":
                    v += weight * math.tanh(3.0 * math.sin(phase[k]))
                else:
                    v += weight * math.sin(phase[k])
            self.buf[idx] += amp * env * v

    def click(self, at, amp=0.5, freq=2600.0, dur=0.025):
        self.tone(at, dur, freq, amp, attack=0.0008, decay=dur / 5, harmonics=((1, 1.0), (1.5, 0.5)))

    def samples(self, peak=0.7):
        top = max(1e-9, max(abs(v) for v in self.buf))
        k = peak / top
        return [int(round(max(-1.0, min(1.0, v * k)) * 32767)) for v in self.buf]


@wav("sound/EnterFunction.wav")
def enter_function():
    t = Track(0.75)
    t.tone(0.00, 0.45, _note("C5"), 0.5, decay=0.18)
    t.tone(0.12, 0.60, _note("G5"), 0.5, decay=0.22)
    t.tone(0.12, 0.60, _note("C6"), 0.18, decay=0.2)
    return t.samples(0.6)


@wav("sound/select-function.wav")
def select_function():
    t = Track(0.12)
    t.tone(0.0, 0.10, _note("A6"), 0.6, attack=0.002, decay=0.025)
    return t.samples(0.5)


@wav("sound/start.wav")
def start():
    t = Track(0.95)
    for i, n in enumerate(("C5", "E5", "G5")):
        t.tone(0.09 * i, 0.35, _note(n), 0.45, decay=0.12)
    t.tone(0.27, 0.65, _note("C6"), 0.55, decay=0.25)
    return t.samples(0.7)


@wav("sound/5_SecondCountdowntime-3.wav")
def countdown():
    t = Track(0.3)
    t.tone(0.0, 0.28, _note("A5"), 0.6, attack=0.002, decay=0.07, harmonics=((1, 1.0), (2.76, 0.25), (5.4, 0.08)))
    return t.samples(0.65)


@wav("sound/Pause.wav")
def pause():
    t = Track(0.6)
    t.tone(0.00, 0.28, _note("G5"), 0.5, decay=0.1)
    t.tone(0.16, 0.42, _note("D5"), 0.5, decay=0.15)
    return t.samples(0.6)


@wav("sound/end-3.wav")
def end():
    t = Track(1.1)
    for i, n in enumerate(("G5", "E5")):
        t.tone(0.15 * i, 0.4, _note(n), 0.45, decay=0.14)
    t.tone(0.30, 0.8, _note("C5"), 0.55, decay=0.3)
    t.tone(0.30, 0.8, _note("C4"), 0.2, decay=0.3)
    return t.samples(0.7)


@wav("sound/waring.wav")
def warning():
    t = Track(0.62)
    for i in range(4):
        t.tone(0.15 * i, 0.14, _note("A5") if i % 2 == 0 else _note("E5"), 0.35, attack=0.004, decay=1.0,
               harmonics=((1, 1.0), (3, 0.2)), shape="square")
    return t.samples(0.55)


@wav("sound/select-people-3.wav")
def select_people():
    # A rising drum roll for the roughly one second that the names roll.
    t = Track(1.25)
    at, gap, k = 0.0, 0.075, 0
    while at < 0.98:
        t.click(at, 0.45 + 0.3 * at, freq=900 + 700 * at, dur=0.03)
        at += gap
        gap = max(0.035, gap * 0.93)
        k += 1
    t.tone(1.0, 0.25, _note("E6"), 0.4, decay=0.08)
    return t.samples(0.6)


@wav("sound/FN+5.wav")
def binding_step():
    t = Track(0.22)
    t.tone(0.00, 0.09, _note("E6"), 0.5, attack=0.002, decay=0.03)
    t.tone(0.08, 0.13, _note("A6"), 0.5, attack=0.002, decay=0.04)
    return t.samples(0.55)


@wav("sound/Success.wav")
def success():
    t = Track(0.9)
    for i, n in enumerate(("C5", "E5", "G5", "C6")):
        t.tone(0.07 * i, 0.5 if i < 3 else 0.65, _note(n), 0.42, decay=0.14 if i < 3 else 0.22)
    t.tone(0.21, 0.6, _note("E6"), 0.12, decay=0.15)
    return t.samples(0.7)


@wav("sound/Fault.wav")
def fault():
    t = Track(0.6)
    t.tone(0.00, 0.22, _note("E4"), 0.45, decay=1.0, harmonics=((1, 1.0), (2, 0.3)), shape="square")
    t.tone(0.22, 0.36, _note("C4"), 0.45, decay=0.25, harmonics=((1, 1.0), (2, 0.3)), shape="square", glide=-0.06)
    return t.samples(0.55)
