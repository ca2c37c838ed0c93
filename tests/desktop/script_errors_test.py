"""Script files that cannot be used: a missing one and one that cannot be written give
their log lines, a malformed line pauses playback with one, and the program goes on
each time."""
import os

from failure import check
from xsession import Session, Traffic, check_ticks, log_picture, main, wait_log

READING = "Cannot open script file KX508.SCR for reading"
WRITING = "Cannot open script file KX508.SCR for writing"
PAUSED = "Unrecognised line 2 in script file KX508.SCR; playback paused"
EOF_LINE = "EOF encountered in script file KX508.SCR"
RECORDING = ("Recording KX508.SCR: input only, from now on; what the program did before is"
             " not in it")


def goes_on(s, t):
    s.key("ctrl+a")
    t.wait_moved(t.wait_moved(t.shot()))
    s.key("ctrl+h")
    return t.wait_still()


def test():
    with Session("script_errors") as s:
        one = log_picture(s, [READING])
        two = log_picture(s, [READING, RECORDING, WRITING])
        three = log_picture(s, [READING, RECORDING, WRITING, PAUSED])
        four = log_picture(s, [READING, RECORDING, WRITING, PAUSED, EOF_LINE])
        script = os.path.join(s.work, "KX508.SCR")

        t = Traffic(s)
        t.drawing()
        s.focus(t.draw)
        s.key("ctrl+p")
        wait_log(s, t, one, "the missing script's line")
        halted = goes_on(s, t)

        # A directory by the script's name cannot be written.
        os.mkdir(script)
        s.key("ctrl+r")
        s.type("x")
        wait_log(s, t, two, "the unwritable script's line")
        s.key("ctrl+r")
        # Only once the program shows it has handled the keys after Ctrl+R (recording
        # off) may the name be freed; else a late write could create the file.
        halted = goes_on(s, t)
        os.rmdir(script)

        # A line that is no event pauses playback and says so; playing again goes on after
        # it.
        with open(script, "w") as f:
            f.write("KX508_PERIODIC(2);\nthis line is no event\nKX508_PERIODIC(3);\n")
        before = t.vehicles(halted)
        s.key("ctrl+p")
        t.wait_moved(halted)
        stopped = t.wait_still()
        check_ticks(before, t.vehicles(stopped), 2, "playing up to the malformed line")
        wait_log(s, t, three, "the malformed script line's message")
        s.key("ctrl+p")
        wait_log(s, t, four, "the end of the script")
        check_ticks(t.vehicles(stopped), t.vehicles(t.wait_still()), 3,
                    "playing on after the malformed line")

        goes_on(s, t)
        s.key("ctrl+q")
        status = t.wait_exit()
        check(status == 0, f"Ctrl+Q ended the program with status {status}")


main(test)
