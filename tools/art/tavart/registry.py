"""Table of every file the generator writes, by its path under the program directory.

Each maker returns what its kind needs: a PIL image for .png, .jpg and .ico, a (frames, durations, loop)
triple for .gif (loop None plays once, 0 repeats for ever), 16-bit mono samples for .wav.
"""

ITEMS = {}


def _add(path, fn):
    if path in ITEMS:
        raise SystemExit("art: %s is made twice" % path)
    ITEMS[path] = fn
    return fn


def png(path):
    return lambda fn: _add(path, fn)


def jpg(path):
    return lambda fn: _add(path, fn)


def gif(path):
    return lambda fn: _add(path, fn)


def ico(path):
    return lambda fn: _add(path, fn)


def wav(path):
    return lambda fn: _add(path, fn)


def same(path, other):
    """path is drawn exactly like other (a picture the screens use under two names)."""
    _add(path, lambda: ITEMS[other]())
