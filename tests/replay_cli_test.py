"""The replay options and the frame comparison as a user meets them on the command line:
options that cannot be used stop the program before it runs and leave nothing behind, a
run that stops short ends with status 3 and never leaves a cut frame, a run ended by a
signal ends as a quit does, two runs never write into one frames folder, a replay of the traffic program is the same every time,
and kx508-diff finds what differs."""
import fcntl
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

from cli_checks import check, fail

SCRIPT = "".join("KX508_PERIODIC(9);\nKX508_KBD(120);\n" for _ in range(5)) + "KX508_PERIODIC(5);\n"


def environment(**options):
    env = {k: v for k, v in os.environ.items() if not k.startswith("KX508_")}
    env.update(KX508_PLATFORM="headless", ASAN_OPTIONS="detect_leaks=0", **options)
    return env


def run(program, work, command=None, preexec_fn=None, **options):
    return subprocess.run(command or [program], cwd=work, env=environment(**options),
                          capture_output=True, text=True, timeout=120, preexec_fn=preexec_fn)


def is_whole_png(path):
    with open(path, "rb") as f:
        data = f.read()
    return data.startswith(b"\x89PNG\r\n\x1a\n") and data.endswith(b"IEND\xaeB`\x82")


def frames_in(folder):
    """A frames folder's files but the script lines each frame came after."""
    if not os.path.isdir(folder):
        return []
    return sorted(f for f in os.listdir(folder) if f != "script-lines.txt")


def options_that_cannot_be_used(traffic, work):
    open(os.path.join(work, "run.scr"), "w").write(SCRIPT)
    open(os.path.join(work, "a-file"), "w").write("")
    os.mkdir(os.path.join(work, "a-folder"))
    cases = {
        "a missing script": dict(KX508_PLAY="missing.scr"),
        "frames into a file": dict(KX508_PLAY="run.scr", KX508_FRAMES="a-file"),
        "a log that is a folder": dict(KX508_PLAY="run.scr", KX508_LOG="a-folder"),
        "a frame step of 0": dict(KX508_FRAMES="f", KX508_FRAMES_EVERY="0"),
        "a pace of 2": dict(KX508_PLAY="run.scr", KX508_PLAY_PACE="2"),
        "a negative point to play to": dict(KX508_PLAY="run.scr", KX508_PLAY_TO="-1"),
        "a point to play to without a script": dict(KX508_PLAY_TO="5"),
    }
    for what, options in cases.items():
        expect_refused(traffic, work, what, **options)


def expect_refused(traffic, work, what, reason="", command=None, **options):
    done = run(traffic, work, command=command, **options)
    lines = done.stderr.splitlines()
    check(done.returncode == 2, f"{what}: status {done.returncode}, expected 2: {done.stderr}")
    check(len(lines) == 1 and lines[0].startswith("KX508: KX508_") and reason in lines[0],
          f"{what}: expected one line naming the option and {reason!r}: {done.stderr!r}")


