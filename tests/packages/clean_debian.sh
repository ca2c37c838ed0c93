#!/bin/sh
# Inside a clean Debian 12 (script/test-packages runs it there with chroot): the .deb files
# installed by apt, which fetches what they depend on, then used as a user would: a replay
# to PNG frames, the program on Qt's offscreen platform, the desktop entry, the manual
# pages, a one-file program built with pkg-config and replayed, and removal and purge,
# which must leave no file of the packages behind.
#   clean_debian.sh FOLDER   (FOLDER holds the .deb files and traffic.scr)
set -eu
cd "$1"
. ./installed_checks.sh

# The tools the checks use, then the packages as a user installs them; Recommends are
# left out, so that what the packages depend on must be enough by itself.
apt-get update -q >apt.log 2>&1 || { cat apt.log >&2; fail "apt-get update failed"; }
apt-get install -y -q --no-install-recommends man-db desktop-file-utils >>apt.log 2>&1 ||
  { cat apt.log >&2; fail "installing man-db and desktop-file-utils failed"; }
apt-get install -y -q --no-install-recommends ./kx508-traffic_*.deb ./kx508-dev_*.deb >>apt.log 2>&1 ||
  { cat apt.log >&2; fail "apt-get install of kx508-traffic and kx508-dev failed"; }
step "installed $(echo ./kx508-traffic_*.deb ./kx508-dev_*.deb) ($(grep -c '^Setting up' apt.log) packages set up in all)"
dpkg-query -L kx508-traffic kx508-dev | grep -v '^/\.$' | sort -u >installed.list

# A replay to PNG frames, headless, as CI would run it.
[ "$(command -v kx508-traffic)" = /usr/bin/kx508-traffic ] || fail "kx508-traffic is not on the PATH"
mkdir replay
status=0
(cd replay && KX508_PLATFORM=headless KX508_PLAY=../traffic.scr KX508_FRAMES=frames \
  KX508_FRAMES_EVERY=100 kx508-traffic 2>summary) || status=$?
[ "$status" -eq 0 ] || fail "the replay ended with status $status: $(cat replay/summary)"
grep -q "played to its end" replay/summary || fail "the replay did not play to its end: $(cat replay/summary)"
set -- replay/frames/*.png
[ $# -ge 2 ] || fail "the replay wrote $# frames"
for frame in "$@"; do
  # A PNG's signature, then its header's width and height: 601 x 540.
  [ "$(od -An -tx1 -N8 "$frame" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$frame is no PNG"
  [ "$(od -An -tx1 -j16 -N8 "$frame" | tr -d ' \n')" = 000002590000021c ] ||
    fail "$frame is not 601 x 540 pixels"
done
first=$1
for last; do :; done
status=0
kx508-diff "$first" "$last" -o replay/diff.png >replay/diff.out 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "kx508-diff found no difference between the first and the last frame (status $status)"
kx508-diff "$last" "$last" -o replay/diff.png >replay/diff.out 2>&1 ||
  fail "kx508-diff: a frame differs from itself: $(cat replay/diff.out)"
step "replayed traffic.scr headless to $# frames of 601 x 540, and kx508-diff tells them apart"

# On Qt's offscreen platform the program starts and runs until it is stopped.
status=0
(cd replay && QT_QPA_PLATFORM=offscreen timeout 5 kx508-traffic >offscreen.out 2>&1) || status=$?
[ "$status" -eq 124 ] ||
  fail "on Qt's offscreen platform the program ended with status $status before it was stopped: $(cat replay/offscreen.out)"
step "ran on Qt's offscreen platform until stopped after 5 s"

# The desktop entry: valid, naming a program on the PATH and an installed icon.
entry=/usr/share/applications/kx508-traffic.desktop
desktop-file-validate "$entry" >validate.out 2>&1 || fail "desktop-file-validate: $(cat validate.out)"
if grep -E -q 'error|warning' validate.out; then fail "desktop-file-validate: $(cat validate.out)"; fi
program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
command -v "$program" >/dev/null || fail "the desktop entry's program $program is not on the PATH"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no 48 x 48 icon named $icon"
step "the desktop entry validates; its program and icon are installed"

# The manual pages render with no warning from groff, and say what they must; the
# library's own, kx508(3), comes with kx508-dev.
for page in kx508-traffic kx508-diff 3:kx508; do
  section=${page%%:*}
  [ "$section" != "$page" ] || section=1
  name=${page#*:}
  MANWIDTH=80 man --warnings -P cat "$section" "$name" >"$name.man" 2>"$name.warnings" ||
    fail "man $section $name failed: $(cat "$name.warnings")"
  [ ! -s "$name.warnings" ] || fail "man $section $name warns: $(cat "$name.warnings")"
done
[ "$(dpkg -S /usr/share/man/man3/kx508.3.gz | cut -d: -f1)" = kx508-dev ] ||
  fail "kx508(3) is not in kx508-dev"
grep -q 'KX508_wait_event' kx508.man && grep -q '/usr/share/doc/kx508-dev/API.md' kx508.man ||
  fail "man 3 kx508 does not list the calls or name the reference"

for text in 'EXIT STATUS' KX508_PLATFORM KX508_PLAY KX508_FRAMES_EVERY KX508_LOG Ctrl+R; do
  grep -q "$text" kx508-traffic.man || fail "man kx508-traffic does not mention $text"
done
# The manual page's replay example works as it stands.
example=$(sed -n 's/^ *\(KX508_PLATFORM=headless KX508_PLAY=[^ ]*\) .*/\1/p' kx508-traffic.man | head -n 1)
[ -n "$example" ] || fail "man kx508-traffic shows no replay example"
status=0
(mkdir -p example && cd example && env $example kx508-traffic 2>summary) || status=$?
[ "$status" -eq 0 ] && grep -q "played to its end" example/summary ||
  fail "the manual page's example ($example) ended with status $status: $(cat example/summary)"
