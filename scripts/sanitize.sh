#!/usr/bin/env bash
# Builds the libraries without Qt and their tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ and runs them. Any report
# fails the run. Expects what scripts/install-deps.sh installs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-sanitize"
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_BUILD_GUI=OFF -DVELMORA_BUILD_BENCH=OFF -DVELMORA_BUILD_FUZZ=OFF \
  -DVELMORA_WERROR="${VELMORA_WERROR:-OFF}" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"$(nproc)" --target store_tests addressbook_tests calendar_tests importexport_tests mailmerge_tests tool_tests
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
source "$root/scripts/test-sandbox.sh"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 900
