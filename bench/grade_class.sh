#!/usr/bin/env bash
# kx508-grade on a course's class: SIZE one-file programs (examples/mouse_draw.cpp, each a
# source of its own) x 5 short scripts, built by the tool against the library installed
# from BUILD, all cores. Prints tab-separated figures: the wall time, and the builds' and
# the runs' shares of the time the jobs spent (from results.json).
#   bench/grade_class.sh BUILD [SIZE]
set -euo pipefail
build=$(realpath "$1")
size=${2:-300}
here=$PWD
dir=$(mktemp -d "${TMPDIR:-/tmp}/kx508-class-bench-XXXXXX")
# Readable by the unprivileged user a grading by root runs programs as.
chmod 755 "$dir"
trap 'rm -rf "$dir"' EXIT

cmake --install "$build" --prefix "$dir/prefix" --component dev >/dev/null
PKG_CONFIG_PATH=$(dirname "$(find "$dir/prefix" -name kx508.pc | head -n 1)")
export PKG_CONFIG_PATH
cd "$dir"
# shellcheck disable=SC2046  # pkg-config's words are separate arguments
c++ -std=c++20 -O2 "$here/examples/mouse_draw.cpp" -o reference $(pkg-config --cflags --libs kx508)
scripts=()
for ((k = 1; k <= 5; ++k)); do
  # Clicks that draw a shape k times over, a key for each colour, then a few ticks.
  for ((c = 0; c < 3 * k; ++c)); do
    printf 'KX508_MOUSE(%d, %d);\nKX508_KBD(%d);\n' $((c * 37 % 300 - 150)) $((c * 53 % 240 - 120)) $((49 + c % 4))
  done >"s$k.scr"
  printf 'KX508_PERIODIC(5);\n' >>"s$k.scr"
  mkdir -p "expected/s$k"
  KX508_PLATFORM=headless KX508_PLAY=s$k.scr KX508_FRAMES=expected/s$k \
    KX508_LOG=expected/s$k/log.txt ./reference 2>/dev/null
  scripts+=(--script "s$k.scr")
done
mkdir class
for ((i = 0; i < size; ++i)); do
  { echo "// student $i"; cat "$here/examples/mouse_draw.cpp"; } >"class/student$i.cpp"
done
start=$EPOCHREALTIME
status=0
"$build/tools/kx508-grade" --expected expected "${scripts[@]}" --out out class/*.cpp >grade.out 2>&1 ||
  status=$?
end=$EPOCHREALTIME
if [ "$status" -ne 0 ] || ! grep -q "$((size * 5)) of $((size * 5)) runs passed" grade.out; then
  tail -n 20 grade.out >&2
  echo "bench: kx508-grade ended with status $status" >&2
  exit 1
fi
python3 - "$start" "$end" out/results.json <<'EOF'
import json, sys
start, end, path = float(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
students = json.load(open(path))["students"]
build = sum(s["extra_data"]["build_seconds"] for s in students)
runs = sum(t["extra_data"]["seconds"] for s in students for t in s["tests"])
print(f"wall\t{end - start:.1f}")
print(f"build share\t{100 * build / (build + runs):.0f}")
print(f"build each\t{build / len(students):.2f}")
print(f"run each\t{runs / (len(students) * len(students[0]['tests'])):.3f}")
EOF
