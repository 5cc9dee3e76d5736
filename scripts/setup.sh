#!/usr/bin/env bash
# Installs the Debian packages keysound needs to build and run, and with --tests those its tests
# need too; does nothing when all are present.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-tools-dev qt6-l10n-tools libsqlite3-dev libsdl2-dev libsdl2-mixer-dev libseccomp-dev libpipewire-0.3-dev mdbtools-dev libzip-dev
  libespeak-ng-dev libmp3lame-dev
  libvorbis-dev  # the keyboard-pack benchmark makes its Ogg Vorbis sound with it
  fonts-noto-cjk fonts-symbola libbenchmark-dev
  qt6-translations-l10n desktop-file-utils appstream
  xvfb xauth xdotool imagemagick
)
# A private PipeWire for the audio tests. Not for running: on a PulseAudio desktop these would
# add PipeWire's user services. The packaging tests build the source package and check it with
# lintian and this build's programs with hardening-check (devscripts); scripts/check-package.sh
# builds the package with debhelper and checks it with blhc and autopkgtest too.
if [ "${1:-}" = --tests ]; then
  packages+=(pipewire-bin wireplumber dbus dpkg-dev lintian devscripts debhelper blhc autopkgtest equivs)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
