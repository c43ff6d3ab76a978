#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite
# (widget tests on Qt's offscreen platform, the end-to-end run under Xvfb),
# the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
# and each fuzzer briefly.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --for-tests

echo "== build and test"
# build/ may have been configured by scripts/run.sh, without the tests.
scripts/build.sh -DORVALLA_BUILD_TESTS=ON -DORVALLA_BUILD_BENCH=ON
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-asan scripts/build.sh -DORVALLA_SANITIZE=ON -DORVALLA_BUILD_BENCH=OFF
(cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)

echo "== fuzz each target briefly"
scripts/fuzz.sh 10
