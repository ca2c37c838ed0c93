#!/usr/bin/env bash
# Whole-process CPU time of the program on a real X server: run it under xvfb-run with a
# 1024x768 screen. For each program given (label=path), it lets the program animate, reads
# its threads' time on a CPU from /proc before and after, halts it with Ctrl+H (checking
# that the picture stands still) and reads again, then plays a long script at its recorded
# pace (KX508_PLAY_PACE=1, for the labels in PACED_LABELS) and reads again; the X
# server's time is read alongside.
# Prints one line per figure:
#   cpu <label> <phase> <wall s> <program cpu s> <X cpu s> <program runqueue wait s>
# The last is the time the program's threads were ready to run but waited for a core:
# on a shared machine, CPU time plus this wait is what the program asked for.
set -euo pipefail

animate_s=${ANIMATE_SECONDS:-20}
halt_s=${HALT_SECONDS:-10}
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
unset KX508_PLATFORM QT_QPA_PLATFORM

fail() {
  echo "cpu_usage: $*" >&2
  exit 1
}

# Nanoseconds the process's threads have run on a CPU (field 1 of schedstat) or waited
# on a run queue for one (field 2), summed over its threads. The scheduler counts these
# to the nanosecond; utime and stime in /proc/<pid>/stat only in 10 ms clock ticks, too
# coarse for a program that uses a few ms a second. Printed with %.0f: mawk's %d stops
# at 2^31.
schedstat_ns() {
  [ -d "/proc/$1" ] || fail "process $1 is gone"
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk -v f="$2" '{ s += $f } END { printf "%.0f", s }'
}
cpu_ns() { schedstat_ns "$1" 1; }
runqueue_ns() { schedstat_ns "$1" 2; }

seconds() { awk -v t="$1" 'BEGIN { printf "%.3f", t / 1e9 }'; }

# The X server of this display: xvfb-run starts it as "Xvfb :N ...". Read from /proc,
# as ps may not be installed.
xserver=""
for dir in /proc/[0-9]*; do
  mapfile -d '' -t args <"$dir/cmdline" 2>/dev/null || continue
  if [ "${#args[@]}" -ge 2 ] && [ "${args[0]##*/}" = Xvfb ] && [ "${args[1]}" = "$DISPLAY" ]; then
    xserver=${dir#/proc/}
    break
  fi
done
[ -n "$xserver" ] || fail "no Xvfb found for display $DISPLAY"

# Measures one phase: sleeps its length and prints the CPU both processes used in it.
phase() {
  local label=$1 name=$2 length=$3 p0 x0 q0 p1 x1 q1
  p0=$(cpu_ns "$pid")
  x0=$(cpu_ns "$xserver")
  q0=$(runqueue_ns "$pid")
  sleep "$length"
  p1=$(cpu_ns "$pid")
  x1=$(cpu_ns "$xserver")
  q1=$(runqueue_ns "$pid")
  echo "cpu $label $name $length $(seconds $((p1 - p0))) $(seconds $((x1 - x0)))" \
    "$(seconds $((q1 - q0)))"
}

differing_pixels() {
  compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 || true
}

measure() {
  local label=$1 program=$2 draw
  (cd "$work" && exec "$program") 2>"$work/stderr" &
  pid=$!
  draw=$(xdotool search --sync --onlyvisible --name '^KX508 Graphics$' | head -n 1)
  xdotool windowfocus --sync "$draw"
  sleep 2  # start-up is not part of either figure

  phase "$label" animating "$animate_s"

  xdotool key ctrl+h
  sleep 1
  import -window "$draw" "$work/halted1.png"
  phase "$label" halted "$halt_s"
  import -window "$draw" "$work/halted2.png"
  [ "$(differing_pixels halted1 halted2)" = 0 ] || fail "$label: the picture moved after Ctrl+H"

  xdotool mousemove --window "$draw" 300 300 click 1
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "$label: exit status $status; stderr: $(cat "$work/stderr")"

  # A long script played at its recorded pace: what watching a replay costs. Only for
  # the builds named in PACED_LABELS (an older build plays it at full speed).
  case " ${PACED_LABELS:-} " in *" $label "*) ;; *) return 0 ;; esac
  printf 'KX508_PERIODIC(100000);\n' >"$work/paced.scr"
  (cd "$work" && KX508_PLAY=paced.scr KX508_PLAY_PACE=1 exec "$program") 2>"$work/stderr" &
  pid=$!
  xdotool search --sync --onlyvisible --name '^KX508 Graphics$' >/dev/null
  sleep 2
  phase "$label" paced "$animate_s"
  kill "$pid"
  wait "$pid" || true
  pid=""
}

for build in "$@"; do
  measure "${build%%=*}" "${build#*=}"
done
