#!/usr/bin/env bash
# Formats every manual page of the folder and fails on any warning.
set -euo pipefail
status=0
for page in "$1"/*.1; do
    if ! warnings=$(man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null); then
        echo "$page: man failed"
        status=1
    fi
    if [[ -n $warnings ]]; then
        echo "$page:"$'\n'"$warnings"
        status=1
    fi
done
exit $status
