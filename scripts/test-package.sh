#!/usr/bin/env bash
# Installs the suite's Debian package on this machine (as root), checks what
# a person would use of it, and purges it again:
#   - the programs (Cardora, Almanor, the reminders Velmora and the tool
#     velmora) answer --version, the manual pages and the completion are
#     where man and bash look for them;
#   - the desktop knows the programs, their icons and the record files' types
#     (by name and by content);
#   - Cardora and Almanor start under Xvfb on a new file and close;
#   - after the purge nothing of the package is left in /usr.
# The package is the newest velmora_*.deb in the repository's top folder, or
# the path given; without one it is built first (scripts/package.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
deb="${1:-$(ls -t "$root"/velmora_*.deb 2>/dev/null | head -1 || true)}"
if [ -z "$deb" ]; then
  bash "$root/scripts/package.sh"
  deb="$(ls -t "$root"/velmora_*.deb | head -1)"
fi
deb="$(realpath "$deb")"
fail() { echo "test-package: $*" >&2; exit 1; }

work="$(mktemp -d)"
xvfb=""
installed=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  # A failed check leaves no package behind either.
  [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq velmora >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q "install ok installed" &&
  fail "a velmora package is installed already; purge it first"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed=yes
echo "installed $(dpkg-query -W -f='${Package} ${Version}' velmora)"

# The programs and their documents.
for program in velmora Cardora Almanor Velmora; do
  out="$(/usr/bin/$program --version)" || fail "$program --version failed"
  [[ $out == "$program "* ]] || fail "$program --version said: $out"
done
for page in velmora Cardora Almanor Velmora; do
  man -w "$page" >/dev/null || fail "no manual page for $page"
done
# The tool and the reminders differ only in letter case: each name finds
# its own page.
[[ "$(man -w velmora)" == */velmora.1.gz ]] || fail "man velmora shows $(man -w velmora)"
[[ "$(man -w Velmora)" == */Velmora.1.gz ]] || fail "man Velmora shows $(man -w Velmora)"
[ -f /usr/share/bash-completion/completions/velmora ] || fail "no bash completion"

# The desktop: entries, icons, types by name and by content.
desktop-file-validate /usr/share/applications/org.velmora.Tray.desktop || fail "the reminders' entry is not valid"
for program in Cardora Almanor; do
  desktop-file-validate "/usr/share/applications/org.velmora.$program.desktop" || fail "$program's entry is not valid"
  [ -f "/usr/share/icons/hicolor/scalable/apps/org.velmora.$program.svg" ] || fail "no icon for $program"
  [ -f "/usr/share/icons/hicolor/48x48/apps/org.velmora.$program.png" ] || fail "no 48x48 icon for $program"
done
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_DIRS=/usr/local/share:/usr/share
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
[ "$(xdg-mime query default application/x-velmora-addressbook)" = org.velmora.Cardora.desktop ] ||
  fail "the desktop does not open address books with Cardora"
[ "$(xdg-mime query default application/x-velmora-calendar)" = org.velmora.Almanor.desktop ] ||
  fail "the desktop does not open calendars with Almanor"
velmora create --examples "$work/book" >/dev/null
velmora create --kind calendar "$work/diary" >/dev/null
# By content, as the desktop's file managers see it through shared-mime-info
# (xdg-mime on a desktop it does not know asks file(1), which reads its own
# magic, not the desktop's).
content_type() { gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
if command -v gio >/dev/null; then
  [ "$(content_type "$work/book")" = application/x-velmora-addressbook ] ||
    fail "an address book without its extension is not known by its content"
  [ "$(content_type "$work/diary")" = application/x-velmora-calendar ] ||
    fail "a calendar without its extension is not known by its content"
else
  echo "gio is not installed: the types by content are not checked"
fi

# The programs start on a new file and close; an installed program finds its
# resources and keeps the user's data in the user's data folder.
Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
for program in Cardora Almanor; do
  ext=adr
  [ $program = Almanor ] && ext=cld
  # At its first start a program creates its default file in the program
  # folder, which for an installed program is the user's data folder.
  file="$XDG_DATA_HOME/velmora/Works/${program,,}.$ext"
  DISPLAY=:77 "/usr/bin/$program" >"$work/$program.log" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    [ -s "$file" ] && break
    sleep 0.2
  done
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "$program ended early: $(cat "$work/$program.log")"
  [ -s "$file" ] || fail "$program did not create $file"
  kill -TERM "$pid"
  wait "$pid" || true
  [ -z "$(ls -A "$XDG_DATA_HOME/applications" 2>/dev/null)" ] ||
    fail "$program registered itself for the user although the system knows it"
  echo "$program started on a new file and closed"
done

# Purged, nothing is left.
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq velmora >/dev/null
installed=""
left="$(find /usr -path '*velmora*' -o -iname '*cardora*' -o -iname '*almanor*' | grep -v "^$root" || true)"
[ -z "$left" ] || fail "left after the purge: $left"
echo "test-package: all checks passed"
