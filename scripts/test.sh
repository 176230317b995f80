#!/usr/bin/env bash
# Builds Lorvane and runs every test, the desktop tests included: those
# run the real program on Xvfb displays of their own, under openbox and
# without a window manager (scripts/desktop.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --tests xvfb xauth openbox xdotool wmctrl x11-utils locales
# Dates are tested under the locales of users, not only under C.
scripts/locales.sh ru_RU.UTF-8 en_US.UTF-8 de_DE.UTF-8
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
