"""kx508-grade against a class that attacks its confinement, graded as root and as an
ordinary user: no run reaches a display or a socket of this machine's, reads the grader's
environment, a secret file, /etc/shadow, the expected run, the reference or another
submission, or sees another process; limits hold for a whole run (memory in many
children, a fork bomb); a kill(-1) ends no more than the run itself; shared memory
neither crosses runs nor outlives them; nothing is left behind. Where runs cannot be
confined the tool refuses, and --unsafe grades with every report saying so.

Each grading itself runs in a control group this test makes, with limits of its own, so
that were the tool's confinement broken the class still could not take the machine. It
needs root (to make that group and to act as the ordinary user); it says so and skips
without."""
import hashlib
import os
import secrets
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

from cli_checks import check, report

USER = 64123  # the ordinary user: a uid of its own, no entry in /etc/passwd needed
SKIPPED = 77
SCRIPT = "KX508_PERIODIC(30);\n"
LIMITS = ["--time", "20", "--cpu", "10", "--memory", "256", "--processes", "16",
          "--file-size", "16", "--disk", "32", "-j", "2"]


def digest(folder):
    h = hashlib.sha256()
    for name in sorted(os.listdir(folder)):
        h.update(name.encode() + open(os.path.join(folder, name), "rb").read())
    return h.hexdigest()


# ---- Control groups the test makes: each grading's, with limits, given to its user


def cgroup_folders(name):
    """This process's group in each hierarchy, and a child called name beneath it."""
    mounts = {}
    for line in open("/proc/self/mountinfo"):
        fields = line.split()
        point, kind, options = fields[4], fields[fields.index("-") + 1], fields[-1]
        if kind == "cgroup2":
            mounts.setdefault("", point)
        elif kind == "cgroup":
            for option in options.split(","):
                mounts.setdefault(option, point)
    own = {}
    for line in open("/proc/self/cgroup"):
        _, controllers, path = line.rstrip("\n").split(":", 2)
        for c in controllers.split(",") if controllers else [""]:
            own[c] = path
    if "memory" in mounts and "pids" in mounts:
        wanted = ["pids", "memory", "cpu", "cpuacct"]
    else:
        wanted = [""]
    folders = []
    for c in wanted:
        if c in mounts and c in own:
            folder = os.path.join(mounts[c] + own[c].rstrip("/"), name)
            if folder not in folders:
                folders.append(folder)
    return folders, wanted == [""]


class OuterGroup:
    """A group for one grading: 400 processes and 3 GiB at most, whatever happens inside.
    For the ordinary user it is delegated to it, as a desktop session's scope is."""

    def __init__(self, name, owner=None):
        self.folders, self.v2 = cgroup_folders(name)
        for folder in self.folders:
            os.makedirs(folder, exist_ok=True)
            for limit, value in (("pids.max", "400"), ("memory.limit_in_bytes", str(3 << 30)),
                                 ("memory.max", str(3 << 30))):
                if os.path.exists(os.path.join(folder, limit)):
                    open(os.path.join(folder, limit), "w").write(value)
            if self.v2:
                open(os.path.join(os.path.dirname(folder), "cgroup.subtree_control"), "w").write(
                    "+memory +pids")
            if owner is not None:
                for entry in [folder] + [os.path.join(folder, f) for f in
                                         ("cgroup.procs", "tasks", "cgroup.subtree_control",
                                          "cgroup.threads")]:
                    if os.path.exists(entry):
                        os.chown(entry, owner, owner)

    def enter(self):
        for folder in self.folders:
            open(os.path.join(folder, "cgroup.procs"), "w").write("0")

    def children(self):
        return [d for folder in self.folders for d in os.listdir(folder)
                if os.path.isdir(os.path.join(folder, d))]

    def remove(self):
        for folder in self.folders:
            for root, dirs, _ in os.walk(folder, topdown=False):
                for d in dirs:
                    os.rmdir(os.path.join(root, d))
            os.rmdir(folder)


# ---- What the class tries to reach


class Listener:
    """A Unix socket that counts who connects: a display's, or one of the teacher's."""

    def __init__(self, path, abstract=False):
        self.connections = 0
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.bind(("\0" + path) if abstract else path)
        self.sock.listen(8)
        self.sock.settimeout(0.2)
        self.done = False
        self.thread = threading.Thread(target=self.accept, daemon=True)
        self.thread.start()

    def accept(self):
        while not self.done:
            try:
                self.sock.accept()[0].close()
                self.connections += 1
            except OSError:
                pass

    def close(self):
        self.done = True
        self.thread.join()
        self.sock.close()


