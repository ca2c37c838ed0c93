"""The program under a real window manager, openbox on the test's own Xvfb. Whatever is
asked of the drawing window, decorations toggled, fullscreen, maximised or another
size, it keeps its outer size of 601 x 540, its title bar stays on the screen, and it
shows one picture: one network's worth of black pixels, around the centre of the client
area. The visible area a program is given right after KX508_start is already the one
openbox's frame leaves, though openbox frames the window only once it is shown."""
import os
import re
import time

from failure import check
from xsession import Session, Traffic, main, poll, tool

MENU_ROWS = 25     # the menu bar and a little more: its text may be black too
FRAME_LINE = 300   # black pixels in a row or column that only a canvas frame line has


def network(image):
    """The road network's black pixels in a picture of the drawing window: how many, and
    their bounding box (left, top, width, height). Rows and columns with more black than
    the network ever has are the canvas frame's lines and are left out, and so are the
    client area's left, right and bottom edges, where what is left of them may lie once
    the picture has moved (the network never reaches them)."""
    black = [(x, y) for y in range(MENU_ROWS, image.height - 1) for x in range(1, image.width - 1)
             if image.pixel(x, y) == (0, 0, 0)]
    rows, columns = {}, {}
    for x, y in black:
        rows[y] = rows.get(y, 0) + 1
        columns[x] = columns.get(x, 0) + 1
    black = [(x, y) for x, y in black if rows[y] <= FRAME_LINE and columns[x] <= FRAME_LINE]
    check(black, "no road network in the drawing window")
    xs, ys = [p[0] for p in black], [p[1] for p in black]
    return len(black), (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)


def frame_extents(s, window):
    """The frame's left, right, top and bottom widths, as the window manager tells them."""
    return s.x("xprop", "-id", str(window), "_NET_FRAME_EXTENTS").split("=")[-1].strip()


def window_manager_done(s, window):
    """Returns once the window manager has handled the requests sent to it so far: it
    handles them in order, so one more whose effect shows is enough."""
    def above():
        return "_NET_WM_STATE_ABOVE" in s.x("xprop", "-id", str(window), "_NET_WM_STATE")
    s.x(tool("KX508_WINDOW_STATE"), window, "add", "above")
    poll("openbox to keep the window above others", above, 10)
    s.x(tool("KX508_WINDOW_STATE"), window, "remove", "above")
    poll("openbox to stop keeping the window above others", lambda: not above(), 10)


def test():
    with Session("openbox", 1280, 1024) as s:
        s.start_openbox()
        t = Traffic(s)
        place = poll("the drawing window framed at 601 x 540",
                     lambda: (lambda f: f if f[2:] == (601, 540) else None)(s.frame(t.draw)), 10)
        s.focus(t.draw)
        s.key("ctrl+h")
        client = s.geometry(t.draw)
        fresh_count, fresh_box = network(t.wait_still())
        check(fresh_box[2:] == (291, 241), f"a fresh program's network spans {fresh_box}")

        def one_picture(what):
            """One frame drawn where the origin is now, then one network's worth of black
            pixels, placed as the client area's size says."""
            s.focus(t.draw)
            s.key("ctrl+f")
            # A still picture may be caught before a loaded machine lets the program repaint
            # after the frame changed; two pictures that stay are the fault.
            deadline = time.monotonic() + 10
            while True:
                count, box = network(t.wait_still())
                if box[2:] == (291, 241) or time.monotonic() > deadline:
                    break
            check(box[2:] == (291, 241),
                  f"after {what} the black pixels span {box[2]} x {box[3]}, not one network's "
                  f"291 x 241: more than one picture")
            _, _, width, height = s.geometry(t.draw)
            moved = (box[0] - fresh_box[0], box[1] - fresh_box[1])
            want = ((width - client[2]) / 2, (height - client[3]) / 2)
            check(all(abs(m - w) <= 1 for m, w in zip(moved, want)),
                  f"after {what} the network moved by {moved}, the client area's centre by {want}")
            check(abs(count - fresh_count) <= fresh_count // 25,
                  f"after {what}: {count} black pixels, a fresh program has {fresh_count}")

        def framed(what, rect=None):
            def probe():
                f = s.frame(t.draw)
                ok = f[2:] == (601, 540) and (rect is None or f == rect)
                return f if ok else None
            return poll(f"the drawing window's frame after {what}", probe, 10)

        # Decorations off and on again: the frame changes around a window that stays put.
        decorated = frame_extents(s, t.draw)
        for what in ("decorations off", "decorations on"):
            s.x("xdotool", "windowactivate", "--sync", t.draw)
            s.key("super+d")
            poll(f"openbox to apply {what}",
                 lambda: (frame_extents(s, t.draw) == decorated) == (what == "decorations on"), 10)
            framed(what)
            one_picture(what)
        framed("decorations on", place)

        # Fullscreen and maximised are refused: the window stays at its place, title bar
        # on the screen, and shows one picture.
        for state in ("fullscreen", "maximized"):
            s.x(tool("KX508_WINDOW_STATE"), t.draw, "add", state)
            s.x(tool("KX508_WINDOW_STATE"), t.draw, "remove", state)
            window_manager_done(s, t.draw)
            one_picture(f"a {state} request")
            check(s.frame(t.draw) == place,
                  f"after a {state} request the window and its frame are at {s.frame(t.draw)}, "
                  f"not {place}")
            check(s.geometry(t.draw) == client,
                  f"after a {state} request the client area is at {s.geometry(t.draw)}, "
                  f"not {client}")
        # A size the window does not take: openbox keeps it fixed, as the window asks.
        s.x("xdotool", "windowsize", t.draw, "900", "700")
        window_manager_done(s, t.draw)
        one_picture("a resize request")
        check(s.frame(t.draw) == place,
              f"after a resize request the window and its frame are at {s.frame(t.draw)}")
        check(t.alive(), "the program ended")


def area_from_the_start():
    with Session("openbox-area", 1280, 1024) as s:
        s.start_openbox()
        s.env["KX508_LOG"] = "area.log"
        p = s.start(tool("KX508_AREA_AT_START"), name="area")
        draw = s.find_window("KX508 Graphics", pid=p.pid)
        log = os.path.join(s.work, "area.log")

        def answers():
            check(p.poll() is None, f"the program ended: {s.output(p).strip()}")
            with open(log) as f:
                lines = [line for line in f.read().splitlines() if line.startswith("Visible area")]
            return lines if len(lines) > 20 else None
        # The first answer, then two seconds of ticks: the frame has long come by then.
        lines = poll("twenty answers after the first", answers, 15)
        check("," in frame_extents(s, draw), "openbox gave the drawing window no frame")
        check(all(line == lines[0] for line in lines),
              f"the area changed after the start: {lines[0]!r} at first, then {sorted(set(lines))}")
        # It is the framed window's: as wide as the client area openbox left, not 601.
        left, right = (int(n) for n in re.findall(r"\((-?\d+),", lines[0]))
        width = s.geometry(draw)[2]
        check(right - left + 1 == width and width < 601,
              f"the area {lines[0]!r} is not the {width} pixels wide window openbox framed")


def tests():
    test()
    area_from_the_start()


main(tests)
