#!/bin/sh
# Inside a clean Debian 12 (script/test-packages runs it there with chroot): kx508-web-dev
# installed by apt with Emscripten, then used by a learner's own account, as a learner
# would: mine.cpp made into a page by kx508-web, and by CMake with find_package(KX508) and
# kx508_web_page(); then removal, which must leave no file of the package behind. The
# pages are left in FOLDER/pages for the browser outside.
#   clean_debian_web.sh FOLDER   (FOLDER holds kx508-web-dev's .deb file and mine.cpp)
set -eu
cd "$1"
. ./installed_checks.sh

# The package, CMake for the second way and man; Recommends left out, as before.
apt-get install -y -q --no-install-recommends ./kx508-web-dev_*.deb cmake make man-db >web-apt.log 2>&1 ||
  { cat web-apt.log >&2; fail "apt-get install kx508-web-dev failed"; }
step "installed kx508-web-dev with Emscripten ($(grep -c '^Setting up' web-apt.log) packages set up)"
dpkg-query -L kx508-web-dev | grep -v '^/\.$' | sort -u >web-installed.list

# A learner's own account: nothing of the build may need root, or write where only root can.
id learner >/dev/null 2>&1 || useradd -m learner
as_learner() { runuser -u learner -- env HOME=/home/learner PATH="$PATH" "$@"; }
work=/home/learner/mine
rm -rf "$work"
mkdir -p "$work"
cp mine.cpp "$work/"
chown -R learner "$work"

# One command.
out=$work/kx508-web.out
(cd "$work" && as_learner kx508-web mine.cpp >"$out" 2>&1) || fail "kx508-web mine.cpp: $(cat "$out")"
for file in mine.html mine.js mine.wasm; do
  [ -s "$work/$file" ] || fail "kx508-web mine.cpp left no $file: $(cat "$out")"
done
grep -q "python3 -m http.server 8000" "$out" || fail "kx508-web does not say how to serve the page: $(cat "$out")"
as_learner kx508-web --version | grep -q '^kx508-web [0-9]' || fail "kx508-web --version"
# What goes wrong is said: a name a page cannot have (2), a program that does not compile (1).
refused() {  # refused <status> <text> <arguments...>: kx508-web ends so, and says the text
  want=$1 text=$2
  shift 2
  status=0
  (cd "$work" && as_learner kx508-web "$@" >refused.out 2>&1) || status=$?
  [ "$status" -eq "$want" ] && grep -q "$text" "$work/refused.out" ||
    fail "kx508-web $*: status $status, not $want with \"$text\": $(cat "$work/refused.out")"
}
refused 2 'cannot name a page' -o 'my page' mine.cpp
printf 'int app::main() { return not_declared; }\n' >"$work/broken.cpp"
refused 1 'not_declared' broken.cpp
[ ! -e "$work/broken.html" ] || fail "kx508-web wrote broken.html for a program that did not compile"
MANWIDTH=80 man --warnings -P cat kx508-web >kx508-web.man 2>kx508-web.warnings ||
  fail "man kx508-web failed: $(cat kx508-web.warnings)"
[ ! -s kx508-web.warnings ] || fail "man kx508-web warns: $(cat kx508-web.warnings)"
broken=$(broken_links /usr/share/doc/kx508-web-dev)
[ -z "$broken" ] || fail "the installed documentation links to files it does not have: $broken"
step "kx508-web made mine.cpp into mine.html, mine.js and mine.wasm"

# CMake: find_package(KX508) under emcmake finds the library built for the web.
cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(mine LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(KX508 REQUIRED)
add_executable(mine-cmake mine.cpp)
target_link_libraries(mine-cmake PRIVATE KX508::kx508 KX508::main)
kx508_web_page(mine-cmake)
CMAKE
chown learner "$work/CMakeLists.txt"
(cd "$work" && as_learner emcmake cmake -S . -B build -DCMAKE_BUILD_TYPE=MinSizeRel &&
  as_learner cmake --build build) >cmake.out 2>&1 || fail "emcmake cmake: $(tail -n 30 cmake.out)"
for file in mine-cmake.html mine-cmake.js mine-cmake.wasm; do
  [ -s "$work/build/$file" ] || fail "the CMake build left no $file"
done
step "emcmake cmake with find_package(KX508) and kx508_web_page() made mine-cmake.html"

rm -rf pages
mkdir pages
cp "$work"/mine.html "$work"/mine.js "$work"/mine.wasm "$work"/build/mine-cmake.* pages/

apt-get remove -y -q kx508-web-dev >web-remove.log 2>&1 || { cat web-remove.log >&2; fail "apt-get remove kx508-web-dev failed"; }
left=$(left_behind web-installed.list)
[ -z "$left" ] || fail "apt-get remove kx508-web-dev left $left"
step "apt-get remove left none of the $(wc -l <web-installed.list) paths kx508-web-dev had"