def files_that_cannot_be_used(traffic, work):
    """FIFOs are refused without waiting on them, the log never empties the script it would
    overwrite, and frames never mix with an earlier run's."""
    os.mkfifo(os.path.join(work, "fifo"))
    os.symlink("fifo", os.path.join(work, "link-to-fifo"))
    os.symlink("run.scr", os.path.join(work, "link-to-run.scr"))
    os.mkdir(os.path.join(work, "old-frames"))
    open(os.path.join(work, "old-frames", "000001.png"), "w").write("an earlier run's")
    os.mkdir(os.path.join(work, "small-frames"))
    subprocess.run(["convert", "-size", "60x40", "xc:white",
                    os.path.join(work, "small-frames", "000001.png")], check=True)
    os.mkdir(os.path.join(work, "empty"))
    cases = {
        "a script that is a FIFO": ("not a regular file", dict(KX508_PLAY="fifo")),
        "a script linked to a FIFO": ("not a regular file", dict(KX508_PLAY="link-to-fifo")),
        "a log that is a FIFO nobody reads": ("a FIFO that nobody reads",
                                              dict(KX508_PLAY="run.scr", KX508_LOG="fifo")),
        "a log linked to a FIFO": ("a FIFO that nobody reads", dict(KX508_LOG="link-to-fifo")),
        "the log is the script": ("the script being played",
                                  dict(KX508_PLAY="run.scr", KX508_LOG="run.scr")),
        "the log is the script through a link": (
            "the script being played", dict(KX508_PLAY="run.scr", KX508_LOG="link-to-run.scr")),
        "frames into a folder of frames": ("already holds frames",
                                           dict(KX508_FRAMES="old-frames")),
        "a run into a folder": ("a folder", dict(KX508_RECORD="old-frames")),
        "an expected run without a script": ("no script to play", dict(KX508_EXPECT="small-frames")),
        "a missing expected run": ("no such folder", dict(KX508_PLAY="run.scr", KX508_EXPECT="gone")),
        "an expected run that is a file": ("not a folder",
                                           dict(KX508_PLAY="run.scr", KX508_EXPECT="run.scr")),
        "an expected run without frames": ("holds no frames",
                                           dict(KX508_PLAY="run.scr", KX508_EXPECT="empty")),
        "an expected run of another size": ("60 x 40, not the canvas's 601 x 540",
                                            dict(KX508_PLAY="run.scr", KX508_EXPECT="small-frames")),
        "an expected run that is this run's frames": (
            "this run's own frames folder",
            dict(KX508_PLAY="run.scr", KX508_EXPECT="empty", KX508_FRAMES="empty/")),
        "a run into a FIFO": ("not a regular file", dict(KX508_RECORD="fifo")),
        "a GIF without a script": ("no script to play", dict(KX508_GIF="a.gif")),
        "a GIF that is a folder": ("a folder", dict(KX508_PLAY="run.scr", KX508_GIF="old-frames")),
        "a GIF into a FIFO": ("not a regular file", dict(KX508_PLAY="run.scr", KX508_GIF="fifo")),
        "a GIF over the script": ("it is the file KX508_PLAY names",
                                  dict(KX508_PLAY="run.scr", KX508_GIF="link-to-run.scr")),
        "a run over the script it plays": (
            "it is the file KX508_PLAY names",
            dict(KX508_PLAY="run.scr", KX508_RECORD="link-to-run.scr")),
    }
    for what, (reason, options) in cases.items():
        expect_refused(traffic, work, what, reason, **options)
    check(open(os.path.join(work, "run.scr")).read() == SCRIPT, "the script was changed")
    check(frames_in(os.path.join(work, "old-frames")) == ["000001.png"],
          "the earlier run's frames were touched")


def refused_runs_leave_nothing_behind(traffic, work):
    open(os.path.join(work, "kept.log"), "w").write("kept\n")
    cases = {
        "a frame step of 0 with a log": dict(KX508_FRAMES="new-frames", KX508_FRAMES_EVERY="x",
                                             KX508_LOG="kept.log"),
        "a log that is a folder": dict(KX508_FRAMES="new/frames", KX508_LOG="a-folder"),
        "a log in a missing folder": dict(KX508_FRAMES="new/frames", KX508_LOG="none/run.log"),
        "a missing script": dict(KX508_PLAY="missing.scr", KX508_FRAMES="new/frames",
                                 KX508_LOG="kept.log"),
    }
    for what, options in cases.items():
        expect_refused(traffic, work, what, **options)
        check(not os.path.exists(os.path.join(work, "new-frames")) and
              not os.path.exists(os.path.join(work, "new")), f"{what}: a frames folder was made")
        check(open(os.path.join(work, "kept.log")).read() == "kept\n",
              f"{what}: the log file was emptied")
    # The reason is the one making the folder met: here a read-only file system, in a mount
    # namespace of the test's own.
    os.mkdir(os.path.join(work, "read-only"))
    mount = ['unshare', '-rm', 'sh', '-c', 'mount -t tmpfs -o ro tmpfs read-only && exec "$0"',
             traffic]
    expect_refused(traffic, work, "frames on a read-only file system", "Read-only file system",
                   command=mount, KX508_FRAMES="read-only/frames")


