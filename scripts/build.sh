#!/usr/bin/env bash
# Configures and builds everything into build/ (Release with debug info).
# VELMORA_WERROR=ON makes warnings in the programs and libraries errors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_WERROR="${VELMORA_WERROR:-OFF}" "$@" >/dev/null
cmake --build "$root/build" -j"$(nproc)"
