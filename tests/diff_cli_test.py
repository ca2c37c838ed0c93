"""kx508-diff on input that is not a pair of frames: folder entries that are not pictures,
nothing to compare, a missing argument, huge or mismatched pictures, and an -o that is
a device, an input or a full file. Each gives one line and its status, without hanging.
-o may come anywhere; --help and --version print to standard output."""
import os
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import zlib

from cli_checks import report


def write_png(path, width, height, red_at=None, data=None):
    """A white RGB picture, one pixel red; data replaces the pixels (a header that lies)."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    if data is None:
        rows = [bytearray(b"\0" + b"\xff" * 3 * width) for _ in range(height)]
        if red_at:
            x, y = red_at
            rows[y][1 + 3 * x + 1:1 + 3 * x + 3] = b"\0\0"
        data = zlib.compress(b"".join(rows))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) +
                chunk(b"IEND", b""))


def make_inputs(work):
    os.chdir(work)
    write_png("one.png", 8, 8)
    write_png("two.png", 8, 8, red_at=(3, 5))
    os.link("two.png", "also-two.png")
    for name in ("big.png", "big2.png"):  # 16000 x 16000 claimed, in a few bytes
        write_png(name, 16000, 16000, data=zlib.compress(b"\0" * 1000))
    os.mkdir("frames")
    write_png("frames/000001.png", 8, 8)
    odd = {"loop": lambda p: os.symlink(os.path.basename(p), p), "fifo": os.mkfifo,
           "dangling": lambda p: os.symlink("nowhere.png", p), "folder": os.mkdir}
    for name, make in odd.items():
        shutil.copytree("frames", name)
        make(f"{name}/000002.png")
    os.mkdir("empty1")
    os.mkdir("empty2")


def fsize_limit():
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # a write past the limit fails with EFBIG
    resource.setrlimit(resource.RLIMIT_FSIZE, (16, 16))


def odd_frame(name, why):
    return (["frames", name], 2, "", [f"kx508-diff: {name}/000002.png: {why}; not compared"])


# What is run, its status, and its whole output: standard output, then standard error.
CASES = {
    "a link loop named *.png": odd_frame("loop", "Too many levels of symbolic links"),
    "a FIFO named *.png": odd_frame("fifo", "a FIFO"),
    "a dangling link named *.png": odd_frame("dangling", "a link to nothing"),
    "a folder named *.png": odd_frame("folder", "a folder"),
    "two empty folders": (["empty1", "empty2"], 2, "",
                          ["kx508-diff: nothing to compare: no frames (*.png) in empty1 or empty2"]),
    "a missing folder": (["frames", "gone"], 2, "", ["kx508-diff: gone is missing"]),
    "pictures too big": (["big.png", "big2.png"], 2, "",
                         ["kx508-diff: big.png: 16000 x 16000 pixels, more than the 4096 x 4096 compared"]),
    # Decoding the lying header would fail: the sizes come from the headers alone.
    "sizes that differ": (["one.png", "big.png"], 1, "one.png: sizes differ: 8x8 and 16000x16000\n", []),
    "-o a device": (["one.png", "two.png", "-o", "/dev/full"], 2, "",
                    ["kx508-diff: -o /dev/full is a device, not a regular file"]),
    "-o in a missing folder": (["one.png", "two.png", "-o", "gone/d.png"], 2, "",
                               ["kx508-diff: -o gone/d.png: there is no folder gone"]),
    "-o an input under another name": (
        ["one.png", "two.png", "-o", "also-two.png"], 2, "",
        ["kx508-diff: -o also-two.png is the same file as two.png, which is compared"]),
    "-o a new frame in an input folder": (
        ["frames", "frames", "-o", "frames/d.png"], 2, "",
        ["kx508-diff: -o frames/d.png would be a frame in frames"]),
    "-o a file that cannot grow": (
        ["one.png", "two.png", "-o", "d.png"], 2, "one.png: 1 of 64 pixels differ\n",
        ["kx508-diff: the picture of the difference was not written to d.png: File too large"]),
    "a difference written": (["one.png", "two.png", "-o", "d.png"], 1,
                             "one.png: 1 of 64 pixels differ\ndifference written to d.png\n", []),
    "the picture written reads back": (["d.png", "d.png", "-o", "e.png"], 0, "the same\n", []),
    "-o first": (["-o", "f.png", "one.png", "two.png"], 1,
                 "one.png: 1 of 64 pixels differ\ndifference written to f.png\n", []),
    "-o twice": (["one.png", "-o", "f.png", "two.png", "-o", "g.png"], 2, "", "usage"),
    "--version": (["--version"], 0, "version", []),
    "--help": (["--help"], 0, "usage", []),
}


def main():
    diff = sys.argv[1]
    work = tempfile.mkdtemp(prefix="kx508-diff-")
    failures = []
    try:
        make_inputs(work)
        before = open("two.png", "rb").read()
        for what, (args, status, out, err) in CASES.items():
            limit = fsize_limit if what == "-o a file that cannot grow" else None
            try:
                done = subprocess.run([diff] + args, capture_output=True, text=True, timeout=30,
                                      preexec_fn=limit)
            except subprocess.TimeoutExpired:
                failures.append(f"{what}: still running after 30 s")
                continue
            # "usage" and "version" stand for the usage lines and the version line.
            got_out = {"usage": done.stdout.startswith("usage: kx508-diff A B"),
                       "version": re.fullmatch(r"kx508-diff \d+\.\d+(\.\d+)?\n", done.stdout)
                       }.get(out, done.stdout == out)
            got_err = done.stderr.startswith("usage: kx508-diff A B") if err == "usage" else \
                done.stderr.splitlines() == err
            if done.returncode != status or not got_out or not got_err:
                failures.append(f"{what}: status {done.returncode} (expected {status}), "
                                f"out {done.stdout!r}, err {done.stderr!r}")
            if limit and any(name.startswith("d.png") for name in os.listdir(".")):
                failures.append(f"{what}: a cut d.png was left")
        if open("two.png", "rb").read() != before:
            failures.append("two.png was written over")
    finally:
        os.chdir("/")
        shutil.rmtree(work, ignore_errors=True)
    report(failures)
    print(f"kx508-diff hostile input test passed ({len(CASES)} cases)")


main()
