"""The same pixels headless and on the desktop: a script replayed without a screen
(KX508_PLAY, KX508_FRAMES) leaves a last frame that matches, pixel for pixel, what the
drawing window shows on Xvfb after the same script is played there with Ctrl+P. The two
backends' windows have different frames, so their origins differ; the pictures are
compared around the origin, in library coordinates."""
import os
import subprocess
from types import SimpleNamespace

from failure import check
from xsession import Image, Session, log_picture, main, tool, wait_log, poll
from picture import Drawing

SCRIPT = ("KX508_MOUSE(-100, 50);\nKX508_PERIODIC(12);\nKX508_KBD(97);\nKX508_KBD(122);\n"
          "KX508_MOUSE(120, -80);\nKX508_MOUSE(-5, -190);\nKX508_PERIODIC(30);\n"
          "KX508_KBD(48);\nKX508_MOUSE(200, 150);\n")
EOF_LINE = "EOF encountered in script file KX508.SCR"
MAGENTA = (255, 0, 255)
# Library coordinates compared: inside the visible client area of both backends.
SPAN_X, SPAN_Y = 290, 200


def origin(image, top=0):
    """The centre of the helper's 5 x 5 magenta marker at library point (0, 0)."""
    found = [(x, y) for y in range(top, image.height) for x in range(image.width)
             if image.pixel(x, y) == MAGENTA]
    check(len(found) == 25, f"the origin marker has {len(found)} pixels, not 25")
    return (sum(x for x, _ in found) // 25, sum(y for _, y in found) // 25)


def headless_last_frame(program, work):
    env = {k: v for k, v in os.environ.items() if not k.startswith("KX508_")}
    env.update(KX508_PLATFORM="headless", KX508_PLAY="KX508.SCR", KX508_FRAMES="frames",
               ASAN_OPTIONS="detect_leaks=0")
    done = subprocess.run([program], cwd=work, env=env, capture_output=True, text=True,
                          timeout=60)
    check(done.returncode == 0, f"headless replay: status {done.returncode}: {done.stderr}")
    frames = sorted(f for f in os.listdir(os.path.join(work, "frames")) if f.endswith(".png"))
    check(frames, "the headless replay wrote no frames")
    ppm = subprocess.run(["convert", os.path.join(work, "frames", frames[-1]), "ppm:-"],
                         capture_output=True, check=True).stdout
    return Image.from_ppm(ppm)


def test():
    program = tool("KX508_SCRIBBLE")
    with Session("replay_pixels") as s:
        with open(os.path.join(s.work, "KX508.SCR"), "w") as f:
            f.write(SCRIPT)
        frame = headless_last_frame(program, s.work)

        ended = log_picture(s, [EOF_LINE])
        p = s.start(program, name="scribble")
        draw = s.find_window("KX508 Graphics", pid=p.pid)
        text = s.find_window("KX508 Text", pid=p.pid)
        poll("the helper's canvas with its marker",
             lambda: MAGENTA in (lambda image: [image.pixel(x, y) for y in range(200, 340)
                                                for x in range(250, 350)])(s.shot(draw)), 10)
        s.focus(draw)
        s.key("ctrl+p")

        wait_log(s, SimpleNamespace(text=text), ended, "the end of the script")
        picture = s.shot(draw)
        top = Drawing(picture).top

        fx, fy = origin(frame)
        dx, dy = origin(picture, top + 1)
        differing = [(lx, ly) for ly in range(-SPAN_Y, SPAN_Y + 1)
                     for lx in range(-SPAN_X, SPAN_X + 1)
                     if frame.pixel(fx + lx, fy - ly) != picture.pixel(dx + lx, dy - ly)]
        check(not differing, f"{len(differing)} pixels differ, the first at library point "
                             f"{differing[0] if differing else None}")
        s.key("ctrl+q")
        status = s.wait_exit(p)
        check(status == 0, f"Ctrl+Q ended the helper with status {status}")


main(test)
