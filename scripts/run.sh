#!/usr/bin/env bash
# Installs what is missing, builds, and starts a program on its default
# file: the address book, or with the first argument "almanor" the
# calendar. Further arguments (a record file to open) go to the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program=cardora
if [ "${1:-}" = "almanor" ] || [ "${1:-}" = "cardora" ]; then
  program="$1"
  shift
fi
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
if [ "$program" = "almanor" ]; then
  exec "$root/build/calendar/gui/Almanor" "$@"
fi
if [ -x "$root/build/addressbook/gui/Cardora" ]; then
  exec "$root/build/addressbook/gui/Cardora" "$@"
fi
# Until the address-book window exists: create the example file the program
# would start on and show what is in it.
home="${VELMORA_HOME:-$root/build/tools}"
mkdir -p "$home/Works"
file="$home/Works/cardora.adr"
[ -f "$file" ] || VELMORA_HOME="$home" "$root/build/tools/velmora" create --examples "$file"
VELMORA_HOME="$home" "$root/build/tools/velmora" info "$file"
VELMORA_HOME="$home" "$root/build/tools/velmora" list "$file"
