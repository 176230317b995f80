#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# Extra package names may be given as arguments.
set -euo pipefail

packages=(build-essential cmake qt6-base-dev libx11-dev libgtest-dev libgmock-dev man-db "$@")
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} > 0)); then
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
