"""kx508-grade against a class of hostile programs, built from their sources by the tool
against the library installed in a temporary prefix: each gets its own result, the
expected run and the teacher's files are unchanged, and no process is left behind."""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

from cli_checks import check, fail

SCRIPT = "KX508_PERIODIC(30);\n"
SANITIZE = []  # the flags a sanitized library's programs need (the test build's)

# Each program's macro (None: it does not compile), and the start of the result it must get.
CLASS = {
    "correct": ("", "passed"),
    "wrong_colour": ("WRONG_COLOUR", "differs at frame 20 (after line 1 of run.scr"),
    "crash": ("CRASH", "crashed (SIGSEGV)"),
    # The wall-clock limit is far above the CPU limit, so that on a loaded machine the
    # program that spins still reaches its CPU limit first.
    "spin": ("SPIN", "exceeded the CPU time limit (2 s)"),
    "sleeper": ("SLEEP", "exceeded the time limit (30 s)"),
    "flood": ("FLOOD", "exceeded the file size limit (16 MiB)"),
    "filler": ("FILLER", "exceeded the disk space limit (32 MiB)"),
    "shouter": ("SHOUT", "ended with status 9"),
    # The kernel exempts root from the process limit; the tool then counts, and says so.
    "forker": ("FORKER", "exceeded the process limit (16)" if os.geteuid() == 0 else "ended with status 5"),
    "orphan": ("ORPHAN", "passed"),
    "vandal": ("VANDAL_TARGET", "passed"),
    "broken": (None, "failed to build: "),
}


def digest(folder):
    h = hashlib.sha256()
    for name in sorted(os.listdir(folder)):
        h.update(name.encode() + open(os.path.join(folder, name), "rb").read())
    return h.hexdigest()


def leftovers():
    """Processes of the class still alive: the programs the tool builds are all "program"."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            name = open(f"/proc/{pid}/comm").read().strip()
        except OSError:
            continue
        if name in ("program", "kx508-orphan"):
            found.append(f"{pid} {name}")
    return found


def write_class(work, student, expected):
    sources = os.path.join(work, "class")
    os.mkdir(sources)
    for name, (macro, _) in CLASS.items():
        if macro is None:
            text = '#include "kx508.h"\nint app::main() { return undeclared_thing; }\n'
        else:
            value = f' "{expected}"' if macro == "VANDAL_TARGET" else ""
            text = (f"#define {macro}{value}\n" if macro else "") + f'#include "{student}"\n'
        open(os.path.join(sources, name + ".cpp"), "w").write(text)
    return sources


def install(build, prefix, env):
    """The library as a user installs it; the environment that finds it with pkg-config."""
    subprocess.run(["cmake", "--install", build, "--prefix", prefix, "--component", "dev"],
                   check=True, capture_output=True)
    pc = [root for root, _, files in os.walk(prefix) if "kx508.pc" in files]
    return dict(env, PKG_CONFIG_PATH=pc[0], CXXFLAGS=" ".join(SANITIZE),
                ASAN_OPTIONS="detect_leaks=0:handle_segv=0")


def make_expected_run(student, env):
    """The teacher's part: the reference program, and its expected run of run.scr."""
    open("run.scr", "w").write(SCRIPT)
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "kx508"], env=env, check=True,
                           capture_output=True, text=True).stdout.split()
    subprocess.run(["c++", "-std=c++20", student, "-o", "reference", *SANITIZE, *flags], check=True)
    os.makedirs("expected/run")
    subprocess.run(["./reference"], check=True, capture_output=True, env=dict(
        env, KX508_PLATFORM="headless", KX508_PLAY="run.scr", KX508_FRAMES="expected/run",
        KX508_LOG="expected/run/log.txt"))


def check_results(done, sources):
    check(done.returncode == 1, f"status {done.returncode}, expected 1: {done.stdout}{done.stderr}")
    rows = {line.split()[0]: line for line in done.stdout.splitlines() if line.startswith(sources)}
    for name, (_, result) in CLASS.items():
        _, _, got = rows.get(os.path.join(sources, name + ".cpp"), "").partition("run.scr  ")
        check(got.startswith(result), f"{name}: {got!r}, expected {result!r}\n{done.stdout}{done.stderr}")
    broken = rows[os.path.join(sources, "broken.cpp")]
    check("error" in broken, f"the build failure names no error: {broken}")


