"""Scripts in the program's working directory: recording a session into KX508.SCR
(Ctrl+R ... Ctrl+R), playing a written script back whole (Ctrl+P) and one event at a time
(Ctrl+O), and a scripted click that ends the program."""
import os
import re

from failure import check
from picture import Drawing
from xsession import Session, Traffic, check_ticks, log_picture, main, poll, wait_log

EOF_LINE = "EOF encountered in script file KX508.SCR"


def script_lines(s):
    path = os.path.join(s.work, "KX508.SCR")
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return f.read().splitlines()


def record(s):
    t = Traffic(s)
    t.drawing()
    s.focus(t.draw)
    s.key("ctrl+r")
    t.wait_moved(t.wait_moved(t.shot()))
    s.type("x")
    t.wait_moved(t.wait_moved(t.shot()))
    s.key("ctrl+h")
    halted = t.wait_still()
    s.key("ctrl+r")
    lines = poll("the recorded script", lambda: (lambda l: l if l and len(l) >= 3 else None)(
        script_lines(s)), 10)
    check(len(lines) == 3 and re.fullmatch(r"KX508_PERIODIC\([1-9]\d*\);", lines[0])
          and lines[1] == "KX508_KBD(120);"
          and re.fullmatch(r"KX508_PERIODIC\([1-9]\d*\);", lines[2]),
          f"recorded script: {lines}")

    # A second recording starts the file afresh; the click that ends the program is in it,
    # at the library point it was made at.
    s.key("ctrl+shift+r")
    d = Drawing(halted)
    ox, oy = d.client_centre
    s.click(ox + 37, oy - 52)
    status = t.wait_exit()
    check(status == 0, f"a click ended the program with status {status}")
    check(script_lines(s) == ["KX508_MOUSE(37, 52);"],
          f"script of a click at library point (37, 52): {script_lines(s)}")


def play(s, eof_once, eof_twice):
    with open(os.path.join(s.work, "KX508.SCR"), "w") as f:
        f.write("KX508_PERIODIC(7);\nKX508_KBD(97);\nKX508_PERIODIC(3);\n")
    t = Traffic(s)
    t.drawing()
    s.focus(t.draw)
    s.key("ctrl+h")
    before = t.vehicles(t.wait_still())

    # Whole: ten ticks, the key line none, then the end of the script.
    s.key("ctrl+p")
    wait_log(s, t, eof_once, "the end of the script")
    after = t.vehicles(t.wait_still())
    check_ticks(before, after, 10, "playing back 7 + 3 periodic events and a key")

    # One event a request, from the text window; the script starts again from its top.
    s.focus(t.text)
    for _ in range(3):
        before, shot = after, t.shot()
        s.key("ctrl+shift+o")
        t.wait_moved(shot)
        after = t.vehicles(t.wait_still())
        check_ticks(before, after, 1, "Ctrl+Shift+O on a periodic line")

    # Playback goes on where play-one stopped: 4 + 3 periodic events.
    s.key("ctrl+shift+p")
    wait_log(s, t, eof_twice, "the end of the script, twice")
    before, after = after, t.vehicles(t.wait_still())
    check_ticks(before, after, 7, "playing back the rest of the script")

    # A scripted click ends the program like a real one.
    with open(os.path.join(s.work, "KX508.SCR"), "w") as f:
        f.write("KX508_MOUSE(12, -34);\n")
    s.focus(t.draw)
    s.key("ctrl+o")
    status = t.wait_exit()
    check(status == 0, f"a scripted click ended the program with status {status}")


def test():
    with Session("scripts") as s:
        eof_once = log_picture(s, [EOF_LINE])
        eof_twice = log_picture(s, [EOF_LINE, EOF_LINE])
        record(s)
        play(s, eof_once, eof_twice)


main(test)
