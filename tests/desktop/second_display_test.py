"""A second Display in one process: the prompt dialog "KX508_gets" over the first
display's window takes typed text, stays open on Escape and on its close box, and
"Okay" ends the process with status 255."""
import subprocess

from failure import check
from xsession import Session, main, poll, tool


def test():
    with Session("second_display") as s:
        p = s.start(tool("KX508_SECOND_DISPLAY"), name="second_display")
        s.find_window("KX508 Graphics", pid=p.pid)
        dialog = s.find_window("KX508_gets", pid=p.pid)
        x, y, w, h = s.geometry(dialog)
        s.focus(dialog)
        empty = s.shot(dialog)

        def typed(text, before):
            s.type(text)

            def probe():
                check(p.poll() is None and s.viewable(dialog),
                      f'the dialog closed before "{text}" was typed into it')
                now = s.shot(dialog)
                return now if now != before else None
            return poll(f'"{text}" in the dialog', probe, 10)

        shown = typed("hello", empty)
        # Each refusal is followed by more typing: once that shows, the refusal has been
        # handled, and the dialog must still be there.
        s.key("Escape")
        shown = typed("a", shown)
        check(p.poll() is None and s.viewable(dialog), "Escape closed the dialog")
        done = subprocess.run([tool("KX508_CLOSE_WINDOW"), str(dialog)], env=s.env,
                              capture_output=True, text=True, timeout=30)
        check(done.returncode == 0, f"close_window failed: {done.stderr.strip()}")
        typed("b", shown)
        check(p.poll() is None and s.viewable(dialog), "the close box closed the dialog")

        # "Okay": the button centred below the edit box, 81 of the dialog's 92 units down.
        s.click(x + w // 2, y + h * 81 // 92)
        status = s.wait_exit(p)
        check(status == 255, f"the second display ended the process with status {status}")


main(test)