def a_log_into_a_pipe(traffic, work):
    """KX508_LOG=/dev/stdout in a pipeline, as a CI job has it: the log comes down the pipe."""
    done = run(traffic, work, KX508_PLAY="run.scr", KX508_LOG="/dev/stdout")
    check(done.returncode == 0 and "EOF encountered in script file run.scr\n" in done.stdout,
          f"a log into a pipe: status {done.returncode}, out {done.stdout!r}: {done.stderr!r}")


def runs_that_end_short(traffic, work):
    """A run that could not do all it was asked ends with status 3 and says what it did."""
    open(os.path.join(work, "bad.scr"), "w").write("KX508_PERIODIC(3);\nnot an event\n")
    done = run(traffic, work, KX508_PLAY="bad.scr")
    check(done.returncode == 3 and "stopped at unrecognised line 2" in done.stderr,
          f"an unrecognised line: status {done.returncode}: {done.stderr!r}")

    done = run(traffic, work, KX508_PLAY="run.scr", KX508_LOG="/dev/full")
    check(done.returncode == 3 and "cannot write log file /dev/full" in done.stderr and
          "log cut short in /dev/full" in done.stderr and "log written" not in done.stderr,
          f"a log that cannot be written: status {done.returncode}: {done.stderr!r}")

    # A disk that fills up (a 200 KB file system, in a mount namespace of the test's own):
    # the frames written before are whole and counted, the one that did not fit is not there
    # under any name, and nothing after it is tried. The frames are copied out before the
    # namespace, and its file system, go.
    os.mkdir(os.path.join(work, "full"))
    os.mkdir(os.path.join(work, "full-copy"))
    small_disk = ['unshare', '-rm', 'sh', '-c', 'mount -t tmpfs -o size=200k tmpfs full && '
                  '"$0"; status=$?; cp -a full/. full-copy/; exit $status', traffic]
    done = run(traffic, work, command=small_disk, KX508_PLAY="run.scr", KX508_FRAMES="full")
    frames = frames_in(os.path.join(work, "full-copy"))
    check(done.returncode == 3 and "No space left on device; no more frames are written"
          in done.stderr, f"a full disk: status {done.returncode}: {done.stderr!r}")
    check(f" {len(frames)} frames written to full, then no more could be;" in done.stderr and
          frames, f"a full disk: the summary does not count the {len(frames)} frames: "
          f"{done.stderr!r}")
    check(all(f.endswith(".png") and is_whole_png(os.path.join(work, "full-copy", f))
              for f in frames), f"a full disk left a cut frame or a part: {frames}")


def killed_runs_leave_no_cut_frame(traffic, work):
    long_script = "KX508_PERIODIC(100000);\n"
    open(os.path.join(work, "long.scr"), "w").write(long_script)
    for n in range(5):
        folder = os.path.join(work, f"killed{n}")
        child = subprocess.Popen([traffic], cwd=work, stderr=subprocess.DEVNULL,
                                 env=environment(KX508_PLAY="long.scr", KX508_FRAMES=folder))
        # Killed once frames are being written, each run a little later into them.
        deadline = time.monotonic() + 60
        while not any(f.endswith(".png") for f in frames_in(folder)):
            check(time.monotonic() < deadline and child.poll() is None,
                  f"killed run {n}: no frame was written")
            time.sleep(0.01)
        time.sleep(0.02 * n)
        child.send_signal(signal.SIGKILL)
        child.wait()
        frames = [f for f in frames_in(folder) if f.endswith(".png")]
        check(all(is_whole_png(os.path.join(folder, f)) for f in frames),
              f"killed run {n} left a cut frame")


