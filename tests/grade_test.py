"""kx508-grade against a class of hostile programs, built from their sources by the tool
against the library installed in a temporary prefix: each gets its own result, the
expected run and the teacher's files are unchanged, and no process is left behind. The
verdict is the grader's: a program that says it matched, or checks itself against its own
frames, differs; differences are placed in the script as the library places them; a program
that draws from the real clock is told it draws differently on every run; names and
compilers' words reach the terminal and the reports escaped. A class scored with points, a
hidden script and partial credit gets the same totals in every results file, in the forms
their schemas give, and each student's report holds its own results only."""
import base64
import csv
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

from cli_checks import check, fail

SCRIPT = "KX508_PERIODIC(30);\n"
SANITIZE = []  # the flags a sanitized library's programs need (the test build's)

UNSTEADY = ("draws differently on every run: it uses a clock or randomness that is not the "
            "library's (KX508_time, KX508_rand)")
# The first place a program that draws differently every run differs: where it first draws.
AT_FRAME_2 = "differs at frame 2 (after line 1 of run.scr: KX508_PERIODIC(30);): "

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
    # It prints the library's words for a match and ends with 0, after 5 of the 31 frames.
    "liar": ("LIAR", "differs: it ended after 5 frames, the expected run has 31"),
    # It replays itself into frames of its own, then again against them, writing none here.
    "self_checker": ("SELF_EXPECT", "differs: it ended after 0 frames, the expected run has 31"),
    # The kernel exempts root from the process limit; the tool then counts, and says so.
    # The limit is the run's, root's too: its control group's.
    "forker": ("FORKER", "exceeded the process limit (16)"),
    "orphan": ("ORPHAN", "passed"),
    "vandal": ("VANDAL_TARGET", "passed"),
    "broken": (None, "failed to build: "),
    # Its first run differs at frame 2, and so does its second from its first.
    "clock": ("OWN_CLOCK", UNSTEADY),
}


def digest(folder):
    h = hashlib.sha256()
    for name in sorted(os.listdir(folder)):
        h.update(name.encode() + open(os.path.join(folder, name), "rb").read())
    return h.hexdigest()


def leftovers(work):
    """Processes of the class still alive: the programs the tool builds are all "program",
    started from under the test's folder (other gradings on the machine have their own)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            name = open(f"/proc/{pid}/comm").read().strip()
            command = open(f"/proc/{pid}/cmdline", "rb").read()
        except OSError:
            continue
        if name in ("program", "kx508-orphan") and command.startswith(work.encode() + b"/"):
            found.append(f"{pid} {name}")
    return found


def source(student, *macros):
    """A submission: the student's program with the macros that make it misbehave, in one
    file (a run sees only its own files, so it may not include the test's)."""
    return "".join(f"#define {m}\n" for m in macros) + open(student).read()


def write_class(work, student, expected):
    sources = os.path.join(work, "class")
    os.mkdir(sources)
    for name, (macro, _) in CLASS.items():
        if macro is None:
            text = '#include "kx508.h"\nint app::main() { return undeclared_thing; }\n'
        else:
            text = source(student, *([f'{macro} "{expected}"'] if macro == "VANDAL_TARGET" else
                                     [macro] if macro else []))
        open(os.path.join(sources, name + ".cpp"), "w").write(text)
    return sources


def install(build, prefix, env):
    """The library as a user installs it; the environment that finds it with pkg-config."""
    subprocess.run(["cmake", "--install", build, "--prefix", prefix, "--component", "dev"],
                   check=True, capture_output=True)
    pc = [root for root, _, files in os.walk(prefix) if "kx508.pc" in files]
    return dict(env, PKG_CONFIG_PATH=pc[0], CXXFLAGS=" ".join(SANITIZE),
                ASAN_OPTIONS="detect_leaks=0:handle_segv=0")


def build(text, program, env):
    """A program built as a teacher builds one, with pkg-config."""
    open(program + ".cpp", "w").write(text)
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "kx508"], env=env, check=True,
                           capture_output=True, text=True).stdout.split()
    subprocess.run(["c++", "-std=c++20", program + ".cpp", "-o", program, *SANITIZE, *flags],
                   check=True)
    return os.path.abspath(program)


