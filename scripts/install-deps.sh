#!/usr/bin/env bash
# Installs the Debian 12 packages Velmora needs to build, test and run.
# Only what is missing is installed; safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6svg6 qt6-qpa-plugins libgl-dev
  libgtest-dev libbenchmark-dev nlohmann-json3-dev
  xvfb xauth dbus dbus-x11 fonts-dejavu-core fonts-liberation2
  shared-mime-info desktop-file-utils bash-completion
  libcurl4-openssl-dev libidn2-dev libsecret-1-dev openssl python3-aiosmtpd python3-vobject
  libical-dev python3-icalendar
  libreoffice-writer-nogui libreoffice-base-nogui python3-uno xdg-utils gnome-keyring
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
