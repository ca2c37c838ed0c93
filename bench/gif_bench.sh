#!/usr/bin/env bash
# A GIF of docs/traffic.scr (KX508_GIF): the whole replay's wall time with the GIF and
# without it (medians of N runs), and the GIF's bytes against the PNG frames of the same
# replay (KX508_FRAMES). Prints "figure<TAB>value" lines.
#   bench/gif_bench.sh <traffic> <script> [repetitions]
set -euo pipefail
traffic=$(realpath "$1") script=$(realpath "$2") repetitions=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The median wall time, in ms, of a headless replay with these extra options.
replay_ms() {
  local times=()
  for ((i = 0; i < repetitions; ++i)); do
    rm -rf "$work/out.gif" "$work/frames"
    local start end
    start=$(date +%s%N)
    (cd "$work" && env "$@" KX508_PLATFORM=headless KX508_PLAY="$script" "$traffic" 2>/dev/null)
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

without=$(replay_ms KX508_LOG=/dev/null)
with_gif=$(replay_ms KX508_GIF=out.gif)
gif_bytes=$(stat -c %s "$work/out.gif")
(cd "$work" && KX508_PLATFORM=headless KX508_PLAY="$script" KX508_FRAMES=frames "$traffic" 2>/dev/null)
png_bytes=$(du -sb "$work/frames" | cut -f1)
frames=$(ls "$work/frames" | wc -l)
printf 'GIF of docs/traffic.scr, whole replay\t%d ms (%d ms without the GIF)\n' "$with_gif" "$without"
printf 'GIF bytes against its PNG frames\t%d KB against %d KB for %d frames (%.1f %%)\n' \
  $((gif_bytes / 1024)) $((png_bytes / 1024)) "$frames" \
  "$(awk -v g="$gif_bytes" -v p="$png_bytes" 'BEGIN { print 100 * g / p }')"
