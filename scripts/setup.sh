#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and render.
# Idempotent; run as root. The package index is refreshed only when a
# package is actually missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev libsndfile1-dev libpng-dev zlib1g-dev
  libx11-dev libgl-dev libglx-dev libfreetype-dev fonts-dejavu-core
  libegl-dev libegl-mesa0 libopengl-dev libgl1-mesa-dri libxtst-dev
  xvfb xauth xdotool
  libcairo2-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
