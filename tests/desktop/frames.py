"""Runs recorded live and their replays compared picture by picture: the frames a run
wrote, each picture once where it was presented again, and a replay of the run file."""
import os
import re
import subprocess

from failure import check


def pictures(folder, least):
    """The frames' pixels, each picture once where it was presented again (a repaint)."""
    frames = sorted(f for f in os.listdir(folder) if f.endswith(".png"))
    check(len(frames) >= least, f"{folder} holds {len(frames)} frames")
    seen = []
    for name in frames:
        picture = subprocess.run(["convert", os.path.join(folder, name), "-depth", "8", "rgb:-"],
                                 capture_output=True, check=True).stdout
        if not seen or seen[-1][1] != picture:
            seen.append((name, picture))
    return seen


def same_pictures(live, replayed, what):
    first = next((i for i, (a, b) in enumerate(zip(live, replayed)) if a[1] != b[1]), None)
    check(first is None, f"{what}: the picture of live frame {live[first][0] if first is not None else ''}"
                         f" differs from replayed frame {replayed[first][0] if first is not None else ''}")
    check(len(live) == len(replayed),
          f"{what}: {len(live)} pictures live, {len(replayed)} replayed")


def replay(s, folder, command, run="live.run", least=10):
    """The pictures of the run file replayed headless by the command, which must play it
    to its end; the GIF goes to <folder>.gif."""
    env = {k: v for k, v in s.env.items() if not k.startswith("KX508_") or k == "KX508_WINEPREFIX"}
    env.update(KX508_PLATFORM="headless", KX508_PLAY=run, KX508_FRAMES=folder,
               KX508_GIF=f"{folder}.gif")
    env.pop("DISPLAY", None)
    done = subprocess.run(command, cwd=s.work, env=env, capture_output=True, text=True,
                          timeout=180)
    check(done.returncode == 0, f"{' '.join(command)}: status {done.returncode}: {done.stderr}")
    # The run ends with what ended the program: every line was played.
    check(re.search(rf"KX508: all \d+ events played from {re.escape(run)}; .*the program ended on its own",
                    done.stderr), f"{' '.join(command)}: {done.stderr!r}")
    return pictures(os.path.join(s.work, folder), least)
