#!/usr/bin/env bash
# Builds the Debian package from a clean clone of HEAD and checks it the way a reviewer would:
# lintian at the pedantic level, hardening-check on every program, blhc on the build log, the
# autopkgtests against the installed package, and that removing it leaves none of its files.
# With --reproducible, a second clean clone in another folder is built a while later and the two
# .deb files must be byte-identical. Installs the package on this machine (root or sudo).
# Usage: scripts/check-package.sh [--reproducible] [WORK]   (WORK defaults to build-package/)
set -euo pipefail
cd "$(dirname "$0")/.."
reproducible=false
[ "${1:-}" = --reproducible ] && { reproducible=true; shift; }
work=$(realpath -m "${1:-build-package}")
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

fail() { echo "FAIL: $*" >&2; exit 1; }
# build FOLDER: a clean clone of HEAD in FOLDER/keysound, built there; the log in FOLDER/build.log.
build() {
  rm -rf "$1"
  mkdir -p "$1"
  git clone -q . "$1/keysound"
  # Without a compiler cache: ccache's CCACHE_BASEDIR rewrites the compiler's paths, and with
  # them the paths in the debug information, so a cached build differs from an uncached one.
  (cd "$1/keysound" && CCACHE_DISABLE=1 dpkg-buildpackage -us -uc -b) > "$1/build.log" 2>&1 ||
    { tail -n 30 "$1/build.log"; fail "the package build failed; see $1/build.log"; }
  echo "built $(cd "$1" && sha256sum keysound_*.deb)"
}

dpkg-checkbuilddeps || $sudo mk-build-deps -i -r -t "apt-get -y --no-install-recommends" debian/control
build "$work/a"
cd "$work/a"
deb=$(echo keysound_*_*.deb)

echo "== lintian"
lintian --pedantic --display-info --fail-on error,warning,info,pedantic keysound_*.changes

echo "== hardening-check"
rm -rf unpacked
dpkg-deb -x "$deb" unpacked
mapfile -t programs < <(find unpacked -type f -exec sh -c 'head -c 4 "$1" | grep -q ELF' _ {} \; -print | sort)
[ ${#programs[@]} -gt 0 ] || fail "no programs in $deb"
# --nocfprotection: Debian 12's C start files (crt1.o, crti.o) carry no IBT/SHSTK note, so no
# program linked there is marked for control-flow protection, whatever it is compiled with.
hardening-check --nocfprotection "${programs[@]}"

echo "== blhc"
blhc --all build.log

echo "== autopkgtest"
$sudo autopkgtest "./$deb" keysound/ -- null

echo "== install and remove"
$sudo apt-get install -y -qq "./$deb" >/dev/null
mapfile -t files < <(dpkg -L keysound | while read -r f; do [ -d "$f" ] || echo "$f"; done)
$sudo apt-get remove -y -qq keysound >/dev/null
for f in "${files[@]}"; do
  [ ! -e "$f" ] || fail "apt-get remove left $f"
done
echo "removal left none of the package's ${#files[@]} files"
cd - >/dev/null

if $reproducible; then
  echo "== reproducible: a second build in another folder"
  sleep 61   # another minute on the clock than the first build
  # In another time zone and with another umask.
  (export TZ=Asia/Shanghai; umask 0002; build "$work/b")
  for f in "$work"/a/*.deb; do
    cmp "$f" "$work/b/$(basename "$f")" || fail "$(basename "$f") differs between the two builds"
  done
  echo "the two builds gave byte-identical packages"
fi
