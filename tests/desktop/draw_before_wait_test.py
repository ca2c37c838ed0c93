"""A program that draws and flushes before its first wait is seen: both windows are on the
screen while it has not waited yet, and the drawing window shows each flush, the picture
growing between two looks. Ctrl+Q ends it once it waits."""
import os

from failure import check
from xsession import Session, main, poll, tool

GREEN = (0, 255, 0)


def green_in(s, window):
    return s.shot(window).count(GREEN)


def test():
    program = tool("KX508_DRAW_BEFORE_WAIT")
    with Session("draw_before_wait") as s:
        p = s.start(program)
        # The program draws without waiting until it is told to go on, however long a
        # loaded machine takes to show its windows.
        draw = s.find_window("KX508 Graphics", pid=p.pid)
        s.find_window("KX508 Text", pid=p.pid)
        first = poll("the first flushed picture", lambda: green_in(s, draw) or None)
        later = poll("a later flush, shown before any wait",
                     lambda: (lambda n: n if n > first else None)(green_in(s, draw)))
        check(p.poll() is None, "the program ended while it drew")
        check(later > first, f"the bar did not grow: {first} then {later} green pixels")
        open(os.path.join(s.work, "go-on"), "w").close()
        poll("the program to wait", lambda: green_in(s, draw) >= 40 * 8 * 40 or None)
        s.focus(draw)
        s.key("ctrl+q")
        status = s.wait_exit(p)
        check(status == 0, f"Ctrl+Q ended the program with status {status}")


main(test)
