#!/usr/bin/env bash
# Installs what is missing, builds the program and orvalla-stores (neither the
# tests nor the benchmarks), and starts Orvalla.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# A build/ already configured, as scripts/test.sh leaves it, keeps its
# options: only the two programs are brought up to date in it.
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DORVALLA_BUILD_TESTS=OFF -DORVALLA_BUILD_BENCH=OFF >/dev/null
fi
cmake --build build -j"$(nproc)" --target orvalla orvalla-stores
exec build/src/orvalla
