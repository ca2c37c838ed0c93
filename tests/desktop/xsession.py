"""Shared helpers for the desktop tests: a private Xvfb, the program under test, real X
input through xdotool, screenshots as pixel arrays, and bounded polling."""
import os
import re
import select
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

from failure import Failure, check, fail
from picture import BLACK, Drawing, moved_by

TOOLS = ("Xvfb", "xdotool", "xwininfo", "import")

# The programs under test run through this command when it is set: the Windows build's
# programs under Wine (script/wine-run). Unset, this system's own programs run directly.
RUNNER = shlex.split(os.environ.get("KX508_RUNNER", ""))

# openbox's settings for the tests: one desktop, new windows focused, and Super+D to
# toggle the active window's decorations as a user's key would.
OPENBOX_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <desktops><number>1</number></desktops>
  <keyboard>
    <keybind key="W-d"><action name="ToggleDecorations"/></keybind>
  </keyboard>
  <mouse></mouse>
</openbox_config>
"""


def poll(what, probe, timeout=10.0, interval=0.05):
    """Calls probe until it returns something true and returns that; fails after timeout
    seconds, naming what was awaited and the last thing probe saw."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        result = probe()
        if result:
            return result
        last = result
        if time.monotonic() >= deadline:
            fail(f"timed out after {timeout:g} s waiting for {what} (last: {last!r})")
        time.sleep(interval)


def run(*args, check_status=True, env=None):
    done = subprocess.run(args, capture_output=True, text=True, env=env, timeout=30)
    if check_status and done.returncode != 0:
        fail(f"{' '.join(args)} failed with status {done.returncode}: {done.stderr.strip()}")
    return done.stdout


class Image:
    """An RGB picture, read from a binary PPM."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(raw):
        fields = []
        pos = 0
        while len(fields) < 4:
            while raw[pos:pos + 1].isspace():
                pos += 1
            if raw[pos:pos + 1] == b"#":
                pos = raw.index(b"\n", pos)
                continue
            end = pos
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[pos:end])
            pos = end
        check(fields[0] == b"P6" and fields[3] == b"255", f"not an 8-bit PPM: {fields}")
        width, height = int(fields[1]), int(fields[2])
        pos += 1
        return Image(width, height, raw[pos:pos + width * height * 3])

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x, y, width, height):
        """The part of the picture in this rectangle (cut to the picture's own bounds)."""
        x0, y0 = max(0, x), max(0, y)
        width = min(x + width, self.width) - x0
        height = min(y + height, self.height) - y0
        x, y = x0, y0
        rows = [self.data[((y + r) * self.width + x) * 3:((y + r) * self.width + x + width) * 3]
                for r in range(height)]
        return Image(width, height, b"".join(rows))

    def row_bytes(self, y):
        return self.data[y * self.width * 3:(y + 1) * self.width * 3]

    def __eq__(self, other):
        return (self.width, self.height, self.data) == (other.width, other.height, other.data)

    def differing(self, other):
        """How many pixels differ from another picture of the same size."""
        check((self.width, self.height) == (other.width, other.height), "pictures differ in size")
        a, b = self.data, other.data
        return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])

    def count(self, colour):
        c = bytes(colour)
        return sum(1 for i in range(0, len(self.data), 3) if self.data[i:i + 3] == c)

    def save(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data)


