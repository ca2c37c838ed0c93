"""Ctrl shortcuts from both windows, in lower case in the drawing window and in upper
case in the text window: halt, one frame, animate and logging; letters typed without
Ctrl neither stop nor advance the simulation; Ctrl+Q ends the program with status 0."""
import time

from failure import check
from xsession import Session, Traffic, check_ticks, log_region, main, poll


def log_still(s, t, timeout=10.0):
    """Waits until the text window stays the same over three timer periods."""
    last = [log_region(s, t.text)]

    def probe():
        time.sleep(0.3)
        now = log_region(s, t.text)
        same = now == last[0]
        last[0] = now
        return now if same else None
    return poll("the text window to stand still", probe, timeout, interval=0)


def commands(s, t, window, key):
    s.focus(window)
    s.key(key("h"))
    halted = t.wait_still()
    before = t.vehicles(halted)
    # Typed letters while halted, then one step: exactly one tick in all.
    s.type("afhlq")
    s.key(key("f"))
    stepped = t.wait_still()
    check(stepped != halted, f"{key('f')} did not move the picture")
    check_ticks(before, t.vehicles(stepped), 1, f"typed letters and {key('f')}")

    s.key(key("a"))
    moving = t.wait_moved(stepped)
    # Typed letters while running: it keeps running.
    s.type("hfq")
    check(t.alive(), "typed letters ended the program")
    t.wait_moved(t.wait_moved(moving))

    # Logging: trace lines scroll through the text window while running, until it is off.
    quiet = log_still(s, t)
    s.key(key("l"))
    poll(f"trace lines after {key('l')}", lambda: log_region(s, t.text) != quiet, 10)
    s.key(key("l"))
    log_still(s, t)
    t.wait_moved(t.shot())


def test():
    with Session("keys") as s:
        t = Traffic(s)
        commands(s, t, t.draw, lambda letter: f"ctrl+{letter}")
        commands(s, t, t.text, lambda letter: f"ctrl+shift+{letter}")
        s.focus(t.draw)
        s.key("ctrl+q")
        status = t.wait_exit()
        check(status == 0, f"Ctrl+Q ended the program with status {status}")


main(test)
