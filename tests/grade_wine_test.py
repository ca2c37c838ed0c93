"""kx508-grade.exe under Wine: Windows cannot confine a run, so it grades nothing without
--unsafe; with it, an example passes against its own expected run, and a program that
starts a copy of itself meant to outlive it, then waits forever, exceeds the time limit
and leaves neither process behind (the job object ends them); the reports say that the
runs were not confined, and the tool's temporary folder is removed."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

from cli_checks import fail


def orphans():
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            program = open(f"/proc/{pid}/cmdline", "rb").read().split(b"\0")[0]
            if program.endswith(b"grade_orphan.exe"):
                found.append(pid)
        except OSError:
            pass
    return found


def workspaces():
    """The tool's temporary folders in the Wine prefix's temporary folders."""
    return glob.glob(os.path.join(os.environ["KX508_WINEPREFIX"], "drive_c", "users", "*", "Temp",
                                  "kx508-grade-*"))


def main():
    grade, hello, script, orphan, wine_run = (os.path.abspath(a) for a in sys.argv[1:6])
    work = tempfile.mkdtemp(prefix="kx508-grade-wine-")
    env = {k: v for k, v in os.environ.items() if not k.startswith("KX508_") or k == "KX508_WINEPREFIX"}
    before = workspaces()
    try:
        shutil.copy(script, os.path.join(work, "hello.scr"))
        os.makedirs(os.path.join(work, "expected", "hello"))
        subprocess.run([wine_run, hello], cwd=work, check=True, capture_output=True, timeout=120,
                       env=dict(env, KX508_PLATFORM="headless", KX508_PLAY="hello.scr",
                                KX508_FRAMES="expected/hello", KX508_LOG="expected/hello/log.txt"))
        args = [wine_run, grade, "--expected", "expected", "--script", "hello.scr", "--time", "5",
                hello, orphan]
        done = subprocess.run(args, cwd=work, env=env, capture_output=True, text=True, timeout=120)
        if done.returncode != 2 or "runs cannot be confined here" not in done.stderr:
            fail(f"without --unsafe: status {done.returncode}:\n{done.stdout}{done.stderr}")
        done = subprocess.run(args[:2] + ["--unsafe"] + args[2:], cwd=work, env=env,
                              capture_output=True, text=True, timeout=120)
        rows = done.stdout.splitlines()
        ok = (done.returncode == 1 and len(rows) == 5 and "NOT confined" in rows[0] and
              rows[2].endswith("hello.scr  passed") and
              rows[3].endswith("hello.scr  exceeded the time limit (5 s)"))
        if not ok:
            fail(f"status {done.returncode}:\n{done.stdout}{done.stderr}")
        for page in "report.html", "report.xml":
            if "NOT confined" not in open(os.path.join(work, page), encoding="utf-8").read()[:2000]:
                fail(f"{page} does not say at its top that the runs were not confined")
        # Wine ends the processes of a job asynchronously; one left behind never goes.
        deadline = time.monotonic() + 15
        while orphans() and time.monotonic() < deadline:
            time.sleep(0.2)
        if orphans():
            fail(f"processes left behind: {orphans()}")
        if workspaces() != before:
            fail(f"the tool's temporary folder was left: {set(workspaces()) - set(before)}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("kx508-grade.exe under Wine: the example passed, the orphan was ended with its run")


if __name__ == "__main__":
    main()
