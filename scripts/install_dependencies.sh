#!/usr/bin/env bash
# Installs, on Debian 12, every package the build, the tests and the program need that is missing,
# and what many desktops carry that changes how the program behaves, so that the tests meet it:
# dbus-x11 lets libdbus start a session bus through X where none is announced.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-gtk-platformtheme
  strace xvfb xdotool xclip x11-utils desktop-file-utils shared-mime-info dbus-daemon dbus-bin
  libglib2.0-bin
  at-spi2-core python3-pyatspi
  dbus-x11
  libx11-dev git
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
