#!/usr/bin/env python3
"""Every repository path the docs and the source comments name exists.

Checked: README.md, CONTRIBUTING.md and docs/ (every .md), and the comments of the sources
in gfx/, platform/, sim/, tools/, script/, tests/, bench/, examples/, fuzz/, soak/ and
cmake/. A path counts when it starts at the top of the tree (`platform/core/driver.h`,
`docs/API.md`, `script/run`); `<name>`, `*` and a folder in capitals (`NAME/`) in it match
any name, and it must then match at least one; a program's name (`examples/hello`) counts
when its source (`examples/hello.cpp`) is there. Markdown links and images are resolved
from their own file's folder, and a link's #anchor must be a heading of the file it
names. Not paths of the tree: URLs, build outputs (build/...), installed paths (/usr/...),
and names not rooted at the top (a comment's `qt/qt_driver.cpp`, prose's `mine.cpp`).

    docs_paths_test.py [SOURCE_DIR]
"""

import fnmatch
import os
import re
import sys

# Top-level folders whose paths are checked.
ROOTS = ("gfx", "platform", "sim", "tools", "script", "tests", "bench", "docs", "examples",
         "cmake", "package", "fuzz", "soak", ".ci", "third_party")
# Folders whose files' comments are read.
SOURCE_FOLDERS = ("gfx", "platform", "sim", "tools", "script", "tests", "bench", "examples",
                  "fuzz", "soak", "cmake")
SKIP_FOLDERS = {"node_modules", "corpus", "__pycache__"}

# Paths named on purpose that are not in the tree, each with its reason, as
# "path": "why it is named though it is not there". None so far.
ALLOWED = {
}

# A path: one of the roots, not glued to what comes before (so not /usr/share/doc/.../docs/,
# build/web/examples/, https://host/docs/, $PWD/script or ~/docs), then path characters,
# `<name>` placeholders and `*` wildcards.
PATH = re.compile(r"(?<![\w./~$@%:-])((?:" + "|".join(re.escape(r) for r in ROOTS) +
                  r")/(?:[\w.+\-/*]|<\w+>)*)")
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)|<img\s[^>]*src=\"([^\"]+)\"")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")


def rooted_paths(text):
    """The tree paths named in text: (offset, path), trailing prose punctuation cut."""
    for m in PATH.finditer(text):
        yield m.start(1), m.group(1).split("...")[0].rstrip(".,;:")


def exists(root, path):
    """Whether the path is there; a program's name (`examples/hello`) counts when its
    source (`examples/hello.cpp`) is."""
    pattern = re.sub(r"<\w+>|(?<=/)[A-Z_]+(?=/|$)", "*", path).rstrip("/")
    if "*" not in pattern:
        file = os.path.join(root, pattern)
        return os.path.exists(file) or (
            "." not in os.path.basename(file) and os.path.isfile(file + ".cpp"))
    parts = pattern.split("/")
    found = [root]
    for part in parts:
        found = [os.path.join(f, n) for f in found if os.path.isdir(f)
                 for n in sorted(os.listdir(f)) if fnmatch.fnmatchcase(n, part)]
    return bool(found)


def slug(heading):
    """The anchor a Markdown heading gets: lower case, punctuation dropped, spaces to -."""
    text = re.sub(r"`|\*\*|\[([^\]]*)\]\([^)]*\)", r"\1", heading).strip().lower()
    return re.sub(r"[^\w\- ]", "", text).replace(" ", "-")


def anchors(file):
    result, fenced = set(), False
    with open(file, encoding="utf-8") as f:
        for line in f:
            if line.startswith("```"):
                fenced = not fenced
            m = None if fenced else HEADING.match(line)
            if m:
                result.add(slug(m.group(1)))
    return result


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def c_comments(text):
    """The comments of C, C++ or JavaScript source, as (offset, text), strings skipped."""
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            yield i, text[i:end]
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            yield i, text[i:end]
            i = end
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not text[i - 1].isalnum()):
            open_paren = text.find("(", i)
            delimiter = ")" + text[i + 2:open_paren] + '"'
            end = text.find(delimiter, open_paren)
            i = n if end < 0 else end + len(delimiter)
        elif c in "\"'`":
            j = i + 1
            while j < n and text[j] != c and (c == "`" or text[j] != "\n"):
                j += 2 if text[j] == "\\" else 1
            i = j + 1
        else:
            i += 1


def hash_comments(text):
    """The # comments of shell, Python, CMake or YAML: a # at a line's start or after a
    space, outside quotes."""
    offset = 0
    for line in text.splitlines(keepends=True):
        quote = None
        for k, c in enumerate(line):
            if quote:
                if c == quote:
                    quote = None
            elif c in "\"'":
                quote = c
            elif c == "#" and (k == 0 or line[k - 1] in " \t"):
                yield offset + k, line[k:]
                break
        offset += len(line)


