"""How the command-line tests fail: one line on standard error, and status 1."""
import sys


def fail(why):
    print(f"FAIL: {why}", file=sys.stderr)
    sys.exit(1)


def check(ok, why):
    if not ok:
        fail(why)


def report(failures):
    """Each failure collected, a line each, then status 1; nothing when there are none."""
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    if failures:
        sys.exit(1)
