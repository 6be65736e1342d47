#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Corvane need.
# As root it runs apt-get; otherwise it prints the command to run.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang libclang-rt-14-dev clang-format ccache
    libsystemd-dev dbus-daemon python3-dbusmock
    libpugixml-dev nlohmann-json3-dev gdal-bin
    qt6-base-dev xvfb xauth
    libx11-dev libxtst-dev openbox xdotool x11-xkb-utils
    libevdev-dev libxkbcommon-dev xkb-data
    at-spi2-core python3-pyatspi desktop-file-utils libqt6svg6
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
else
    echo "Please run as root: apt-get install -y ${missing[*]}" >&2
    exit 1
fi
