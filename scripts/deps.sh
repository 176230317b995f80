#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# With --tests first, also what the tests need; extra package names may be
# given as arguments.
set -euo pipefail

packages=(build-essential cmake pkg-config qt6-base-dev libgit2-dev)
if [[ "${1:-}" == --tests ]]; then
    shift
    packages+=(libgtest-dev libgmock-dev libx11-dev man-db libcmark-dev git strace pre-commit bsdutils)
fi
packages+=("$@")
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
