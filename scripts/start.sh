#!/usr/bin/env bash
# Builds Lorvane and prints the change report of the sample project.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target lorvane-report
build/app/report/lorvane-report --from 2017-01-01 --to "$(date +%F)" --description samples/Warehouse |
    iconv -f CP1251 -t UTF-8