def runs_ended_from_outside(traffic, work):
    """SIGTERM, SIGINT or SIGHUP during a replay ends it where the script stopped: every frame
    whole, the last one written, the log closed, the summary said, status 3."""
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        folder = os.path.join(work, f"ended-{sig.name}")
        child = subprocess.Popen([traffic], cwd=work, stderr=subprocess.PIPE, text=True,
                                 env=environment(KX508_PLAY="long.scr", KX508_FRAMES=folder,
                                                 KX508_LOG=f"{folder}.log"))
        deadline = time.monotonic() + 60
        while len(frames_in(folder)) < 3:
            check(time.monotonic() < deadline and child.poll() is None,
                  f"{sig.name}: no frames were written")
            time.sleep(0.01)
        child.send_signal(sig)
        said = child.communicate(timeout=60)[1]
        check(child.returncode == 3, f"{sig.name}: status {child.returncode}: {said}")
        summary = re.search(r"\(stopped by " + sig.name + r"\); (\d+) frames written .*; "
                            r"the program ended where the script stopped", said)
        check(summary, f"{sig.name}: the summary says {said!r}")
        frames = frames_in(folder)
        check(len(frames) == int(summary.group(1)) and
              all(f.endswith(".png") and is_whole_png(os.path.join(folder, f)) for f in frames),
              f"{sig.name}: the frames are {frames}, the summary says {summary.group(1)}")


def two_runs_never_share_a_frames_folder(traffic, work):
    """Two replays started together into one new folder: one writes its frames, the other
    is refused before it writes any, whichever comes first."""
    alone = run(traffic, work, KX508_PLAY="run.scr", KX508_FRAMES="alone")
    check(alone.returncode == 0, f"a replay alone: status {alone.returncode}: {alone.stderr}")
    for n in range(12):
        folder = f"together{n}"
        runs = [subprocess.Popen([traffic], cwd=work, stderr=subprocess.PIPE, text=True,
                                 env=environment(KX508_PLAY="run.scr", KX508_FRAMES=folder))
                for _ in range(2)]
        ended = [(r.wait(timeout=120), r.stderr.read()) for r in runs]
        statuses = sorted(status for status, _ in ended)
        check(statuses == [0, 2], f"run {n}: two replays into one folder ended {ended}")
        refused = next(text for status, text in ended if status == 2)
        check("another run is writing frames into it" in refused or
              "it already holds frames" in refused, f"run {n}: refused with {refused!r}")
        check(frames_in(os.path.join(work, folder)) == frames_in(os.path.join(work, "alone")),
              f"run {n}: the folder holds {frames_in(os.path.join(work, folder))}")


def a_run_file_is_one_runs(traffic, work):
    """A second run that records into a run file being recorded is refused, and leaves the
    first run's file whole: the first replays what it recorded."""
    first = subprocess.Popen([traffic], cwd=work, stderr=subprocess.PIPE, text=True,
                             env=environment(KX508_PLAY="long.scr", KX508_RECORD="one.run"))
    deadline = time.monotonic() + 60
    def recorded_an_event():
        try:
            return "KX508_PERIODIC(" in open(os.path.join(work, "one.run")).read()
        except FileNotFoundError:
            return False
    while not recorded_an_event():
        check(time.monotonic() < deadline and first.poll() is None, "the first run records nothing")
        time.sleep(0.01)
    expect_refused(traffic, work, "a second run into one run file", "another run is recording",
                   KX508_PLAY="run.scr", KX508_RECORD="one.run")
    first.send_signal(signal.SIGTERM)
    first.communicate(timeout=60)
    with open(os.path.join(work, "one.run")) as f:
        recorded = f.read()
    check(re.fullmatch(r"KX508_RUN\(1\);\nKX508_CLIENT\(\d+,\d+\);\nKX508_PERIODIC\(\d+\);\n", recorded),
          f"the first run's file holds {recorded[:200]!r}")


def held_by_a_recorder(path):
    """Whether a run holds the lock every writer of the file takes (a byte-range lock on
    byte 2^62), asked without taking it."""
    try:
        fd = os.open(path, os.O_RDONLY)
    except FileNotFoundError:
        return False
    try:
        # struct flock: type, whence, start, length, pid
        asked = struct.pack("hh4xqqi4x", fcntl.F_WRLCK, os.SEEK_SET, 1 << 62, 1, 0)
        answer = fcntl.fcntl(fd, fcntl.F_GETLK, asked)
        return struct.unpack("hh4xqqi4x", answer)[0] != fcntl.F_UNLCK
    finally:
        os.close(fd)