def comments_of(file, text):
    name = os.path.basename(file)
    if name.endswith((".cpp", ".h", ".c", ".js", ".mjs")):
        return c_comments(text)
    if name.endswith((".py", ".sh", ".cmake", ".yml")) or name == "CMakeLists.txt" or (
            "." not in name and text.startswith("#!")):
        return hash_comments(text)
    return ()


def documents(root):
    for name in ("README.md", "CONTRIBUTING.md"):
        yield os.path.join(root, name)
    for folder, subfolders, files in os.walk(os.path.join(root, "docs")):
        subfolders.sort()
        for name in sorted(files):
            if name.endswith(".md"):
                yield os.path.join(folder, name)


def sources(root):
    for top in SOURCE_FOLDERS:
        for folder, subfolders, files in os.walk(os.path.join(root, top)):
            subfolders[:] = sorted(s for s in subfolders if s not in SKIP_FOLDERS)
            for name in sorted(files):
                yield os.path.join(folder, name)


def problems(root):
    """Each path named that is not there, as 'file:line: path'; and how many were checked."""
    found, checked = [], 0

    def check(file, text, offset, path):
        nonlocal checked
        checked += 1
        if path not in ALLOWED and not exists(root, path):
            found.append("%s:%d: %s" % (os.path.relpath(file, root), line_of(text, offset), path))

    for file in documents(root):
        with open(file, encoding="utf-8") as f:
            text = f.read()
        for offset, path in rooted_paths(text):
            check(file, text, offset, path)
        for m in LINK.finditer(text):
            target = m.group(1) or m.group(2)
            if re.match(r"^[a-z]+:", target):
                continue
            target, _, anchor = target.partition("#")
            where = file
            if target:
                where = os.path.normpath(os.path.join(os.path.dirname(file), target))
            rel = os.path.relpath(where, root)
            checked += 1
            if not os.path.exists(where):
                if rel not in ALLOWED:
                    found.append("%s:%d: link to %s" % (os.path.relpath(file, root),
                                                        line_of(text, m.start()), rel))
            elif anchor and where.endswith(".md") and anchor not in anchors(where):
                found.append("%s:%d: no heading for #%s in %s" % (
                    os.path.relpath(file, root), line_of(text, m.start()), anchor, rel))
    for file in sources(root):
        try:
            with open(file, encoding="utf-8") as f:
                text = f.read()
        except UnicodeDecodeError:
            continue
        for start, comment in comments_of(file, text):
            for offset, path in rooted_paths(comment):
                check(file, text, start + offset, path)
    return found, checked


def self_test(root):
    """The reader finds what it must and nothing else: a test that could never fail
    would prove nothing."""
    text = ("See `platform/core/driver.h`, docs/API.md. and [x](https://example.org/docs/a.md);"
            " build/web/site/traffic.html, /usr/share/doc/kx508-dev/examples/, ~/docs/x,"
            " $PWD/script/run, ${PROJECT_SOURCE_DIR}/script/wine-run, `tests/sim_*_test.cpp`"
            " and platform/backends/<name>/.")
    got = [p for _, p in rooted_paths(text)]
    want = ["platform/core/driver.h", "docs/API.md", "tests/sim_*_test.cpp",
            "platform/backends/<name>/"]
    assert got == want, "paths read from prose: %r, expected %r" % (got, want)
    code = 'const char* s = "// docs/not_a_comment.md"; // see gfx/a.h\n/* tools/b.h */ x = \'"\';'
    got = [p for _, c in c_comments(code) for _, p in rooted_paths(c)]
    assert got == ["gfx/a.h", "tools/b.h"], "paths read from C++ comments: %r" % got
    script = 'echo "# script/not_a_comment" ${#x} # script/run\n# tests/x.py\n'
    got = [p for _, c in hash_comments(script) for _, p in rooted_paths(c)]
    assert got == ["script/run", "tests/x.py"], "paths read from # comments: %r" % got
    assert exists(root, "examples/hello") and not exists(root, "examples/hellp")
    assert slug("Two commands") == "two-commands" and slug("`kx508-diff`, frames") == \
        "kx508-diff-frames", "heading anchors"


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    self_test(root)
    found, checked = problems(root)
    for line in found:
        print("docs paths: missing: " + line)
    for path in sorted(ALLOWED):
        if exists(root, path):
            print("docs paths: %s is allowed as missing, but it exists: take it off the list"
                  % path)
            found.append(path)
    print("docs paths: %d checked, %d missing" % (checked, len(found)))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
