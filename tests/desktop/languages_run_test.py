"""Names typed into the prompt in any script are kept as typed. The languages example is
given "Élodie", "李雷", "محمد" and an emoji through the prompt (xdotool types them), each
followed by a click, then an empty reply that ends it; recorded with KX508_RECORD, its run
holds the replies as typed (UTF-8), its log greets each, and the run replays headless to
the pictures shown live. (Wine on a bare X server drops keys of characters its keyboard
layout lacks, so the Windows dialog's wide-character path is tested with posted
character messages instead, in win32_backend_tests.)"""
import os
import re

from failure import check
from frames import pictures, replay, same_pictures
from xsession import Session, main, poll, tool

NAMES = ["Élodie", "李雷", "محمد", "\U0001F600"]


def keys_for(s, text):
    """Gives each character of the text a key of its own, both levels, as a keyboard layout
    for its language would: xdotool then presses keys the keyboard has, rather than
    remapping one spare key for each character (which loses characters typed quickly and
    the case of a capital)."""
    for keycode, c in zip(range(200, 256), sorted(set(text))):
        keysym = f"U{ord(c):04X}"
        s.x("xmodmap", "-e", f"keycode {keycode} = {keysym} {keysym}")


def answer(s, pid, name):
    prompt = s.find_window("KX508_gets", pid=pid)
    s.focus(prompt)
    if name:
        s.type(name)
    s.key("Return")
    poll("the prompt to close", lambda: not s.viewable(prompt))


def test():
    program = tool("KX508_LANGUAGES")
    with Session("languages_run") as s:
        s.env.update(KX508_RECORD="live.run", KX508_FRAMES="live", KX508_LOG="live.log")
        p = s.start(program, name="languages")
        draw = s.find_window("KX508 Graphics", pid=p.pid)
        x, y, width, height = s.geometry(draw)
        keys_for(s, "".join(NAMES))
        for name in NAMES:
            answer(s, p.pid, name)
            s.focus(draw)
            s.click(x + width // 2, y + height // 2)
        answer(s, p.pid, "")
        status = s.wait_exit(p)
        check(status == 0, f"the program ended with status {status}: {s.output(p)}")
        with open(os.path.join(s.work, "live.run"), encoding="utf-8") as f:
            run = f.read()
        replies = re.findall(r'^KX508_GETS\("(.*)"\);$', run, re.M)
        check(replies == NAMES + [""], f"the run's replies are {replies!r}: {run!r}")
        with open(os.path.join(s.work, "live.log"), encoding="utf-8") as f:
            log = f.read()
        check(log == "".join(f"Hello, {name}!\n" for name in NAMES), f"the log holds {log!r}")
        live = pictures(os.path.join(s.work, "live"), len(NAMES))
        same_pictures(live, replay(s, "replayed", [program], least=len(NAMES)),
                      "replayed headless")


main(test)
