"""The program's windows on a screen of the given size, and its picture found from the
pixels: the canvas origin at the centre of the drawing window's client area, a white
display area, six intersections, the lanes and the seven starting vehicles. Typed
letters do nothing while halted; a click ends the program with status 0."""
import sys

from failure import check
from picture import Drawing, initial_progress
from xsession import Session, Traffic, check_ticks, main


def test():
    width, height = int(sys.argv[1]), int(sys.argv[2])
    with Session("windows", width, height) as s:
        t = Traffic(s)
        # Halted at once, the seven starting vehicles are still on their first lanes.
        s.focus(t.draw)
        s.key("ctrl+h")

        check(s.geometry(t.draw) == (0, 0, 601, 540),
              f"drawing window at {s.geometry(t.draw)}, expected (0, 0, 601, 540)")
        want = (0, 2 * height // 3 + 1, width, height // 3)
        check(s.geometry(t.text) == want, f"text window at {s.geometry(t.text)}, expected {want}")

        t.drawing()
        d = Drawing(t.wait_still())
        check(d.top > 0, "no menu bar above the canvas")
        check(d.network_origin() == d.client_centre,
              f"library origin at {d.network_origin()}, the client area's centre is "
              f"{d.client_centre} (menu bar {d.top} high)")
        d.check_canvas()
        d.check_intersections()
        d.check_lanes()
        ticks = initial_progress(d.vehicles())
        check(ticks < 60, f"{ticks} ticks before the halt: the starting vehicles left their lanes")

        # Letters typed without Ctrl, then one step: the picture moves by exactly one tick.
        before = t.vehicles(d.image)
        s.type("afhlrpoq")
        s.key("ctrl+f")
        t.wait_moved(d.image)
        check_ticks(before, t.vehicles(t.wait_still()), 1, "typed letters and Ctrl+F")

        ox, oy = d.client_centre
        s.click(ox + 200, oy + 150)
        status = t.wait_exit()
        check(status == 0, f"a click ended the program with status {status}")


main(test)
