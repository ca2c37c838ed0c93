#!/usr/bin/env bash
# The program on a real X server (run this under xvfb-run with a 1024x768 screen), driven
# with real X input: its windows, the Ctrl shortcuts, recording a script, playback, and
# how it ends.
set -euo pipefail

program=$1
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
# The program keeps its road network until it ends, as designed; that is not a leak.
export ASAN_OPTIONS=detect_leaks=0
unset KX508_PLATFORM QT_QPA_PLATFORM

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

start_program() {
  "$program" 2>"$work/stderr" &
  pid=$!
  draw=$(xdotool search --sync --onlyvisible --name '^KX508 Graphics$' | head -n 1)
  text=$(xdotool search --sync --onlyvisible --name '^KX508 Text$' | head -n 1)
  xdotool windowfocus --sync "$draw"
  sleep 0.5
}

# Waits for the program to end and checks its status.
expect_exit() {
  local want=$1 status=0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq "$want" ] || fail "exit status $status, expected $want; stderr: $(cat "$work/stderr")"
}

geometry() {  # x y width height of a window, frame excluded (there is no window manager)
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}

shot() {  # a picture of the drawing window
  import -window "$draw" "$work/$1.png"
}

differing_pixels() {
  compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 || true
}

dark_share() {  # share of dark pixels in a window, 0..1
  import -window "$1" "$work/shot.png"
  convert "$work/shot.png" -colorspace Gray -threshold 50% -negate -format '%[fx:mean]' info:
}

# ---- Windows, logging, recording, playback, Ctrl+Q
start_program
[ "$(geometry "$draw")" = "0 0 601 540" ] || fail "drawing window at $(geometry "$draw")"
[ "$(geometry "$text")" = "0 513 1024 256" ] || fail "text window at $(geometry "$text")"

before=$(dark_share "$text")
xdotool key ctrl+l
sleep 1
after=$(dark_share "$text")
awk -v b="$before" -v a="$after" 'BEGIN{exit !(a > b)}' ||
  fail "Ctrl+L put no trace lines in the text window ($before -> $after)"
xdotool key ctrl+l

xdotool key ctrl+r
sleep 0.5
xdotool type x
sleep 0.5
xdotool key ctrl+r
sleep 0.3
[ -f KX508.SCR ] || fail "no KX508.SCR after recording"
mapfile -t lines < KX508.SCR
[ "${#lines[@]}" -eq 3 ] || fail "script has ${#lines[@]} lines: ${lines[*]}"
[[ ${lines[0]} =~ ^KX508_PERIODIC\([1-9][0-9]*\)\;$ ]] || fail "first line: ${lines[0]}"
[ "${lines[1]}" = "KX508_KBD(120);" ] || fail "second line: ${lines[1]}"
[[ ${lines[2]} =~ ^KX508_PERIODIC\([1-9][0-9]*\)\;$ ]] || fail "third line: ${lines[2]}"

xdotool key ctrl+p
sleep 0.5
kill -0 "$pid" || fail "the program ended during playback"
xdotool key ctrl+q
expect_exit 0

# ---- Ctrl+H freezes the picture, Ctrl+F moves it one step, Ctrl+A lets it run again;
# typed letters do not stop it; a click ends it with status 0
start_program
sleep 1
xdotool key ctrl+h
sleep 0.5
shot halted1
sleep 0.6
shot halted2
[ "$(differing_pixels halted1 halted2)" = 0 ] || fail "the picture moved after Ctrl+H"
xdotool key ctrl+f
sleep 0.5
shot stepped1
[ "$(differing_pixels halted2 stepped1)" != 0 ] || fail "Ctrl+F did not move the picture"
sleep 0.6
shot stepped2
[ "$(differing_pixels stepped1 stepped2)" = 0 ] || fail "the picture moved on after one step"
xdotool key ctrl+a
sleep 1
shot running
[ "$(differing_pixels stepped2 running)" != 0 ] || fail "Ctrl+A did not start the picture again"

xdotool type q
sleep 0.5
kill -0 "$pid" || fail "a typed q ended the program"
xdotool mousemove --window "$draw" 300 300 click 1
expect_exit 0

echo "desktop test passed"
