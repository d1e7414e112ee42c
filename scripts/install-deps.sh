#!/usr/bin/env bash
# Installs the Debian 12 packages Tessaly needs to build, test and benchmark (as root, or through sudo).
set -euo pipefail
packages=(cmake ninja-build make g++ clang-14 libclang-rt-14-dev
          libfreeimage-dev libtiff-dev libpng-dev libjpeg-dev libdeflate-dev pkg-config libgtest-dev libgmock-dev
          libbenchmark-dev libhwy-dev libexif-dev nlohmann-json3-dev qt6-base-dev fonts-dejavu-core xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