def record(program, play, folder, env):
    """An expected run: an ordinary replay of the reference program into folder."""
    os.makedirs(folder)
    subprocess.run([program], check=True, capture_output=True, env=dict(
        env, KX508_PLATFORM="headless", KX508_PLAY=play, KX508_FRAMES=folder,
        KX508_LOG=os.path.join(folder, "log.txt")))


def make_expected_run(student, env):
    """The teacher's part: the reference program, and its expected run of run.scr."""
    open("run.scr", "w").write(SCRIPT)
    record(build(source(student), "reference", env), "run.scr", "expected/run", env)


def result_of(done, program, script):
    """The table's result for a program and a script, or None."""
    for line in done.stdout.splitlines():
        rest = line[len(program):].lstrip() if line.startswith(program) else ""
        if rest.startswith(script + "  "):
            return rest[len(script):].strip()
    return None


def check_results(done, sources):
    check(done.returncode == 1, f"status {done.returncode}, expected 1: {done.stdout}{done.stderr}")
    for name, (_, result) in CLASS.items():
        got = result_of(done, os.path.join(sources, name + ".cpp"), "run.scr") or ""
        check(got.startswith(result), f"{name}: {got!r}, expected {result!r}\n{done.stdout}{done.stderr}")
    broken = result_of(done, os.path.join(sources, "broken.cpp"), "run.scr")
    check(re.search(r"error: .undeclared_thing. was not declared", broken), f"the build failure: {broken}")


def same_words_as_the_library(done, sources, env):
    """The grader says a difference in the words the library's own KX508_EXPECT says it."""
    wrong = build(open(os.path.join(sources, "wrong_colour.cpp")).read(), "wrong", env)
    itself = subprocess.run([wrong], capture_output=True, text=True, env=dict(
        env, KX508_PLATFORM="headless", KX508_PLAY="run.scr", KX508_EXPECT="expected/run",
        KX508_EXPECT_DIFF="wrong.png"))
    said = re.search(r"KX508: differs from the expected run( at frame .*); picture", itself.stderr)
    graded = result_of(done, os.path.join(sources, "wrong_colour.cpp"), "run.scr")
    check(said and graded == "differs" + said.group(1),
          f"the library says {itself.stderr!r}, the grader {graded!r}")


def check_reports():
    """The page carries the one picture of a difference and a program's output as text, its
    control bytes escaped, a flood of it cut and said so; the XML (which a control byte
    would spoil) counts every run, differences as failures and the rest as errors."""
    page = open("reports/report.html").read()
    check(page.count("data:image/png;base64,") == 2, "report.html: not two pictures of differences")
    check("<script" not in page and
          r"&lt;script&gt;alert(&#39;kx508&#39;)&lt;/script&gt;\x01 &amp; more" in page,
          "report.html: a program's output is not shown as text")
    check(re.search(r"Standard output, 16777216 bytes, cut: the last \d+ shown:", page),
          "report.html: the flood's output is not said to be cut")
    suites = ET.parse("reports/report.xml").getroot()
    drew = ("differs", "draws differently")
    failures = sum(result.startswith(drew) for _, result in CLASS.values())
    errors = sum(not result.startswith((*drew, "passed")) for _, result in CLASS.values())
    check(suites.get("tests") == str(len(CLASS)) and suites.get("failures") == str(failures) and
          suites.get("errors") == str(errors), f"report.xml: {suites.attrib}")
    clock = [case.find("failure") for case in suites.iter("testcase")
             if case.get("classname").endswith("clock.cpp")][0]
    lines = clock.text.splitlines()
    check(clock.get("type") == "draws differently" and len(lines) == 2 and
          lines[0].startswith("run 1, against the expected run: " + AT_FRAME_2) and
          lines[1].startswith("run 2, against run 1: " + AT_FRAME_2),
          f"report.xml: the clock's two runs are not both said: {clock.attrib} {clock.text!r}")


