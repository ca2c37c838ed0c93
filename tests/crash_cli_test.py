"""A crash says what and where. Each fault a program can make ends it with one line that
names the fault, the event the program was handling and, where a script plays or a run is
recorded, that file's line; a replay's summary follows, the run recorded so far is whole,
and the process dies of the fault, with its status. Given a runner (script/wine-run), the
Windows build's program under Wine: its unhandled exceptions and abort(), each ended with
its code."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

from cli_checks import report

SCRIPT = "KX508_PERIODIC(5);\n"


def run(command, work, **options):
    env = {k: v for k, v in os.environ.items()
           if not k.startswith("KX508_") or k == "KX508_WINEPREFIX"}
    env.update(KX508_PLATFORM="headless", ASAN_OPTIONS="detect_leaks=0", **options)
    return subprocess.run(command, cwd=work, env=env, capture_output=True, text=True,
                          timeout=120)


def crashes(command, work, failures, what, status, line, summary=None, **options):
    """Runs the program to its crash; collects what differs from the line, the summary
    after it and the status expected."""
    done = run(command, work, **options)
    said = done.stderr.splitlines()
    expected = [line] + ([summary] if summary else [])
    ours = [s for s in said if s.startswith("KX508: ")]
    if ours != expected or done.returncode != status:
        failures.append(f"{what}: status {done.returncode} (not {status}), said:\n  " +
                        "\n  ".join(said) + "\nnot:\n  " + "\n  ".join(expected))


def natively(program, work, failures):
    with open(os.path.join(work, "run.scr"), "w") as f:
        f.write(SCRIPT)
    at = "at event 3"
    played = "at event 3 (line 1 of run.scr)"
    fault = "SIGSEGV: invalid memory access at address 0x0"
    crashes([program], work, failures, "a null pointer, replaying", -signal.SIGSEGV,
            f"KX508: the program crashed ({fault}) {played}",
            f"KX508: 3 events played from run.scr (not to its end); 2 frames written to "
            f"frames; log written to log.txt; the program crashed ({fault})",
            MISBEHAVE="segv", KX508_PLAY="run.scr", KX508_FRAMES="frames", KX508_LOG="log.txt")
    frames = sorted(f for f in os.listdir(os.path.join(work, "frames")) if f.endswith(".png"))
    if frames != ["000001.png", "000002.png"]:
        failures.append(f"the replay's frames folder holds {frames}")

    crashes([program], work, failures, "a division by zero, recording a run", -signal.SIGFPE,
            "KX508: the program crashed (SIGFPE: integer division by zero) "
            "at event 3 (line 3 of whole.run)", MISBEHAVE="fpe", KX508_RECORD="whole.run")
    with open(os.path.join(work, "whole.run")) as f:
        recorded = f.read()
    if not re.fullmatch(r"KX508_RUN\(1\);\nKX508_CLIENT\(\d+,\d+\);\nKX508_PERIODIC\(3\);\n", recorded):
        failures.append(f"the run recorded up to the crash holds {recorded!r}")

    crashes([program], work, failures, "a recursion without end", -signal.SIGSEGV,
            f"KX508: the program crashed (SIGSEGV: stack overflow) {at}", MISBEHAVE="stack")
    crashes([program], work, failures, "an illegal instruction", -signal.SIGILL,
            f"KX508: the program crashed (SIGILL: illegal instruction) {at}", MISBEHAVE="ill")
    crashes([program], work, failures, "abort()", -signal.SIGABRT,
            f"KX508: the program crashed (SIGABRT: the program aborted) {at}", MISBEHAVE="abort")
    done = run([program], work, MISBEHAVE="bus")
    if (done.returncode != -signal.SIGBUS or
            not re.fullmatch(rf"KX508: the program crashed \(SIGBUS: bus error at address "
                             rf"0x[0-9a-f]+\) {at}\n", done.stderr)):
        failures.append(f"a vanished page: status {done.returncode}, said {done.stderr!r}")


def under_wine(program, wine_run, work, failures):
    with open(os.path.join(work, "run.scr"), "w") as f:
        f.write(SCRIPT)
    fault = "EXCEPTION_INT_DIVIDE_BY_ZERO: integer division by zero"
    # Wine ends the process with the exception's code, of which the system keeps a byte.
    crashes([wine_run, program], work, failures, "a division by zero under Wine", 0xC0000094 & 0xFF,
            f"KX508: the program crashed ({fault}) at event 3 (line 1 of run.scr)",
            f"KX508: 3 events played from run.scr (not to its end); log written to log.txt; "
            f"the program crashed ({fault})",
            MISBEHAVE="fpe", KX508_PLAY="run.scr", KX508_LOG="log.txt")
    # The other kinds once each; a recursion without end is left out, as Wine does not
    # give a program its stack overflow.
    for kind, code, fault in (("segv", 0xC0000005, "EXCEPTION_ACCESS_VIOLATION: invalid memory "
                                                   "access at address 0x0"),
                              ("ill", 0xC000001D, "EXCEPTION_ILLEGAL_INSTRUCTION: illegal instruction"),
                              ("abort", 3, "SIGABRT: the program aborted")):
        crashes([wine_run, program], work, failures, f"{kind} under Wine", code & 0xFF,
                f"KX508: the program crashed ({fault}) at event 3", MISBEHAVE=kind)


def main():
    program = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="kx508-crash-")
    failures = []
    try:
        if len(sys.argv) > 2:
            under_wine(program, os.path.abspath(sys.argv[2]), work, failures)
        else:
            natively(program, work, failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    report(failures)
    print("passed")


main()
