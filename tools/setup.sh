#!/bin/sh
# Installs the Debian packages Quillet needs to build and test, when missing.
# Sourced by run.sh and test.sh; safe to run again (does nothing when all is there).
set -eu

QUILLET_PACKAGES="build-essential cmake ninja-build ccache pkg-config \
 qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev \
 libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev zlib1g-dev \
 libglib2.0-dev liblcms2-dev libexiv2-dev libheif-dev libde265-dev libwebp-dev libdeflate-dev \
 libavif-dev libjxl-dev \
 libgtest-dev libgmock-dev libbenchmark-dev \
 desktop-file-utils appstream dbus \
 libavif-bin libjxl-tools webp libimage-exiftool-perl clang-format \
 xvfb xauth"

missing=""
for pkg in $QUILLET_PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $pkg"
    fi
done

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
