#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite. Tests run
# without a display (offscreen Qt) and with temporary program folders.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
export VELMORA_HOME="$(mktemp -d)"
export XDG_DATA_HOME="$(mktemp -d)"
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$VELMORA_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"' EXIT
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
