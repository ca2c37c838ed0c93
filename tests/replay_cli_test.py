"""The replay options and the frame comparison as a user meets them on the command line:
options that cannot be used stop the program before it runs, a replay of the traffic
program is the same every time, and kx508-diff finds what differs."""
import os
import shutil
import subprocess
import sys
import tempfile

SCRIPT = "".join("KX508_PERIODIC(9);\nKX508_KBD(120);\n" for _ in range(5)) + "KX508_PERIODIC(5);\n"


def fail(why):
    print(f"FAIL: {why}", file=sys.stderr)
    sys.exit(1)


def check(ok, why):
    if not ok:
        fail(why)


def run(program, work, **options):
    env = {k: v for k, v in os.environ.items() if not k.startswith("KX508_")}
    env.update(KX508_PLATFORM="headless", ASAN_OPTIONS="detect_leaks=0", **options)
    return subprocess.run([program], cwd=work, env=env, capture_output=True, text=True,
                          timeout=120)


def options_that_cannot_be_used(traffic, work):
    open(os.path.join(work, "run.scr"), "w").write(SCRIPT)
    open(os.path.join(work, "a-file"), "w").write("")
    os.mkdir(os.path.join(work, "a-folder"))
    cases = {
        "a missing script": dict(KX508_PLAY="missing.scr"),
        "frames into a file": dict(KX508_PLAY="run.scr", KX508_FRAMES="a-file"),
        "a log that is a folder": dict(KX508_PLAY="run.scr", KX508_LOG="a-folder"),
        "a frame step of 0": dict(KX508_FRAMES="f", KX508_FRAMES_EVERY="0"),
    }
    for what, options in cases.items():
        done = run(traffic, work, **options)
        lines = done.stderr.splitlines()
        check(done.returncode == 2, f"{what}: status {done.returncode}, expected 2: {done.stderr}")
        check(len(lines) == 1 and lines[0].startswith("KX508: KX508_"),
              f"{what}: expected one line naming the option: {done.stderr!r}")


def replays_are_the_same(traffic, diff, work):
    runs = []
    for n in (1, 2):
        done = run(traffic, work, KX508_PLAY="run.scr", KX508_FRAMES=f"frames{n}",
                   KX508_FRAMES_EVERY="4")
        check(done.returncode == 0, f"replay {n}: status {done.returncode}: {done.stderr}")
        check("55 events played from run.scr (played to its end)" in done.stderr,
              f"replay {n}: no summary of a script played to its end: {done.stderr!r}")
        runs.append(sorted(os.listdir(os.path.join(work, f"frames{n}"))))
    check(runs[0] == runs[1] and len(runs[0]) >= 10, f"frame lists differ or are short: {runs}")
    done = subprocess.run([diff, "frames1", "frames2"], cwd=work, capture_output=True, text=True)
    check(done.returncode == 0, f"two replays differ: {done.stdout}{done.stderr}")
    return runs[0]


def diff_finds_differences(diff, work, frames):
    a, b = os.path.join(work, "a"), os.path.join(work, "b")
    os.mkdir(a)
    os.mkdir(b)
    for name in frames[:2]:
        shutil.copy(os.path.join(work, "frames1", name), a)
        shutil.copy(os.path.join(work, "frames1", name), b)
    second = os.path.join(b, frames[1])
    subprocess.run(["convert", second, "-fill", "#0000fe", "-draw", "point 7,9", second],
                   check=True)
    done = subprocess.run([diff, a, b, "-o", "d.png"], cwd=work, capture_output=True, text=True)
    check(done.returncode == 1, f"a changed pixel: status {done.returncode}: {done.stdout}")
    check(done.stdout.startswith(f"{frames[1]}: 1 of 324540 pixels differ"),
          f"a changed pixel: {done.stdout!r}")
    check(os.path.getsize(os.path.join(work, "d.png")) > 0, "no picture of the difference")
    os.remove(os.path.join(a, frames[1]))
    done = subprocess.run([diff, a, b], cwd=work, capture_output=True, text=True)
    check(done.returncode == 1 and "only in" in done.stdout, f"a missing frame: {done.stdout!r}")
    done = subprocess.run([diff, a, "run.scr"], cwd=work, capture_output=True, text=True)
    check(done.returncode == 2, f"a folder and a file: status {done.returncode}")


def main():
    traffic, diff = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="kx508-replay-")
    try:
        options_that_cannot_be_used(traffic, work)
        frames = replays_are_the_same(traffic, diff, work)
        diff_finds_differences(diff, work, frames)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("replay command-line test passed")


main()
