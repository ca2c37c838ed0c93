"""The "&Run" menu used with the mouse: halt, one frame, logging (its check mark follows
the state), animate and quit. The popup is found as the window that appears when the
menu bar's title is clicked; its items are found as the rows of dark text in it."""
import time

from failure import Failure, check
from picture import Drawing
from xsession import Session, Traffic, check_ticks, log_region, main, poll

# The rows of dark text in the popup, top to bottom.
ITEMS = ["animate", "halt", "frame", "logging", "record", "playback", "one", "quit"]


def title_pixels(t, lit_only=False):
    """The menu title in the menu bar: its dark text, or the highlight Windows leaves on it
    after a choice and while the bar still has the keyboard."""
    image = t.shot()
    d = Drawing(image)
    lit = lambda p: max(p) - min(p) > 100
    return [(x, y) for y in d.menu_rows() for x in range(d.left, d.right + 1)
            if lit(image.pixel(x, y)) or (not lit_only and sum(image.pixel(x, y)) < 300)]


def open_menu(s, t):
    dark = poll("the menu title in the drawing window's menu bar", lambda: title_pixels(t), 10)
    xs, ys = [p[0] for p in dark], [p[1] for p in dark]
    before = s.top_windows()
    appeared = lambda: [w for w in s.top_windows() if w not in before]
    # Where the bar still holds the keyboard from the last time (Windows), a click on its
    # title lets go of it instead of opening the menu: then the next click opens it.
    for attempt in range(3):
        s.click((min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2)
        try:
            popup = poll("the menu popup", appeared, 3 if attempt < 2 else 10)
            break
        except Failure:
            if attempt == 2:
                raise
    check(len(popup) == 1, f"{len(popup)} windows appeared for the menu")
    geometry = s.top_windows()[popup[0]]
    return popup[0], geometry, read_rows(s, geometry)


def read_rows(s, geometry):
    """The rows of dark text: (top, bottom) each; waits until the popup is drawn."""
    def probe():
        image = s.screenshot().crop(*geometry)
        rows, start = [], None
        for y in range(image.height):
            row = image.row_bytes(y)
            dark = min(row) < 60
            if dark and start is None:
                start = y
            elif not dark and start is not None:
                rows.append((start, y))
                start = None
        rows = [r for r in rows if r[1] - r[0] >= 5]
        return (image, rows) if len(rows) == len(ITEMS) else None
    return poll(f"{len(ITEMS)} menu items drawn", probe, 10)


def choose(s, t, item):
    popup, (x, y, w, h), (_, rows) = open_menu(s, t)
    top, bottom = rows[ITEMS.index(item)]
    s.click(x + w // 3, y + (top + bottom) // 2)
    poll("the menu to close", lambda: not s.viewable(popup), 10)


def logging_marked(s, t):
    """Whether "Logging" carries a mark left of its text, where "Animate" has none."""
    popup, (x, y, w, h), (image, rows) = open_menu(s, t)

    def first_dark(top, bottom):
        return min(xx for yy in range(top, bottom) for xx in range(image.width)
                   if sum(image.pixel(xx, yy)) < 300)
    # The items' text starts where most of them start (a mark stands left of it); the
    # room for marks is left of that, less the few pixels a letter's shape may vary by.
    lefts = sorted(first_dark(*r) for r in rows)
    marks_end = lefts[len(lefts) // 2] - 3

    def dark_left(row):
        top, bottom = rows[ITEMS.index(row)]
        return sum(1 for yy in range(top, bottom) for xx in range(0, marks_end)
                   if sum(image.pixel(xx, yy)) < 300)
    check(dark_left("animate") == 0, "a mark beside Animate")
    marked = dark_left("logging") > 0
    s.key("Escape")
    poll("the menu to close", lambda: not s.viewable(popup), 10)
    # On Windows the first Escape closes the popup and leaves the bar with the keyboard;
    # a second one gives it back to the window.
    if title_pixels(t, lit_only=True):
        s.key("Escape")
        poll("the menu bar to let go", lambda: not title_pixels(t, lit_only=True), 10)
    return marked


def test():
    with Session("menu") as s:
        t = Traffic(s)
        t.drawing()
        check(not logging_marked(s, t), "Logging is marked at start, but logging is off")

        choose(s, t, "halt")
        halted = t.wait_still()
        before = t.vehicles(halted)
        choose(s, t, "frame")
        stepped = t.wait_still()
        check_ticks(before, t.vehicles(stepped), 1, "Advance one frame")

        quiet = log_region(s, t.text)
        choose(s, t, "logging")
        check(logging_marked(s, t), "Logging is not marked after switching it on")
        choose(s, t, "frame")
        poll("trace lines after one frame with logging on",
             lambda: log_region(s, t.text) != quiet, 10)
        t.wait_still()
        choose(s, t, "logging")
        check(not logging_marked(s, t), "Logging is still marked after switching it off")

        quiet = log_region(s, t.text)
        choose(s, t, "animate")
        t.wait_moved(t.wait_moved(t.shot()))
        time.sleep(0.3)  # a few frames drawn with logging off
        check(log_region(s, t.text) == quiet, "trace lines with logging off")

        choose(s, t, "quit")
        status = t.wait_exit()
        check(status == 0, f"the Quit item ended the program with status {status}")


main(test)
