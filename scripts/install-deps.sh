#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config python3
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libx11-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n qt6-image-formats-plugins
  libfftw3-dev
  libpng-dev zlib1g-dev libzip-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libavfilter-dev
  python3-numpy
  pybind11-dev python3-dev python3-pytest python3-matplotlib
  fonts-ipafont-gothic
  dpkg-dev file help2man appstream desktop-file-utils
)

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
