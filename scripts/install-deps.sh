#!/usr/bin/env bash
# Installs the Debian packages the project needs, and only those that are missing.
# Quiet when everything is there; runs apt-get update only when something must be installed.
# With --list it prints the packages, one a line, and installs nothing (check-deps.sh reads them).
# For Debian 12 (bookworm); installing needs root or sudo.
set -euo pipefail

# The one list of what the project needs from Debian. Qt Charts' CMake package needs Qt's OpenGL
# development files, which nothing else here depends on. The Debian package is built by CPack
# with dpkg-shlibdeps (dpkg-dev) and file, stripped with binutils, its desktop entry checked
# with desktop-file-utils, and the installed tool run as another user with util-linux's setpriv.
# lintian checks the package as Debian does, appstream its AppStream metadata; the window's SVG
# icon is drawn by Qt's SVG engine (libqt6svg6), and the installed tool shows its icon on an X
# server of its own (xvfb), read back with xwininfo and xprop (x11-utils).
# The service report test reads its PDF back with pdftotext (poppler-utils); the alarm
# notification test runs a session bus of its own (dbus-daemon).
packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
    iproute2 util-linux
    dpkg-dev file binutils desktop-file-utils lintian appstream
    libqt6svg6 xvfb x11-utils
    poppler-utils
    dbus-daemon
)
if [ "${1:-}" = "--list" ]; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
