#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, run and test, plus
# any extra packages named on the command line. Safe to run again: only
# missing packages are installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config doxygen libhwy-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libcoin-dev
  xvfb xauth xdotool x11-apps imagemagick
  desktop-file-utils appstream python3
  clang libclang-rt-14-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
