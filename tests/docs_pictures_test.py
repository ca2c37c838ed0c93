#!/usr/bin/env python3
"""The pictures docs/API.md shows of the drawing calls are what the library draws: a
headless replay of docs/draw-pictures.scr by docs/draw-pictures.cpp gives them, frame for
frame, as kx508-diff compares them; and the languages example's picture is its expected
run's last frame (which its replay test checks).

    docs_pictures_test.py PROGRAM KX508-DIFF SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile

from cli_checks import check

# The replay's frames, in order.
PICTURES = ["draw-line.png", "draw-ellipse.png", "draw-text.png", "draw-visible-area.png"]
# Copies of expected runs' frames: docs/ picture -> the frame in examples/expected/.
COPIES = {"draw-text-languages.png": "languages/000005.png"}


def main(program, diff, source):
    docs = os.path.join(source, "docs")
    with tempfile.TemporaryDirectory() as work:
        frames = os.path.join(work, "frames")
        env = dict(os.environ, KX508_PLATFORM="headless", KX508_FRAMES=frames,
                   KX508_PLAY=os.path.join(docs, "draw-pictures.scr"))
        run = subprocess.run([program], cwd=work, env=env, capture_output=True, text=True)
        check(run.returncode == 0, f"the replay ended with status {run.returncode}: {run.stderr}")
        written = sorted(f for f in os.listdir(frames) if f.endswith(".png"))
        check(len(written) >= len(PICTURES), f"the replay wrote {len(written)} frames")
        for frame, picture in zip(written, PICTURES):
            compared = subprocess.run([diff, os.path.join(frames, frame),
                                       os.path.join(docs, picture), "-o",
                                       os.path.join(work, "diff.png")],
                                      capture_output=True, text=True)
            check(compared.returncode == 0,
                  f"docs/{picture} is not what the library draws now (frame {frame}: "
                  f"{compared.stdout.strip()}); remake it as docs/draw-pictures.cpp says")
    for picture, frame in COPIES.items():
        with open(os.path.join(docs, picture), "rb") as a, \
                open(os.path.join(source, "examples", "expected", frame), "rb") as b:
            check(a.read() == b.read(), f"docs/{picture} is not examples/expected/{frame}: copy it")
    print(f"ok: docs/ has the {len(PICTURES) + len(COPIES)} pictures the library draws")


if __name__ == "__main__":
    main(*sys.argv[1:4])
