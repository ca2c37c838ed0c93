#!/usr/bin/env bash
# Without any display the program says why in one line and exits with status 1; asked
# for --help (its own text above the library's options) or --version it answers on
# standard output and exits 0, opening no window.
set -uo pipefail

program=$1
err=$(mktemp)
trap 'rm -f "$err"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u KX508_PLATFORM \
  ASAN_OPTIONS=detect_leaks=0 "$program" 2>"$err" >/dev/null
status=$?

[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, expected 1"; cat "$err"; exit 1; }
[ "$(wc -l <"$err")" -eq 1 ] || { echo "FAIL: expected one line:"; cat "$err"; exit 1; }
grep -q 'KX508_PLATFORM=headless' "$err" && grep -q 'xvfb-run' "$err" ||
  { echo "FAIL: the line does not say how to run without a display:"; cat "$err"; exit 1; }
said=$(cat "$err")
for option in --help --version; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u KX508_PLATFORM \
    ASAN_OPTIONS=detect_leaks=0 "$program" "$option" 2>"$err")
  status=$?
  [ "$status" -eq 0 ] && [ ! -s "$err" ] ||
    { echo "FAIL: $option: status $status: $(cat "$err")"; exit 1; }
  case "$option:$out" in
    # The program's own text, then the library's options.
    --help:"A traffic simulation at six signalled intersections"*"man kx508-traffic"*"Usage: $(basename "$program") [--help | --version]"*KX508_PLAY=*) ;;
    --version:"$(basename "$program") (KX508 "*")") ;;
    *) echo "FAIL: $option printed: $out"; exit 1 ;;
  esac
done
echo "no-display test passed: $said"
