"""The Qt backend on Wayland, under weston's headless compositor: with a Wayland display
and no X display the library picks Qt's Wayland platform by itself, shows its windows,
animates and ends cleanly. Weston's headless backend takes no input, so a helper that
ends by itself stands in for the traffic program. Window positions are not checked: a
Wayland compositor need not honour them."""
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

from failure import check, fail
from xsession import main, tool

SOCKET = "kx508-wayland"
HERE = os.path.dirname(os.path.abspath(__file__))


def check_installed():
    check(shutil.which("weston"), "weston is missing (script/bootstrap installs it)")
    plugins = os.environ.get("KX508_QT_PLUGINS", "")
    plugin = os.path.join(plugins, "platforms", "libqwayland-generic.so")
    check(os.path.exists(plugin),
          f"Qt's Wayland platform plugin is missing: no {plugin} (script/bootstrap installs "
          "qt6-wayland)")


class Weston:
    """A headless weston with its own runtime directory, stopped on leaving."""

    def __init__(self, work):
        # mkdtemp makes it 0700, as Wayland wants of XDG_RUNTIME_DIR.
        self.runtime = tempfile.mkdtemp(prefix="kx508-xdg-")
        self.log_path = os.path.join(work, "weston.log")
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        for var in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET"):
            env.pop(var, None)
        with open(self.log_path, "w") as log:
            self.process = subprocess.Popen(
                ["weston", "--backend=headless-backend.so", f"--socket={SOCKET}",
                 "--idle-time=0", "--no-config"],
                env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)

    def log(self):
        with open(self.log_path) as f:
            return f.read().strip() or "(no output)"

    def wait_ready(self, timeout=15.0):
        """Waits until weston accepts connections: its socket file appears before it does."""
        path = os.path.join(self.runtime, SOCKET)
        deadline = time.monotonic() + timeout
        while True:
            status = self.process.poll()
            if status is not None:
                fail(f"weston ended with status {status} before accepting clients:\n{self.log()}")
            with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
                try:
                    s.connect(path)
                    return
                except OSError:
                    pass
            if time.monotonic() >= deadline:
                fail(f"weston did not accept clients within {timeout:g} s:\n{self.log()}")
            time.sleep(0.01)

    def stop(self):
        # Its own PID only; and reaped here, as nothing else would.
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.runtime, ignore_errors=True)


def run_helper(weston, work):
    env = dict(os.environ, WAYLAND_DISPLAY=SOCKET, XDG_RUNTIME_DIR=weston.runtime)
    for var in ("DISPLAY", "QT_QPA_PLATFORM", "KX508_PLATFORM", "WAYLAND_SOCKET"):
        env.pop(var, None)
    # Qt's Wayland plugin keeps what it made when it set up the display; the frames that
    # say so are found only with the slower unwinder.
    env["ASAN_OPTIONS"] = "fast_unwind_on_malloc=0"
    env["LSAN_OPTIONS"] = ("suppressions=" + os.path.join(HERE, "wayland.lsan.supp") +
                           ":print_suppressions=0")
    try:
        return subprocess.run([tool("KX508_ANIMATE_BRIEFLY")], cwd=work, env=env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=30)
    except subprocess.TimeoutExpired:
        fail(f"the helper did not end within 30 s; weston said:\n{weston.log()}")


def report(done):
    """The helper's printed lines as a dictionary: platform, exposed, periodic."""
    facts = {}
    for line in done.stdout.splitlines():
        key, _, value = line.partition(" ")
        facts[key] = value
    return facts


def test():
    check_installed()
    work = tempfile.mkdtemp(prefix="kx508-wayland-")
    weston = Weston(work)
    try:
        weston.wait_ready()
        done = run_helper(weston, work)
        said = f"\nstdout:\n{done.stdout}stderr:\n{done.stderr}weston:\n{weston.log()}"
        check(done.returncode == 0, f"the helper ended with status {done.returncode}{said}")
        check(not done.stderr.strip(), f"the helper wrote to stderr{said}")
        facts = report(done)
        check(facts.get("platform") == "wayland",
              f"the helper ran on Qt platform {facts.get('platform')!r}, not wayland{said}")
        check(facts.get("exposed") == "2", f"weston did not show both windows{said}")
        check(facts.get("periodic") == "5", f"the animation stopped early{said}")
    finally:
        weston.stop()
        shutil.rmtree(work, ignore_errors=True)


main(test)
