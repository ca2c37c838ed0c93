"""Programs that cannot be left the usual way, on a real X server. One that never waits
again: after 2 s it is told so, on standard error and in its log window, and SIGTERM ends
it at once (it dies of the signal), Ctrl+Q and the drawing window's close box with status
1. One that prompts at every tick: SIGTERM, Ctrl+Q typed in the prompt and the drawing
window's close box each end it as a quit does, with status 0."""
import signal
import subprocess
import types

from failure import check
from xsession import Session, log_picture, main, poll, tool, wait_log

OVERDUE = ("the program has not waited for 2 s: a loop that never calls KX508_wait_event, or "
           "a handler that never returns?")


def start(s, how):
    s.env["MISBEHAVE"] = how
    p = s.start(tool("KX508_MISBEHAVE"), name=f"misbehave-{how}")
    return types.SimpleNamespace(p=p, draw=s.find_window("KX508 Graphics", pid=p.pid),
                                 text=s.find_window("KX508 Text", pid=p.pid))


def close(s, window):
    done = subprocess.run([tool("KX508_CLOSE_WINDOW"), str(window)], env=s.env,
                          capture_output=True, text=True, timeout=30)
    check(done.returncode == 0, f"close_window failed: {done.stderr.strip()}")


def ends(s, program, how, status, said=None):
    got = s.wait_exit(program.p)
    output = s.output(program.p)
    check(got == status, f"{how} ended the program with status {got}, not {status}: {output}")
    check(said is None or said in output, f"{how}: the program did not say {said!r}: {output}")


def looping(s, log_lines):
    """Starts the program that never waits again and waits until it is said so."""
    program = start(s, "loop")
    poll("the program to be said not to wait",
         lambda: f"KX508: {OVERDUE}" in s.output(program.p), 15)
    if log_lines is not None:
        wait_log(s, program, log_lines, "that the program has not waited")
    return program


def prompting(s):
    """Starts the program that prompts at every tick, once its prompt is up."""
    program = start(s, "prompt")
    return program, s.find_window("KX508_gets", pid=program.p.pid)


def test():
    with Session("not-waiting") as s:
        told = log_picture(s, [OVERDUE[0].upper() + OVERDUE[1:]])
        program = looping(s, told)
        program.p.send_signal(signal.SIGTERM)
        ends(s, program, "SIGTERM", -signal.SIGTERM, "KX508: the program was ended (SIGTERM) at event 3")

        program = looping(s, None)
        s.focus(program.draw)
        s.key("ctrl+q")
        ends(s, program, "Ctrl+Q", 1, "asked to quit while it was not waiting")

        program = looping(s, None)
        close(s, program.draw)
        ends(s, program, "the close box", 1, "asked to quit while it was not waiting")

        program, _ = prompting(s)
        program.p.send_signal(signal.SIGTERM)
        ends(s, program, "SIGTERM while prompting", 0)

        program, prompt = prompting(s)
        s.focus(prompt)
        s.key("ctrl+q")
        ends(s, program, "Ctrl+Q in the prompt", 0)

        program, _ = prompting(s)
        close(s, program.draw)
        ends(s, program, "the drawing window's close box while prompting", 0)


main(test)
