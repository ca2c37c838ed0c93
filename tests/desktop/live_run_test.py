"""A run recorded live on the desktop replays to the pictures it showed. The helper seeds
its randomness from the clock and animates; it is recorded with KX508_RECORD and its frames
kept while a person (xdotool) clicks, switches logging off and on, and answers the prompt.
Replayed headless from the run file, it gives the same pictures in the same order; given a
Windows build and its runner, the replay under Wine does too, and its GIF has the same
bytes. The backends' windows differ, and with them the canvas's origin, but the run holds
the live window's client areas and the replay places the canvas by them: the frames are
compared whole, pixel for pixel; a picture presented twice in a row (a repaint) counts once.
    live_run_test.py [<kx508_live_run.exe> <wine-run>]"""
import os
import re
import sys
import time

from failure import check
from frames import pictures, replay, same_pictures
from xsession import Session, main, poll, tool


def record_live(s, program):
    s.env.update(KX508_RECORD="live.run", KX508_FRAMES="live")
    p = s.start(program, name="live")
    draw = s.find_window("KX508 Graphics", pid=p.pid)
    x, y, width, height = s.geometry(draw)
    s.focus(draw)
    time.sleep(0.4)
    s.click(x + width // 2 + 60, y + height // 2 - 40)
    s.key("ctrl+l")
    time.sleep(0.3)
    s.key("n")
    prompt = s.find_window("KX508_gets", pid=p.pid)
    s.focus(prompt)
    s.type("Ada")
    s.key("Return")
    poll("the prompt to close", lambda: not s.viewable(prompt))
    s.focus(draw)
    s.key("ctrl+l")
    time.sleep(0.4)
    s.click(x + width // 2 - 90, y + height // 2 + 30)
    time.sleep(0.3)
    s.key("q")
    status = s.wait_exit(p)
    check(status == 0, f"the live run ended with status {status}: {s.output(p)}")
    with open(os.path.join(s.work, "live.run")) as f:
        run = f.read()
    check(re.fullmatch(r'KX508_RUN\(1\);\nKX508_CLIENT\(\d+,\d+\);\n'
                       r'(KX508_(PERIODIC\(\d+\)|MOUSE\(-?\d+, -?\d+\)|KBD\(\d+\)'
                       r'|GETS\("Ada"\)|CLIENT\(\d+,\d+\));\n)+', run) and run.count("KX508_MOUSE") == 2 and
          'KX508_KBD(110);\nKX508_GETS("Ada");' in run, f"the run holds {run!r}")


def test():
    program = tool("KX508_LIVE_RUN")
    with Session("live_run") as s:
        record_live(s, program)
        live = pictures(os.path.join(s.work, "live"), 10)
        same_pictures(live, replay(s, "replayed", [program]), "replayed headless")
        if len(sys.argv) == 3:
            exe, runner = sys.argv[1:3]
            same_pictures(live, replay(s, "wine", [runner, exe]), "replayed under Wine")
            with open(os.path.join(s.work, "replayed.gif"), "rb") as a, \
                    open(os.path.join(s.work, "wine.gif"), "rb") as b:
                check(a.read() == b.read(), "the GIF made under Wine is not the native one")


main(test)
