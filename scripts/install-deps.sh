#!/usr/bin/env bash
# Installs the Debian 12 packages Tessaly needs to build, test, benchmark and package (as root, or through sudo).
# The Python module: pybind11 and Python's headers to build it, numpy to run it, pytest for its tests.
# Packaging: help2man writes the man pages, rsvg-convert (librsvg2-bin) the icon sizes, dpkg-shlibdeps
# (dpkg-dev) the Depends; lintian, desktop-file-utils, appstream, man-db and bash-completion check the result.
set -euo pipefail
packages=(cmake ninja-build make g++ clang-14 libclang-rt-14-dev
          libfreeimage-dev libtiff-dev libpng-dev libjpeg-dev libdeflate-dev pkg-config libgtest-dev libgmock-dev
          libbenchmark-dev libhwy-dev libexif-dev nlohmann-json3-dev qt6-base-dev fonts-dejavu-core xvfb xauth
          python3-dev pybind11-dev python3-numpy python3-pytest
          dpkg-dev help2man librsvg2-bin lintian desktop-file-utils appstream man-db bash-completion)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
