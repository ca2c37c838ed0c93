"""The Windows zip as a user gets it, under Wine on a private Xvfb: traffic.exe, run from
the folder the zip was unpacked into on drive C:, shows the road network (the canvas, the
six intersections and the lanes, read from the screen's pixels), and a click ends it with
status 0. script/test-packages runs it with the desktop tests' helpers on the path:
    windows_zip_test.py 'C:\\kx508-<version>-windows-x86_64'
with KX508_RUNNER (script/wine-run) and KX508_WINEPREFIX set."""
import sys

from failure import check
from xsession import Session, Traffic, main


class ZipTraffic(Traffic):
    """The program by its Windows path, which only Wine can check."""

    def __init__(self, session, program):
        self.s = session
        self.p = session.start(program, name="traffic")
        self.draw = session.find_window("KX508 Graphics", pid=self.p.pid, timeout=30)
        self.text = session.find_window("KX508 Text", pid=self.p.pid, timeout=30)


def test():
    folder = sys.argv[1]
    with Session("windows-zip") as s:
        t = ZipTraffic(s, folder + "\\traffic.exe")
        d = t.drawing()
        d.check_canvas()
        d.check_intersections()
        d.check_lanes()
        ox, oy = d.client_centre
        x, y, _, _ = s.geometry(t.draw)
        s.click(x + ox + 200, y + oy + 150)
        status = t.wait_exit()
        check(status == 0, f"a click ended traffic.exe with status {status}")


main(test)
