#!/usr/bin/env bash
# The Debian source package, checked without building the package a second time (that is the
# whole build again; scripts/check-package.sh does it): the changelog is at the project's
# version, the tree makes a source package, lintian finds nothing in it at any level, and this
# build's own programs pass hardening-check, as every build's do.
# Usage: check-source-package.sh <source tree> <build dir> <scratch folder> <version> <program>...
set -euo pipefail
source=$(realpath "$1") build=$(realpath "$2") scratch=$3 version=$4
shift 4

fail() { echo "FAIL: $*"; exit 1; }
packaged=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)
[ "${packaged%-*}" = "$version" ] || fail "debian/changelog is at $packaged, the project at $version"

# The upstream tarball and the tree beside it: the source tree without its version control,
# without debian/ (in the tarball) and without this build folder when it lies inside the tree.
rm -rf "$scratch"
mkdir -p "$scratch/keysound-$version"
excludes=(--exclude-vcs --exclude=./build-*)
case $build/ in "$source"/*) excludes+=("--exclude=./${build#"$source"/}") ;; esac
tar -C "$source" "${excludes[@]}" --exclude=./debian -cJf "$scratch/keysound_$version.orig.tar.xz" .
tar -C "$source" "${excludes[@]}" -c . | tar -C "$scratch/keysound-$version" -x
(cd "$scratch" && dpkg-source -b "keysound-$version" >/dev/null)

# Every tag counts; each one kept is overridden, with its reason, in debian/source/lintian-overrides.
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$scratch/keysound_$packaged.dsc" ||
  fail "lintian reports the tags above"
# --nocfprotection: Debian 12's C start files carry no IBT/SHSTK note (see scripts/check-package.sh).
hardening-check --nocfprotection "$@"
rm -rf "$scratch"
echo "1 passed, 0 failed"