def rgb_frames(picture, count):
    """The pictures of a file's frames, whole (a GIF's drawn one over the other)."""
    size = 601 * 540 * 3
    data = subprocess.run(["convert", picture, "-coalesce", "-depth", "8", "rgb:-"],
                          capture_output=True, check=True).stdout
    check(len(data) == size * count, f"{picture}: {len(data)} bytes of pixels, not {count} frames")
    return [data[i:i + size] for i in range(0, len(data), size)]


def a_replay_saved_as_a_gif(traffic, work):
    """KX508_GIF: every picture the replay showed for a tick or more, in order, each shown
    for the replay clock's time, and the end held a second; a full disk leaves none."""
    done = run(traffic, work, KX508_PLAY="run.scr", KX508_GIF="run.gif", KX508_FRAMES="for-gif")
    check(done.returncode == 0, f"a GIF: status {done.returncode}: {done.stderr}")
    found = re.search(r"GIF of (\d+) frames written to run.gif;", done.stderr)
    check(found, f"a GIF: the summary says {done.stderr!r}")
    shown = rgb_frames(os.path.join(work, "run.gif"), int(found.group(1)))
    frames = frames_in(os.path.join(work, "for-gif"))
    pngs = [rgb_frames(os.path.join(work, "for-gif", f), 1)[0] for f in frames]
    at = 0
    for n, picture in enumerate(shown):
        while at < len(pngs) and pngs[at] != picture:
            at += 1
        check(at < len(pngs), f"GIF frame {n} is none of the PNG frames after the one before")
    check(shown[-1] == pngs[-1] and len(shown) >= 40, "the GIF does not end with the last frame")
    delays = subprocess.run(["identify", "-format", "%T ", os.path.join(work, "run.gif")],
                            capture_output=True, text=True, check=True).stdout.split()
    check(sum(map(int, delays)) == 50 * 10 + 100,
          f"the GIF's delays add up to {sum(map(int, delays))} cs, not the script's 50 ticks and"
          f" the second the end is held")
    check(not os.path.exists(os.path.join(work, "run.gif.part")), "the GIF's part is left")

    os.mkdir(os.path.join(work, "small"))
    small_disk = ['unshare', '-rm', 'sh', '-c', 'mount -t tmpfs -o size=12k tmpfs small && '
                  '"$0"; status=$?; ls -A small; exit $status', traffic]
    done = subprocess.run(small_disk, cwd=work, capture_output=True, text=True, timeout=120,
                          env=environment(KX508_PLAY="run.scr", KX508_GIF="small/run.gif"))
    check(done.returncode == 3 and "no GIF is made" in done.stderr and
          "no GIF made at small/run.gif" in done.stderr and done.stdout == "",
          f"a GIF on a full disk: status {done.returncode}, left {done.stdout!r}: {done.stderr!r}")

    first = subprocess.Popen([traffic], cwd=work, stderr=subprocess.PIPE, text=True,
                             env=environment(KX508_PLAY="long.scr", KX508_GIF="long.gif"))
    deadline = time.monotonic() + 60
    while not held_by_a_recorder(os.path.join(work, "long.gif.part")):
        check(time.monotonic() < deadline and first.poll() is None, "the first GIF is not begun")
        time.sleep(0.01)
    expect_refused(traffic, work, "a second run making the same GIF", "another run is writing it",
                   KX508_PLAY="run.scr", KX508_GIF="long.gif")
    first.send_signal(signal.SIGTERM)
    said = first.communicate(timeout=60)[1]
    check(first.returncode == 3 and re.search(r"GIF of \d+ frames? written to long.gif", said),
          f"the first GIF, ended by SIGTERM: status {first.returncode}: {said!r}")


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
        files_that_cannot_be_used(traffic, work)
        refused_runs_leave_nothing_behind(traffic, work)
        a_log_into_a_pipe(traffic, work)
        runs_that_end_short(traffic, work)
        killed_runs_leave_no_cut_frame(traffic, work)
        runs_ended_from_outside(traffic, work)
        two_runs_never_share_a_frames_folder(traffic, work)
        a_run_file_is_one_runs(traffic, work)
        a_replay_saved_as_a_gif(traffic, work)
        frames = replays_are_the_same(traffic, diff, work)
        diff_finds_differences(diff, work, frames)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("replay command-line test passed")


main()
