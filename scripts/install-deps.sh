#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build needs and the machine
# lacks; with --for-tests also what the tests need (a virtual X display, a
# window manager and input tools for the end-to-end run, clang for the
# fuzzers). Run as root.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    qt6-base-dev libjpeg62-turbo-dev libsqlite3-dev libgtest-dev
    tzdata fonts-liberation2 fonts-dejavu-core
)
if [ "${1:-}" = "--for-tests" ]; then
    packages+=(xvfb xdotool imagemagick x11-utils openbox clang libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
