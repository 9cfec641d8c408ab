#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; only the missing ones.
set -eu
packages=(
    cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools
    libxcb1-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-xtest0-dev libxcb-xinput-dev libxcb-shape0-dev
    libxcb-composite0-dev libxcb-shm0-dev
    libgtest-dev libbenchmark-dev
)
if [ "${1:-}" = --test ]; then
    packages+=(
        xvfb xauth openbox xcompmgr trayer xdotool xinput x11-utils imagemagick fonts-noto-cjk
        libreoffice-impress libreoffice-gtk3
        g++-mingw-w64-x86-64-posix wine64 wine
        clang clang-format libclang-rt-14-dev openssl python3
        nsis lintian dpkg-dev
    )
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
