#!/usr/bin/env bash
# Installs every Debian package Pagovia needs to build, run and test. Safe to run again.
set -euo pipefail
SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  cmake g++ make pkg-config python3 \
  libgtest-dev libbenchmark-dev \
  freeglut3-dev libgl1-mesa-dev libgl1-mesa-dri libosmesa6-dev \
  libx11-dev libxcursor-dev libxfixes-dev \
  libsdl2-dev libopenmpt-dev \
  libfreetype-dev fonts-dejavu-core libpng-dev \
  dpkg-dev desktop-file-utils \
  clang libclang-rt-14-dev \
  xvfb xauth xdotool x11-utils x11-apps mesa-utils netpbm tecnoballz-data
