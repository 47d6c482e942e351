#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite. Tests run
# without a display (offscreen Qt) and with temporary program folders.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
source "$root/scripts/test-sandbox.sh"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
