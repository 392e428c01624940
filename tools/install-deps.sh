#!/bin/sh
# Installs the Debian packages that building, running and testing Orvex need,
# but only those that are missing, so a machine that has them all is left alone.
# Usage: tools/install-deps.sh [extra package...]
set -eu

# libpulse-dev: Play's sound output; dpkg-dev and file: CPack's Debian package and its test;
# librsvg2-bin: the menu icons; xvfb and xdotool: the tests that drive the real window;
# fonts-dejavu-core: a font for the offscreen window tests to lay out with; pulseaudio and
# pulseaudio-utils: a real sound server with a null sink for the test that plays; appstream:
# the software centre's check; dbus, at-spi2-core and python3-pyatspi: the real window read
# through the accessibility bus, as a screen reader reads it; python3-xlib: timing the
# window's answers in the benchmark; ffmpeg: one of the programs whose files the tests read;
# fusefat and dosfstools: a FAT card, whose names ignore letter case, for the file system
# tests; libwayland-dev: start-up asks a Wayland compositor for its seat; weston and
# qt6-wayland: the window under a Wayland compositor without X.
packages="cmake g++ make pkg-config libsndfile1-dev qt6-base-dev libpulse-dev googletest \
libgtest-dev sox libsox-fmt-base dpkg-dev file librsvg2-bin xvfb xdotool fonts-dejavu-core \
pulseaudio pulseaudio-utils appstream dbus at-spi2-core python3-pyatspi python3-xlib ffmpeg \
fusefat dosfstools libwayland-dev weston qt6-wayland $*"

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing="$missing $p"
done
[ -n "$missing" ] || exit 0

echo "Installing missing packages:$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "install-deps: need root or sudo to install:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# A fresh machine may have no package lists yet; a failed update still lets
# the install try with whatever lists there are.
$sudo apt-get update -qq || true
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