def paths_and_places(grade, student, env):
    """Expected runs made with the script named by an absolute path and by scripts/rel.scr
    grade the reference program as passed; in a run with a reply and a visible area, a
    difference is placed after the area's line, the line played last."""
    os.mkdir("scripts")
    for name in ("abs.scr", "scripts/rel.scr"):
        open(name, "w").write(SCRIPT)
    open("asks.scr", "w").write('KX508_RUN(1);\nKX508_PERIODIC(3);\nKX508_GETS("Ada");\n'
                                'KX508_AREA(-300,-269,300,270);\nKX508_PERIODIC(27);\n')
    asker = build(source(student, "ASKS"), "asker", env)
    build(source(student, "ASKS", "WRONG_AFTER_ASKING"), "asker_wrong", env)
    for play, folder in ((os.path.abspath("abs.scr"), "paths/abs"), ("scripts/rel.scr", "paths/rel"),
                         ("asks.scr", "paths/asks")):
        record(asker, play, folder, env)
    done = subprocess.run([grade, "--expected", "paths", "--script", "abs.scr", "--script",
                           "scripts/rel.scr", "--script", "asks.scr", "-j", "2", "--env", "ASAN_OPTIONS",
                           "--out", "paths-reports", "asker.cpp", "asker_wrong.cpp"],
                          env=env, capture_output=True, text=True, timeout=240)
    wanted = {("asker.cpp", "abs.scr"): "passed", ("asker.cpp", "rel.scr"): "passed",
              ("asker.cpp", "asks.scr"): "passed",
              ("asker_wrong.cpp", "rel.scr"):
                  "differs at frame 4 (after line 1 of rel.scr: KX508_PERIODIC(30);): ",
              ("asker_wrong.cpp", "asks.scr"):
                  "differs at frame 4 (after line 4 of asks.scr: KX508_AREA(-300,-269,300,270);): "}
    for (program, script), result in wanted.items():
        got = result_of(done, program, script) or ""
        check(got.startswith(result), f"{program} on {script}: {got!r}, expected {result!r}\n"
                                      f"{done.stdout}{done.stderr}")


def names_and_builds(grade, student, env):
    """Names with a terminal's escape sequences or a newline stay one escaped row each, and
    nothing raw reaches the terminal or any file written; each gets a folder of its own,
    names alike but for case too; #include "/dev/zero" fails to build; of 10,000 errors the
    first is shown."""
    os.mkdir("named")
    programs = {"\x1b[2J\x1b[32mALL PASSED\x1b[0m.cpp": source(student),
                "two\nlines.cpp": source(student), "zero.cpp": '#include "/dev/zero"\n',
                "errors.cpp": "".join(f"int e{i} = undeclared{i};\n" for i in range(10000)),
                "Zero.cpp": "int broken = ;\n"}
    for name, text in programs.items():
        open(os.path.join("named", name), "w").write(text)
    done = subprocess.run([grade, "--expected", "expected", "--script", "run.scr", "-j", "2",
                           "--env", "ASAN_OPTIONS", "--out", "named-reports",
                           *[os.path.join("named", name) for name in programs]],
                          env=env, capture_output=True, timeout=240)
    out = done.stdout.decode("utf-8", "replace")
    check(not re.search(r"[\x00-\x09\x0b-\x1f\x7f]", out) and len(out.splitlines()) == 2 + len(programs),
          f"the table is not one escaped row a program: {out!r}")
    done = subprocess.CompletedProcess(done.args, done.returncode, out, "")
    wanted = {r"named/\x1B[2J\x1B[32mALL PASSED\x1B[0m.cpp": r"passed",
              r"named/two\nlines.cpp": r"passed",
              "named/zero.cpp": r"failed to build: (?!.*could not be run)",
              "named/errors.cpp": r"failed to build: errors.cpp:1:10: error: .undeclared0. "}
    for program, result in wanted.items():
        got = result_of(done, program, "run.scr") or ""
        check(re.match(result, got), f"{program}: {got!r}, expected {result!r}\n{out}")
    for root, _, names in os.walk("named-reports"):
        for report in (os.path.join(root, n) for n in names if not n.endswith(".png")):
            check(b"\x1b" not in open(report, "rb").read(), f"{report} holds an escape byte")
    ET.parse("named-reports/report.xml")
    folders = sorted(os.listdir("named-reports/students"))
    check(folders == ["%1B%5B2J%1B%5B32mALL%20PASSED%1B%5B0m", "Zero+2", "errors", "two%0Alines", "zero"],
          f"the students' folders: {folders}")


