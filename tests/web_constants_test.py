"""The numbers the page side of the web backend (web_page.js) shares with the C++ side
agree: the event kinds with web_internal.h's PageEvent, the menu flags with platform.h's
MenuFlag, the dialog item kinds with driver.h's DialogItemKind. Each JS name is the C++
name in capitals (KEY_DOWN, KeyDown), with the prefix of its group.
    web_constants_test.py SOURCE_DIR"""
import os
import re
import sys

from cli_checks import report


def read(root, path):
    with open(os.path.join(root, path), encoding="utf-8") as f:
        return f.read()


def js_group(js, prefix, first):
    """The numbers of the JS variables declared with the one whose name is first."""
    found = re.search(r"var (" + first + r" = .*?);", js, re.S)
    if not found:
        return {}
    pairs = re.findall(r"([A-Z_]+) = (\d+)", found.group(1))
    return {camel(name[len(prefix):]): int(value) for name, value in pairs}


def camel(upper):
    return "".join(word.capitalize() for word in upper.split("_"))


def cpp_enum(text, name):
    """An enum class's members and values (counted on where none is given)."""
    body = re.search(r"enum class " + name + r"[^{]*\{(.*?)\};", text, re.S).group(1)
    members, value = {}, -1
    for item in re.sub(r"//[^\n]*", "", body).split(","):
        item = item.strip()
        if not item:
            continue
        member, _, given = item.partition("=")
        value = int(given) if given.strip() else value + 1
        members[member.strip()] = value
    return members


def cpp_flags(text):
    body = re.search(r"struct MenuFlag \{(.*?)\};", text, re.S).group(1)
    return {name: (1 << int(shift)) for name, shift in
            re.findall(r"static constexpr unsigned (\w+) = 1u << (\d+);", body)}


def disagreements(js_values, cpp_values, what):
    out = []
    for name, value in js_values.items():
        if cpp_values.get(name) != value:
            out.append(f"{what} {name}: {value} in web_page.js, {cpp_values.get(name)} in C++")
    return out


def main():
    root = sys.argv[1]
    js = read(root, "platform/backends/web/web_page.js")
    events = cpp_enum(read(root, "platform/backends/web/web_internal.h"), "PageEvent")
    flags = cpp_flags(read(root, "platform/core/include/platform.h"))
    items = cpp_enum(read(root, "platform/core/driver/driver.h"), "DialogItemKind")
    groups = [(js_group(js, "", "KEY_DOWN"), events, "event"),
              (js_group(js, "MF_", "MF_GRAYED"), flags, "menu flag"),
              (js_group(js, "ITEM_", "ITEM_BUTTON"), items, "dialog item")]
    problems = []
    for js_values, cpp_values, what in groups:
        if not js_values:
            problems.append(f"no {what} numbers found in web_page.js")
        problems += disagreements(js_values, cpp_values, what)
    # Every event the C++ side reads is one the page can send.
    missing = sorted(set(events) - {"None"} - set(groups[0][0]))
    if missing:
        problems.append(f"events web_page.js does not number: {', '.join(missing)}")
    # The check itself: a number changed on one side is found.
    if not disagreements({"KeyDown": events["KeyDown"] + 1}, events, "event"):
        problems.append("the comparison finds no disagreement it should")
    report(problems)
    print(f"web constants agree: {sum(len(g[0]) for g in groups)} numbers")


main()
