#!/usr/bin/env bash
# Installs, from Debian's packages, whatever building the program needs and
# the machine lacks; with --for-tests also what the tests need (GoogleTest, a
# virtual X display, a window manager and input tools for the end-to-end run,
# clang for the fuzzers, the Debian packaging tools, and the browsers whose
# real profiles the browser tests make, with a session bus for those that
# need one). Run as root, or as a
# user who may use sudo; nothing is asked when nothing is missing.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    qt6-base-dev libjpeg62-turbo-dev libsqlite3-dev zlib1g-dev
    tzdata fonts-liberation2 fonts-dejavu-core
)
if [ "${1:-}" = "--for-tests" ]; then
    packages+=(libgtest-dev xvfb xauth xdotool imagemagick x11-utils openbox clang
        libclang-rt-14-dev
        dpkg-dev file desktop-file-utils firefox-esr chromium
        epiphany-browser luakit falkon qutebrowser konqueror dbus-daemon)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
    elif command -v sudo >/dev/null; then
        as_root=(sudo)
        echo "Installing with sudo: ${missing[*]}"
    else
        echo "Missing: ${missing[*]}. Installing them needs root, and sudo is not installed:" \
            "run $0 as root." >&2
        exit 1
    fi
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