# A class scored: run.scr is worth 2 points in part, hidden.scr 3 and hidden, plain.scr 1,
# all or nothing. Each program, its macros (None: it does not compile) and its points a script.
SCORED = {
    "=alice.cpp": ([], (2, 3, 1)),
    "bob.cpp": (["WRONG_COLOUR"], (1.22, 0, 0)),  # differs at frame 20 of 31: 2 * 19/31
    "erin.cpp": (["WRONG_AFTER_ASKING"], (0.19, 0, 0)),  # at frame 4: 2 * 3/31
    "carol.cpp": (None, (0, 0, 0)),
    "dave.cpp": (["SHOUT"], (0, 0, 0)),
}
SCRIPTS = ("run.scr", "hidden.scr", "plain.scr")


def check_scores_files(out):
    """results.json (each student's, and the class's holding them all) in the documented
    form of the platforms' autograder results, grades.csv and report.xml agree on every
    score; build failures and statuses are JUnit errors, differences failures."""
    import jsonschema
    schema = json.load(open(os.path.join(os.path.dirname(__file__), "grade", "results.schema.json")))
    whole = json.load(open(os.path.join(out, "results.json")))
    check(len(whole["students"]) == len(SCORED), f"results.json: {len(whole['students'])} students")
    for submission in whole["students"]:
        name = submission["extra_data"]["student"]
        own = json.load(open(os.path.join(out, submission["extra_data"]["folder"], "results.json")))
        for results in (submission, own):
            jsonschema.validate(results, schema)
            wanted = SCORED[name][1]
            check([t["score"] for t in results["tests"]] == list(wanted) and
                  results["score"] == round(sum(wanted), 2), f"{name}: results.json {results}")
        check(own["tests"][1] == {"name": "hidden.scr", "score": wanted[1], "max_score": 3,
                                  "status": "passed" if wanted[1] else "failed",
                                  "output": f"run, {wanted[1]} of 3 points", "visibility": "hidden"},
              f"{name}: its own results.json shows a hidden script: {own['tests'][1]}")
    rows = list(csv.reader(open(os.path.join(out, "grades.csv"), newline="")))
    check(rows[0] == ["student", *SCRIPTS, "total"], f"grades.csv: {rows[0]}")
    check({row[0]: [float(v) for v in row[1:]] for row in rows[1:]} ==
          {("'" + n if n[0] in "=+-@" else n): [*w, round(sum(w), 2)] for n, (_, w) in SCORED.items()},
          f"grades.csv: {rows}")
    xml = os.path.join(out, "report.xml")
    valid = subprocess.run(["xmllint", "--noout", "--schema",
                            os.path.join(os.path.dirname(__file__), "grade", "junit.xsd"), xml],
                           capture_output=True, text=True)
    check(valid.returncode == 0, f"report.xml is not JUnit's form: {valid.stderr}")
    suites = {s.get("name"): s for s in ET.parse(xml).getroot()}
    for name, failures, errors in (("bob.cpp", 3, 0), ("carol.cpp", 0, 3), ("dave.cpp", 0, 3)):
        got = (suites[name].get("failures"), suites[name].get("errors"))
        check(got == (str(failures), str(errors)), f"report.xml: {name} {got}")