class Session:
    """One private X server and a temporary working directory for one test."""

    def __init__(self, name, width=1024, height=768):
        missing = [t for t in TOOLS if not shutil.which(t)]
        check(not missing, f"missing tools: {', '.join(missing)} (script/bootstrap installs them)")
        self.name = name
        self.screen = (width, height)
        self.work = tempfile.mkdtemp(prefix=f"kx508-{name}-")
        self.processes = []
        self.server = None
        self.display = self._start_server(width, height)
        self.env = dict(os.environ)
        for var in ("KX508_PLATFORM", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XAUTHORITY"):
            self.env.pop(var, None)
        self.env["DISPLAY"] = self.display
        # The program keeps its road network until it ends, as designed; not a leak.
        self.env["ASAN_OPTIONS"] = "detect_leaks=0"
        if RUNNER:
            # What the runner keeps for this session's X server (Wine: its own prefix).
            self.env["KX508_RUNNER_DIR"] = os.path.join(self.work, "runner")
            os.mkdir(self.env["KX508_RUNNER_DIR"])
            # One server for the session's programs (Wine: a wineserver held until close).
            run(*RUNNER, "--hold", env=self.env)

    def _start_server(self, width, height):
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.work, "xvfb.log"), "w")
        # -displayfd: the server picks a free display number and writes it to the pipe.
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-noreset", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=log, stderr=subprocess.STDOUT)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready = select.select([read_end], [], [], max(0, left))[0] if left > 0 else []
            if not ready:
                fail(f"Xvfb did not start within 15 s: {self._server_log()}")
            chunk = os.read(read_end, 16)
            if not chunk:
                fail(f"Xvfb ended without a display number: {self._server_log()}")
            number += chunk
        os.close(read_end)
        return ":" + number.decode().strip()

    def _server_log(self):
        with open(os.path.join(self.work, "xvfb.log")) as f:
            return f.read().strip() or "(no output)"

    def close(self):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
                p.wait()
        if RUNNER:
            run(*RUNNER, "--end", check_status=False, env=self.env)
        if self.server and self.server.poll() is None:
            self.server.terminate()
            self.server.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def start_openbox(self):
        """Starts openbox on this server and waits until it manages windows."""
        check(shutil.which("openbox"), "missing tool: openbox (script/bootstrap installs it)")
        rc = os.path.join(self.work, "openbox-rc.xml")
        with open(rc, "w") as f:
            f.write(OPENBOX_RC)
        wm = self.start("openbox", "--sm-disable", "--config-file", rc, name="openbox")

        def managing():
            check(wm.poll() is None, f"openbox ended: {self.output(wm).strip()}")
            return "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK",
                                         check_status=False)
        poll("openbox to manage windows", managing, 15)
        return wm

    # ---- X tools on this server

    def x(self, *args, check_status=True):
        return run(*args, check_status=check_status, env=self.env)

    def start(self, program, *args, stdin=None, name="program"):
        err = open(os.path.join(self.work, f"{name}.stderr"), "w")
        p = subprocess.Popen([*RUNNER, program, *args], cwd=self.work, env=self.env, stdout=err,
                             stderr=subprocess.STDOUT,
                             stdin=subprocess.PIPE if stdin is not None else subprocess.DEVNULL)
        p.log_path = err.name
        if stdin is not None:
            p.stdin.write(stdin.encode())
            p.stdin.close()
        self.processes.append(p)
        return p

    def output(self, p):
        with open(p.log_path) as f:
            return f.read()

    def find_window(self, title, pid=None, timeout=15.0):
        """Waits for a viewable window with exactly this title (of this process)."""
        started = [p for p in self.processes if p.pid == pid]

        def probe():
            # A program that ended (or could not be started by the runner) says why.
            if started and started[0].poll() is not None:
                fail(f'the program ended with status {started[0].returncode} before showing '
                     f'window "{title}": {self.output(started[0]).strip() or "(no output)"}')
            args = ["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"]
            if pid is not None:
                args[2:2] = ["--all", "--pid", str(pid)]
            found = self.x(*args, check_status=False).split()
            return found[0] if found else None
        return poll(f'window "{title}"', probe, timeout)

    def geometry(self, window):
        """x, y, width, height of a window on the screen, without a frame around it."""
        info = self.x("xwininfo", "-id", str(window))
        value = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"),
                value("Width"), value("Height"))

    def frame(self, window):
        """x, y, width, height of the window with its frame: its outermost ancestor below
        the root (the window itself when no window manager framed it)."""
        outer = str(window)
        while True:
            tree = self.x("xwininfo", "-children", "-id", outer)
            root = re.search(r"Root window id: (0x[0-9a-f]+)", tree).group(1)
            parent = re.search(r"Parent window id: (0x[0-9a-f]+)", tree).group(1)
            if parent == root:
                return self.geometry(outer)
            outer = parent

    def viewable(self, window):
        info = self.x("xwininfo", "-id", str(window), check_status=False)
        return "IsViewable" in info

    def top_windows(self):
        """Viewable top-level windows: id -> (x, y, width, height)."""
        tree = self.x("xwininfo", "-root", "-children")
        found = {}
        for m in re.finditer(r"^\s+(0x[0-9a-f]+) .*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+", tree, re.M):
            window = int(m.group(1), 16)
            if self.viewable(window):
                w, h, x, y = (int(m.group(i)) for i in range(2, 6))
                found[window] = (x, y, w, h)
        return found

    def screenshot(self):
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True,
                             env=self.env, timeout=30)
        check(raw.returncode == 0, f"import failed: {raw.stderr.decode().strip()}")
        return Image.from_ppm(raw.stdout)

    def shot(self, window):
        """A picture of the window as it is on the screen."""
        return self.screenshot().crop(*self.geometry(window))

    def key(self, *keys):
        self.x("xdotool", "key", *keys)

    def type(self, text):
        self.x("xdotool", "type", "--delay", "20", text)

    def focus(self, window):
        self.x("xdotool", "windowfocus", "--sync", str(window))

    def click(self, x, y, button=1):
        """A click at a screen position."""
        self.x("xdotool", "mousemove", str(x), str(y), "click", str(button))

    def wait_exit(self, p, timeout=15.0):
        try:
            return p.wait(timeout)
        except subprocess.TimeoutExpired:
            fail(f"the program did not end within {timeout:g} s")