def class_sources(work, attacker, paths):
    """One submission a macro, each the attacker's source with the paths it goes for."""
    text = open(attacker).read()
    folder = os.path.join(work, "class")
    os.mkdir(folder)
    c = lambda s: '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'
    attacks = {
        "display": f"#define X_DISPLAY {c(paths['display'])}",
        "socket": f"#define UNIX_SOCKET {c(paths['socket'])}",
        "variable": '#define GRADER_VARIABLE "KX508_GRADE_SECRET"',
        "secret": f"#define SECRET_FILE {c(paths['secret'])}",
        "teacher": "#define TEACHERS_FILES " + ", ".join(
            c(p) for p in (paths["expected"], paths["reference"], paths["other"], paths["reports"]))
        + f"\n#define EXPECTED_LOG {c(os.path.join(paths['expected'], 'log.txt'))}",
        "shm_leave": "#define SHM_LEAVE",
        "shm_read": "#define SHM_READ",
        "kill_all": "#define KILL_ALL",
        "processes": "#define OTHER_PROCESSES",
        "memory": "#define MEMORY_CHILDREN",
        "fork_bomb": "#define FORK_BOMB",
    }
    for name, macro in attacks.items():
        open(os.path.join(folder, name + ".cpp"), "w").write(macro + "\n" + text)
    return folder, list(attacks)


RESULTS = {
    "variable": "ended with status 3",
    "secret": "ended with status 3",
    "memory": "exceeded the memory limit (256 MiB)",
    "fork_bomb": "exceeded the process limit (16)",
}


