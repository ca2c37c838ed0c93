"""The program ended from outside, on a real X server. SIGTERM, SIGINT or SIGHUP ends it
as a quit does, halted or not: status 0, a recording closed with its last periodic run.
An X server that goes away ends it with status 1, and nothing it recorded or wrote is
lost: the script, the frames, the log and a run recorded from the start whole, and the
summary said."""
import os
import re
import signal
import time

from failure import check
from xsession import Session, Traffic, main, poll


def record(s, t):
    """Starts a recording and lets it count periodic events for half a second."""
    s.focus(t.draw)
    s.key("ctrl+r")
    script = os.path.join(s.work, "KX508.SCR")
    poll("the recording to begin", lambda: os.path.exists(script) and os.path.getsize(script) > 0)
    time.sleep(0.5)
    return script


def a_periodic_run(script):
    with open(script) as f:
        text = f.read()
    run = re.fullmatch(r"KX508_PERIODIC\((\d+)\);\n", text)
    check(run and int(run.group(1)) >= 3, f"the recording holds {text!r}")


def signals(s):
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        t = Traffic(s)
        t.drawing()
        script = record(s, t)
        t.p.send_signal(sig)
        status = t.wait_exit()
        check(status == 0, f"{sig.name} ended the program with status {status}")
        a_periodic_run(script)
    # A halted program sleeps through the timer's ticks; the request still ends its wait.
    t = Traffic(s)
    t.drawing()
    s.focus(t.draw)
    s.key("ctrl+h")
    t.wait_still()
    t.p.send_signal(signal.SIGTERM)
    status = t.wait_exit()
    check(status == 0, f"SIGTERM ended the halted program with status {status}")


def display_gone(s):
    s.env.update(KX508_FRAMES="frames", KX508_LOG="log.txt", KX508_RECORD="whole.run")
    t = Traffic(s)
    t.drawing()
    script = record(s, t)
    s.server.kill()
    s.server.wait()
    status = t.wait_exit()
    said = s.output(t.p)
    check(status == 1, f"the X server gone, the program ended with status {status}: {said}")
    a_periodic_run(script)
    with open(os.path.join(s.work, "whole.run")) as f:
        run = f.read()
    check(re.fullmatch(r"KX508_RUN\(1\);\nKX508_CLIENT\(\d+,\d+\);\nKX508_PERIODIC\(\d+\);\n", run),
          f"the run recorded from the start holds {run!r}")
    summary = re.search(r"KX508: (\d+) frames written to frames; log written to log.txt; "
                        r"the program failed: the process was ended before the program "
                        r"returned", said)
    check(summary, f"no summary of the run: {said!r}")
    frames = sorted(os.listdir(os.path.join(s.work, "frames")))
    check(len(frames) == int(summary.group(1)) and all(f.endswith(".png") for f in frames),
          f"the frames folder holds {frames}, the summary says {summary.group(1)}")


def test():
    with Session("ended-by-signals") as s:
        signals(s)
    with Session("display-gone") as s:
        display_gone(s)


main(test)
