#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test in that build but the desktop tests, which drive the
# program through a window manager and belong to the plain build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --tests
cmake -S . -B build-asan -DLORVANE_SANITIZE=ON -DBUILD_TESTING=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j2 --label-exclude desktop