def check_own_report(out):
    """bob's report holds bob's results only: its two pictures, its commands and none of the
    hidden script's, and nothing of the other students' names, output or pictures."""
    folder = os.path.join(out, "students", "bob")
    page = open(os.path.join(folder, "report.html")).read()
    check(page.count("data:image/png;base64,") == 2 and "KX508_PLAY=run.scr KX508_EXPECT=expected/run ./bob" in page and
          "KX508_PLAY=hidden.scr" not in page and "run (hidden)" in page and "0 of 3" in page,
          "students/bob/report.html: not bob's two pictures and commands, the hidden one's points")
    check(sorted(os.listdir(folder)) == ["plain.png", "report.html", "results.json", "run.png"],
          f"students/bob: {os.listdir(folder)}")
    erin = base64.b64encode(open(os.path.join(out, "students", "erin", "run.png"), "rb").read()).decode()
    erin = erin[len(erin) // 8 * 4:][:200]  # past the header every picture shares
    text = re.sub(r"base64,[A-Za-z0-9+/=]+", "", page)  # where any word may occur by chance
    for other in ("alice.cpp", "carol.cpp", "dave.cpp", "erin.cpp", "undeclared_thing", "alert("):
        check(other not in text, f"students/bob/report.html holds another student's {other!r}")
    check(erin not in page, "students/bob/report.html holds erin's picture")
    check(os.path.isdir(os.path.join(out, "students", "%3Dalice")), f"{os.listdir(out + '/students')}")


def scores(grade, student, env):
    """A class scored with points, a hidden script and partial credit."""
    os.mkdir("scored")
    for name, (macros, _) in SCORED.items():
        text = ('#include "kx508.h"\nint app::main() { return undeclared_thing; }\n' if macros is None
                else source(student, *macros))
        open(os.path.join("scored", name), "w").write(text)
    reference = os.path.abspath("reference")
    for script in SCRIPTS:
        open(os.path.join("scored", script), "w").write(SCRIPT)
        record(reference, os.path.join("scored", script), os.path.join("scored", "expected", script[:-4]),
               env)
    open("scored/grading.txt", "w").write("--script run.scr\n--points 2\n--partial\n"
                                          "--script hidden.scr\n--points 3\n--hidden\n"
                                          "--script plain.scr\n")
    done = subprocess.run([grade, "--expected", "expected", "--manifest", "grading.txt", "-j", "2",
                           "--env", "ASAN_OPTIONS", "--out", "out", *SCORED],
                          cwd="scored", env=env, capture_output=True, text=True, timeout=240)
    check(done.returncode == 1, f"scored: status {done.returncode}: {done.stdout}{done.stderr}")
    check_scores_files("scored/out")
    check_own_report("scored/out")
    shards(grade, done.args, env)


def shards(grade, whole, env):
    """The class graded in two shards and merged gives the whole grading's grades.csv byte
    for byte, and its scores and folders; a shard missing or given twice is refused."""
    for k in (1, 2):
        args = [a if a != "out" else f"out-{k}" for a in whole] + ["--shard", f"{k}/2"]
        done = subprocess.run(args, cwd="scored", env=env, capture_output=True, text=True, timeout=240)
        check(done.returncode in (0, 1) and os.listdir(f"scored/out-{k}/students"),
              f"shard {k}/2: status {done.returncode}: {done.stdout}{done.stderr}")
    merge = [grade, "merge"]
    done = subprocess.run(merge + ["merged", "out-2", "out-1"], cwd="scored", capture_output=True, text=True)
    check(done.returncode == 1, f"merge: status {done.returncode}: {done.stdout}{done.stderr}")
    read = lambda out, name: open(os.path.join("scored", out, name), "rb").read()
    check(read("merged", "grades.csv") == read("out", "grades.csv"),
          f"merged grades.csv:\n{read('merged', 'grades.csv')}\nwhole:\n{read('out', 'grades.csv')}")
    scored = lambda out: [(s["extra_data"]["folder"], [t["score"] for t in s["tests"]])
                          for s in json.loads(read(out, "results.json"))["students"]]
    check(scored("merged") == scored("out"), f"merged results.json: {scored('merged')}")
    check(sorted(os.listdir("scored/merged/students")) == sorted(os.listdir("scored/out/students")),
          f"merged students: {os.listdir('scored/merged/students')}")
    for shards, said in ((["out-1"], "is a shard missing"), (["out-1", "out-1", "out-2"], "given twice")):
        done = subprocess.run(merge + ["refused", *shards], cwd="scored", capture_output=True, text=True)
        check(done.returncode == 2 and said in done.stderr, f"merge {shards}: {done.returncode} {done.stderr}")


def repeat_off(grade, sources, env):
    """With --repeat 1 each program runs each script once: the program that draws from the
    clock gets a plain difference."""
    done = subprocess.run([grade, "--expected", "expected", "--script", "run.scr", "--repeat", "1",
                           "--env", "ASAN_OPTIONS", "--out", "once-reports",
                           os.path.join(sources, "clock.cpp")],
                          env=env, capture_output=True, text=True, timeout=120)
    got = result_of(done, os.path.join(sources, "clock.cpp"), "run.scr") or ""
    check(done.returncode == 1 and got.startswith(AT_FRAME_2),
          f"--repeat 1: status {done.returncode}, {got!r}\n{done.stdout}{done.stderr}")


def command_line(grade, env):
    """--help and --version print to standard output; mistakes give status 2 and a usage line."""
    for args, starts in ((["--help"], "usage: kx508-grade"), (["--version"], "kx508-grade 0.")):
        done = subprocess.run([grade, *args], env=env, capture_output=True, text=True, timeout=30)
        check(done.returncode == 0 and done.stdout.startswith(starts) and not done.stderr,
              f"{args}: status {done.returncode}: {done.stdout!r} {done.stderr!r}")
    given = ["--expected", "expected", "--script", "run.scr"]
    for args, says in ((given, "no program to grade"), (["--bogus"], "unknown option --bogus"),
                       (given + ["-j", "x", "reference"], "-j x: not a number"),
                       (given + ["--repeat", "0", "reference"], "--repeat 0: give a whole number of runs, 1 to 100"),
                       (["--expected", "nowhere", "--script", "run.scr", "reference"],
                        "no expected run for run.scr: nowhere/run holds no frames")):
        done = subprocess.run([grade, *args], env=env, capture_output=True, text=True, timeout=30)
        lines = done.stderr.splitlines()
        check(done.returncode == 2 and len(lines) == 3 and says in lines[0] and
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
    os.chmod(work, 0o755)  # the runs' user (nobody, when root grades) reads the library here
    try:
        env = install(build, os.path.join(work, "prefix"), dict(os.environ, TMPDIR=work))
        os.chdir(work)
        make_expected_run(student, env)
        before = digest("expected/run")
        sources = write_class(work, student, os.path.abspath("expected/run"))
        started = time.monotonic()
        done = subprocess.run([grade, "--expected", "expected", "--script", "run.scr", "-j", "2",
                               "--time", "30", "--cpu", "2", "--file-size", "16", "--env", "ASAN_OPTIONS", "--processes", "16", "--disk", "32",
                               "--out", "reports",
                               *[os.path.join(sources, name + ".cpp") for name in CLASS]],
                              env=env, capture_output=True, text=True, timeout=240)
        took = time.monotonic() - started
        check_results(done, sources)
        check(digest("expected/run") == before, "the expected run was changed")
        check(leftovers(work) == [], f"processes left behind: {leftovers(work)}")
        check(not [n for n in os.listdir(work) if n.startswith("kx508-grade-")],
              "the tool's temporary folder was left")
        check_reports()
        same_words_as_the_library(done, sources, env)
        paths_and_places(grade, student, env)
        repeat_off(grade, sources, env)
        names_and_builds(grade, student, env)
        scores(grade, student, env)
        command_line(grade, env)
        memory_limit(grade, env)
    finally:
        os.chdir("/")
        shutil.rmtree(work, ignore_errors=True)
    print(f"kx508-grade test passed: {len(CLASS)} programs graded in {took:.1f} s")


if __name__ == "__main__":
    main()