def class_processes(work):
    """Processes of the class still alive, or now: every program the tool built is
    'program' under this test's folder."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            line = open(f"/proc/{pid}/cmdline", "rb").read().split(b"\0")[0].decode(errors="replace")
        except OSError:
            continue
        if line.startswith(work) and line.endswith("/program"):
            found.append(pid)
    return found


def segments(key=0x4b583530):
    lines = open("/proc/sysvipc/shm").read().splitlines()[1:]
    return [line for line in lines if int(line.split()[0]) == key]


def user_folder(work, name, owner):
    """A folder of the test's that the grading's user may write into."""
    folder = os.path.join(work, name)
    os.makedirs(folder, exist_ok=True)
    if owner is not None:
        os.chown(folder, owner, owner)
    return folder


def grade(tool, work, folder, names, mode, env, failures):
    """One grading of the class, as root or as the ordinary user, and what must hold."""
    owner = USER if mode == "user" else None
    group = OuterGroup(f"kx508-grade-test-{mode}-{os.getpid()}", owner)
    out = os.path.join(work, "reports-" + mode)
    env = dict(env, TMPDIR=user_folder(work, "tmp-" + mode, owner))
    most = [0]
    grading = [True]

    def count():  # the class's programs at any moment, over the whole grading
        while grading[0]:
            most[0] = max(most[0], len(class_processes(work)))
            time.sleep(0.02)

    def become():
        group.enter()
        if owner is not None:
            os.setgroups([])
            os.setgid(owner)
            os.setuid(owner)

    user_folder(work, "reports-" + mode, owner)
    counter = threading.Thread(target=count)
    counter.start()
    try:
        done = subprocess.run([tool, "--expected", "expected", "--script", "run.scr", *LIMITS,
                               "--env", "ASAN_OPTIONS", "--out", out,
                               *[os.path.join(folder, n + ".cpp") for n in names]],
                              cwd=work, env=env, capture_output=True, text=True, timeout=280,
                              preexec_fn=become)
    finally:
        grading[0] = False
        counter.join()
    said = f"as {mode}: status {done.returncode}\n{done.stdout}{done.stderr}"
    if done.returncode != 1:
        failures.append(said)
        group.remove()
        return
    rows = {line.split()[0]: line for line in done.stdout.splitlines() if line.startswith(folder)}
    for name in names:
        _, _, got = rows.get(os.path.join(folder, name + ".cpp"), "").partition("run.scr  ")
        wanted = RESULTS.get(name, "passed")
        if not got.startswith(wanted):
            failures.append(f"as {mode}, {name}: {got!r}, expected {wanted!r}\n{said}")
    # Every file written: the class's reports and results, and each student's folder.
    pages = "".join(open(os.path.join(root, name), errors="replace").read()
                    for root, _, names in os.walk(out) for name in names)
    for secret in env["KX508_GRADE_SECRET"], open(os.path.join(work, "secret.txt")).read().strip():
        if secret in pages:
            failures.append(f"as {mode}: a secret reached the reports")
    shadow = open("/etc/shadow").readline().split(":")
    if len(shadow) > 1 and len(shadow[1]) > 3 and shadow[1] in pages:
        failures.append(f"as {mode}: /etc/shadow reached the reports")
    if most[0] > 2 * 16:
        failures.append(f"as {mode}: {most[0]} of the class's processes at once, beyond 2 runs of 16")
    if class_processes(work):
        failures.append(f"as {mode}: processes left behind: {class_processes(work)}")
    if segments():
        failures.append(f"as {mode}: a shared memory segment outlived its run: {segments()}")
    if group.children():
        failures.append(f"as {mode}: the tool left control groups: {group.children()}")
    group.remove()


def refusal(tool, work, env, failures):
    """The ordinary user in no group of its own: nothing is graded without --unsafe."""
    def become():
        os.setgroups([])
        os.setgid(USER)
        os.setuid(USER)

    env = dict(env, TMPDIR=user_folder(work, "tmp-unsafe", USER))
    # Without a control group the memory limit is each process's address space, which a
    # sanitized program's shadow memory exceeds.
    args = [tool, "--expected", "expected", "--script", "run.scr", "--out", "unsafe",
            "--env", "ASAN_OPTIONS", "--memory", "0", "reference"]
    done = subprocess.run(args, cwd=work, env=env, capture_output=True, text=True, timeout=60,
                          preexec_fn=become)
    if done.returncode != 2 or "runs cannot be confined here" not in done.stderr or \
            "systemd-run --user --scope" not in done.stderr or os.path.exists(
                os.path.join(work, "unsafe", "report.html")):
        failures.append(f"unconfined, without --unsafe: status {done.returncode}: {done.stderr}")
    user_folder(work, "unsafe", USER)
    done = subprocess.run(args[:1] + ["--unsafe"] + args[1:], cwd=work, env=env,
                          capture_output=True, text=True, timeout=120, preexec_fn=become)
    if done.returncode != 0 or "--unsafe" not in done.stderr:
        failures.append(f"unconfined, with --unsafe: status {done.returncode}: {done.stdout}{done.stderr}")
        return
    for page in "report.html", "report.xml":
        text = open(os.path.join(work, "unsafe", page)).read()
        if "NOT confined" not in text[:2000]:
            failures.append(f"--unsafe: {page} does not say at its top that the runs were not confined")


def main():
    tool, build, attacker, sanitize = sys.argv[1:5]
    if os.geteuid() != 0:
        print("kx508-grade confinement test skipped: it needs root")
        sys.exit(SKIPPED)
    work = tempfile.mkdtemp(prefix="kx508-grade-confined-")
    os.chmod(work, 0o755)  # the ordinary user works here, and runs read the library
    x11 = "/tmp/.X11-unix"
    os.makedirs(x11, exist_ok=True)
    display = str(500 + os.getpid() % 400)
    listeners = []
    failures = []
    try:
        subprocess.run(["cmake", "--install", build, "--prefix", os.path.join(work, "prefix"),
                        "--component", "dev"], check=True, capture_output=True)
        subprocess.run(["chmod", "-R", "a+rX", work], check=True)
        pc = [root for root, _, files in os.walk(work) if "kx508.pc" in files][0]
        flags = "-fsanitize=address,undefined" if sanitize == "ON" else ""
        env = dict(os.environ, PKG_CONFIG_PATH=pc, CXXFLAGS=flags, TMPDIR=work,
                   ASAN_OPTIONS="detect_leaks=0:handle_segv=0", DISPLAY=":" + display,
                   KX508_GRADE_SECRET="grader-secret-" + secrets.token_hex(8))
        os.chdir(work)
        open("run.scr", "w").write(SCRIPT)
        open("honest.cpp", "w").write(open(attacker).read())
        lib = subprocess.run(["pkg-config", "--cflags", "--libs", "kx508"], env=env, check=True,
                             capture_output=True, text=True).stdout.split()
        subprocess.run(["c++", "-std=c++20", "honest.cpp", "-o", "reference", *flags.split(), *lib],
                       check=True)
        os.makedirs("expected/run")
        subprocess.run(["./reference"], check=True, capture_output=True, env=dict(
            env, KX508_PLATFORM="headless", KX508_PLAY="run.scr", KX508_FRAMES="expected/run",
            KX508_LOG="expected/run/log.txt"))
        before = digest("expected/run")
        open("secret.txt", "w").write("secret-file-" + secrets.token_hex(8) + "\n")
        os.chmod("secret.txt", 0o600)
        listeners = [Listener(f"{x11}/X{display}"), Listener(f"{x11}/X{display}", abstract=True),
                     Listener(os.path.join(work, "teacher.sock"))]
        paths = {"display": display, "socket": os.path.join(work, "teacher.sock"),
                 "secret": os.path.join(work, "secret.txt"),
                 "expected": os.path.join(work, "expected", "run"),
                 "reference": os.path.join(work, "reference"),
                 "other": os.path.join(work, "class", "socket.cpp"),
                 "reports": os.path.join(work, "reports-root")}
        folder, names = class_sources(work, attacker, paths)
        for mode in ("root", "user"):
            os.chown("secret.txt", USER if mode == "user" else 0, USER if mode == "user" else 0)
            grade(tool, work, folder, names, mode, env, failures)
        if any(l.connections for l in listeners):
            failures.append(f"a run connected to a socket of this machine: "
                            f"{[l.connections for l in listeners]}")
        if digest("expected/run") != before:
            failures.append("the expected run was changed")
        refusal(tool, work, env, failures)
        left = [os.path.join(d, n) for d in (work, *[os.path.join(work, t) for t in os.listdir(work)
                                                   if t.startswith("tmp-")])
                for n in os.listdir(d) if n.startswith("kx508-grade-")]
        if left:
            failures.append(f"the tool's temporary folders were left: {left}")
    finally:
        for l in listeners:
            l.close()
        for name in (f"{x11}/X{display}",):
            if os.path.exists(name):
                os.remove(name)
        os.chdir("/")
        shutil.rmtree(work, ignore_errors=True)
    report(failures)
    print("kx508-grade confinement test passed: the class graded as root and as an ordinary user")


if __name__ == "__main__":
    main()
