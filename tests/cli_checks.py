"""How the command-line tests fail: one line on standard error, and status 1."""
import sys


def fail(why):
    print(f"FAIL: {why}", file=sys.stderr)
    sys.exit(1)


def check(ok, why):
    if not ok:
        fail(why)
