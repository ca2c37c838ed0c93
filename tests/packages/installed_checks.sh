# Sourced by the clean Debian checks, from their folder: their environment, how they
# report, and what is checked of installed packages.
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 HOME=/root
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
fail() {
  echo "clean Debian: $*" >&2
  exit 1
}
step() { echo "clean Debian: $*"; }

# left_behind LIST: each path of LIST (a package's files, as dpkg-query -L lists them)
# still there, but folders other packages own.
left_behind() {
  while read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
    echo "$path"
  done <"$1"
}

# broken_links FOLDER: each link or picture of FOLDER's Markdown files, as FILE: TARGET,
# that names a file not installed beside it (links to the web and within a file aside).
broken_links() {
  for doc in "$1"/*.md; do
    grep -o '](\([^)#]*\)[^)]*)' "$doc" | sed 's/^](\([^)#]*\).*/\1/' | while read -r target; do
      case $target in '' | http://* | https://* | mailto:*) continue ;; esac
      [ -e "$(dirname "$doc")/$target" ] || echo "$doc: $target"
    done
  done
}
