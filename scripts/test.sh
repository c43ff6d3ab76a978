#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (widget tests run on
# Qt's offscreen platform, so no display is needed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure
