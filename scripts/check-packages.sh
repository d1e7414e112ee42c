#!/usr/bin/env bash
# Builds the Debian packages from a fresh Release build and checks them: scripts/check-packages.sh
# lintian (no error, no warning), desktop-file-validate and appstreamcli on what they install, then both
# packages unpacked into a scratch root: the tool runs the sample job from there, the app answers
# --version, the help page is where the app looks, the man pages render, and `cmake --install` lays out
# the same files. Prints each package's size and Depends. The build folder is build-packages (or
# $TESSALY_PACKAGE_BUILD); the .deb files stay in it.
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
for deb in "$cli_deb" "$app_deb"; do
  [ -f "$deb" ] || fail "no $(basename "$deb"): is packaging/changelog at the project's version?"
done

# lintian runs as root here: quiet about it, loud about everything else.
lintian --fail-on error,warning --display-info "$cli_deb" "$app_deb" 2> >(grep -v 'root privileges' >&2) ||
  fail "lintian found errors or warnings"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$cli_deb" "$scratch/root"
dpkg -x "$app_deb" "$scratch/root"
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
# The app opens <its folder>/../share/tessaly/help/map-help.htm once installed.
[ -f "$usr/bin/../share/tessaly/help/map-help.htm" ] || fail "no help page where the app looks"
for page in tessaly-cli tessaly; do
  text=$(LC_ALL=C MANWIDTH=80 man -l "$usr/share/man/man1/$page.1.gz" 2>&1)
  grep -q "^       $page - make depth maps" <<<"$text" || fail "man -l $page.1.gz: no NAME line"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man -l $page.1.gz: $warnings"
done

# A plain install lays out the same files as the two packages together.
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
diff <(cd "$usr" && find . -type f | sort) <(cd "$scratch/prefix" && find . -type f | sort) ||
  fail "cmake --install and the packages install different files"

for deb in "$cli_deb" "$app_deb"; do
  echo "$(dpkg-deb -f "$deb" Package) $version: $(stat -c %s "$deb") bytes," \
       "installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
  echo "  Depends: $(dpkg-deb -f "$deb" Depends)"
done
if dpkg-deb -f "$cli_deb" Depends | grep -qi qt; then
  fail "tessaly-cli depends on Qt"
fi
echo "check-packages: both packages pass"