[ "$(dpkg -S "$(command -v kx508-diff)" | cut -d: -f1)" = kx508-dev ] ||
  fail "kx508-diff is not in kx508-dev"
broken=$(broken_links /usr/share/doc/kx508-dev)
[ -z "$broken" ] || fail "the installed documentation links to files it does not have: $broken"
step "man kx508-traffic, man kx508-diff and man 3 kx508 render; the installed documentation's links resolve"

# A learner's program of one file, the installed hello example, built with pkg-config
# outside any build tree, replays its script.
examples=/usr/share/doc/kx508-dev/examples
flags=$(pkg-config --cflags --libs kx508 2>&1) || fail "pkg-config --cflags --libs kx508: $flags"
# shellcheck disable=SC2086  # pkg-config's words are separate arguments
c++ -std=c++20 "$examples/hello.cpp" -o prog $flags >build.out 2>&1 ||
  fail "building a program with pkg-config failed: $(cat build.out)"
status=0
KX508_PLATFORM=headless KX508_PLAY=$examples/hello.scr \
  KX508_FRAMES=prog-frames ./prog 2>prog.summary || status=$?
[ "$status" -eq 0 ] || fail "the program built with pkg-config ended with status $status: $(cat prog.summary)"
# hello.scr ends with the click that ends the program.
grep -q "frames written to prog-frames; the program ended on its own" prog.summary ||
  fail "its replay did not end on the script's click: $(cat prog.summary)"
[ -f prog-frames/000001.png ] || fail "its replay wrote no frame: $(cat prog.summary)"
step "a one-file program built with pkg-config replays hello.scr to its click"

# Removal, then purge (there are no settings to keep, so it should remove nothing more): nothing of either package is left, but folders other packages own.
apt-get remove -y -q kx508-traffic kx508-dev >remove.log 2>&1 || { cat remove.log >&2; fail "apt-get remove failed"; }
[ -z "$(left_behind installed.list)" ] || fail "apt-get remove left $(left_behind installed.list | tr '\n' ' ')"
# Installed from files, the removed packages are in no archive that apt knows: dpkg purges.
dpkg --purge kx508-traffic kx508-dev >>remove.log 2>&1 || { cat remove.log >&2; fail "dpkg --purge failed"; }
[ -z "$(left_behind installed.list)" ] || fail "purging left $(left_behind installed.list | tr '\n' ' ')"
if dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' 'kx508*' 2>/dev/null | grep -q '^.[^n]'; then
  fail "dpkg still knows the packages after purge"
fi
step "apt-get remove and dpkg --purge left none of the $(wc -l <installed.list) paths the packages had"