def tool(var):
    """A program of this build, named by the test's environment."""
    path = os.environ.get(var)
    check(path and os.access(path, os.X_OK), f"{var} does not name a program: {path!r}")
    return path


class Traffic:
    """The traffic program running on a session's server."""

    def __init__(self, session):
        self.s = session
        self.p = session.start(tool("KX508_TRAFFIC"), name="traffic")
        self.draw = session.find_window("KX508 Graphics", pid=self.p.pid)
        self.text = session.find_window("KX508 Text", pid=self.p.pid)

    def shot(self):
        return self.s.shot(self.draw)

    def drawing(self):
        """The picture, once the network is on it."""
        return Drawing(poll("the road network in the drawing window", lambda: self._network(), 10))

    def _network(self):
        image = self.shot()
        try:
            return image if Drawing(image).at(0, 0) == BLACK else None
        except Failure:
            return None  # mapped but not painted yet: no canvas in the window so far

    def wait_still(self, timeout=10.0):
        """Waits until the picture stays the same over three timer periods and returns it."""
        last = [self.shot()]

        def probe():
            time.sleep(0.3)
            now = self.shot()
            same = now == last[0]
            last[0] = now
            return now if same else None
        return poll("the drawing window to stand still", probe, timeout, interval=0)

    def wait_moved(self, reference, timeout=10.0):
        return poll("the drawing window to change", lambda: (
            lambda now: now if now != reference else None)(self.shot()), timeout)

    def vehicles(self, image=None):
        return Drawing(image or self.shot()).vehicles(strict=False)

    def alive(self):
        return self.p.poll() is None

    def wait_exit(self, timeout=15.0):
        return self.s.wait_exit(self.p, timeout)


def check_ticks(before, after, ticks, what):
    """Fails unless the vehicles moved by exactly this many ticks between two readings."""
    why = moved_by(before, after, ticks)
    check(why is None, f"{what} did not move the vehicles by exactly {ticks} ticks: {why}")


def log_picture(session, lines):
    """The part of the text window below the drawing window as the library draws these
    log lines, made by a helper program on the same server before the program runs."""
    helper = session.start(tool("KX508_LOG_LINES"), stdin="".join(l + "\n" for l in lines),
                           name="log_lines")
    text = session.find_window("KX508 Text", pid=helper.pid)

    # The lines appear one by one: wait until there are some and the picture has stayed
    # the same over a few looks, so that none is still to come.
    seen = []

    def probe():
        region = log_region(session, text)
        blank = region.count((255, 255, 255)) == region.width * region.height
        seen.append(region if blank == (not lines) else None)
        last = seen[-3:]
        return last[0] if len(last) == 3 and last[0] is not None and last.count(last[0]) == 3 \
            else None
    first = poll("the helper's log lines to stand still", probe, 15, interval=0.2)
    helper.kill()
    helper.wait()
    poll("the helper's windows to go", lambda: not session.viewable(text), 10)
    return first


def log_region(session, text):
    x, y, w, h = session.geometry(text)
    top = 540  # below the drawing window
    return session.screenshot().crop(x, top, w, y + h - top)


def wait_log(session, traffic, expected, what):
    """Waits until the program's text window shows exactly the expected lines."""
    poll(f"the text window to show {what}",
         lambda: log_region(session, traffic.text) == expected, 10)


def main(test):
    """Runs test(session_factory) and reports; exit status 0 only when it passed."""
    started = time.monotonic()
    try:
        test()
    except Failure as e:
        print(f"FAIL: {e}", file=sys.stderr)
        sys.exit(1)
    print(f"passed in {time.monotonic() - started:.1f} s")
