#!/usr/bin/env bash
# Generates the locales that the tests run the programs under, as users have
# them, when they are missing: scripts/locales.sh NAME... (such as
# ru_RU.UTF-8). Needs the locales package (scripts/deps.sh installs it).
set -euo pipefail

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
for name in "$@"; do
    # locale -a lists "ru_RU.utf8" for "ru_RU.UTF-8".
    listed="${name%%.*}.$(tr '[:upper:]' '[:lower:]' <<< "${name#*.}" | tr -d -)"
    if ! locale -a | grep -qx "$listed"; then
        echo "Generating locale $name"
        "${sudo[@]}" localedef -i "${name%%.*}" -f "${name#*.}" "$name"
    fi
done
