#!/usr/bin/env python3
"""Writes TAV's pictures, animations, event sounds and style sheet into a program directory, and the
pictures of the local web service's demo papers.

    generate.py --out build/bin     draw everything (a few seconds, the same bytes every run)
    generate.py --list              print the relative path of every file it writes, one a line

Everything is drawn or synthesised here from shapes, the Noto Sans CJK font and sine waves;
nothing is copied from elsewhere. Needs Debian's python3-pil and fonts-noto-cjk.
"""

import argparse
import os
import shutil
import sys
import wave
from concurrent.futures import ProcessPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # keep the source tree free of __pycache__

from PIL import Image  # noqa: E402

from tavart import animations, images, papers, registry, sounds  # noqa: E402,F401  (the imports fill the registry)

STYLE_SHEET = "ZUTAVApplication.qss"
ICO_SIZES = [(16, 16), (24, 24), (32, 32), (48, 48), (64, 64), (128, 128), (256, 256)]


def outputs():
    return sorted(registry.ITEMS) + [STYLE_SHEET]


def _write(out, rel):
    path = os.path.join(out, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    made = registry.ITEMS[rel]()
    ext = os.path.splitext(rel)[1].lower()
    if ext == ".png":
        made.save(tmp, format="PNG")
    elif ext == ".jpg":
        flat = Image.new("RGB", made.size, "white")
        flat.paste(made, mask=made.getchannel("A"))
        flat.save(tmp, format="JPEG", quality=90)
    elif ext == ".ico":
        made.save(tmp, format="ICO", sizes=ICO_SIZES)
    elif ext == ".gif":
        frames, durations, loop = made
        pal = animations.to_gif_frames(frames)
        extra = {} if loop is None else {"loop": loop}
        pal[0].save(tmp, format="GIF", save_all=True, append_images=pal[1:], duration=durations, disposal=2,
                    transparency=255, optimize=False, **extra)
    elif ext == ".wav":
        with wave.open(tmp, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(sounds.RATE)
            w.writeframes(b"".join(v.to_bytes(2, "little", signed=True) for v in made))
    else:
        raise SystemExit("art: no writer for " + rel)
    os.replace(tmp, path)
    return rel


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", help="program directory to write into")
    ap.add_argument("--list", action="store_true", help="print the files written, relative to the program directory")
    ap.add_argument("--jobs", type=int, default=3, help="worker processes (default 3)")
    args = ap.parse_args()
    if args.list:
        print("\n".join(outputs()))
        return 0
    if not args.out:
        ap.error("--out or --list is needed")
    out = os.path.abspath(args.out)
    names = sorted(registry.ITEMS)
    if args.jobs > 1:
        with ProcessPoolExecutor(max_workers=args.jobs) as pool:
            list(pool.map(_write, [out] * len(names), names))
    else:
        for rel in names:
            _write(out, rel)
    shutil.copyfile(os.path.join(HERE, STYLE_SHEET), os.path.join(out, STYLE_SHEET))
    print("art: wrote %d files into %s" % (len(names) + 1, out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
