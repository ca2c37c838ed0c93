"""The recorder's lock across builds: a native program and a Windows program under Wine,
recording into one folder, each see the other's lock, and neither empties the other's
script (kx508_recorder_lock takes the lock as a recorder does)."""
import os
import subprocess
import sys
import tempfile

from cli_checks import fail

NATIVE, WINDOWS, WINE_RUN = sys.argv[1:4]
PROGRAMS = {"native": [NATIVE], "Windows": [WINE_RUN, WINDOWS]}


def take(who, work, *seconds):
    return subprocess.Popen([*PROGRAMS[who], "KX508.SCR", *seconds], cwd=work, text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)


def said(p):
    line = p.stdout.readline().strip()
    p.stdout.close()
    return line


def main():
    work = tempfile.mkdtemp(prefix="kx508-lock-")
    script = os.path.join(work, "KX508.SCR")
    for holder, other in (("native", "Windows"), ("Windows", "native")):
        held = take(holder, work, "6")
        if said(held) != "opened":
            fail(f"the {holder} recorder did not open the script")
        second = take(other, work)
        answer = said(second)
        second.wait(timeout=60)
        if answer != "held":
            fail(f"the {other} recorder, while the {holder} one records, says {answer!r}")
        with open(script) as f:
            if f.read() != "KX508_KBD(109);\n":
                fail(f"the {other} recorder changed the {holder} one's script")
        held.wait(timeout=60)
    print("recorder lock test passed")


main()
