#!/usr/bin/env bash
# Builds the Debian package of the suite (velmora_<version>_<arch>.deb in the
# repository's top folder) from an optimised build installed under /usr
# (stripped by CPack), and checks it with lintian: an error fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
# What making and checking a package needs besides the build.
missing=()
for p in dpkg-dev lintian file; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
build="$root/build-package"
launcher=()
[ -n "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && launcher+=("-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF -DVELMORA_BUILD_FUZZ=OFF "${launcher[@]}"
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)
deb="$(ls -t "$build"/velmora_*.deb | head -1)"
cp "$deb" "$root/"
echo "Package: $root/$(basename "$deb")"
# Errors fail; warnings and information are shown.
lintian --fail-on error --info "$root/$(basename "$deb")"
