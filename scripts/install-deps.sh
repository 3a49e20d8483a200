#!/usr/bin/env bash
# Installs every Debian 12 package Brenvik needs to build, run and test.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PKGS=(
  build-essential cmake ninja-build pkg-config clang-format
  clang libclang-rt-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev qt6-svg-dev libqt6svg6
  qt6-webengine-dev qt6-webengine-dev-tools
  qt6-multimedia-dev libqt6multimedia6
  qt6-qpa-plugins qt6-l10n-tools
  libespeak-ng-dev espeak-ng-data
  qt6-speech-dev libqt6texttospeech6 qt6-speech-speechd-plugin qt6-speech-flite-plugin
  libjpeg62-turbo-dev libuemf-dev
  libsqlite3-dev libzip-dev libzstd-dev python3
  libqt6sql6-sqlite
  dbus-daemon
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick
  fonts-liberation fonts-liberation2 fonts-noto-color-emoji fontconfig
  desktop-file-utils appstream dpkg-dev file lintian ccache
  librsvg2-bin qt6-image-formats-plugins shared-mime-info libglib2.0-bin
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
