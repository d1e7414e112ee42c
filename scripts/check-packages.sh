#!/usr/bin/env bash
# Builds the Debian packages from a fresh Release build and checks them: scripts/check-packages.sh
# lintian (no error, no warning), desktop-file-validate and appstreamcli on what they install, then the
# three packages unpacked into a scratch root: the tool runs the sample job from there, Debian's Python
# imports the module from there and maps the sample pair, the app answers --version, the help page is
# where the app looks, the man pages render, and `cmake --install` lays out the same files. Prints each
# package's size and Depends. The build folder is build-packages (or $TESSALY_PACKAGE_BUILD); the .deb
# files stay in it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/help.sh"
[ $# -eq 0 ] || { echo "usage: $0 (see --help)" >&2; exit 2; }
build=${TESSALY_PACKAGE_BUILD:-$root/build-packages}
bash "$root/scripts/install-deps.sh"

fail() {
  echo "check-packages: $*" >&2
  exit 1
}

# Debian's hardening flags, as a Debian build would pass them; the build type keeps its own -O.
cd "$root"
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP='-g -O2' dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS" LDFLAGS
rm -rf "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF \
      -DTESSALY_WERROR="${TESSALY_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j "$(nproc)" >&2
(cd "$build" && cpack -G DEB >/dev/null)
version=$(dpkg-parsechangelog -l "$root/packaging/changelog" -S Version)
cli_deb=$build/tessaly-cli_${version}_$(dpkg --print-architecture).deb
app_deb=$build/tessaly_${version}_$(dpkg --print-architecture).deb
py_deb=$build/python3-tessaly_${version}_$(dpkg --print-architecture).deb
for deb in "$cli_deb" "$app_deb" "$py_deb"; do
  [ -f "$deb" ] || fail "no $(basename "$deb"): is packaging/changelog at the project's version?"
done

# lintian runs as root here: quiet about it, loud about everything else.
lintian --fail-on error,warning --display-info "$cli_deb" "$app_deb" "$py_deb" 2> >(grep -v 'root privileges' >&2) ||
  fail "lintian found errors or warnings"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$cli_deb" "$scratch/root"
dpkg -x "$app_deb" "$scratch/root"
dpkg -x "$py_deb" "$scratch/root"
usr=$scratch/root/usr
desktop-file-validate "$usr/share/applications/tessaly.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"

[ "$("$usr/bin/tessaly-cli" --version)" = "tessaly-cli $version" ] || fail "tessaly-cli --version"
[ "$("$usr/bin/tessaly" --version)" = "tessaly $version" ] || fail "tessaly --version"
cp "$root/samples/left.png" "$scratch/L.png"
cp "$root/samples/right.png" "$scratch/R.png"
"$usr/bin/tessaly-cli" depth --left "$scratch/L.png" --right "$scratch/R.png" --fragment 8 --max-parallax-x 16 \
  --format png >/dev/null
[ "$(head -c 8 "$scratch/L-3dmap.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] ||
  fail "the sample job made no PNG map"
# Debian's Python, not the first python3 on the PATH, which may be another one; -P: not from the working
# folder either. -B: no __pycache__ in the root, whose files are compared with an install below.
PYTHONPATH=$usr/lib/python3/dist-packages /usr/bin/python3 -B -P - "$scratch/root" "$root/samples" <<'EOF' ||
import os, sys
import numpy
import tessaly

root, samples = (os.path.realpath(arg) for arg in sys.argv[1:])
print(f"python3-tessaly: imported {tessaly.__file__}")
for module in (tessaly, tessaly._core):
    if not os.path.realpath(module.__file__).startswith(root + os.sep):
        sys.exit(f"{module.__name__} comes from {module.__file__}, not from the unpacked package")
left = tessaly.imread(os.path.join(samples, "left.png"))
right = tessaly.imread(os.path.join(samples, "right.png"))
r = tessaly.depth_map(left, right, fragment=4, max_parallax=(8, 0))
if r.depth.shape != left.shape[:2] or r.depth.dtype != numpy.uint8:
    sys.exit(f"depth map {r.depth.shape} {r.depth.dtype}, expected {left.shape[:2]} uint8")
EOF
  fail "the Python module did not map the sample pair"
# The app opens <its folder>/../share/tessaly/help/map-help.htm once installed.
[ -f "$usr/bin/../share/tessaly/help/map-help.htm" ] || fail "no help page where the app looks"
for page in tessaly-cli tessaly; do
  text=$(LC_ALL=C MANWIDTH=80 man -l "$usr/share/man/man1/$page.1.gz" 2>&1)
  grep -q "^       $page - make depth maps" <<<"$text" || fail "man -l $page.1.gz: no NAME line"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man -l $page.1.gz: $warnings"
done

# A plain install lays out the same files as the three packages together.
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
diff <(cd "$usr" && find . -type f | sort) <(cd "$scratch/prefix" && find . -type f | sort) ||
  fail "cmake --install and the packages install different files"

for deb in "$cli_deb" "$app_deb" "$py_deb"; do
  echo "$(dpkg-deb -f "$deb" Package) $version: $(stat -c %s "$deb") bytes," \
       "installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
  echo "  Depends: $(dpkg-deb -f "$deb" Depends)"
done
for deb in "$cli_deb" "$py_deb"; do
  if dpkg-deb -f "$deb" Depends | grep -qi qt; then
    fail "$(dpkg-deb -f "$deb" Package) depends on Qt"
  fi
done
echo "check-packages: the three packages pass"
