"""The ways the program ends, each with status 0: Ctrl+Shift+Q from the text window, the
drawing window's close box, a click. Closing the text window does not end it."""
import subprocess

from failure import check
from xsession import Session, Traffic, main, tool


def close(s, window):
    done = subprocess.run([tool("KX508_CLOSE_WINDOW"), str(window)], env=s.env,
                          capture_output=True, text=True, timeout=30)
    check(done.returncode == 0, f"close_window failed: {done.stderr.strip()}")


def ends(t, how):
    status = t.wait_exit()
    check(status == 0, f"{how} ended the program with status {status}")


def test():
    with Session("ending") as s:
        t = Traffic(s)
        s.focus(t.text)
        s.key("ctrl+shift+q")
        ends(t, "Ctrl+Shift+Q in the text window")

        t = Traffic(s)
        close(s, t.text)
        t.wait_moved(t.wait_moved(t.shot()))
        check(t.alive(), "closing the text window ended the program")
        close(s, t.draw)
        ends(t, "closing the drawing window")

        t = Traffic(s)
        t.drawing()
        s.click(100, 100)
        ends(t, "a click in the drawing window")


main(test)