def check_reports():
    """The page carries the one picture of a difference and a program's output as text; the
    XML (which a control byte would spoil) counts every run."""
    page = open("reports/report.html").read()
    check(page.count("data:image/png;base64,") == 1, "report.html: not one picture of a difference")
    check("<script" not in page and "&lt;script&gt;alert(&#39;kx508&#39;)&lt;/script&gt;? &amp; more" in page,
          "report.html: a program's output is not shown as text")
    suites = ET.parse("reports/report.xml").getroot()
    check(suites.get("tests") == str(len(CLASS)) and suites.get("failures") == "9",
          f"report.xml: {suites.attrib}")


def command_line(grade, env):
    """--help and --version print to standard output; mistakes give status 2 and a usage line."""
    for args, starts in ((["--help"], "usage: kx508-grade"), (["--version"], "kx508-grade 0.")):
        done = subprocess.run([grade, *args], env=env, capture_output=True, text=True, timeout=30)
        check(done.returncode == 0 and done.stdout.startswith(starts) and not done.stderr,
              f"{args}: status {done.returncode}: {done.stdout!r} {done.stderr!r}")
    given = ["--expected", "expected", "--script", "run.scr"]
    for args, says in ((given, "no program to grade"), (["--bogus"], "unknown option --bogus"),
                       (given + ["-j", "x", "reference"], "-j x: not a number"),
                       (["--expected", "nowhere", "--script", "run.scr", "reference"],
                        "no expected run for run.scr: nowhere/run holds no frames")):
        done = subprocess.run([grade, *args], env=env, capture_output=True, text=True, timeout=30)
        lines = done.stderr.splitlines()
        check(done.returncode == 2 and len(lines) == 2 and says in lines[0] and
              lines[1].startswith("usage: kx508-grade"), f"{args}: {done.returncode} {done.stderr!r}")


def memory_limit(grade, env):
    """A program that takes memory until it fails, given as an executable, options given
    in a manifest: the memory limit ends it (no sanitizer: it needs the address space)."""
    open("hog.cpp", "w").write("#include <vector>\nint main() { std::vector<std::vector<char>> v;\n"
                               "  for (;;) v.emplace_back(64 << 20, 1); }\n")
    subprocess.run(["c++", "hog.cpp", "-o", "hog"], check=True)
    open("grading.txt", "w").write("# the class's options\n--expected expected\n--script run.scr\n"
                                   "--memory 256\n--out hog-reports\nhog\n")
    done = subprocess.run([grade, "--manifest", "grading.txt"], env=env, capture_output=True,
                          text=True, timeout=60)
    check(done.returncode == 1 and "exceeded the memory limit (256 MiB)" in done.stdout,
          f"a memory hog: status {done.returncode}: {done.stdout}{done.stderr}")


def main():
    grade, build, student = (os.path.abspath(a) for a in sys.argv[1:4])
    if sys.argv[4] == "ON":
        SANITIZE.append("-fsanitize=address,undefined")
    work = tempfile.mkdtemp(prefix="kx508-grade-test-")
    try:
        env = install(build, os.path.join(work, "prefix"), dict(os.environ, TMPDIR=work))
        os.chdir(work)
        make_expected_run(student, env)
        before = digest("expected/run")
        sources = write_class(work, student, os.path.abspath("expected/run"))
        started = time.monotonic()
        done = subprocess.run([grade, "--expected", "expected", "--script", "run.scr", "-j", "2",
                               "--time", "30", "--cpu", "2", "--file-size", "16", "--memory", "0", "--processes", "16", "--disk", "32",
                               "--out", "reports",
                               *[os.path.join(sources, name + ".cpp") for name in CLASS]],
                              env=env, capture_output=True, text=True, timeout=240)
        took = time.monotonic() - started
        check_results(done, sources)
        check(digest("expected/run") == before, "the expected run was changed")
        check(leftovers() == [], f"processes left behind: {leftovers()}")
        check(not [n for n in os.listdir(work) if n.startswith("kx508-grade-")],
              "the tool's temporary folder was left")
        check_reports()
        command_line(grade, env)
        memory_limit(grade, env)
    finally:
        os.chdir("/")
        shutil.rmtree(work, ignore_errors=True)
    print(f"kx508-grade test passed: {len(CLASS)} programs graded in {took:.1f} s")


if __name__ == "__main__":
    main()
