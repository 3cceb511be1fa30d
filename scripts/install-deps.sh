#!/usr/bin/env bash
# Installs the Debian 12 packages the program and its tests need; quick when
# they are all there already.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev
  # windows and movies
  qt6-base-dev qt6-declarative-dev qml6-module-qtquick qml6-module-qtquick-controls
  qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtquick-templates
  qml6-module-qtqml-workerscript libgl1-mesa-dri fonts-dejavu-core
  # conversion, disc volumes, machine readable output
  libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libavutil-dev libmount-dev libblkid-dev nlohmann-json3-dev
  # tests: disc making (subtitle pictures too), an independent disc reader, a headless X server and xprop, a private D-Bus, the fuzzer,
  # a window manager's close (python3-xlib) and a comma-decimal locale made with localedef (locales)
  ffmpeg dvdauthor imagemagick genisoimage lsdvd libdvdread-dev xvfb xauth x11-utils dbus python3-dbusmock clang-14 libclang-rt-14-dev
  python3-xlib locales
  # the Debian package and what checks it
  dpkg-dev file appstream man-db
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
