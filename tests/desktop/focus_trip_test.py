"""Ctrl held in the drawing window, released in another program's window, and straight
back: the next plain letter arrives as a key, not as a command, however quick the trip.
Thirty trips, with no failure allowed."""
from failure import check
from xsession import Session, main, poll, tool

TRIPS = 30


def keys_seen(s, p):
    return s.output(p).splitlines().count("key l")


def test():
    with Session("focus_trip") as s:
        p = s.start(tool("KX508_ECHO_KEYS"), name="echo_keys")
        draw = s.find_window("KX508 Graphics", pid=p.pid)
        other = s.start(tool("KX508_ECHO_KEYS"), name="other")
        elsewhere = s.find_window("KX508 Text", pid=other.pid)
        s.focus(draw)
        for trip in range(1, TRIPS + 1):
            # One xdotool run, so that nothing waits between the steps but the focus
            # changes themselves: far quicker than a person, as a quick person is.
            s.x("xdotool", "keydown", "ctrl", "windowfocus", "--sync", elsewhere, "keyup", "ctrl",
                "windowfocus", "--sync", draw, "key", "l")
            poll(f"trip {trip}: the letter as a key", lambda: keys_seen(s, p) == trip, 5)
            check(p.poll() is None, f"trip {trip}: the program ended")
        check(keys_seen(s, p) == TRIPS, f"{keys_seen(s, p)} keys for {TRIPS} trips")


main(test)
